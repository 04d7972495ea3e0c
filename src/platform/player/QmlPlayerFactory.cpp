#include "platform/player/QmlPlayerFactory.h"

#include "platform/player/MovieUrlInterceptor.h"
#include "platform/player/QmlFlashPlayer.h"
#include "platform/player/RefusingNetworkFactory.h"

#include <QDesktopServices>
#include <QLibraryInfo>
#include <QQmlEngine>
#include <QQuickWindow>
#include <QSGRendererInterface>
#include <QUrl>

#include <cstdlib>
#include <cstring>

namespace brisma {
namespace {

void openInBrowser(const std::string& url) { QDesktopServices::openUrl(QUrl(QString::fromStdString(url))); }

bool debugOutput() {
    const char* debug = std::getenv("BRISMA_DEBUG");
    return debug && std::strcmp(debug, "1") == 0;
}

} // namespace

QmlPlayerFactory::QmlPlayerFactory(const std::string& appFolder, FlashObject::OpenUrl openUrl)
    : openUrl_(openUrl ? std::move(openUrl) : openInBrowser),
      interceptor_(std::make_unique<MovieUrlInterceptor>(QString::fromStdString(appFolder))),
      network_(std::make_unique<RefusingNetworkFactory>()) {
    // XMLHttpRequest reads these once; movies must neither read nor write files through it.
    ::unsetenv("QML_XHR_ALLOW_FILE_READ");
    ::unsetenv("QML_XHR_ALLOW_FILE_WRITE");
    // Painting in software: no GL context per view, little memory, works on any display.
    QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);

    engine_ = std::make_unique<QQmlEngine>();
    engine_->setOutputWarningsToStandardError(debugOutput());
    engine_->setImportPathList(
        {QStringLiteral("qrc:/qt-project.org/imports"), QLibraryInfo::path(QLibraryInfo::QmlImportsPath)});
    engine_->setPluginPathList({});
    engine_->addUrlInterceptor(interceptor_.get());
    engine_->setNetworkAccessManagerFactory(network_.get());
    for (const char* scheme : {"file", "qrc"})
        QDesktopServices::setUrlHandler(QLatin1StringView(scheme), this, "dropDesktopUrl");
}

// The handlers go with this object.
QmlPlayerFactory::~QmlPlayerFactory() = default;

std::unique_ptr<FlashPlayer> QmlPlayerFactory::create(const std::string&, QWidget* parent) {
    return std::make_unique<QmlFlashPlayer>(*engine_, interceptor_->appFolder(), openUrl_, parent);
}

void QmlPlayerFactory::dropDesktopUrl(const QUrl&) {}

} // namespace brisma
