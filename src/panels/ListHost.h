#pragma once

#include <QRect>
#include <string>

namespace brisma {

// What the list panel needs from the application above it, which it may not depend on.
class ListHost {
public:
    virtual ~ListHost() = default;
    // The caption of the main window's menu item that shows and hides the list.
    virtual void setListMenuCaption(const std::string& caption) = 0;
    // Top and height of the headline bar, in pixels.
    virtual int tickerTop() = 0;
    virtual int tickerHeight() = 0;
    // The primary screen's work area, without the room the bar itself reserves.
    virtual QRect workArea() = 0;
};

} // namespace brisma
