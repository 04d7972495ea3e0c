#pragma once

#include "common/AppPaths.h"
#include "common/Clock.h"
#include "common/ErrorReporter.h"
#include "common/ScriptValues.h"
#include "movie/clsMovieInformation.h"
#include "news/MovieHeadlines.h"
#include "news/clsBrismaNewsList.h"

#include <memory>
#include <string>
#include <vector>

namespace brisma {

class EventGate;
class HttpTransport;
// Keeps the movie cache below the movie root in step with the server's catalogue and publishes
// the movies ready for playback as headlines. One ProcMovie is one cycle; each cycle fetches at
// most one piece, and at most one movie is in progress at a time.
class modMovieLoader : public MovieHeadlines {
public:
    modMovieLoader(const AppPaths& paths, const ErrorReporter& errors, EventGate& gate, const Clock& clock,
                   HttpTransport& http, const ScriptValues& script);

    void makeMovieFolder();
    void ProcMovie();
    void setMovietxt();
    void downloadMovietxtFromServer();
    void getMovietxtfromFile();
    void checkCache();
    void eliminateCache();
    void updateMovie();
    int getIndexByMovieID(const std::string& id);
    void genNextLoadMovie();
    void setAdvertisement();

    clsBrismaNewsList& movieList() override { return objMovieList; }
    bool existMovieID(const std::string& id) override;

private:
    const AppPaths& paths_;
    const ErrorReporter& errors_;
    EventGate& gate_;
    const Clock& clock_;
    HttpTransport& http_;
    const ScriptValues& script_;
    std::vector<std::string> strMovieCatalog;
    std::vector<std::string> strMovieCache;
    // Same positions as strMovieCache; an empty movie root leaves one position without a record.
    std::vector<std::unique_ptr<clsMovieInformation>> objMovieInfo;
    std::string strLoadingMovieID;
    clsBrismaNewsList objMovieList;
};

} // namespace brisma
