#pragma once

namespace brisma {

// The window that plays a cached movie advertisement.
class frmMovie {
public:
    bool blnPlay = false;

    // Playback comes with the movie panel's own work.
    void CloseMovie() { blnPlay = false; }
};

} // namespace brisma
