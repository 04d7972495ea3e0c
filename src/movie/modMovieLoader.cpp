#include "movie/modMovieLoader.h"

#include "common/BrismaError.h"
#include "common/Conversions.h"
#include "common/ErrorReporter.h"
#include "platform/fs/FileSystem.h"
#include "platform/http/HttpClient.h"
#include "platform/xml/XmlDocument.h"

#include <algorithm>

namespace brisma {
namespace {

bool endsWithXml(const std::string& name) {
    return conv::Right(name, 3) == "xml";
}

bool contains(const std::vector<std::string>& names, const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

} // namespace

modMovieLoader::modMovieLoader(const AppPaths& paths, const ErrorReporter& errors, EventGate& gate,
                               const Clock& clock, HttpTransport& http, const ScriptValues& script)
    : paths_(paths), errors_(errors), gate_(gate), clock_(clock), http_(http), script_(script),
      objMovieList(errors, &gate) {}

void modMovieLoader::makeMovieFolder() {
    const std::string root = paths_.movieRoot();
    if (!fs::existFolder(root))
        fs::makeFolder(root);
}

void modMovieLoader::ProcMovie() {
    withHandler(errors_, "modMovieLoader.ProcMovie >", [&] {
        setMovietxt();
        checkCache();
        eliminateCache();
        checkCache();
        updateMovie();
        setAdvertisement();
    });
}

void modMovieLoader::setMovietxt() {
    withHandler(errors_, "modMovieLoader.setMovietxt >", [&] {
        downloadMovietxtFromServer();
        getMovietxtfromFile();
    });
}

void modMovieLoader::downloadMovietxtFromServer() {
    withHandler(errors_, "modMovieLoader.downloadMovietxtFromServer >", [&] {
        // The request comes first: a failed one leaves the previous catalogue in place.
        const std::string body = http_.get(script_.movie + "/movie.xml");
        fs::writeFileAtomic(paths_.movieRoot() + "movie.xml", body);
    });
}

void modMovieLoader::getMovietxtfromFile() {
    withHandler(errors_, "modMovieLoader.getMovietxtfromFile >", [&] {
        const XmlDocument doc = XmlDocument::loadFile(paths_.movieRoot() + "movie.xml");
        const std::vector<XmlNode> movies = doc.getElementsByTagName("movie");
        // A catalogue that was read and lists no movie is a server without movies.
        if (movies.empty() && !doc.empty())
            raiseOnNormalPath(err::SubscriptOutOfRange);
        if (movies.empty())
            raise(err::SubscriptOutOfRange);
        strMovieCatalog.clear();
        for (const XmlNode& movie : movies) {
            const auto id = movie.firstAttributeValue();
            if (!id)
                raise(err::ObjectNotSet);
            // An id becomes a folder name; one that could leave the movie root, or that the
            // cache walk would never see (it skips names ending in "xml"), is not taken.
            if (fs::isSafeName(*id) && !endsWithXml(*id))
                strMovieCatalog.push_back(*id);
        }
    });
}

void modMovieLoader::checkCache() {
    withHandler(errors_, "modMovieLoader.checkCache >", [&] {
        std::vector<std::string> names;
        for (const auto& name : fs::listFolder(paths_.movieRoot(), false))
            // Names with a leading dot are the temporary files of an interrupted write.
            if (!endsWithXml(name) && fs::isSafeName(name))
                names.push_back(name);
        strMovieCache = std::move(names);
        objMovieInfo.clear();
        // Cleared in both cases: a movie in progress whose folder is gone must not stall the
        // cycle before a next movie can start.
        strLoadingMovieID.clear();
        if (strMovieCache.empty()) {
            strMovieCache.emplace_back();
            objMovieInfo.resize(1);
            return;
        }
        objMovieInfo.resize(strMovieCache.size());
        for (std::size_t i = 0; i < strMovieCache.size(); ++i) {
            auto record = std::make_unique<clsMovieInformation>(paths_, errors_, clock_, http_, script_);
            record->init(strMovieCache[i]);
            // Pieces all present but not joined (a failed join, or a stop before it) are in
            // progress too, so the next updateDat joins them.
            if (record->usable() && (!record->blnLoaded || !record->checkMovie()))
                strLoadingMovieID = strMovieCache[i];
            objMovieInfo[i] = std::move(record);
        }
    });
}

void modMovieLoader::eliminateCache() {
    withHandler(errors_, "modMovieLoader.eliminateCache >", [&] {
        const DateTime today = clock_.now();
        for (const auto& record : objMovieInfo) {
            if (!record || conv::DateDiffDays(record->datTerm, today) <= 0)
                continue;
            const std::string folder = paths_.movieRoot() + record->get_strMovieID();
            if (fs::existFolder(folder))
                fs::removeTree(folder);
        }
    });
}

void modMovieLoader::updateMovie() {
    withHandler(errors_, "modMovieLoader.updateMovie >", [&] {
        if (!strLoadingMovieID.empty()) {
            const int index = getIndexByMovieID(strLoadingMovieID);
            if (objMovieInfo.at(static_cast<std::size_t>(index))->updateDat()) {
                strMovieCache.push_back(strLoadingMovieID);
                strLoadingMovieID.clear();
            }
        }
        genNextLoadMovie();
    });
}

int modMovieLoader::getIndexByMovieID(const std::string& id) {
    return withHandler(errors_, "modMovieLoader.getIndexByMovieID >", -1, [&] {
        for (std::size_t i = 0; i < objMovieInfo.size(); ++i)
            if (objMovieInfo[i] && objMovieInfo[i]->strMovieId == id)
                return static_cast<int>(i);
        return -1;
    });
}

void modMovieLoader::genNextLoadMovie() {
    withHandler(errors_, "modMovieLoader.genNextLoadMovie >", [&] {
        if (!strLoadingMovieID.empty())
            return;
        for (const auto& id : strMovieCatalog) {
            if (contains(strMovieCache, id))
                continue;
            auto record = std::make_unique<clsMovieInformation>(paths_, errors_, clock_, http_, script_);
            record->init(id);
            // A movie that can never be fetched is dropped like one out of its term, so that it
            // does not hold up the next.
            if (!record->blnDate || !record->usable()) {
                const std::string folder = paths_.movieRoot() + id;
                if (!fs::listFolder(folder, true).empty())
                    fs::removeTree(folder);
                continue;
            }
            strLoadingMovieID = id;
            // A second init of the same id would find both folder and description in place and
            // fetch nothing, so the record just read is the one kept.
            objMovieInfo.push_back(std::move(record));
            return;
        }
    });
}

void modMovieLoader::setAdvertisement() {
    withHandler(errors_, "modMovieLoader.setAdvertisement >", [&] {
        // Shown: a usable description, every piece present and joined, and the term not yet
        // come. A movie whose join failed would otherwise be offered with nothing to play.
        const auto ready = [](const std::unique_ptr<clsMovieInformation>& r) {
            return r && r->usable() && r->blnLoaded && r->blnDate && r->checkMovie();
        };
        const auto n = std::count_if(objMovieInfo.begin(), objMovieInfo.end(), ready);
        objMovieList = clsBrismaNewsList(errors_, &gate_);
        if (n == 0) {
            objMovieList.intMax = 0;
            return;
        }
        objMovieList.init(static_cast<int16_t>(n));
        int16_t position = 0;
        for (const auto& record : objMovieInfo)
            if (ready(record))
                objMovieList.SetNews(position++, record->getAdvertisement());
    });
}

bool modMovieLoader::existMovieID(const std::string& id) {
    return contains(strMovieCatalog, id);
}

} // namespace brisma
