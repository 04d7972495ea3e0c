#pragma once

#include "common/AppPaths.h"
#include "common/ErrorReporter.h"
#include "common/ScriptValues.h"

#include <array>
#include <cstdint>
#include <functional>

namespace brisma {

class HttpTransport;
// Keeps the panel modules below "/flash" at the server's versions and records the version of
// each file it holds in flashversion.xml.
class modFlashLoader {
public:
    // `reloadBox` and `reloadList` run after a new box or list module was stored, so the
    // window showing it picks it up.
    modFlashLoader(const AppPaths& paths, const ErrorReporter& errors, HttpTransport& http,
                   const ScriptValues& script, std::function<void()> reloadBox,
                   std::function<void()> reloadList);

    // The splash module alone: before the splash panel shows.
    void updateSplashFlash();
    // Every other module, in the record's order.
    void updateFlash();

    void loadFlashVersionXML();
    void saveFlashVersionXML() const;

    static constexpr std::size_t moduleCount = 7;
    // The recorded versions in the record's order: startflash2, boxflash, channelflash2,
    // listflash, userflash, jumpflash, splashflash.
    const std::array<int32_t, moduleCount>& recordedVersions() const { return intVersion_; }

private:
    struct Module;
    static const std::array<Module, moduleCount> modules_;

    void loadFlash(std::size_t index);

    const AppPaths& paths_;
    const ErrorReporter& errors_;
    HttpTransport& http_;
    const ScriptValues& script_;
    std::function<void()> reloadBox_;
    std::function<void()> reloadList_;
    // 0 at start and never reset between readings: an entry missing from the record keeps its value.
    std::array<int32_t, moduleCount> intVersion_{};
};

} // namespace brisma
