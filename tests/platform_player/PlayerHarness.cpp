#include "PlayerHarness.h"

#include <QCoreApplication>
#include <QElapsedTimer>

namespace brisma::test {
namespace {

void runEventsUntil(const std::function<bool()>& done, int ms) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

} // namespace

PlayerHarness::PlayerHarness()
    : factory_(folder.path(), [this](const std::string& url) { opened.push_back(url); }) {
    window_.resize(320, 240);
    player_.reset(static_cast<QmlFlashPlayer*>(factory_.create("test", &window_).release()));
    player_->setCommandHandler([this](const std::string& command, const std::string& args) {
        commands.push_back(command + "|" + args);
        if (onCommand)
            onCommand(command, args);
    });
}

std::string PlayerHarness::write(const std::string& relative, const std::string& qml) const {
    folder.write(relative, qml);
    return folder.file(relative);
}

void PlayerHarness::load(const std::string& relative, const std::string& qml) {
    player_->setMovie(write(relative, qml));
}

bool PlayerHarness::waitForCommands(std::size_t count) {
    runEventsUntil([&] { return commands.size() >= count; }, 10000);
    return commands.size() >= count;
}

void settle() {
    runEventsUntil([] { return false; }, 300);
}

} // namespace brisma::test
