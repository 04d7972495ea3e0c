#pragma once

#include "platform/player/FlashObject.h"
#include "platform/player/FlashPlayer.h"

#include <QPointer>
#include <QQuickItem>
#include <deque>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class QQmlComponent;
class QQmlContext;
class QQmlEngine;
class QQuickWidget;

namespace brisma {

// A player that runs its movie file as a QML document in the shared engine, in a context of its
// own whose context object is its `flash`. The view is a QQuickWidget; the movie's root item
// fills it. While the view is hidden, the movie's running animations are paused, so a hidden
// panel wakes nobody; they go on where they stood when it is shown again.
class QmlFlashPlayer : public FlashPlayer {
public:
    // `appFolder` canonical. The engine outlives the player.
    QmlFlashPlayer(QQmlEngine& engine, const QString& appFolder, FlashObject::OpenUrl openUrl,
                   QWidget* parent);
    ~QmlFlashPlayer() override;
    QmlFlashPlayer(const QmlFlashPlayer&) = delete;
    QmlFlashPlayer& operator=(const QmlFlashPlayer&) = delete;

    void setMovie(const std::string& movie) override;
    void Play() override;
    void Stop() override;
    void GotoFrame(int frame) override;
    void setPlaying(bool playing) override;
    void setFrameNum(int frame) override;
    void setFlashVars(const std::string& vars) override;
    bool hasMovie() const override { return root_ != nullptr; }
    QWidget* widget() override;

    // The running movie's root item; null while the player is empty.
    QQuickItem* rootItem() const { return root_; }

private:
    class VisibilityFilter;
    void unload();
    void load(const QString& file);
    void queueCommand(const std::string& command, const std::string& args);
    // Pauses the running animations of a hidden movie, or resumes those it paused once shown.
    void holdAnimations();
    void deliverCommands();

    QQmlEngine& engine_;
    FlashObject flash_;
    std::unique_ptr<QQmlContext> context_;
    QPointer<QQuickWidget> view_;
    std::unique_ptr<QQmlComponent> component_;
    QPointer<QQuickItem> root_;
    std::deque<std::pair<std::string, std::string>> commands_;
    std::vector<QPointer<QObject>> held_;
    std::unique_ptr<VisibilityFilter> visibility_;
    bool delivering_ = false;
    // Queued deliveries belong to this player and die with it, so a command handler may destroy it.
    QObject deliveryContext_;
};

} // namespace brisma
