#pragma once

#include <string>

namespace brisma {

// Receives every command of every panel's movie.
class modFlashListener {
public:
    void throwValue(const std::string& command, const std::string& args);
};

} // namespace brisma
