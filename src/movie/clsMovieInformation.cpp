#include "movie/clsMovieInformation.h"

#include "common/BrismaError.h"
#include "common/Conversions.h"
#include "common/ErrorReporter.h"
#include "platform/fs/FileSystem.h"
#include "platform/http/HttpClient.h"
#include "platform/xml/XmlDocument.h"

#include <algorithm>
#include <cstdint>
#include <optional>

namespace brisma {
namespace {

// The server splits every movie into pieces of this size; only the last may be shorter.
constexpr int64_t PieceSize = 131072;
// The largest movie joined in memory, as large as one HTTP body may be.
constexpr int64_t MaxLength = int64_t{64} * 1024 * 1024;

// The description file's children must all be elements.
const XmlNode& requireElement(const XmlNode& node) {
    if (node.isNull())
        raise(err::ObjectNotSet);
    if (!node.isElement())
        raise(err::TypeMismatch);
    return node;
}

// The length comes from the server: it must be one the pieces hold exactly, and it is checked
// before anything is allocated for it.
void requireLengthFits(int32_t length, std::size_t count) {
    const auto pieces = static_cast<int64_t>(count);
    if (pieces < 1 || length <= (pieces - 1) * PieceSize || length > pieces * PieceSize || length > MaxLength)
        raise(err::InvalidArgument,
              "length " + std::to_string(length) + " for " + std::to_string(pieces) + " pieces");
}

} // namespace

clsMovieInformation::clsMovieInformation(const AppPaths& paths, const ErrorReporter& errors,
                                         const Clock& clock, HttpTransport& http, const ScriptValues& script)
    : paths_(paths), errors_(errors), clock_(clock), http_(http), script_(script) {}

std::string clsMovieInformation::movieFolder(const std::string& id) const {
    return paths_.movieRoot() + id + "/";
}

bool clsMovieInformation::pieceNameAllowed(const std::string& name) const {
    return fs::isSafeName(name) && name != strMovieId && name != strMovieId + ".xml";
}

std::string clsMovieInformation::pieceFile(const std::string& name) const {
    if (!pieceNameAllowed(name))
        raise(err::BadFileName, name);
    return movieFolder(strMovieId) + name;
}

void clsMovieInformation::init(const std::string& id) {
    strMovieId = id;
    prepareMovieFolder(strMovieId);
    ReadMovieIDtxtfromFile(strMovieId);
    genNextLoadDat(strMovieId);
    blnDate = checkTerm();
}

void clsMovieInformation::prepareMovieFolder(const std::string& id) {
    const std::string folder = movieFolder(id);
    if (!fs::existFolder(folder))
        fs::makeFolder(folder);
    if (!fs::existFile(folder + id + ".xml"))
        downloadMovieXML(id);
}

void clsMovieInformation::downloadMovieXML(const std::string& id) {
    const std::string body = http_.get(script_.movie + id + "/" + id + ".xml");
    fs::writeFileAtomic(movieFolder(id) + id + ".xml", body);
}

void clsMovieInformation::ReadMovieIDtxtfromFile(const std::string& id) {
    withHandler(errors_, "clsMovieInformation.ReadMovieIDtxtfromFile >", [&] {
        const XmlDocument doc = XmlDocument::loadFile(movieFolder(id) + id + ".xml");
        if (doc.empty())
            return;
        // The id names the folder every later path is built on, the one the cache clean-up
        // removes too: another movie's id is not taken, as it would point them at its folder.
        std::optional<std::string> otherId;
        for (XmlNode node = doc.documentElement().firstChild(); !node.isNull(); node = node.nextSibling()) {
            const std::string name = requireElement(node).nodeName();
            if (name == "id") {
                const std::string value = node.text();
                if (value == id)
                    strMovieId = value;
                else
                    otherId = value;
            } else if (name == "owner_name") {
                strOwnerName = node.text();
            } else if (name == "text") {
                strText = node.text();
            } else if (name == "click_url") {
                strClickUrl = node.text();
            } else if (name == "view_url") {
                strViewUrl = node.text();
            } else if (name == "length") {
                lngLength = conv::CLng(node.text());
            } else if (name == "term") {
                datTerm = conv::CDate(node.text());
            } else if (name == "splitdata") {
                readSplitData(node);
            }
        }
        // Read to the end all the same, so the term decides when the cache drops the movie.
        if (otherId)
            raise(err::InvalidArgument, "id " + *otherId);
        requireUsable();
        blnUsable = true;
    });
}

void clsMovieInformation::readSplitData(const XmlNode& splitdata) {
    const auto count = splitdata.firstAttributeValue();
    if (!count)
        raise(err::ObjectNotSet);
    const int16_t pieces = conv::CInt(*count);
    if (pieces < 1)
        raise(err::SubscriptOutOfRange);
    strSplitData.assign(static_cast<std::size_t>(pieces), std::string());
    XmlNode piece = splitdata.firstChild();
    for (auto& name : strSplitData) {
        name = requireElement(piece).text();
        piece = piece.nextSibling();
    }
}

void clsMovieInformation::requireUsable() const {
    for (const auto& name : strSplitData)
        if (!pieceNameAllowed(name))
            raise(err::BadFileName, name);
    // A name given twice would leave a part of the movie that is never fetched.
    std::vector<std::string> sorted = strSplitData;
    std::sort(sorted.begin(), sorted.end());
    if (const auto twice = std::adjacent_find(sorted.begin(), sorted.end()); twice != sorted.end())
        raise(err::InvalidArgument, "piece " + *twice + " named twice");
    requireLengthFits(lngLength, strSplitData.size());
}

void clsMovieInformation::genNextLoadDat(const std::string& id) {
    withHandler(errors_, "clsMovieInformation.genNextLoadDat >", [&] {
        const std::vector<std::string> present = fs::listFolder(movieFolder(id), true);
        for (const auto& piece : strSplitData) {
            // A refused name is never fetched, so it can never count as present.
            if (!pieceNameAllowed(piece) ||
                std::find(present.begin(), present.end(), piece) == present.end()) {
                strNextLoad = piece;
                blnLoaded = false;
                return;
            }
        }
        blnLoaded = true;
        strNextLoad.clear();
    });
}

bool clsMovieInformation::checkTerm() const {
    return conv::DateDiffDays(datTerm, clock_.now()) < 0;
}

bool clsMovieInformation::updateDat() {
    return withHandler(errors_, "clsMopvieInformation.updateDat >", false, [&] {
        if (!strNextLoad.empty()) {
            const std::string target = pieceFile(strNextLoad);
            fs::writeFileAtomic(target, http_.get(script_.movie + strMovieId + "/" + strNextLoad));
        }
        genNextLoadDat(strMovieId);
        if (checkMovie())
            return false;
        if (blnLoaded) {
            // A join that failed leaves no movie, and the next cycle tries again.
            uniteMovie();
            return checkMovie();
        }
        return false;
    });
}

bool clsMovieInformation::checkMovie() {
    return withHandler(errors_, "clsMopvieInformation.checkMovie >", false,
                       [&] { return fs::existFile(movieFolder(strMovieId) + strMovieId); });
}

void clsMovieInformation::uniteMovie() {
    withHandler(errors_, "clsMopvieInformation.uniteMovie >", [&] {
        requireLengthFits(lngLength, strSplitData.size());
        std::string movie;
        movie.reserve(static_cast<std::size_t>(lngLength));
        for (const auto& name : strSplitData) {
            const auto chunk = static_cast<std::size_t>(
                std::min<int64_t>(PieceSize, lngLength - static_cast<int64_t>(movie.size())));
            const std::string path = pieceFile(name);
            const std::string piece = fs::readFile(path);
            if (piece.size() < chunk) {
                // Gone, it is the next piece a cycle fetches.
                fs::deleteFile(path);
                raise(err::InputPastEndOfFile, name);
            }
            movie.append(piece, 0, chunk);
        }
        movie[0] = static_cast<char>(~static_cast<unsigned char>(movie[0]));
        fs::writeFileAtomic(movieFolder(strMovieId) + strMovieId, movie);
    });
}

clsBrismaNews clsMovieInformation::getAdvertisement() const {
    clsBrismaNews news(errors_);
    news.init();
    news.strMovieId = strMovieId;
    news.strID = "903" + conv::ZeroPad(datTerm.year, 4) + conv::ZeroPad(datTerm.month, 2) +
                 conv::ZeroPad(datTerm.day, 2) + strMovieId;
    news.strNewsType = "mov";
    news.strNewsText = strText;
    news.strContName = strOwnerName;
    news.strNewsUrl = strClickUrl;
    news.strViewURL = strViewUrl;
    return news;
}

} // namespace brisma
