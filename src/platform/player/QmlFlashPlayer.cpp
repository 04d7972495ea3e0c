#include "platform/player/QmlFlashPlayer.h"

#include "platform/fs/FileSystem.h"
#include "platform/log/ErrorLog.h"

#include <QCoreApplication>
#include <QEvent>
#include <QMetaObject>
#include <QQmlComponent>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWidget>
#include <QQuickWindow>
#include <QSet>
#include <QUrl>

namespace brisma {
namespace {

// A real SWF file (plain, zlib or LZMA) is not a document this player runs.
bool isSwf(const std::string& bytes) {
    return bytes.starts_with("FWS") || bytes.starts_with("CWS") || bytes.starts_with("ZWS");
}

// An animation the movie runs on its own: not one inside a group, which its group drives.
bool isTopAnimation(const QObject& object) {
    return object.inherits("QQuickAbstractAnimation") &&
           !(object.parent() && object.parent()->inherits("QQuickAnimationGroup"));
}

// The top animations of the movie, also those of items made by repeaters and loaders, which are
// children of their item but not of its object.
void collectAnimations(QObject& object, QSet<QObject*>& seen, std::vector<QObject*>& found) {
    if (seen.contains(&object))
        return;
    seen.insert(&object);
    if (isTopAnimation(object))
        found.push_back(&object);
    for (QObject* child : object.children())
        collectAnimations(*child, seen, found);
    if (auto* item = qobject_cast<QQuickItem*>(&object))
        for (QQuickItem* child : item->childItems())
            collectAnimations(*child, seen, found);
}

} // namespace

// Sees the view shown and hidden, also with the window that holds it.
class QmlFlashPlayer::VisibilityFilter : public QObject {
public:
    explicit VisibilityFilter(QmlFlashPlayer& player) : player_(player) {}

    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Show || event->type() == QEvent::Hide)
            player_.holdAnimations();
        return false;
    }

private:
    QmlFlashPlayer& player_;
};

QmlFlashPlayer::QmlFlashPlayer(QQmlEngine& engine, const QString& appFolder, FlashObject::OpenUrl openUrl,
                               QWidget* parent)
    : engine_(engine),
      flash_(appFolder, std::move(openUrl),
             [this](const std::string& command, const std::string& args) { queueCommand(command, args); }),
      context_(std::make_unique<QQmlContext>(engine.rootContext())), view_(new QQuickWidget(&engine, parent)),
      visibility_(std::make_unique<VisibilityFilter>(*this)) {
    context_->setContextProperty(QStringLiteral("flash"), &flash_);
    // The view shows and hides its scene window with itself, also when its window does.
    view_->installEventFilter(visibility_.get());
}

QmlFlashPlayer::~QmlFlashPlayer() {
    view_->removeEventFilter(visibility_.get());
    unload();
    delete view_.data();
}

void QmlFlashPlayer::setMovie(const std::string& movie) {
    unload();
    flash_.setFrame(0);
    flash_.setPlaying(true);
    if (!movie.empty() && fs::existFile(movie))
        load(QString::fromStdString(movie));
    holdAnimations();
}

void QmlFlashPlayer::unload() {
    held_.clear();
    delete root_.data();
    component_.reset();
}

void QmlFlashPlayer::load(const QString& file) {
    std::string bytes;
    try {
        bytes = fs::readFile(file.toStdString());
    } catch (const std::exception& e) {
        logDropped("a movie file that cannot be read leaves the player empty", e.what());
        return;
    }
    if (isSwf(bytes))
        return;
    // From the bytes just read, never from the engine's cache: a replaced file loads anew.
    component_ = std::make_unique<QQmlComponent>(&engine_);
    component_->setData(QByteArray::fromStdString(bytes), QUrl::fromLocalFile(file));
    QObject* object = component_->isReady() ? component_->beginCreate(context_.get()) : nullptr;
    auto* item = qobject_cast<QQuickItem*>(object);
    if (!item) {
        // Only an item can live in the view; a top-level window would escape it.
        logDropped("a movie that does not load leaves the player empty",
                   file.toStdString() + ": " +
                       (object ? "its root is not an item" : component_->errorString().toStdString()));
        delete object;
        component_.reset();
        return;
    }
    root_ = item;
    QQuickWindow* window = view_->quickWindow();
    item->setParentItem(window->contentItem());
    component_->completeCreate();
    // The movie fills the view once the view has its size (a hidden window's view has none yet;
    // until then the movie keeps its own). The view sizes its window, not the content item.
    const auto fill = [item, window] {
        if (!window->size().isEmpty())
            item->setSize(window->size());
    };
    fill();
    QObject::connect(window, &QWindow::widthChanged, item, fill);
    QObject::connect(window, &QWindow::heightChanged, item, fill);
}

void QmlFlashPlayer::Play() {
    flash_.setPlaying(true);
    holdAnimations();
}

void QmlFlashPlayer::Stop() {
    flash_.setPlaying(false);
    holdAnimations();
}

void QmlFlashPlayer::GotoFrame(int frame) {
    flash_.gotoFrame(frame);
    holdAnimations();
}

void QmlFlashPlayer::setPlaying(bool playing) {
    flash_.setPlaying(playing);
    holdAnimations();
}

void QmlFlashPlayer::setFrameNum(int frame) {
    flash_.setFrame(frame);
    holdAnimations();
}

void QmlFlashPlayer::setFlashVars(const std::string& vars) {
    flash_.setFlashVars(QString::fromStdString(vars));
}

void QmlFlashPlayer::holdAnimations() {
    if (view_ && view_->isVisible()) {
        for (const QPointer<QObject>& animation : held_)
            if (animation && animation->property("running").toBool())
                animation->setProperty("paused", false);
        held_.clear();
        return;
    }
    if (!root_)
        return;
    // Bindings of the movie may have started animations since the last look.
    QSet<QObject*> seen;
    std::vector<QObject*> animations;
    collectAnimations(*root_, seen, animations);
    for (QObject* animation : animations)
        if (animation->property("running").toBool() && !animation->property("paused").toBool()) {
            animation->setProperty("paused", true);
            held_.emplace_back(animation);
        }
}

QWidget* QmlFlashPlayer::widget() {
    return view_;
}

void QmlFlashPlayer::queueCommand(const std::string& command, const std::string& args) {
    commands_.emplace_back(command, args);
    // Delivered after the movie's script has returned: a handler may reload or empty this player.
    if (commands_.size() != 1)
        return;
    QMetaObject::invokeMethod(
        &deliveryContext_, [this] { deliverCommands(); }, Qt::QueuedConnection);
}

void QmlFlashPlayer::deliverCommands() {
    if (delivering_)
        return;
    delivering_ = true;
    const QPointer<QObject> alive(&deliveryContext_);
    while (!commands_.empty()) {
        const auto [command, args] = std::move(commands_.front());
        commands_.pop_front();
        raiseFSCommand(command, args);
        if (!alive)
            return;
    }
    delivering_ = false;
}

} // namespace brisma
