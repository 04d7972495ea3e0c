#include "panels/ProfileFields.h"

#include <array>

namespace brisma {

namespace {

struct FieldEntry {
    std::string_view suffix;
    std::string ProfileFields::*field;
    std::string UserRecord::*profile;
};

constexpr std::array<FieldEntry, 14> kFields{{
    {"email", &ProfileFields::strEmail, &UserRecord::strEmail},
    {"sex", &ProfileFields::strSex, &UserRecord::strSex},
    {"bday", &ProfileFields::strBday, &UserRecord::strBday},
    {"yy", &ProfileFields::strYy, &UserRecord::strYy},
    {"mm", &ProfileFields::strMm, &UserRecord::strMm},
    {"dd", &ProfileFields::strDd, &UserRecord::strDd},
    {"prid", &ProfileFields::strPrID, &UserRecord::strPrID},
    {"arid", &ProfileFields::strArID, &UserRecord::strArID},
    {"pr", &ProfileFields::strPr, &UserRecord::strPr},
    {"class", &ProfileFields::strClass, &UserRecord::strClass},
    {"job", &ProfileFields::strJob, &UserRecord::strJob},
    {"netenv", &ProfileFields::strNetEnv, &UserRecord::strNetEnv},
    {"pcenv", &ProfileFields::strPcEnv, &UserRecord::strPcEnv},
    {"carrier", &ProfileFields::strCarrier, &UserRecord::strCarrier},
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

void ProfileFields::copyTo(UserRecord& user) const {
    for (const FieldEntry& entry : kFields)
        user.*entry.profile = this->*entry.field;
}

} // namespace brisma
