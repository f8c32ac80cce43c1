// Whole-file reads and atomic replacement.
#include "common/atomic_file.h"

#include "doubles/doubles.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace tov::files {
namespace {

TEST(AtomicFile, ReplacesContentAndKeepsTheFileMode)
{
    testing::TempDir dir;
    dir.write("f", "old");
    ::chmod((dir / "f").c_str(), 0640);
    writeFileAtomically(dir / "f", "new");
    EXPECT_EQ(dir.read("f"), "new");
    struct stat info {};
    ASSERT_EQ(::stat((dir / "f").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
}

TEST(AtomicFile, NewFileInAMissingFolderFailsWithItsName)
{
    testing::TempDir dir;
    try {
        writeFileAtomically(dir / "no-such-folder/f", "x");
        ADD_FAILURE();
    } catch (const std::exception& e) {
        EXPECT_NE(std::string(e.what()).find("no-such-folder/f"), std::string::npos);
    }
}

TEST(AtomicFile, ReadOnlyFileIsRefusedAndKept)
{
    // Holds for root too, who could otherwise rename over any file.
    testing::TempDir dir;
    dir.write("f", "old");
    ::chmod((dir / "f").c_str(), 0444);
    try {
        writeFileAtomically(dir / "f", "new");
        ADD_FAILURE() << "a read-only file was replaced";
    } catch (const std::exception& e) {
        EXPECT_NE(std::string(e.what()).find("read-only"), std::string::npos) << e.what();
    }
    EXPECT_EQ(dir.read("f"), "old");
    ::chmod((dir / "f").c_str(), 0644); // the owner allows it again: replaced as before
    writeFileAtomically(dir / "f", "new");
    EXPECT_EQ(dir.read("f"), "new");
}

TEST(AtomicFile, ReadHonoursTheLimitAndMissingFiles)
{
    testing::TempDir dir;
    dir.write("f", "abcdef");
    EXPECT_EQ(readFile(dir / "f", 3), "abc");
    EXPECT_EQ(readFile(dir / "f"), "abcdef");
    EXPECT_EQ(readFile(dir / "missing"), std::nullopt);
    EXPECT_EQ(readFile(dir.path()), std::nullopt); // a folder is no file
}

} // namespace
} // namespace tov::files
