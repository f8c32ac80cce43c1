// Whole-file reads and atomic replacement.
#include "common/atomic_file.h"

#include "doubles/doubles.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <filesystem>

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

TEST(AtomicFile, ALinkIsKeptAndItsTargetReplacedNeverWritableByEveryone)
{
    testing::TempDir dir;
    std::filesystem::create_directory(dir / "real");
    dir.write("real/f", "old");
    ::chmod((dir / "real/f").c_str(), 0666);
    std::filesystem::create_symlink("real/f", dir / "link");      // relative, from its folder
    std::filesystem::create_symlink(dir / "link", dir / "chain"); // a link to a link
    writeFileAtomically(dir / "chain", "new");
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "chain"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "link"));
    EXPECT_EQ(dir.read("real/f"), "new");
    struct stat info {};
    ASSERT_EQ(::stat((dir / "real/f").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0664u);

    // A new file under a umask of 0 is still not everyone's to write.
    const mode_t old = ::umask(0);
    writeFileAtomically(dir / "fresh", "x");
    ::umask(old);
    ASSERT_EQ(::stat((dir / "fresh").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0644u);
}

TEST(AtomicFile, WhatIsNoRegularFileIsRefusedAndKept)
{
    testing::TempDir dir;
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    std::filesystem::create_symlink(dir / "fifo", dir / "link");
    std::filesystem::create_directory(dir / "folder");
    for (const char* name : {"link", "fifo", "folder"}) {
        SCOPED_TRACE(name);
        try {
            writeFileAtomically(dir / name, "x");
            ADD_FAILURE() << "replaced";
        } catch (const std::exception& e) {
            EXPECT_NE(std::string(e.what()).find(name), std::string::npos) << e.what();
        }
    }
    EXPECT_TRUE(std::filesystem::is_fifo(dir / "fifo"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "link"));
    EXPECT_TRUE(std::filesystem::is_directory(dir / "folder"));
}

TEST(AtomicFile, ReadTellsWhyNothingWasRead)
{
    testing::TempDir dir;
    EXPECT_EQ(readFileTelling(dir / "missing").error, ENOENT);
    const FileRead folder = readFileTelling(dir.path());
    EXPECT_FALSE(folder.bytes);
    EXPECT_EQ(readFailure(folder.error), "is a folder");
    dir.write("f", "abc");
    EXPECT_EQ(readFileTelling(dir / "f").bytes, "abc");
    EXPECT_EQ(readFileTelling(dir / "f").error, 0);
}

TEST(AtomicFile, OnlyOldLeftoversOfTheSameFileAreRemoved)
{
    testing::TempDir dir;
    const auto age = [&dir](const char* name, std::chrono::minutes minutes) {
        dir.write(name, "half");
        std::filesystem::last_write_time(dir / name,
                                         std::filesystem::file_time_type::clock::now() - minutes);
    };
    age(".ram.dat.aB3xYz", std::chrono::minutes(2));   // a write killed long ago
    age(".ram.dat.Fresh1", std::chrono::minutes(0));   // a write going on now
    age(".ram.dat.toolong", std::chrono::minutes(2));  // not mkstemp's six letters
    age(".other.dat.aB3xYz", std::chrono::minutes(2)); // another file's
    age("ram.dat", std::chrono::minutes(2));
    removeLeftoverTemporaries(dir / "ram.dat");
    EXPECT_FALSE(std::filesystem::exists(dir / ".ram.dat.aB3xYz"));
    for (const char* kept :
         {".ram.dat.Fresh1", ".ram.dat.toolong", ".other.dat.aB3xYz", "ram.dat"}) {
        EXPECT_TRUE(std::filesystem::exists(dir / kept)) << kept;
    }
}

} // namespace
} // namespace tov::files
