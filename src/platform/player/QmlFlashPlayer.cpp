#include "platform/player/QmlFlashPlayer.h"

#include "platform/fs/FileSystem.h"
#include "platform/log/ErrorLog.h"

#include <QMetaObject>
#include <QQmlComponent>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWidget>
#include <QQuickWindow>
#include <QUrl>

namespace brisma {
namespace {

// A real SWF file (plain, zlib or LZMA) is not a document this player runs.
bool isSwf(const std::string& bytes) {
    return bytes.starts_with("FWS") || bytes.starts_with("CWS") || bytes.starts_with("ZWS");
}

} // namespace

QmlFlashPlayer::QmlFlashPlayer(QQmlEngine& engine, const QString& appFolder, FlashObject::OpenUrl openUrl,
                               QWidget* parent)
    : engine_(engine),
      flash_(appFolder, std::move(openUrl),
             [this](const std::string& command, const std::string& args) { queueCommand(command, args); }),
      context_(std::make_unique<QQmlContext>(engine.rootContext())),
      view_(new QQuickWidget(&engine, parent)) {
    context_->setContextProperty(QStringLiteral("flash"), &flash_);
}

QmlFlashPlayer::~QmlFlashPlayer() {
    unload();
    delete view_.data();
}

void QmlFlashPlayer::setMovie(const std::string& movie) {
    unload();
    flash_.setFrame(0);
    flash_.setPlaying(true);
    if (!movie.empty() && fs::existFile(movie))
        load(QString::fromStdString(movie));
}

void QmlFlashPlayer::unload() {
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
}

void QmlFlashPlayer::Stop() {
    flash_.setPlaying(false);
}

void QmlFlashPlayer::GotoFrame(int frame) {
    flash_.gotoFrame(frame);
}

void QmlFlashPlayer::setPlaying(bool playing) {
    flash_.setPlaying(playing);
}

void QmlFlashPlayer::setFrameNum(int frame) {
    flash_.setFrame(frame);
}

void QmlFlashPlayer::setFlashVars(const std::string& vars) {
    flash_.setFlashVars(QString::fromStdString(vars));
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
