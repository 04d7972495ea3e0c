#pragma once

#include "common/AppContext.h"
#include "common/UserRecord.h"

#include <cstdint>
#include <string>

namespace brisma {

// Reports what the user does to the server: each report is one GET whose query carries the
// data. All but RegistUser go through the background sender and never hold the caller.
class modInet {
public:
    modInet(AppContext& ctx, UserRecord& user);

    void SendClickLog(const std::string& id);
    void SendAdClickLog(const std::string& id, const std::string& adtype);
    void SendAdViewLog(const std::string& id, const std::string& adtype);
    void SendViewLog(const std::string& url);
    void SendUpdateLog(const std::string& com, int16_t channel);
    void SendDirectLog(const std::string& url);
    // Synchronous: the answer becomes strUserID.
    void RegistUser();
    void UpdateUser();

private:
    AppContext& ctx_;
    UserRecord& user_;
};

} // namespace brisma
