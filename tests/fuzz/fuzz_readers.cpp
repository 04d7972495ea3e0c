// libFuzzer target for every reader of server or disk input above the XML layer: the first byte
// picks the reader, the rest is the document it reads (a feed, a channel list, a profile, the
// selected channels, a log, a movie description or catalogue).
#include "TempAppFolder.h"
#include "common/BrismaError.h"
#include "movie/clsMovieInformation.h"
#include "movie/modMovieLoader.h"
#include "news/NewsHost.h"
#include "news/modChannel.h"
#include "platform/Services.h"
#include "platform/text/Cp932.h"
#include "platform/xml/XmlDocument.h"
#include "report/modInet.h"
#include "userdata/modUserData.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace {

using namespace brisma;

struct NoWindows : NewsHost {
    bool tickerOpen() const override { return false; }
    void saveSelectedChannels() override {}
    void restartListMovie() override {}
};

// Everything a reader needs, on a folder of its own; no request leaves the machine (every
// address is empty, so a request fails at once).
struct Readers {
    test::TempAppFolder folder;
    FixedClock clock{DateTime{2026, 12, 8, 10, 20, 30}};
    struct : MessageBoxService {
        void show(const std::string&) override {}
    } messages;
    Services s{{folder.path(), "http://127.0.0.1:9/", messages, &clock, {}}};
    UserRecord user;
    NoWindows host;
    modInet inet{s.errors, s.clock, s.http, s.script, user};
    modMovieLoader movies{s.paths, s.errors, s.gate, s.clock, s.http, s.script};
    modChannel channels{s.paths,      s.errors,   s.gate, s.http, s.script,
                        s.serverBase, s.messages, inet,   host,   movies};
    modUserData userData{s.paths, s.errors, s.gate, s.http, s.script, s.serverBase, user, channels, inet};

    Readers() {
        folder.write("/flash/xml/.keep", "");
        folder.write("/movie/m0000001/.keep", "");
        channels.SortNewsCopyTo();
        userData.sizeLogLists(100, 20);
    }
};

Readers* readers = nullptr;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    text::installShiftJisAliases();
    readers = new Readers();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    Readers& r = *readers;
    const std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    switch (data[0] % 7) {
    case 0: {
        clsBrismaNewsList list(r.s.errors, nullptr);
        list.init(10);
        const XmlDocument doc = XmlDocument::fromBytes(bytes);
        for (const XmlNode& item : doc.getElementsByTagName("item")) {
            try {
                list.InsertNewsXML(item);
            } catch (const BrismaError&) {
                // A headline without text or address passes to the caller.
            }
        }
        break;
    }
    case 1: {
        const XmlDocument doc = XmlDocument::fromBytes(bytes);
        for (const XmlNode& entry : doc.getElementsByTagName("channel"))
            clsBrismaChannel(r.s.paths, r.s.errors, r.s.gate, r.s.http, r.s.script).SetFromXML(entry);
        break;
    }
    case 2:
        r.folder.write("/flash/xml/user.xml", bytes);
        r.userData.loadUserDataXML();
        r.userData.saveUserDataXML();
        break;
    case 3:
        r.folder.write("/flash/xml/selected.xml", bytes);
        r.userData.loadSelectedChannelXML();
        break;
    case 4:
        r.folder.write("/flash/xml/news901.xml", bytes);
        r.userData.loadClickLog();
        break;
    case 5: {
        r.folder.write("/movie/m0000001/m0000001.xml", bytes);
        clsMovieInformation movie(r.s.paths, r.s.errors, r.s.clock, r.s.http, r.s.script);
        movie.ReadMovieIDtxtfromFile("m0000001");
        movie.genNextLoadDat("m0000001");
        (void)movie.getAdvertisement();
        break;
    }
    case 6:
        r.folder.write("/movie/movie.xml", bytes);
        r.movies.getMovietxtfromFile();
        (void)r.movies.existMovieID("m0000001");
        break;
    }
    return 0;
}
