#pragma once

#include <string>

namespace brisma {

// The window that plays a cached movie advertisement.
class frmMovie {
public:
    bool blnPlay = false;

    void playMovie(const std::string&) {}
    // Playback comes with the movie panel's own work.
    void CloseMovie() { blnPlay = false; }
};

} // namespace brisma
