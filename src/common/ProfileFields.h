#pragma once

#include <string>
#include <string_view>

namespace brisma {

// The fourteen profile fields that the registration and profile panels collect and the user
// record keeps, one command suffix each ("email" ... "carrier").
struct ProfileFields {
    std::string strEmail;
    std::string strSex;
    std::string strBday;
    std::string strYy;
    std::string strMm;
    std::string strDd;
    std::string strPrID;
    std::string strArID;
    std::string strPr;
    std::string strClass;
    std::string strJob;
    std::string strNetEnv;
    std::string strPcEnv;
    std::string strCarrier;

    // The field a command suffix names (exact, case-sensitive), or null.
    std::string* field(std::string_view suffix);
    // Whether a command suffix names a field.
    static bool isField(std::string_view suffix);
};

} // namespace brisma
