#include "platform/ui/QtTrayIcon.h"

#include <QMenu>
#include <QObject>
#include <QSystemTrayIcon>

namespace brisma {
namespace {

class QtTrayIcon : public TrayIcon {
public:
    void setIcon(const QIcon& icon) override { icon_.setIcon(icon); }
    void setToolTip(const QString& tip) override { icon_.setToolTip(tip); }
    void show() override { icon_.show(); }
    void hide() override { icon_.hide(); }
    void setActivationHandler(ActivationHandler handler) override {
        QObject::disconnect(connection_);
        connection_ = QObject::connect(&icon_, &QSystemTrayIcon::activated, &icon_,
                                       [h = std::move(handler)](QSystemTrayIcon::ActivationReason reason) {
                                           if (reason == QSystemTrayIcon::Trigger)
                                               h(Activation::Trigger);
                                       });
    }
    void setMenu(QMenu* menu) override { icon_.setContextMenu(menu); }

private:
    QSystemTrayIcon icon_;
    QMetaObject::Connection connection_;
};

} // namespace

bool QtTrayIconFactory::available() const {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

std::unique_ptr<TrayIcon> QtTrayIconFactory::create() {
    return std::make_unique<QtTrayIcon>();
}

} // namespace brisma
