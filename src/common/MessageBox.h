#pragma once

#include <string>

namespace brisma {

// A message box with an OK button. The desktop shows a dialog; tests record the texts.
class MessageBoxService {
public:
    virtual ~MessageBoxService() = default;
    virtual void show(const std::string& text) = 0;
};

} // namespace brisma
