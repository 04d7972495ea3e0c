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

// The schemes the URL interceptor lets through.
constexpr const char* desktopSchemes[] = {"file", "qrc"};

void openInBrowser(const std::string& url) {
    QDesktopServices::openUrl(QUrl(QString::fromStdString(url)));
}

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
    static const bool software = [] {
        QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
        return true;
    }();
    (void)software;

    // The lightest Controls style, the same on every desktop.
    if (qEnvironmentVariableIsEmpty("QT_QUICK_CONTROLS_STYLE"))
        qputenv("QT_QUICK_CONTROLS_STYLE", "Basic");

    engine_ = std::make_unique<QQmlEngine>();
    engine_->setOutputWarningsToStandardError(debugOutput());
    engine_->setImportPathList(
        {QStringLiteral("qrc:/qt-project.org/imports"), QLibraryInfo::path(QLibraryInfo::QmlImportsPath)});
    // Native plugins only from beside their module's qmldir.
    engine_->setPluginPathList({QStringLiteral(".")});
    engine_->addUrlInterceptor(interceptor_.get());
    engine_->setNetworkAccessManagerFactory(network_.get());
    for (const char* scheme : desktopSchemes)
        QDesktopServices::setUrlHandler(QLatin1StringView(scheme), this, "dropDesktopUrl");
}

QmlPlayerFactory::~QmlPlayerFactory() {
    for (const char* scheme : desktopSchemes)
        QDesktopServices::unsetUrlHandler(QLatin1StringView(scheme));
}

std::unique_ptr<FlashPlayer> QmlPlayerFactory::create(const std::string&, QWidget* parent) {
    return std::make_unique<QmlFlashPlayer>(*engine_, interceptor_->appFolder(), openUrl_, parent);
}

void QmlPlayerFactory::dropDesktopUrl(const QUrl&) {}

} // namespace brisma
