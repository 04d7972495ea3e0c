#pragma once

#include <string>

namespace brisma {

// A message box with an OK button. The desktop shows a dialog; tests record the texts.
class MessageBoxService {
public:
    virtual ~MessageBoxService() = default;
    virtual void show(const std::string& text) = 0;
    // The same under a caption of its own.
    virtual void showCaptioned(const std::string& text, const std::string& title) {
        (void)title;
        show(text);
    }
};

} // namespace brisma
