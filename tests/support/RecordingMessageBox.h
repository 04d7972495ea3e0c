#pragma once

#include "common/MessageBox.h"

#include <string>
#include <vector>

namespace brisma::test {

// Records every text; `titles` holds each caption given ("" for the default one).
class RecordingMessageBox : public MessageBoxService {
public:
    void show(const std::string& text) override { showCaptioned(text, ""); }
    void showCaptioned(const std::string& text, const std::string& title) override {
        shown.push_back(text);
        titles.push_back(title);
    }
    std::vector<std::string> shown;
    std::vector<std::string> titles;
};

} // namespace brisma::test
