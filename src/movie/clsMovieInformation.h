#pragma once

#include "common/AppPaths.h"
#include "common/Clock.h"
#include "common/ErrorReporter.h"
#include "common/ScriptValues.h"
#include "news/clsBrismaNews.h"

#include <cstdint>
#include <string>
#include <vector>

namespace brisma {

class HttpTransport;
class XmlNode;

// One movie advertisement: its folder below the movie root, its description file, the pieces
// the server splits it into, the joined movie, its showing term and its headline.
class clsMovieInformation {
public:
    clsMovieInformation(const AppPaths& paths, const ErrorReporter& errors, const Clock& clock,
                        HttpTransport& http, const ScriptValues& script);

    // The one entry that fills the record: folder, description file, next piece, term.
    void init(const std::string& id);
    void prepareMovieFolder(const std::string& id);
    void downloadMovieXML(const std::string& id);
    void ReadMovieIDtxtfromFile(const std::string& id);
    void genNextLoadDat(const std::string& id);
    // True while today is earlier than the term's date.
    bool checkTerm() const;
    std::string get_strMovieID() const { return strMovieId; }
    // Fetches one piece; true when this call completed the movie.
    bool updateDat();
    // True when the joined movie exists.
    bool checkMovie();
    void uniteMovie();
    clsBrismaNews getAdvertisement() const;

    std::string strMovieId;
    // The empty date, 1899-12-30, so a movie without a term counts as long expired.
    DateTime datTerm{1899, 12, 30};
    bool blnLoaded = false;
    bool blnDate = false;

    // The description was read whole and describes this movie with pieces that can be fetched
    // and joined. Only such a movie is ever in progress or shown.
    bool usable() const { return blnUsable; }

private:
    std::string movieFolder(const std::string& id) const;
    // A piece name may neither leave the folder nor take the name of the joined movie or of the
    // description.
    bool pieceNameAllowed(const std::string& name) const;
    // Path of a piece of this movie; a name that is not allowed is refused.
    std::string pieceFile(const std::string& name) const;
    void readSplitData(const XmlNode& splitdata);
    // Raises unless the pieces just read can be fetched and joined.
    void requireUsable() const;

    const AppPaths& paths_;
    const ErrorReporter& errors_;
    const Clock& clock_;
    HttpTransport& http_;
    const ScriptValues& script_;
    std::string strOwnerName;
    std::string strText;
    std::string strClickUrl;
    std::string strViewUrl;
    int32_t lngLength = 0;
    std::vector<std::string> strSplitData;
    std::string strNextLoad;
    bool blnUsable = false;
};

} // namespace brisma
