#include "common/ProfileFields.h"

#include <array>

namespace brisma {

namespace {

struct FieldEntry {
    std::string_view suffix;
    std::string ProfileFields::*field;
};

constexpr std::array<FieldEntry, 14> kFields{{
    {"email", &ProfileFields::strEmail},
    {"sex", &ProfileFields::strSex},
    {"bday", &ProfileFields::strBday},
    {"yy", &ProfileFields::strYy},
    {"mm", &ProfileFields::strMm},
    {"dd", &ProfileFields::strDd},
    {"prid", &ProfileFields::strPrID},
    {"arid", &ProfileFields::strArID},
    {"pr", &ProfileFields::strPr},
    {"class", &ProfileFields::strClass},
    {"job", &ProfileFields::strJob},
    {"netenv", &ProfileFields::strNetEnv},
    {"pcenv", &ProfileFields::strPcEnv},
    {"carrier", &ProfileFields::strCarrier},
}};

} // namespace

std::string* ProfileFields::field(std::string_view suffix) {
    for (const FieldEntry& entry : kFields)
        if (entry.suffix == suffix)
            return &(this->*entry.field);
    return nullptr;
}

bool ProfileFields::isField(std::string_view suffix) {
    for (const FieldEntry& entry : kFields)
        if (entry.suffix == suffix)
            return true;
    return false;
}

} // namespace brisma
