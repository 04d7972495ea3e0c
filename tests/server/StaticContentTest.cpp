// The content snapshot where the files go wrong under it: a file listed and then gone before it is
// read (the operator replacing it) keeps the bytes it had, movie pieces included; a file over the
// bound is not served.
#include "server/content/StaticContent.h"

#include "platform/text/Cp932.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace brisma::server {
namespace {

namespace fs = std::filesystem;

TEST(StaticContentTest, AFileGoneBetweenTheLookAndTheReadKeepsItsLastBytes) {
    const fs::path folder = fs::temp_directory_path() / ("brisma-content-" + std::to_string(::getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder / "movies");
    std::ofstream(folder / "ad.xml")
        << "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\r\n<ad>広告 {BASE}</ad>";
    std::ofstream(folder / "movies" / "movie.xml")
        << "<movies><movie id=\"90000001\" text=\"動画\"/></movies>";
    std::ofstream(folder / "movies" / "90000001.qml") << std::string(131072 + 5, 'm');
    std::ofstream(folder / "big.bin");
    fs::resize_file(folder / "big.bin", StaticContent::MaxFileBytes + 1);
    const std::string real = fs::canonical(folder).string();
    const std::string base = "http://news.example.jp/";

    const StaticContent first(real, base);
    ASSERT_NE(first.find("/ad.xml"), nullptr);
    EXPECT_EQ(first.find("/ad.xml")->bytes,
              text::toCp932("<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\r\n<ad>広告 " + base + "</ad>"));
    ASSERT_NE(first.find("/movies/90000001/90000001.002"), nullptr);
    EXPECT_EQ(first.find("/movies/90000001/90000001.002")->bytes, "mmmmm");
    EXPECT_EQ(first.find("/big.bin"), nullptr);

    const StaticContent::Listing listing = StaticContent::list(real);
    fs::remove(folder / "ad.xml");
    fs::remove(folder / "movies" / "90000001.qml");
    const StaticContent second(real, base, listing, &first);
    for (const char* path : {"/ad.xml", "/movies/90000001/90000001.xml", "/movies/90000001/90000001.002"}) {
        ASSERT_NE(second.find(path), nullptr) << path;
        EXPECT_EQ(second.find(path)->bytes, first.find(path)->bytes) << path;
    }
    // Without an earlier snapshot there is nothing to keep.
    EXPECT_EQ(StaticContent(real, base, listing).find("/ad.xml"), nullptr);
    fs::remove_all(folder);
}

} // namespace
} // namespace brisma::server
