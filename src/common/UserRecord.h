#pragma once

#include "common/ProfileFields.h"

#include <string>

namespace brisma {

// The user's profile as the panels entered it, the server-assigned id and the stored version.
struct UserRecord : ProfileFields {
    std::string strUserID;
    std::string strUserVersion;
};

} // namespace brisma
