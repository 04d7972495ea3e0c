#include "server/web/Routes.h"

#include "server/intake/Intake.h"
#include "server/model/Clock.h"
#include "server/store/StoreHealth.h"

#include <random>

namespace brisma::server {
namespace {

Answer textAnswer(unsigned status, std::string text, const char* type = "text/plain") {
    auto body = std::make_shared<const std::string>(std::move(text));
    return {status, body, *body, type};
}

Answer pageAnswer(AdminAnswer page) {
    const bool html = page.status == 200;
    return textAnswer(page.status, std::move(page.body), html ? "text/html; charset=utf-8" : "text/plain");
}

} // namespace

Routes::Routes(ServedSite site, Intake& intake, const StoreHealth& health)
    : intake_(intake), health_(health), site_(std::make_shared<const ServedSite>(std::move(site))) {}

void Routes::replace(ServedSite site) {
    auto next = std::make_shared<const ServedSite>(std::move(site));
    std::lock_guard lock(siteMutex_);
    site_.swap(next);
}

std::optional<std::string> Routes::unready(const ServedSite& site) const {
    if (std::optional<std::string> store = health_.fault())
        return store;
    if (!site.generated->get(GeneratedDocuments::ChannelList))
        return "the channel list is not built";
    for (const std::string& path : site.feedPaths)
        if (!site.generated->get(path))
            return "the feed " + path + " is not built";
    return std::nullopt;
}

std::optional<Answer> Routes::route(const WebRequest& request, const Later& later) {
    if (request.method != "GET")
        return textAnswer(405, "405 Method Not Allowed: only GET\n");
    if (request.path == "/healthz") {
        Answer ok = textAnswer(200, "ok");
        ok.noStore = true;
        return ok;
    }
    if (intake_.take(request.target, request.client, [later](Intake::Reply reply) {
            Answer answer = textAnswer(reply.status, std::move(reply.body));
            answer.retryAfter = reply.retryAfter;
            later(std::move(answer));
        }))
        return std::nullopt;
    std::shared_ptr<const ServedSite> site;
    {
        std::lock_guard lock(siteMutex_);
        site = site_;
    }
    if (request.path == "/readyz") {
        const std::optional<std::string> why = unready(*site);
        Answer answer = why ? textAnswer(503, *why + "\n") : textAnswer(200, "ready\n");
        answer.noStore = true;
        return answer;
    }
    if (request.path == "/admin/" || request.path == "/admin") {
        if (auto refusal = pages_.take(site->admin, request.admin, request.day,
                                       [later](AdminAnswer page) { later(pageAnswer(std::move(page))); }))
            return pageAnswer(std::move(*refusal));
        return std::nullopt;
    }
    if (site->ads) {
        thread_local std::mt19937_64 random{std::random_device{}()};
        if (auto ad = site->ads->find(std::string(request.path), site->admin.clock->nowMs(), random)) {
            if (!ad->bytes)
                return textAnswer(404, "404 Not Found\n");
            return Answer{200, ad->bytes, *ad->bytes, ad->type, true};
        }
    }
    const std::shared_ptr<const StaticContent> content = site->content->current();
    const bool list = request.path == content->channelListPath();
    if (list || request.path.starts_with("/feeds/")) {
        if (auto document =
                site->generated->get(list ? GeneratedDocuments::ChannelList : std::string(request.path)))
            return Answer{200, document, *document, "text/xml"};
    } else if (const Document* document = content->find(request.path)) {
        return Answer{200, document->file, document->bytes, document->type};
    }
    return textAnswer(404, "404 Not Found\n");
}

} // namespace brisma::server
