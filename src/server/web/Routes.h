#pragma once

#include "server/admin/AdminRoute.h"
#include "server/ads/AdBook.h"
#include "server/channels/GeneratedDocuments.h"
#include "server/content/ContentFolder.h"

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Which part answers a request: the intake its reports and user requests, the operator's page
// route the page, the booked campaigns their documents, the generated documents the channel list
// and the feeds (whatever content holds at their paths), the content folder the rest. Nothing here reads the
// disk on a serving thread.
namespace brisma::server {

class Intake;
class StoreHealth;

// What is served; replaced whole when the configuration is read again.
struct ServedSite {
    std::shared_ptr<const GeneratedDocuments> generated;
    std::shared_ptr<const ContentFolder> content;
    AdminSite admin;
    std::shared_ptr<const AdBook> ads;  // the booked campaigns' documents, chosen per request
    std::vector<std::string> feedPaths; // every channel's, for readiness
};

struct WebRequest {
    std::string_view method;
    std::string_view path;   // decoded
    std::string_view target; // as it arrived, undecoded
    AdminRequest admin;
    std::string day;    // the query's day value, empty when none came
    std::string client; // the address the per-address limits count
};

struct Answer {
    unsigned status = 200;
    std::shared_ptr<const void> keep; // what `body` points into, alive as long as the answer is sent
    std::string_view body;
    const char* type = "text/plain";    // Content-Type
    bool noStore = false;               // chosen for this request
    std::chrono::seconds retryAfter{0}; // sent when not zero
};

class Routes {
public:
    using Later = std::function<void(Answer)>;

    // `intake` and `health` outlive the routes.
    Routes(ServedSite site, Intake& intake, const StoreHealth& health);
    void replace(ServedSite site);

    // The answer now; or none, and `later` is called once with it, maybe on another thread and
    // maybe before this returns.
    std::optional<Answer> route(const WebRequest& request, const Later& later);

private:
    // /readyz: none when ready, else why not.
    std::optional<std::string> unready(const ServedSite& site) const;

    Intake& intake_;
    const StoreHealth& health_;
    AdminRoute pages_;
    std::mutex siteMutex_;
    std::shared_ptr<const ServedSite> site_;
};

} // namespace brisma::server
