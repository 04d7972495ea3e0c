#pragma once

#include "common/MessageBox.h"

namespace brisma {

// A modal dialog with an OK button, captioned "Brisma".
class QtMessageBox : public MessageBoxService {
public:
    void show(const std::string& text) override;
    void showCaptioned(const std::string& text, const std::string& title) override;
};

} // namespace brisma
