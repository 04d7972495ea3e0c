#include "platform/ui/QtMessageBox.h"

#include <QMessageBox>
#include <QString>

namespace brisma {

void QtMessageBox::show(const std::string& text) {
    QMessageBox::information(nullptr, QStringLiteral("Brisma"), QString::fromStdString(text), QMessageBox::Ok);
}

} // namespace brisma
