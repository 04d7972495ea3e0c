// libFuzzer target for the configuration reader: any file is read or refused with ConfigError.
// The file lies in a folder of its own beside a content folder and a source file, so inputs that
// name them get past those checks.
#include "server/config/ServerConfig.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

std::string configFile;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    namespace fs = std::filesystem;
    char pattern[] = "/tmp/fuzz_config.XXXXXX";
    if (!mkdtemp(pattern))
        std::abort();
    const fs::path folder(pattern);
    fs::create_directory(folder / "content");
    std::ofstream(folder / "content" / "scripts_desktop3.xml") << "<scripts/>";
    std::ofstream(folder / "feed.xml") << "<rss/>";
    configFile = (folder / "brisma-server.toml").string();
    std::atexit([] { fs::remove_all(fs::path(configFile).parent_path()); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::ofstream(configFile, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    try {
        (void)brisma::server::loadConfig(configFile);
    } catch (const brisma::server::ConfigError&) {
    }
    return 0;
}
