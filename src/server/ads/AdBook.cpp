#include "server/ads/AdBook.h"

#include "server/content/StaticContent.h"
#include "server/store/AdCounts.h"
#include "server/store/Database.h"

#include <QCryptographicHash>
#include <cstdio>

namespace brisma::server {
namespace {

constexpr std::int64_t FirstMovieId = 10000000;
constexpr const char* NoTerm = "2000/01/01";

std::shared_ptr<const std::string> shared(std::string bytes) {
    return std::make_shared<const std::string>(std::move(bytes));
}

std::string numbered(const char* format, std::int64_t a, std::int64_t b = 0) {
    char text[48];
    std::snprintf(text, sizeof text, format, static_cast<long long>(a), static_cast<long long>(b));
    return text;
}

std::vector<std::string> idsOf(const std::vector<Campaign>& campaigns, CampaignKind kind) {
    std::vector<std::string> ids;
    for (const Campaign& c : campaigns)
        if (c.kind == kind)
            ids.push_back(c.id);
    return ids;
}

// A movie's name among the ids: whatever a client caches under its id, so a change gives a new one.
std::string movieName(const Campaign& c, const std::string& term) {
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (const std::string* part : {c.content.get(), &c.text, &c.url, &term}) {
        hash.addData(QByteArrayView(part->data(), static_cast<qsizetype>(part->size())));
        hash.addData(QByteArrayView("\0", 1));
    }
    return c.id + ":" + hash.result().toHex().toStdString();
}

} // namespace

AdBook::AdBook(const ServerConfig& config, const StaticContent& content, Database& database,
               std::shared_ptr<AdTally> tally)
    : campaigns_(config.campaigns), tally_(std::move(tally)), base_(config.base) {
    AdCounts counts(database);
    ids_.any = !campaigns_.empty();
    const auto pathOf = [&](const char* entry, const char* fallback) {
        const std::string path = content.scriptPath(entry);
        return path.empty() ? std::string(fallback) : path;
    };

    if (config.books(CampaignKind::Text)) {
        adPath_ = pathOf("adtext", "/ad/");
        const auto serials = counts.serials("text", idsOf(campaigns_, CampaignKind::Text)).get();
        for (const ChannelConfig& channel : config.channels) {
            const int n = channel.entry.number;
            house_[n] = shared(adTextDocument(numbered("%03lld9999%012lld", n), config.house.name,
                                              config.house.text, config.house.url));
            for (const Campaign& c : campaigns_)
                if (c.kind == CampaignKind::Text && c.runsOn(n))
                    texts_[n].push_back(
                        {&c, shared(adTextDocument(numbered("%03lld9999%012lld", n, serials.at(c.id)), c.name,
                                                   c.text, c.url))});
        }
        for (const Campaign& c : campaigns_)
            if (c.kind == CampaignKind::Text)
                ids_.texts[serials.at(c.id)] = c;
    }

    if (config.books(CampaignKind::Banner)) {
        banners_ = true;
        const Document* script = content.find(StaticContent::ScriptPath);
        const std::string bytes =
            script ? std::string(script->bytes) : "<?xml version=\"1.0\"?>\r\n<Scripts>\r\n</Scripts>\r\n";
        scriptWithoutBanner_ = shared(scriptWithBanner(bytes, {}));
        const auto serials = counts.serials("banner", idsOf(campaigns_, CampaignKind::Banner)).get();
        for (const Campaign& c : campaigns_) {
            if (c.kind != CampaignKind::Banner)
                continue;
            const std::string id = numbered("9999999%012lld", serials.at(c.id));
            const std::string image = "/ticker_banner/" + id + ".bmp";
            images_[image] = c.content;
            scripts_.push_back(
                {&c, shared(scriptWithBanner(bytes, {config.base + image.substr(1), id, c.text, c.url,
                                                     config.base + "log/view?banner=" + id}))});
            ids_.banners[serials.at(c.id)] = c;
        }
    }

    if (config.books(CampaignKind::Movie)) {
        movies_ = true;
        moviePath_ = pathOf("movie", "/movies/");
        if (!moviePath_.ends_with('/'))
            moviePath_ += '/';
        std::vector<std::string> names;
        for (const Campaign& c : campaigns_)
            if (c.kind == CampaignKind::Movie)
                names.push_back(movieName(c, movieTerm(c.endMs)));
        const auto serials = counts.serials("movie", names).get();
        for (const Campaign& c : campaigns_) {
            if (c.kind != CampaignKind::Movie)
                continue;
            const std::string term = movieTerm(c.endMs);
            const std::string id = numbered("%08lld", FirstMovieId + serials.at(movieName(c, term)));
            addMovie(&c, {id, c.advertiser, c.text, c.url, config.base + "log/view?movie=" + id, term,
                          c.content->size()});
            ids_.movies[id] = c;
        }
        // Listed when no movie runs: a catalogue without movies would leave a client's last list.
        addMovie(nullptr, {numbered("%08lld", FirstMovieId), "", "", "", "", NoTerm, 1});
    }
}

void AdBook::addMovie(const Campaign* campaign, MovieEntry entry) {
    Movie movie{campaign, entry, shared(movieDescription(entry)), {}};
    if (campaign)
        for (std::size_t at = 0; at < campaign->content->size(); at += MoviePieceSize)
            movie.pieces.push_back(shared(campaign->content->substr(at, MoviePieceSize)));
    movieList_.push_back(std::move(movie));
}

BookedIds AdBook::ids() const {
    return ids_;
}

const AdBook::Served* AdBook::choose(const std::vector<Served>& served, std::int64_t nowMs,
                                     std::mt19937_64& random, const std::string& channel) const {
    std::vector<const Campaign*> running;
    std::vector<const Served*> of;
    for (const Served& s : served)
        if (s.campaign->runsAt(nowMs)) {
            running.push_back(s.campaign);
            of.push_back(&s);
        }
    const auto chosen = channel.empty() ? tally_->choose(running, nowMs, random)
                                        : tally_->serve(running, channel, nowMs, random);
    return chosen ? of[*chosen] : nullptr;
}

std::optional<AdDocument> AdBook::find(const std::string& path, std::int64_t nowMs,
                                       std::mt19937_64& random) const {
    if (!adPath_.empty() && path.size() == adPath_.size() + 7 && path.starts_with(adPath_) &&
        path.ends_with(".xml")) {
        const std::string number = path.substr(adPath_.size(), 3);
        if (!std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; }))
            return std::nullopt;
        const auto house = house_.find(std::stoi(number));
        if (house == house_.end())
            return AdDocument{nullptr}; // no channel of this server
        const auto texts = texts_.find(house->first);
        const Served* chosen = texts == texts_.end() ? nullptr : choose(texts->second, nowMs, random, number);
        return AdDocument{chosen ? chosen->document : house->second};
    }
    if (banners_ && path == StaticContent::ScriptPath) {
        const Served* chosen = choose(scripts_, nowMs, random);
        return AdDocument{chosen ? chosen->document : scriptWithoutBanner_};
    }
    if (banners_)
        if (const auto image = images_.find(path); image != images_.end())
            return AdDocument{image->second, "image/bmp"};
    if (movies_ && path.starts_with(moviePath_))
        return movieDocument(path, nowMs);
    return std::nullopt;
}

// "movie.xml" (the client asks for it after a "/"), "<id>/<id>.xml" and "<id>/<id>.NNN".
std::optional<AdDocument> AdBook::movieDocument(const std::string& path, std::int64_t nowMs) const {
    std::string name = path.substr(moviePath_.size());
    if (name.starts_with('/'))
        name.erase(0, 1);
    if (name == "movie.xml") {
        std::vector<MovieEntry> running;
        for (const Movie& m : movieList_)
            if (m.campaign && m.campaign->runsAt(nowMs) && tally_->underCaps(*m.campaign, nowMs))
                running.push_back(m.entry);
        if (running.empty())
            running.push_back(movieList_.back().entry);
        return AdDocument{shared(movieCatalogue(running))};
    }
    for (const Movie& m : movieList_) {
        const std::string& id = m.entry.id;
        if (name.size() != 2 * id.size() + 5 || !name.starts_with(id + "/" + id + "."))
            continue;
        const std::string suffix = name.substr(2 * id.size() + 2);
        if (suffix == "xml")
            return AdDocument{m.description};
        const std::size_t piece =
            std::all_of(suffix.begin(), suffix.end(), [](char c) { return c >= '0' && c <= '9'; })
                ? std::stoul(suffix)
                : 0;
        if (piece < 1 || piece > m.pieces.size())
            break;
        return AdDocument{m.pieces[piece - 1], "application/octet-stream"};
    }
    return AdDocument{nullptr}; // the content folder's movies are not served beside the campaigns
}

} // namespace brisma::server
