#include "panels/ProfileFields.h"

#include <array>
#include <utility>

namespace brisma {

std::string* ProfileFields::field(std::string_view suffix) {
    static constexpr std::array<std::pair<std::string_view, std::string ProfileFields::*>, 14> fields{{
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
    for (const auto& [name, member] : fields)
        if (name == suffix)
            return &(this->*member);
    return nullptr;
}

} // namespace brisma
