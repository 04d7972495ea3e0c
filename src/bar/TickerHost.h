#pragma once

#include <QPoint>
#include <string>

namespace brisma {

// What the bar needs from the application above it, which it may not depend on.
class TickerHost {
public:
    virtual ~TickerHost() = default;
    // The caption of the main window's menu item that opens and closes the bar.
    virtual void setTickerMenuCaption(const std::string& caption) = 0;
    // A right click on the headlines released at `globalPos`: the host opens its menu there when the
    // desktop has no tray to reach it from.
    virtual void openMenuFromTicker(const QPoint& globalPos) = 0;
    // A movie headline was clicked: its movie plays in the movie panel.
    virtual void playMovie(const std::string& movieId) = 0;
};

} // namespace brisma
