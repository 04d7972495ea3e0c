#include "shell/modApp.h"

#include "bar/frmTicker.h"
#include "common/BrismaError.h"
#include "common/Conversions.h"
#include "movie/modMovieLoader.h"
#include "news/modChannel.h"
#include "panels/frmList.h"
#include "panels/frmStart.h"
#include "platform/fs/FileSystem.h"
#include "platform/http/XmlFromUrl.h"
#include "platform/xml/XmlDocument.h"
#include "shell/Application.h"
#include "shell/frmMain.h"
#include "userdata/modUserData.h"

#include <array>

namespace brisma {
namespace {

struct AddressEntry {
    const char* name;
    std::string ScriptValues::*value;
};

constexpr std::array<AddressEntry, 10> kAddressEntries{{
    {"logclick", &ScriptValues::logclick},
    {"logadclick", &ScriptValues::logadclick},
    {"logupdate", &ScriptValues::logupdate},
    {"logadview", &ScriptValues::logadview},
    {"user", &ScriptValues::user},
    {"channel", &ScriptValues::channel},
    {"adtext", &ScriptValues::adtext},
    {"banner", &ScriptValues::banner},
    {"prefecture", &ScriptValues::prefecture},
    {"movie", &ScriptValues::movie},
}};

struct ModuleEntry {
    const char* name;
    ScriptModule ScriptValues::*module;
};

constexpr std::array<ModuleEntry, 7> kModuleEntries{{
    {"startflash2", &ScriptValues::startflash2},
    {"boxflash", &ScriptValues::boxflash},
    {"channelflash2", &ScriptValues::channelflash2},
    {"listflash", &ScriptValues::listflash},
    {"userflash", &ScriptValues::userflash},
    {"jumpflash", &ScriptValues::jumpflash},
    {"splashflash", &ScriptValues::splashflash},
}};

// Reads one "Directory" entry into `values`; `workingVersion` carries over between entries.
void readScriptEntry(const XmlNode& entry, std::string& workingVersion, ScriptValues& values) {
    const std::string name = entry.textOf("Name");
    conv::CBool(entry.textOf("Argument"));
    const std::string url = entry.textOf("Url");
    const std::string version = entry.textOf("Version");
    if (conv::CLng(version) != -1)
        workingVersion = version;
    if (name == "ticker_banner") {
        values.tickerBannerUrl = url;
        values.TBId = entry.textOf("TBId");
        values.TBText = entry.textOf("TBText");
        values.TBHref = entry.textOf("TBHref");
        values.TBView = entry.textOf("TBView");
        return;
    }
    for (const auto& address : kAddressEntries) {
        if (name == address.name) {
            values.*address.value = url;
            return;
        }
    }
    for (const auto& module : kModuleEntries) {
        if (name == module.name) {
            (values.*module.module).url = url;
            (values.*module.module).version = conv::CLng(workingVersion);
            return;
        }
    }
}

} // namespace

modApp::modApp(Application& app) : app_(app) {}

void modApp::ConfigureFolder() {
    withHandler(app_.errors(), "modApp.ConfigureFolder >", [&] {
        const AppPaths& paths = app_.services().paths;
        for (const std::string& folder : {paths.flashFolder(), paths.xmlFolder(), paths.bannerFolder()})
            fs::makeFolder(folder);
    });
}

bool modApp::existFile(const std::string& path) {
    return withHandler(app_.errors(), "modApp.existFile >", false, [&] { return fs::existFile(path); });
}

bool modApp::GetScriptXML() {
    Services& services = app_.services();
    bool loaded = false;
    bool failed = false;
    onRunTimeError(
        [&] {
            const XmlDocument doc =
                loadXmlFromUrl(services.http, services.serverBase + "scripts_desktop3.xml");
            const auto entries = doc.getElementsByTagName("Directory");
            if (entries.empty())
                return;
            loaded = true;
            std::string workingVersion;
            for (const XmlNode& entry : entries)
                readScriptEntry(entry, workingVersion, app_.script());
        },
        [&](long number, const std::string& description) {
            services.messages.show(
                "MSXMLの利用に失敗しました。InternetExplorerのアップデートをお勧めします。");
            ErrorEnd(number, "modApp.GetScriptXML >" + description);
            failed = true;
        });
    if (failed)
        EndApp();
    return loaded;
}

void modApp::ErrorEnd(long number, const std::string& text) {
    app_.errors().ErrorEnd(number, text);
}

void modApp::InitApp() {
    frmMain& main = app_.main();
    main.intHTTPTimerCountByMinutes = 0;
    // A bar not yet loaded starts in this state anyway; the first start must not load it.
    if (frmTicker* ticker = app_.loadedTicker()) {
        ticker->blnOpen = false;
        ticker->blnScroll = false;
        ticker->blnMouseUp = true;
    }
    main.TakeScreenSnapshot();
    intSelectedChannelNum = 8;
    app_.channels().SortNewsCopyTo();
}

void modApp::StartApp() {
    modChannel& channels = app_.channels();
    modUserData& userData = app_.userData();
    modMovieLoader& movies = app_.movies();

    InitApp();
    app_.ticker();
    channels.SetChannelListFromXML();
    for (int i = 0; i < intSelectedChannelNum; ++i) {
        const int16_t n = channels.intSelectedChannel[static_cast<std::size_t>(i)];
        if (n <= 0)
            continue;
        channels.SetFav(n);
        channels.ReadNewsXML(n);
        const int16_t index = channels.GetChannelIndex(n);
        if (index >= 0) {
            channels.objChannel[static_cast<std::size_t>(index)].ReadAdTextXML();
            channels.objChannel[static_cast<std::size_t>(index)].ReadBanner(n);
        }
    }
    // The banner of channel 1 comes from the registry's first entry; no registry, no start.
    if (channels.intChannelNum <= 0)
        raise(err::SubscriptOutOfRange);
    channels.objChannel[0].ReadBanner(1);
    userData.saveSelectedChannelXML();
    movies.makeMovieFolder();
    movies.ProcMovie();
    userData.sizeLogLists(100, 20);
    userData.loadClickLog();
    userData.loadMovieLog();
    app_.list().swfPlayer().setPlaying(true);
    channels.SortIdWithMovie();
    app_.list().swfPlayer().GotoFrame(0);
    frmTicker& ticker = app_.ticker();
    ticker.InitTicker();
    app_.main().SetTrayIcon();
    ticker.StartTicker();
    app_.main().StartTimers();
}

void modApp::FirstStart() {
    withHandler(app_.errors(), "modApp.FirstStart >", [&] {
        app_.channels().SetChannelListFromXML();
        frmStart& start = app_.startForm();
        start.show();
        start.activateWindow();
    });
}

void modApp::LoadUserFiles() {
    app_.userData().loadSelectedChannelXML();
    app_.userData().loadUserDataXML();
}

void modApp::SaveUserFiles() {
    app_.userData().saveSelectedChannelXML();
    app_.userData().saveUserDataXML();
}

void modApp::EndApp() {
    withNamedHandler(app_.errors(), "EndApp", [&] {
        app_.unloadTicker();
        app_.main().Unload();
    });
    app_.endProcess();
}

} // namespace brisma
