#pragma once

#include <string>
#include <string_view>

namespace brisma {

// Every file and folder of the application, relative to the application folder. The layout is
// the one the Flash modules and the server rely on; "/" is the separator here.
class AppPaths {
public:
    explicit AppPaths(std::string appFolder);

    const std::string& appPath() const { return app_; }
    // The application folder followed by `relative`, which begins with "/".
    std::string full(std::string_view relative) const;

    std::string flashFolder() const { return full("/flash"); }
    std::string xmlFolder() const { return full("/flash/xml"); }
    std::string bannerFolder() const { return full("/flash/banner"); }

    std::string userXml() const { return full("/flash/xml/user.xml"); }
    std::string selectedXml() const { return full("/flash/xml/selected.xml"); }
    std::string prefectureXml() const { return full("/flash/xml/prefecture.xml"); }
    std::string clickLogXml() const { return full("/flash/xml/news901.xml"); }
    std::string movieLogXml() const { return full("/flash/xml/news902.xml"); }
    std::string channelXml() const { return full("/flash/xml/channel.xml"); }
    // news5.xml for channel 5: decimal without leading zeros.
    std::string newsXml(int channel) const;
    std::string mergedNewsXml() const { return full("/flash/xml/news998.xml"); }
    std::string flashVersionXml() const { return full("/flash/xml/flashversion.xml"); }
    std::string tickerBannerBmp() const { return full("/flash/ticker_banner.bmp"); }
    // A Flash module file below "/flash", for example "list.swf".
    std::string flashModule(std::string_view fileName) const;

    // "/movie/" with its trailing separator, as the movie parts join it.
    std::string movieRoot() const { return full("/movie/"); }
    std::string playCopy() const { return full("/play"); }

private:
    std::string app_;
};

// Default application folder: $BRISMA_HOME, else $XDG_DATA_HOME/brisma, else ~/.local/share/brisma.
std::string defaultAppFolder();

} // namespace brisma
