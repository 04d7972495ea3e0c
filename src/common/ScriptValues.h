#pragma once

#include <cstdint>
#include <string>

namespace brisma {

// A Flash module entry of the server script: where to fetch it and its current version.
struct ScriptModule {
    std::string url;
    int32_t version = 0;
};

// The values of the server script "scripts_desktop3.xml", named by their entries. Empty (versions
// 0) until the script has been read.
struct ScriptValues {
    std::string logclick;
    std::string logadclick;
    std::string logupdate;
    std::string logadview;
    std::string user;
    std::string channel;
    std::string adtext;
    std::string banner;
    std::string prefecture;
    std::string movie;

    std::string tickerBannerUrl;
    std::string TBId;
    std::string TBText;
    std::string TBHref;
    std::string TBView;

    ScriptModule startflash2;
    ScriptModule boxflash;
    ScriptModule channelflash2;
    ScriptModule listflash;
    ScriptModule userflash;
    ScriptModule jumpflash;
    ScriptModule splashflash;
};

} // namespace brisma
