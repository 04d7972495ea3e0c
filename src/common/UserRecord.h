#pragma once

#include <string>

namespace brisma {

// The user's profile as the panels entered it, the server-assigned id and the stored version.
struct UserRecord {
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

    std::string strUserID;
    std::string strUserVersion;
};

} // namespace brisma
