#pragma once

#include <QAccessibleWidget>

class QObject;
class QString;

namespace brisma {

class frmTicker;

// The bar as a screen reader meets it: a status bar whose name is the headline the bar gives
// it. The strip's view and the hidden jump movie are no objects of their own, so the object at
// a point of the strip is the bar itself; the box movie stays its child with its own controls.
class TickerAccessible : public QAccessibleWidget {
public:
    explicit TickerAccessible(frmTicker& bar);

    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;

    // Every bar made afterwards is one; installed before the first bar, whose interface Qt may
    // make, and keep, while the bar is still being built.
    static void install();

private:
    static QAccessibleInterface* create(const QString& className, QObject* object);

    frmTicker& bar_;
};

} // namespace brisma
