#include "platform/ui/QtMessageBox.h"

#include <QMessageBox>
#include <QString>

namespace brisma {

void QtMessageBox::show(const std::string& text) {
    showCaptioned(text, "Brisma");
}

void QtMessageBox::showCaptioned(const std::string& text, const std::string& title) {
    QMessageBox::information(nullptr, QString::fromStdString(title), QString::fromStdString(text),
                             QMessageBox::Ok);
}

} // namespace brisma
