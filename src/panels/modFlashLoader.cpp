#include "panels/modFlashLoader.h"

#include "common/Conversions.h"
#include "platform/fs/FileSystem.h"
#include "platform/http/HttpClient.h"
#include "platform/text/Cp932.h"
#include "platform/xml/XmlDocument.h"

#include <string>

namespace brisma {

struct modFlashLoader::Module {
    const char* key;
    const char* file;
    ScriptModule ScriptValues::*entry;
    const char* label;
    std::function<void()> modFlashLoader::*reload;
};

const std::array<modFlashLoader::Module, modFlashLoader::moduleCount> modFlashLoader::modules_{{
    {"startflash2", "start2.swf", &ScriptValues::startflash2, "modFlashLoader.loadFlashStart >", nullptr},
    {"boxflash", "box.swf", &ScriptValues::boxflash, "modFlashLoader.loadFlashBox >",
     &modFlashLoader::reloadBox_},
    {"channelflash2", "channelset2.swf", &ScriptValues::channelflash2, "modFlashLoader.loadFlashChannel >",
     nullptr},
    {"listflash", "list.swf", &ScriptValues::listflash, "modFlashLoader.loadFlashList >",
     &modFlashLoader::reloadList_},
    {"userflash", "user.swf", &ScriptValues::userflash, "modFlashLoader.loadFlashUser >", nullptr},
    {"jumpflash", "jump.swf", &ScriptValues::jumpflash, "modFlashLoader.loadFlashJump >", nullptr},
    {"splashflash", "splash.swf", &ScriptValues::splashflash, "modFlashLoader.loadFlashSplash >", nullptr},
}};

namespace {
constexpr std::size_t splashIndex = 6;
}

modFlashLoader::modFlashLoader(const AppPaths& paths, const ErrorReporter& errors, HttpTransport& http,
                               const ScriptValues& script, std::function<void()> reloadBox,
                               std::function<void()> reloadList)
    : paths_(paths), errors_(errors), http_(http), script_(script), reloadBox_(std::move(reloadBox)),
      reloadList_(std::move(reloadList)) {}

void modFlashLoader::updateSplashFlash() {
    loadFlashVersionXML();
    loadFlash(splashIndex);
    saveFlashVersionXML();
}

void modFlashLoader::updateFlash() {
    loadFlashVersionXML();
    for (std::size_t i = 0; i < splashIndex; ++i)
        loadFlash(i);
    saveFlashVersionXML();
}

void modFlashLoader::loadFlashVersionXML() {
    onRunTimeError(
        [&] {
            const XmlDocument doc = XmlDocument::loadFile(paths_.flashVersionXml());
            for (const XmlNode& item : doc.getElementsByTagName("item")) {
                const std::string name = item.textOf("Name");
                const std::string version = item.textOf("Version");
                for (std::size_t i = 0; i < moduleCount; ++i)
                    if (name == modules_[i].key)
                        intVersion_[i] = conv::CLng(version);
            }
        },
        [&](long number, const std::string& description) { errors_.ErrorEnd(number, description); });
}

void modFlashLoader::saveFlashVersionXML() const {
    std::string text = "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\r\n<FlashVersion>\r\n";
    for (std::size_t i = 0; i < moduleCount; ++i) {
        text += "<item>\r\n<Name>";
        text += modules_[i].key;
        text += "</Name>\r\n<Version>" + std::to_string(intVersion_[i]) + "</Version>\r\n</item>\r\n";
    }
    text += "</FlashVersion>\r\n\r\n";
    // A record that cannot be written is written at the next run; the versions stay in memory.
    // The failure is reported like every other failed write.
    withHandler(errors_, "modFlashLoader.saveFlashVersionXML >",
                [&] { fs::writeFileAtomic(paths_.flashVersionXml(), text::toCp932(text)); });
}

void modFlashLoader::loadFlash(std::size_t index) {
    const Module& module = modules_[index];
    withHandler(errors_, module.label, [&] {
        const ScriptModule& server = script_.*module.entry;
        if (server.version <= intVersion_[index])
            return;
        // Whatever body arrives is stored. It replaces the old file in one piece, so a failed
        // download or write leaves the previous module whole.
        const std::string body = http_.get(server.url);
        fs::writeFileAtomic(paths_.flashModule(module.file), body);
        intVersion_[index] = server.version;
        if (module.reload && this->*module.reload)
            (this->*module.reload)();
    });
}

} // namespace brisma
