#include "bar/TickerAccessible.h"

#include "bar/frmTicker.h"

namespace brisma {

TickerAccessible::TickerAccessible(frmTicker& bar)
    : QAccessibleWidget(&bar, QAccessible::StatusBar), bar_(bar) {}

int TickerAccessible::childCount() const {
    return bar_.box() ? 1 : 0;
}

QAccessibleInterface* TickerAccessible::child(int index) const {
    QWidget* box = bar_.box();
    return box && index == 0 ? QAccessible::queryAccessibleInterface(box) : nullptr;
}

int TickerAccessible::indexOfChild(const QAccessibleInterface* child) const {
    QWidget* box = bar_.box();
    return box && child && child->object() == box ? 0 : -1;
}

QAccessibleInterface* TickerAccessible::childAt(int x, int y) const {
    QWidget* box = bar_.box();
    return box && box->geometry().contains(bar_.mapFromGlobal(QPoint(x, y))) ? child(0) : nullptr;
}

void TickerAccessible::install() {
    QAccessible::installFactory(&TickerAccessible::create);
}

QAccessibleInterface* TickerAccessible::create(const QString&, QObject* object) {
    auto* bar = dynamic_cast<frmTicker*>(object);
    return bar ? new TickerAccessible(*bar) : nullptr;
}

} // namespace brisma
