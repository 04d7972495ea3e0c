// Hostile movies: every way out of the sandbox that Qt offers, each refused. Requests are proven
// absent at the loopback server, files by their contents never reaching the movie.
#include "PlayerHarness.h"
#include "TestServer.h"

#include <QBuffer>
#include <QDesktopServices>
#include <QImage>
#include <QObject>
#include <QUrl>
#include <filesystem>
#include <gtest/gtest.h>

namespace brisma::test {
namespace {

// Stands for the desktop: every address Qt would hand to a browser or file viewer.
class DesktopRecorder : public QObject {
    Q_OBJECT

public:
    DesktopRecorder() {
        for (const char* scheme : schemes)
            QDesktopServices::setUrlHandler(QLatin1StringView(scheme), this, "open");
    }
    ~DesktopRecorder() override {
        for (const char* scheme : schemes)
            QDesktopServices::unsetUrlHandler(QLatin1StringView(scheme));
    }
    std::vector<std::string> urls;
    static constexpr const char* schemes[] = {"http", "https", "file", "data", "javascript"};

public Q_SLOTS:
    void open(const QUrl& url) { urls.push_back(url.toString().toStdString()); }
};

// A real picture, so that a load that got through would succeed.
std::string png() {
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes.toStdString();
}

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    for (auto pos = text.find(from); pos != std::string::npos; pos = text.find(from, pos + to.size()))
        text.replace(pos, from.size(), to);
    return text;
}

struct Attempt {
    const char* what;
    std::string qml;
    // Every command the movie sends; none: the movie must not load at all.
    std::vector<std::string> expected;
};

class Sandbox : public ::testing::Test {
protected:
    void SetUp() override {
        server.route("/xhr", "secret from the server");
        TestServer::Response image;
        image.body = png();
        image.contentType = "image/png";
        server.route("/img.png", image);
        server.route("/evil.qml",
                     "import QtQuick\nItem { Component.onCompleted: flash.fscommand(\"evil\", \"\") }");
        outside.write("/secret.txt", "secret file");
        outside.write("/secret.xml", "<s>secret</s>");
        outside.write("/secret.png", png());
    }

    // SERVER, OUTSIDE and APP in a movie stand for those places.
    void run(const std::vector<Attempt>& attempts) {
        for (const Attempt& attempt : attempts) {
            PlayerHarness h;
            std::filesystem::create_symlink(outside.file("/secret.xml"), h.folder.file("/link.xml"));
            std::filesystem::create_symlink(outside.path(), h.folder.file("/linkdir"));
            h.write("/flash/lib/Evil.qml",
                    "import QtQuick\nItem { Component.onCompleted: flash.fscommand(\"evil\", \"\") }");
            h.write("/flash/Evil.qml",
                    "import QtQuick\nItem { Component.onCompleted: flash.fscommand(\"evil\", \"\") }");
            h.write("/flash/evil.js", "function f() { flash.fscommand(\"evil\", \"\") }");
            DesktopRecorder desktop;
            std::string qml = replaced(attempt.qml, "SERVER", server.base());
            qml = replaced(qml, "OUTSIDE", outside.path());
            h.load("/flash/m.swf", replaced(qml, "APP", h.folder.path()));
            ASSERT_TRUE(h.waitForCommands(attempt.expected.size())) << attempt.what;
            settle();
            EXPECT_EQ(h.commands, attempt.expected) << attempt.what;
            EXPECT_EQ(h.player().rootItem() != nullptr, !attempt.expected.empty()) << attempt.what;
            EXPECT_TRUE(desktop.urls.empty()) << attempt.what << ": " << desktop.urls.front();
            opened.insert(opened.end(), h.opened.begin(), h.opened.end());
        }
        EXPECT_TRUE(server.targets().empty()) << server.targets().front();
    }

    TestServer server;
    TempAppFolder outside;
    std::vector<std::string> opened;
};

const char* const xhr = R"qml(import QtQuick
Item { Component.onCompleted: {
    var x = new XMLHttpRequest()
    x.onreadystatechange = function() {
        if (x.readyState === XMLHttpRequest.DONE)
            flash.fscommand("done", x.status + ":" + x.responseText)
    }
    x.open("GET", "TARGET")
    x.send()
    flash.fscommand("sent", String(x.readyState))
} })qml";

const char* const image = R"qml(import QtQuick
Image {
    source: "TARGET"
    onStatusChanged: if (status === Image.Ready || status === Image.Error)
        flash.fscommand("done", status === Image.Ready ? "read" : "error")
})qml";

TEST_F(Sandbox, NoRequestLeavesAndNoFileOutsideIsRead) {
    const std::string outsideName = std::filesystem::path(outside.path()).filename().string();
    run({
        {"XMLHttpRequest to the server", replaced(xhr, "TARGET", "SERVERxhr"), {"sent|1", "done|0:"}},
        {"XMLHttpRequest of a file outside",
         replaced(xhr, "TARGET", "file://OUTSIDE/secret.txt"),
         {"sent|1"}},
        {"XMLHttpRequest of a file inside", replaced(xhr, "TARGET", "file://APP/flash/Evil.qml"), {"sent|1"}},
        {"Image from the server", replaced(image, "TARGET", "SERVERimg.png"), {"done|error"}},
        {"Loader from the server",
         R"qml(import QtQuick
Item { Loader { id: l; source: "SERVERevil.qml" }
       Component.onCompleted: flash.fscommand("done", String(l.item)) })qml",
         {"done|null"}},
        {"Image of a file outside", replaced(image, "TARGET", "file://OUTSIDE/secret.png"), {"done|error"}},
        {"readXml out of the folder",
         R"qml(import QtQuick
Item { Component.onCompleted: flash.fscommand("done", JSON.stringify([
    flash.readXml("../)qml" +
             outsideName + R"qml(/secret.xml"), flash.readXml("flash/../../)qml" + outsideName +
             R"qml(/secret.xml"),
    flash.readXml("OUTSIDE/secret.xml"), flash.readXml("file://OUTSIDE/secret.xml"),
    flash.readXml("link.xml"), flash.readXml("linkdir/secret.xml")])) })qml",
         {"done|[null,null,null,null,null,null]"}},
    });
}

TEST_F(Sandbox, ImportsComeFromQtsOwnModulesOnly) {
    run({
        {"Qt's own modules",
         R"qml(import QtQml
import QtQml.Models
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import QtQuick.Window
Item { ListModel { id: m; ListElement { t: "ok" } }
       ColumnLayout { Button { text: m.get(0).t } }
       Component.onCompleted: flash.fscommand("done", m.get(0).t) })qml",
         {"done|ok"}},
        {"a Qt module outside the list (installed for this test)",
         "import QtQuick\nimport Qt.labs.folderlistmodel\nItem { Component.onCompleted: "
         "flash.fscommand(\"done\", \"\") }",
         {}},
        {"folder import", "import QtQuick\nimport \"lib\"\nItem { Evil {} }", {}},
        {"type of the movie's folder", "import QtQuick\nItem { Evil {} }", {}},
        {"script import",
         "import QtQuick\nimport \"evil.js\" as E\nItem { Component.onCompleted: E.f() }",
         {}},
        {"Loader of a folder type",
         "import QtQuick\nItem { Loader { id: l; source: \"Evil.qml\" }\n"
         "Component.onCompleted: flash.fscommand(\"done\", String(l.item)) }",
         {"done|null"}},
    });
}

TEST_F(Sandbox, OnlyHttpAddressesReachTheBrowserAndOnlyThroughOpenUrl) {
    run({{"openUrl",
          R"qml(import QtQuick
Item { Component.onCompleted: {
    for (const u of ["file://OUTSIDE/secret.txt", "javascript:alert(1)", "data:text/html,<b>x</b>", "SERVERext"])
        Qt.openUrlExternally(u)
    for (const u of ["file://OUTSIDE/secret.txt", "file://APP/flash/m.swf", "javascript:alert(1)",
                     "data:text/html,<b>x</b>", "ftp://127.0.0.1/x", "SERVERjump?a=1"])
        flash.openUrl(u)
    flash.fscommand("done", "sent")
} })qml",
          {"done|sent"}}});
    EXPECT_EQ(opened, std::vector<std::string>{server.base() + "jump?a=1"});
}

} // namespace
} // namespace brisma::test

#include "SandboxTest.moc"
