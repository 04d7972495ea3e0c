#pragma once

#include "common/ErrorReporter.h"
#include "common/MessageBox.h"
#include "news/clsBrismaNews.h"

#include <optional>
#include <string>

namespace brisma {

class MovieHeadlines;
class PanelHost;
class modInet;
class modUserData;

// Receives every command of every player's movie and performs its action.
class modFlashListener {
public:
    modFlashListener(const ErrorReporter& errors, MessageBoxService& messages, PanelHost& host,
                     modUserData& userData, modInet& inet, MovieHeadlines& movies);

    void throwValue(const std::string& command, const std::string& args);

private:
    void perform(const std::string& command, const std::string& args);
    clsBrismaNews& flashNews();
    void clickDone();
    void boxList();
    void channelChset(const std::string& args);
    void channelClose();
    void startDone();
    void startChset(const std::string& args);
    void startClose();
    // During the first start, before the user holds an id, nothing leads past the registration
    // panel: it stays shown (true) for the user to register.
    bool keptOnRegistration();
    // Reloads the channel selection panel's movie and shows the panel, not modal.
    void openChannelPanel();

    // The headline that the list and box families build field by field; nothing before the
    // first creating command.
    std::optional<clsBrismaNews> objFlashNews;
    const ErrorReporter& errors_;
    MessageBoxService& messages_;
    PanelHost& host_;
    modUserData& userData_;
    modInet& inet_;
    MovieHeadlines& movies_;
};

} // namespace brisma
