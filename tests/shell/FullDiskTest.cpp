// A disk that fills up under every flow of the client, and the leftovers of replaces that a
// crash cut short.
#include "FailingWriter.h"
#include "NormalStart.h"
#include "TestApp.h"
#include "common/BrismaError.h"
#include "panels/frmUser.h"
#include "platform/xml/XmlDocument.h"
#include "shell/frmMain.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>

namespace brisma::test {
namespace {

namespace fsys = std::filesystem;

RecordingFlashPlayer& player(TestApp& t, const char* name) {
    RecordingFlashPlayer* p = t.players.player(name);
    if (!p)
        throw std::runtime_error(std::string("no player ") + name);
    return *p;
}

// Ticks of the refresh timer up to the 301st, which refreshes.
void refresh(TestApp& t) {
    frmMain& main = t.app().main();
    for (int tick = main.intHTTPTimerCountByMinutes; tick <= 300; ++tick)
        t.app().handle([&] { main.TimerHTTP_Timer(); });
}

void click(TestApp& t) {
    RecordingFlashPlayer& list = player(t, "list");
    for (const auto& [command, args] :
         std::vector<std::pair<std::string, std::string>>{{"list:click:new", ""},
                                                          {"list:click:id", "0122026127801200002"},
                                                          {"list:click:text", "経済の見出し3"},
                                                          {"list:click:url", "https://example.com/12/2"},
                                                          {"list:click:credit", "通信"},
                                                          {"list:click:type", "ent"},
                                                          {"list:click:done", ""}})
        list.command(command, args);
}

void changeChannels(TestApp& t) {
    t.app().main().mnuChange_Click();
    player(t, "channel").command("channel:chset", "3-12-");
}

void saveProfile(TestApp& t) {
    t.app().userForm().show();
    RecordingFlashPlayer& user = player(t, "user");
    user.command("user:email", "b@example.com");
    user.command("user:job", "技術");
    user.command("user:done", "");
}

void registerAndChooseChannels(TestApp& t) {
    RecordingFlashPlayer& start = player(t, "start");
    start.command("start:email", "new@example.com");
    start.command("start:prid", "13");
    start.command("start:done", "");
    start.command("start:close", "");
    player(t, "channel").command("channel:chset", "2-5-");
}

void start(TestApp& t) {
    t.start();
}

struct Flow {
    const char* name;
    bool registered;                         // a populated folder; otherwise an empty one (first start)
    std::function<void(TestApp&)> setUp;     // runs on a sound disk
    std::function<void(TestApp&)> operation; // runs on the disk that fills up
    std::function<void(TestApp&)> next;      // the operation after the disk is sound again

    friend void PrintTo(const Flow& flow, std::ostream* out) { *out << flow.name; }
};

const char* const kModuleEntries[] = {"startflash2", "boxflash",  "channelflash2", "listflash",
                                      "userflash",   "jumpflash", "splashflash"};

// The populated server, its script naming every module at `version`; each module a plain movie.
void serveWithModules(TestServer& server, int version) {
    std::string entries;
    for (const std::string name : kModuleEntries) {
        entries += "<Directory><Name>" + name + "</Name><Argument>False</Argument><Url>" + server.base() +
                   "m/" + name + "</Url><Version>" + std::to_string(version) + "</Version></Directory>";
        server.route("/m/" + name, "import QtQuick\nItem {}\n// " + name + " " + std::to_string(version));
    }
    serveNormal(server, entries);
    server.route("/ticker_banner.bmp", kBannerBytes);
}

const Flow kFlows[] = {
    {"NormalStartWithModuleDownloads", true, [](TestApp&) {}, start, refresh},
    {"Refresh", true, start, refresh, refresh},
    {"Click", true, start, click, click},
    {"ChannelChange", true, start, changeChannels, click},
    {"ProfileSave", true, start, saveProfile, saveProfile},
    {"FirstStartRegistrationAndChannelChoice", false, start, registerAndChooseChannels, refresh},
};

class FullDisk : public ::testing::TestWithParam<Flow> {
protected:
    void SetUp() override {
        serveWithModules(server, 2);
        server.route("/user", "U777");
        // The descriptions of the movies a populated folder holds, for the first start.
        for (const std::string id : {"70000001", "70000002"}) {
            const std::string path = "/movie/" + id + "/" + id + ".xml";
            server.route(path, withBase(readTestData(kData + "/cache", path.substr(1)), server.base()));
        }
    }

    // The number of writer calls the flow's operation makes on a sound disk.
    long callsOfOperation() {
        const FailingWriter noFlush;
        TempAppFolder home;
        if (GetParam().registered)
            prepare(home);
        TestApp t(home, server);
        GetParam().setUp(t);
        EXPECT_FALSE(t.ended());
        t.errors->reports.clear();
        FailingWriter counter;
        GetParam().operation(t);
        t.app().services().http.flush(3000);
        for (const auto& r : t.errors->reports)
            ADD_FAILURE() << "on a sound disk: " << r.number << " " << r.text;
        return counter.calls();
    }

    TestServer server;
};

// Every XML file below `folder` that does not parse.
std::vector<std::string> unreadableXml(const std::string& folder) {
    std::vector<std::string> out;
    for (const auto& e : fsys::recursive_directory_iterator(folder))
        if (e.is_regular_file() && e.path().extension() == ".xml" &&
            XmlDocument::loadFile(e.path().string()).empty())
            out.push_back(e.path().string());
    return out;
}

// Each call of the operation fails once in its own run: the file being replaced keeps its
// bytes (or stays absent), no temporary file stays behind, the failure is reported with the
// file's name and the next operation on a sound disk goes through without a report.
TEST_P(FullDisk, EveryFailingWriteKeepsTheOldFileReportsAndTheClientGoesOn) {
    const Flow& flow = GetParam();
    const long calls = callsOfOperation();
    ASSERT_GT(calls, 0);
    for (long n = 1; n <= calls; ++n) {
        SCOPED_TRACE(std::string(flow.name) + " failing call " + std::to_string(n));
        const FailingWriter noFlush;
        TempAppFolder home;
        if (flow.registered)
            prepare(home);
        auto t = std::make_unique<TestApp>(home, server);
        flow.setUp(*t);
        ASSERT_FALSE(t->ended());
        t->errors->reports.clear();
        std::string target;
        {
            FailingWriter disk(n);
            flow.operation(*t);
            ASSERT_FALSE(disk.failedTarget().empty());
            target = disk.failedTarget();
            if (!disk.replacedAfterFailure(target)) {
                EXPECT_EQ(fs::existFile(target), disk.before().has_value()) << target;
                if (disk.before()) {
                    EXPECT_EQ(fs::readFile(target), *disk.before()) << target;
                }
            }
        }
        t->app().services().http.flush(3000);
        EXPECT_EQ(temporaryLeftovers(home.path()), std::vector<std::string>{});
        EXPECT_EQ(unreadableXml(home.path()), std::vector<std::string>{});
        bool reported = false;
        for (const auto& r : t->errors->reports)
            reported |= r.number == err::PathFileAccess && r.text.find(target) != std::string::npos &&
                        r.text.find("No space left on device") != std::string::npos;
        EXPECT_TRUE(reported) << target << " " << ::testing::PrintToString(t->errors->reports.size());

        // A start that a failure ended is followed by the next start.
        t->errors->reports.clear();
        if (t->ended()) {
            t.reset();
            t = std::make_unique<TestApp>(home, server);
            EXPECT_TRUE(t->start());
        } else {
            flow.next(*t);
        }
        t->app().services().http.flush(3000);
        EXPECT_FALSE(t->ended());
        for (const auto& r : t->errors->reports)
            ADD_FAILURE() << "after the disk is sound: " << r.number << " " << r.text;
        EXPECT_EQ(unreadableXml(home.path()), std::vector<std::string>{});
    }
}

INSTANTIATE_TEST_SUITE_P(Flows, FullDisk, ::testing::ValuesIn(kFlows),
                         [](const ::testing::TestParamInfo<Flow>& info) { return info.param.name; });

// Stands for a kill at every call of the writer: before each call, and in the middle of each
// write, the folder is copied as a kill at that moment would leave it. (No flush to the device:
// a kill, unlike a power cut, loses nothing the system already holds.)
class KillPointWriter : public fs::Writer {
public:
    KillPointWriter(const std::string& home, std::vector<std::unique_ptr<TempAppFolder>>& kills)
        : home_(home), kills_(kills) {}

    int open(const std::string& path, int flags, mode_t mode) override {
        keep();
        return Writer::open(path, flags, mode);
    }
    ssize_t write(int fd, const char* data, std::size_t size) override {
        keep();
        const ssize_t half = Writer::write(fd, data, size / 2);
        if (half < 0)
            return half;
        keep();
        const ssize_t rest = Writer::write(fd, data + half, size - static_cast<std::size_t>(half));
        return rest < 0 ? rest : half + rest;
    }
    int fsync(int) override {
        keep();
        return 0;
    }
    int rename(const std::string& from, const std::string& to) override {
        keep();
        return Writer::rename(from, to);
    }

private:
    void keep() {
        kills_.push_back(std::make_unique<TempAppFolder>());
        fsys::copy(home_, kills_.back()->path(), fsys::copy_options::recursive);
    }

    std::string home_;
    std::vector<std::unique_ptr<TempAppFolder>>& kills_;
    fs::ScopedWriter installed_{*this};
};

bool oneOf(const std::string& bytes, const std::map<std::string, std::string>& files,
           const std::string& path) {
    const auto it = files.find(path);
    return it != files.end() && it->second == bytes;
}

// A refresh cycle killed at any moment of its writing leaves every file whole: XML files parse,
// other files hold their bytes from before or after the cycle; the next start removes the
// leftovers and runs without a report.
TEST_F(NormalStart, AKillAnywhereInARefreshLeavesWholeFilesAndTheNextStartRuns) {
    const FailingWriter noFlush;
    serveWithModules(server, 2);
    TestApp t(folder, server);
    ASSERT_TRUE(t.start());
    // The start fetched these modules; the refresh fetches them again at a newer version.
    serveWithModules(server, 3);
    const auto before = folderFiles(folder.path());
    std::vector<std::unique_ptr<TempAppFolder>> kills;
    {
        KillPointWriter writer(folder.path(), kills);
        refresh(t);
    }
    t.app().services().http.flush(3000);
    EXPECT_TRUE(t.errors->reports.empty());
    const auto after = folderFiles(folder.path());
    ASSERT_GT(kills.size(), 100u);
    for (std::size_t k = 0; k < kills.size(); ++k) {
        SCOPED_TRACE("killed at writer call " + std::to_string(k + 1));
        const std::string home = kills[k]->path();
        for (const auto& [path, bytes] : folderFiles(home)) {
            if (fs::isTemporaryName(fsys::path(path).filename().string()))
                continue;
            if (path.ends_with(".xml"))
                EXPECT_FALSE(XmlDocument::loadFile(home + "/" + path).empty()) << path;
            else
                EXPECT_TRUE(oneOf(bytes, before, path) || oneOf(bytes, after, path)) << path;
        }
        TestApp next(*kills[k], server);
        EXPECT_TRUE(next.start());
        next.app().services().http.flush(3000);
        for (const auto& r : next.errors->reports)
            ADD_FAILURE() << "next start: " << r.number << " " << r.text;
        EXPECT_EQ(temporaryLeftovers(home), std::vector<std::string>{});
    }
}

// Leftovers of cut-short replaces go at the next start, in every folder the client writes;
// names that only look like them, other kinds of entries and other folders are left alone.
TEST_F(NormalStart, LeftoversOfInterruptedReplacesAreRemovedAtTheNextStart) {
    const std::vector<std::string> leftovers = {
        "/.play.tmp0",
        "/flash/.box.swf.tmp123456789",
        "/flash/xml/.user.xml.tmp42",
        "/flash/xml/.news998.xml.tmp7",
        "/flash/banner/.005.swf.tmp31",
        "/movie/.movie.xml.tmp5",
        "/movie/70000003/.70000003.001.tmp99",
    };
    const std::vector<std::string> survivors = {
        "/flash/xml/user.xml.tmp42",          // no leading dot
        "/flash/xml/.user.xml.tmp",           // no number
        "/flash/xml/.user.xml.tmp42a",        // not only digits
        "/flash/xml/.user.xml.tmp1234567890", // more digits than a replace uses
        "/flash/xml/.user.xml.tmp042",        // a leading zero
        "/flash/xml/.tmp42",                  // no name
        "/flash/xml/..user.xml.tmp42",        // a name beginning with a dot
        "/flash/xml/.user.xml.tmp42.bak",
        "/other/.user.xml.tmp42",      // a folder the client does not write
        "/movie/70000003/sub/.a.tmp1", // below a movie's folder
    };
    for (const auto& name : leftovers)
        folder.write(name, "half a file");
    for (const auto& name : survivors)
        folder.write(name, "keep " + name);
    fsys::create_directories(folder.file("/flash/xml/.dir.xml.tmp8"));
    fsys::create_symlink(folder.file("/flash/xml/user.xml"), folder.file("/flash/xml/.link.xml.tmp9"));

    // A second instance finds the folder held and removes nothing.
    TestApp first(folder, server);
    const auto second = [&] {
        TestApp t(folder, server);
        EXPECT_FALSE(t.start());
    };
    first.app().instanceLock().lock(folder.path(), false);
    second();
    for (const auto& name : leftovers)
        EXPECT_TRUE(folder.exists(name)) << name;
    first.app().instanceLock().unlock();

    ASSERT_TRUE(first.start());
    for (const auto& name : leftovers)
        EXPECT_FALSE(folder.exists(name)) << name;
    for (const auto& name : survivors)
        EXPECT_EQ(folder.read(name), "keep " + name);
    EXPECT_TRUE(fsys::is_directory(folder.file("/flash/xml/.dir.xml.tmp8")));
    EXPECT_TRUE(fsys::is_symlink(folder.file("/flash/xml/.link.xml.tmp9")));
    EXPECT_EQ(folder.read("/flash/xml/news998.xml"), expected("news998.xml"));
}

} // namespace
} // namespace brisma::test
