#pragma once

#include "platform/player/FlashObject.h"
#include "platform/player/FlashPlayer.h"

#include <QObject>
#include <memory>
#include <string>

class QQmlEngine;
class QUrl;

namespace brisma {

class MovieUrlInterceptor;
class RefusingNetworkFactory;

// Makes the QML players. It owns the one engine that all of them share, configured once: the
// software scene graph, the URL interceptor, the refusing network access, the import path fixed
// to Qt's own QML folder and resources, warnings on stderr only with BRISMA_DEBUG=1. Every player
// it made must be destroyed before it.
class QmlPlayerFactory : public QObject, public FlashPlayerFactory {
    Q_OBJECT

public:
    // `appFolder`: the only folder movies may read from. `openUrl` receives the http and https
    // addresses movies hand to flash.openUrl; null: QDesktopServices::openUrl.
    explicit QmlPlayerFactory(const std::string& appFolder, FlashObject::OpenUrl openUrl = {});
    ~QmlPlayerFactory() override;

    std::unique_ptr<FlashPlayer> create(const std::string& name, QWidget* parent) override;

    QQmlEngine& engine() { return *engine_; }

private Q_SLOTS:
    // Qt.openUrlExternally of a file or a resource the interceptor let through goes nowhere.
    void dropDesktopUrl(const QUrl& url);

private:
    FlashObject::OpenUrl openUrl_;
    std::unique_ptr<MovieUrlInterceptor> interceptor_;
    std::unique_ptr<RefusingNetworkFactory> network_;
    std::unique_ptr<QQmlEngine> engine_;
};

} // namespace brisma
