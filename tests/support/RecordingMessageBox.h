#pragma once

#include "common/MessageBox.h"

#include <string>
#include <vector>

namespace brisma::test {

class RecordingMessageBox : public MessageBoxService {
public:
    void show(const std::string& text) override { shown.push_back(text); }
    std::vector<std::string> shown;
};

} // namespace brisma::test
