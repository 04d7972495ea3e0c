#include "TempAppFolder.h"
#include "platform/player/QmlFlashPlayer.h"
#include "platform/player/QmlPlayerFactory.h"
#include "platform/text/Cp932.h"

#include <QCoreApplication>
#include <QQmlEngine>
#include <QQmlError>
#include <QWidget>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <utility>
#include <vector>

namespace brisma {
namespace {

using test::TempAppFolder;

std::string demoFile(const std::string& relative) {
    std::ifstream in(std::string(BRISMA_DEMO_DIR) + relative, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// One module in a real player on an application folder that holds the demo's documents as the
// client stores them (CP932); commands are recorded as "command|args", QML warnings as texts.
class ModuleRun {
public:
    explicit ModuleRun(const std::string& module, const std::string& userXml = {}) : factory_(folder.path()) {
        for (const char* name : {"channel.xml", "prefecture.xml"})
            folder.write(std::string("/flash/xml/") + name,
                         text::toCp932(demoFile(std::string("/content/") + name)));
        folder.write("/flash/xml/selected.xml", demoFile("/home-seed/flash/xml/selected.xml"));
        if (!userXml.empty())
            folder.write("/flash/xml/user.xml", text::toCp932(userXml));
        QObject::connect(&factory_.engine(), &QQmlEngine::warnings, [this](const QList<QQmlError>& list) {
            for (const QQmlError& e : list)
                warnings.push_back(e.toString().toStdString());
        });
        window_.resize(800, 600);
        player_.reset(static_cast<QmlFlashPlayer*>(factory_.create("test", &window_).release()));
        player_->setCommandHandler([this](const std::string& command, const std::string& args) {
            commands.push_back(command + "|" + args);
        });
        folder.write("/flash/module.swf", demoFile("/content/modules/" + module));
        player_->setMovie(folder.file("/flash/module.swf"));
        QCoreApplication::processEvents();
    }

    QObject* item(const char* name) const {
        QObject* found =
            player_->rootItem() ? player_->rootItem()->findChild<QObject*>(QString::fromUtf8(name)) : nullptr;
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    // Picks the entry of a combo box by its shown text.
    void choose(const char* box, const char* text) const {
        int index = -1;
        QMetaObject::invokeMethod(item(box), "find", Q_RETURN_ARG(int, index),
                                  Q_ARG(QString, QString::fromUtf8(text)));
        ASSERT_GE(index, 0) << box << " has no " << text;
        item(box)->setProperty("currentIndex", index);
    }
    void press(const char* button) const {
        QMetaObject::invokeMethod(item(button), "clicked");
        QCoreApplication::processEvents();
    }
    void call(const char* function, int number) const {
        QMetaObject::invokeMethod(player_->rootItem(), function, Q_ARG(QVariant, number));
    }

    TempAppFolder folder;
    std::vector<std::string> commands;
    std::vector<std::string> warnings;

private:
    QmlPlayerFactory factory_;
    QWidget window_;
    std::unique_ptr<QmlFlashPlayer> player_;
};

// The fourteen field commands with the values of the profile used below.
std::vector<std::string> profileCommands(const std::string& prefix) {
    const std::vector<std::pair<std::string, std::string>> fields = {{"email", "taro@example.jp"},
                                                                     {"sex", "1"},
                                                                     {"bday", "19800102"},
                                                                     {"yy", "1980"},
                                                                     {"mm", "01"},
                                                                     {"dd", "02"},
                                                                     {"prid", "13"},
                                                                     {"arid", "131"},
                                                                     {"pr", "東京都"},
                                                                     {"class", "2"},
                                                                     {"job", "3"},
                                                                     {"netenv", "4"},
                                                                     {"pcenv", "5"},
                                                                     {"carrier", "6"}};
    std::vector<std::string> out;
    for (const auto& [name, value] : fields)
        out.push_back(prefix + name + "|" + value);
    return out;
}

void fillProfile(const ModuleRun& run) {
    run.item("email")->setProperty("text", QStringLiteral(" taro@example.jp "));
    for (const auto& [box, text] :
         std::vector<std::pair<const char*, const char*>>{{"sex", "男性"},
                                                          {"year", "1980"},
                                                          {"month", "1月"},
                                                          {"day", "2日"},
                                                          {"prefecture", "東京都"},
                                                          {"area", "23区"},
                                                          {"class", "製造"},
                                                          {"job", "自営業"},
                                                          {"netenv", "モバイル回線"},
                                                          {"pcenv", "その他"},
                                                          {"carrier", "持っていない"}})
        run.choose(box, text);
}

TEST(DemoModulesTest, RegistrationSendsEveryFieldThenDoneAndCloseOnlyWithAnAddress) {
    ModuleRun run("start2.qml");
    run.press("submit");
    EXPECT_TRUE(run.commands.empty()) << "registered without an e-mail address";
    fillProfile(run);
    run.press("submit");
    std::vector<std::string> expected = profileCommands("start:");
    expected.insert(expected.end(), {"start:done|", "start:close|"});
    EXPECT_EQ(run.commands, expected);
    EXPECT_EQ(run.warnings, std::vector<std::string>{});
}

TEST(DemoModulesTest, ProfileShowsTheStoredProfileAndSendsItBack) {
    std::string user = "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\r\n<userdata>\r\n<id>U1</id>\r\n";
    for (const std::string& line : profileCommands("")) {
        const std::string name = line.substr(0, line.find('|')), value = line.substr(line.find('|') + 1);
        user += "<" + name + ">" + value + "</" + name + ">\r\n";
    }
    ModuleRun run("user.qml", user + "</userdata>\r\n");
    run.press("submit");
    run.press("close");
    std::vector<std::string> expected = profileCommands("user:");
    expected.insert(expected.end(), {"user:done|", "user:close|"});
    EXPECT_EQ(run.commands, expected);
    EXPECT_EQ(run.warnings, std::vector<std::string>{});
}

TEST(DemoModulesTest, ChannelPanelKeepsTheSelectionOrderRefusesANinthAndAsksForAFirstChannel) {
    ModuleRun run("channelset2.qml");
    run.press("submit"); // the stored selection, as it stands
    run.call("toggle", 5);
    for (int number : {40, 41, 50, 60})
        run.call("toggle", number);
    EXPECT_EQ(run.item("note")->property("text").toString().toStdString(), "");
    run.call("toggle", 70); // a ninth
    EXPECT_NE(run.item("note")->property("text").toString().toStdString(), "");
    run.press("submit");
    // Nothing ticked: nothing is sent and the panel asks for a channel, until one is ticked.
    for (int number : {1, 12, 20, 33, 40, 41, 50, 60})
        run.call("toggle", number);
    run.press("submit");
    EXPECT_NE(run.item("note")->property("text").toString().toStdString(), "");
    run.call("toggle", 70);
    EXPECT_EQ(run.item("note")->property("text").toString().toStdString(), "");
    run.press("close");
    EXPECT_EQ(run.commands,
              (std::vector<std::string>{"channel:chset|1-5-12-20-33-",
                                        "channel:chset|1-12-20-33-40-41-50-60-", "channel:close|"}));
    EXPECT_EQ(run.warnings, std::vector<std::string>{});
}

} // namespace
} // namespace brisma
