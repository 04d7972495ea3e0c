#pragma once

namespace brisma {

// What the news model needs from the windows above it, which it may not depend on.
class NewsHost {
public:
    virtual ~NewsHost() = default;
    // blnOpen of the headline bar.
    virtual bool tickerOpen() const = 0;
    // saveSelectedChannelXML of the user data.
    virtual void saveSelectedChannels() = 0;
    // The list panel's player: GotoFrame 0, then Playing True.
    virtual void restartListMovie() = 0;
};

} // namespace brisma
