#include "movie/clsMovieInformation.h"

#include "common/BrismaError.h"
#include "common/ErrorReporter.h"
#include "common/VbConv.h"
#include "platform/fs/FileSystem.h"
#include "platform/http/HttpClient.h"
#include "platform/xml/XmlDocument.h"

#include <algorithm>
#include <cstdint>

namespace brisma {
namespace {

// The server splits every movie into pieces of this size; only the last may be shorter.
constexpr int64_t PieceSize = 131072;
constexpr long InputPastEndOfFile = 62;

// The description file's children must all be elements.
const XmlNode& requireElement(const XmlNode& node) {
    if (node.isNull())
        raise(err::ObjectNotSet);
    if (!node.isElement())
        raise(err::TypeMismatch);
    return node;
}

} // namespace

clsMovieInformation::clsMovieInformation(AppContext& ctx) : ctx_(ctx) {}

std::string clsMovieInformation::movieFolder(const std::string& id) const {
    return ctx_.paths.movieRoot() + id + "/";
}

std::string clsMovieInformation::pieceFile(const std::string& name) const {
    if (!fs::isSafeName(name))
        throw BrismaError(err::BadFileName, errorDescription(err::BadFileName) + ": " + name);
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
    const std::string body = ctx_.http.get(ctx_.script.movie + id + "/" + id + ".xml");
    fs::writeFileAtomic(movieFolder(id) + id + ".xml", body);
}

void clsMovieInformation::ReadMovieIDtxtfromFile(const std::string& id) {
    withHandler(ctx_.errors, "clsMovieInformation.ReadMovieIDtxtfromFile >", [&] {
        const XmlDocument doc = XmlDocument::loadFile(movieFolder(id) + id + ".xml");
        if (doc.empty())
            return;
        for (XmlNode node = doc.documentElement().firstChild(); !node.isNull(); node = node.nextSibling()) {
            const std::string name = requireElement(node).nodeName();
            if (name == "id") {
                // The id names the folder every later path is built on.
                const std::string value = node.text();
                if (!fs::isSafeName(value))
                    throw BrismaError(err::BadFileName, errorDescription(err::BadFileName) + ": " + value);
                strMovieId = value;
            } else if (name == "owner_name") {
                strOwnerName = node.text();
            } else if (name == "text") {
                strText = node.text();
            } else if (name == "click_url") {
                strClickUrl = node.text();
            } else if (name == "view_url") {
                strViewUrl = node.text();
            } else if (name == "length") {
                lngLength = vb::CLng(node.text());
            } else if (name == "term") {
                datTerm = vb::CDate(node.text());
            } else if (name == "splitdata") {
                readSplitData(node);
            }
        }
    });
}

void clsMovieInformation::readSplitData(const XmlNode& splitdata) {
    const auto count = splitdata.firstAttributeValue();
    if (!count)
        raise(err::ObjectNotSet);
    const int16_t pieces = vb::CInt(*count);
    if (pieces < 1)
        raise(err::SubscriptOutOfRange);
    strSplitData.assign(static_cast<std::size_t>(pieces), std::string());
    XmlNode piece = splitdata.firstChild();
    for (auto& name : strSplitData) {
        name = requireElement(piece).text();
        piece = piece.nextSibling();
    }
}

void clsMovieInformation::genNextLoadDat(const std::string& id) {
    withHandler(ctx_.errors, "clsMovieInformation.genNextLoadDat >", [&] {
        const std::vector<std::string> present = fs::listFolder(movieFolder(id), true);
        for (const auto& piece : strSplitData) {
            // A refused name is never fetched, so it can never count as present.
            if (!fs::isSafeName(piece) || std::find(present.begin(), present.end(), piece) == present.end()) {
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
    return vb::DateDiffDays(datTerm, ctx_.clock.now()) < 0;
}

bool clsMovieInformation::updateDat() {
    return withHandler(ctx_.errors, "clsMopvieInformation.updateDat >", false, [&] {
        if (!strNextLoad.empty()) {
            const std::string target = pieceFile(strNextLoad);
            fs::writeFileAtomic(target, ctx_.http.get(ctx_.script.movie + strMovieId + "/" + strNextLoad));
        }
        genNextLoadDat(strMovieId);
        if (checkMovie())
            return false;
        if (blnLoaded) {
            uniteMovie();
            return true;
        }
        return false;
    });
}

bool clsMovieInformation::checkMovie() {
    return withHandler(ctx_.errors, "clsMopvieInformation.checkMovie >", false,
                       [&] { return fs::existFile(movieFolder(strMovieId) + strMovieId); });
}

void clsMovieInformation::uniteMovie() {
    withHandler(ctx_.errors, "clsMopvieInformation.uniteMovie >", [&] {
        const auto pieces = static_cast<int64_t>(strSplitData.size());
        // The length comes from the server: it must be one the pieces hold exactly, and it is
        // checked before anything is allocated for it.
        if (lngLength < 1 || lngLength <= (pieces - 1) * PieceSize || lngLength > pieces * PieceSize)
            throw BrismaError(err::InvalidArgument, errorDescription(err::InvalidArgument) + ": length " +
                                                        std::to_string(lngLength) + " for " +
                                                        std::to_string(pieces) + " pieces");
        std::string movie;
        movie.reserve(static_cast<std::size_t>(lngLength));
        for (const auto& name : strSplitData) {
            const auto chunk = static_cast<std::size_t>(
                std::min<int64_t>(PieceSize, lngLength - static_cast<int64_t>(movie.size())));
            const std::string piece = fs::readFile(pieceFile(name));
            if (piece.size() < chunk)
                throw BrismaError(InputPastEndOfFile, "Input past end of file: " + name);
            movie.append(piece, 0, chunk);
        }
        movie[0] = static_cast<char>(~static_cast<unsigned char>(movie[0]));
        fs::writeFileAtomic(movieFolder(strMovieId) + strMovieId, movie);
    });
}

clsBrismaNews clsMovieInformation::getAdvertisement() const {
    clsBrismaNews news(ctx_.errors);
    news.init();
    news.strMovieId = strMovieId;
    news.strID = "903" + vb::ZeroPad(datTerm.year, 4) + vb::ZeroPad(datTerm.month, 2) +
                 vb::ZeroPad(datTerm.day, 2) + strMovieId;
    news.strNewsType = "mov";
    news.strNewsText = strText;
    news.strContName = strOwnerName;
    news.strNewsUrl = strClickUrl;
    news.strViewURL = strViewUrl;
    return news;
}

} // namespace brisma
