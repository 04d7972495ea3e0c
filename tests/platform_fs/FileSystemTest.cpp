#include "platform/fs/FileSystem.h"

#include "ErrorNumber.h"
#include "TempAppFolder.h"
#include "common/BrismaError.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace brisma {
namespace {

using test::TempAppFolder;

TEST(FileSystem, ExistenceAndFolders) {
    TempAppFolder dir;
    dir.write("/a.txt", "x");
    EXPECT_TRUE(fs::existFile(dir.file("/a.txt")));
    EXPECT_FALSE(fs::existFile(dir.path())) << "a folder is not a file";
    EXPECT_FALSE(fs::existFile(dir.file("/missing")));
    EXPECT_FALSE(fs::existFile(""));

    fs::makeFolder(dir.file("/flash"));
    fs::makeFolder(dir.file("/flash")); // an existing folder is left alone
    EXPECT_TRUE(fs::existFolder(dir.file("/flash")));
    EXPECT_EQ(test::errorNumberOf([&] { fs::makeFolder(dir.file("/no/such/parent")); }), err::PathFileAccess);
    EXPECT_EQ(test::errorNumberOf([&] { fs::readFile(dir.file("/missing")); }), err::FileNotFound);
    EXPECT_EQ(test::errorNumberOf([&] { fs::deleteFile(dir.file("/missing")); }), err::FileNotFound);
}

TEST(FileSystem, AtomicReplaceKeepsTheOldFileWhenTheWriteFails) {
    TempAppFolder dir;
    dir.write("/f.xml", "old");
    fs::writeFileAtomic(dir.file("/f.xml"), std::string("new\0bytes", 9));
    EXPECT_EQ(dir.read("/f.xml"), std::string("new\0bytes", 9));

    // A target that cannot be replaced (a non-empty folder stands there) fails cleanly.
    dir.write("/blocked/inner", "keep");
    EXPECT_EQ(test::errorNumberOf([&] { fs::writeFileAtomic(dir.file("/blocked"), "data"); }),
              err::PathFileAccess);
    EXPECT_EQ(dir.read("/blocked/inner"), "keep");
    // No temporary file is left behind by either write.
    for (const auto& name : fs::listFolder(dir.path(), false))
        EXPECT_EQ(name.find(".tmp"), std::string::npos) << name;

    // A writer killed in the middle of a replace leaves the previous file whole.
    const std::string first(8 * 1024 * 1024, 'a');
    const std::string second(8 * 1024 * 1024, 'b');
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    if (child == 0) {
        fs::writeFileAtomic(dir.file("/user.xml"), first);
        (void)!write(ready[1], "x", 1);
        for (;;)
            fs::writeFileAtomic(dir.file("/user.xml"), second);
    }
    char byte = 0;
    ASSERT_EQ(read(ready[0], &byte, 1), 1);
    usleep(20 * 1000); // into one of the later replaces
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    const std::string after = dir.read("/user.xml");
    EXPECT_TRUE(after == first || after == second) << "a half-written file of " << after.size() << " bytes";
}

TEST(FileSystem, CopyListRemoveAndSafeNames) {
    TempAppFolder dir;
    dir.write("/m/a", "1");
    dir.write("/m/b", "2");
    dir.write("/m/sub/c", "3");
    fs::copyFile(dir.file("/m/a"), dir.file("/m/copy"));
    EXPECT_EQ(dir.read("/m/copy"), "1");

    auto files = fs::listFolder(dir.file("/m"), true);
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{"a", "b", "copy"}));
    EXPECT_EQ(fs::listFolder(dir.file("/m"), false).size(), 4u);

    fs::removeTree(dir.file("/m"));
    EXPECT_FALSE(dir.exists("/m"));
    fs::removeTree(dir.file("/m")); // a missing folder is not an error

    EXPECT_TRUE(fs::isSafeName("m0000001"));
    EXPECT_TRUE(fs::isSafeName("piece.001"));
    for (const std::string& bad :
         std::vector<std::string>{"", ".", "..", ".hidden", "a/b", "..\\x", std::string("a\0b", 3)})
        EXPECT_FALSE(fs::isSafeName(bad)) << bad;
}

TEST(FileSystem, WholeFileLockIsExclusiveAcrossProcesses) {
    TempAppFolder dir;
    fs::FileLock first;
    ASSERT_TRUE(first.lock(dir.path(), false));
    const pid_t child = fork();
    if (child == 0) {
        fs::FileLock second;
        _exit(second.lock(dir.path(), false) ? 1 : 0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_EQ(WEXITSTATUS(status), 0) << "a second holder must be refused";
    first.unlock();
    fs::FileLock again;
    EXPECT_TRUE(again.lock(dir.path(), false));
    EXPECT_EQ(test::errorNumberOf([&] { fs::FileLock().lock(dir.file("/missing"), false); }),
              err::FileNotFound);
    EXPECT_FALSE(dir.exists("/missing"));
}

} // namespace
} // namespace brisma
