#pragma once

#include "common/Clock.h"
#include "common/ErrorReporter.h"
#include "common/ScriptValues.h"
#include "common/UserRecord.h"

#include <cstdint>
#include <string>

namespace brisma {

class HttpTransport;
// Reports what the user does to the server: each report is one GET whose query carries the
// data. All but RegistUser go through the background sender and never hold the caller.
class modInet {
public:
    modInet(const ErrorReporter& errors, const Clock& clock, HttpTransport& http, const ScriptValues& script,
            UserRecord& user);

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
    const ErrorReporter& errors_;
    const Clock& clock_;
    HttpTransport& http_;
    const ScriptValues& script_;
    UserRecord& user_;
};

} // namespace brisma
