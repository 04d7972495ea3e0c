#include "report/modInet.h"

#include "common/BrismaError.h"
#include "common/Conversions.h"
#include "platform/http/HttpClient.h"
#include "platform/ui/StringTable.h"

#include <string_view>

namespace brisma {
namespace {

// Bytes that would end a value early or change its meaning in a query: "&" starts the next
// parameter, "#" ends the query, "+" and "%" decode to something else, blanks and control
// characters break the request line. Non-ASCII bytes are not allowed in a request target.
bool mustEncode(unsigned char c) {
    return c <= 0x20 || c >= 0x7F || c == '&' || c == '#' || c == '+' || c == '%';
}

// A query value that can neither add nor split a parameter; plain codes go out unchanged.
std::string q(std::string_view value) {
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(value.size());
    for (const char ch : value) {
        const auto c = static_cast<unsigned char>(ch);
        if (mustEncode(c)) {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 0x0F];
        } else {
            out += ch;
        }
    }
    return out;
}

// Date and time of one reading of the clock, so that a report built at midnight cannot pair
// one day's date with the next day's time.
std::string stamp(const Clock& clock) {
    const DateTime now = clock.now();
    return "&date=" + conv::ZeroPad(now.year, 4) + conv::ZeroPad(now.month, 2) + conv::ZeroPad(now.day, 2) +
           "&time=" + conv::ZeroPad(now.hour, 2) + conv::ZeroPad(now.minute, 2) +
           conv::ZeroPad(now.second, 2);
}

std::string version() {
    return q(LoadResString(119));
}

// The part every log report starts with.
std::string logHead(const UserRecord& user, const std::string& channel) {
    return "?version=" + version() + "&userid=" + q(user.strUserID) + "&channel=" + q(channel) +
           "&type=desktop3";
}

std::string profilePart(const UserRecord& user) {
    return "&email=" + q(user.strEmail) + "&sex=" + q(user.strSex) + "&bday=" + q(user.strBday) +
           "&prefecture=0" + "&prid=" + q(user.strPrID) + "&arid=" + q(user.strArID) +
           "&cls=" + q(user.strClass) + "&job=" + q(user.strJob) + "&netenv=" + q(user.strNetEnv) +
           "&pcenv=" + q(user.strPcEnv) + "&carier=" + q(user.strCarrier);
}

} // namespace

modInet::modInet(const ErrorReporter& errors, const Clock& clock, HttpTransport& http,
                 const ScriptValues& script, UserRecord& user)
    : errors_(errors), clock_(clock), http_(http), script_(script), user_(user) {}

void modInet::SendClickLog(const std::string& id) {
    withHandler(errors_, "modInet.SendClickLog >", [&] {
        http_.getAsync(script_.logclick + logHead(user_, conv::Left(id, 3)) + "&id=" + q(id) + stamp(clock_));
    });
}

void modInet::SendAdClickLog(const std::string& id, const std::string& adtype) {
    withHandler(errors_, "modInet.SendAdClickLog >", [&] {
        http_.getAsync(script_.logadclick + logHead(user_, conv::Left(id, 3)) + "&adtype=" + q(adtype) +
                       "&id=" + q(id) + stamp(clock_));
    });
}

void modInet::SendAdViewLog(const std::string& id, const std::string& adtype) {
    withHandler(errors_, "modInet.SendAdViewLog >", [&] {
        http_.getAsync(script_.logadview + logHead(user_, conv::Left(id, 3)) + "&id=" + q(id) +
                       "&adtype=" + q(adtype) + "&com=each" + stamp(clock_));
    });
}

// The address carries its own query, made by whoever gave it; only the stamp is ours.
void modInet::SendViewLog(const std::string& url) {
    withHandler(errors_, "modInet.SendViewLog >", [&] { http_.getAsync(url + stamp(clock_)); });
}

void modInet::SendUpdateLog(const std::string& com, int16_t channel) {
    withHandler(errors_, "modInet.SendUpdateLog >", [&] {
        http_.getAsync(script_.logupdate + logHead(user_, conv::ZeroPad(channel, 3)) + "&com=" + q(com) +
                       stamp(clock_));
    });
}

void modInet::SendDirectLog(const std::string& url) {
    withHandler(errors_, "modInet.SendDirectLog >", [&] { http_.getAsync(url + stamp(clock_)); });
}

void modInet::RegistUser() {
    withHandler(errors_, "modInet.RegistUser >", [&] {
        const HttpResponse answer = http_.getResponse(script_.user + "?com=regist" + "&version=" + version() +
                                                      "&type=desktop3" + profilePart(user_) + stamp(clock_));
        // An error page is no user id: the user stays unregistered.
        if (answer.status < 200 || answer.status > 299)
            raise(err::NetworkFailure, "status " + std::to_string(answer.status));
        user_.strUserID = answer.body;
    });
}

void modInet::UpdateUser() {
    withHandler(errors_, "modInet.UpdateUser >", [&] {
        if (user_.strUserID.empty()) {
            RegistUser();
            return;
        }
        http_.getAsync(script_.user + "?com=update" + "&version=" + version() + "&type=desktop3" +
                       "&id=" + q(user_.strUserID) + profilePart(user_) + stamp(clock_));
    });
}

} // namespace brisma
