// The memory image in "ram.dat": loading short, empty and long files, saving, PEEK.
#include "doubles/doubles.h"
#include "doubles/unprivileged.h"

#include "common/tov_error.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sys/stat.h>
#include <unistd.h>

namespace tov::runtime {
namespace {

using testing::ConsoleFixture;

std::string pattern(size_t size)
{
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>((i * 7 + 3) & 0xFF);
    }
    return bytes;
}

class MemoryImageTest : public ::testing::Test, protected ConsoleFixture {};

TEST_F(MemoryImageTest, MissingFileLeavesTheImageZero)
{
    console.memoryimage()[5] = 9;
    console.loadmemoryimage();
    for (uint8_t b : console.memoryimage()) {
        ASSERT_EQ(b, 0);
    }
}

TEST_F(MemoryImageTest, ShortFileFillsTheStartAndTheSaveIsWhole)
{
    const std::string bytes = pattern(100);
    dir.write("ram.dat", bytes);
    console.loadmemoryimage();
    for (size_t i = 0; i < 100; ++i) {
        ASSERT_EQ(console.memoryimage()[i], static_cast<uint8_t>(bytes[i])) << i;
    }
    for (size_t i = 100; i < kMemorySize; ++i) {
        ASSERT_EQ(console.memoryimage()[i], 0) << i;
    }
    console.savememoryimage();
    const std::string saved = dir.read("ram.dat");
    ASSERT_EQ(saved.size(), kMemorySize);
    EXPECT_EQ(saved.substr(0, 100), bytes);
    EXPECT_EQ(saved.substr(100), std::string(kMemorySize - 100, '\0'));
}

TEST_F(MemoryImageTest, EmptyFileIsNoError)
{
    dir.write("ram.dat", "");
    EXPECT_NO_THROW(console.loadmemoryimage());
    EXPECT_EQ(console.memoryimage()[0], 0);
}

TEST_F(MemoryImageTest, OnlyTheFirst64KiBOfALongFileAreUsed)
{
    const std::string bytes = pattern(kMemorySize + 500);
    dir.write("ram.dat", bytes);
    console.loadmemoryimage();
    EXPECT_EQ(console.memoryimage()[kMemorySize - 1], static_cast<uint8_t>(bytes[kMemorySize - 1]));
    console.savememoryimage();
    EXPECT_EQ(dir.read("ram.dat"), bytes.substr(0, kMemorySize));
}

TEST_F(MemoryImageTest, SaveThenLoadRoundTrips)
{
    console.memoryimage()[kReviewDisableAddress] = 1;
    console.memoryimage()[0] = 0xFF;
    console.memoryimage()[kMemorySize - 1] = 0x80;
    console.savememoryimage();
    runtime::Console again(dir.path());
    again.loadmemoryimage();
    EXPECT_EQ(again.memoryimage(), console.memoryimage());
}

TEST_F(MemoryImageTest, UnwritableFolderIsReportedAndTheOldFileSurvives)
{
    const std::string old = pattern(kMemorySize);
    dir.write("ram.dat", old);
    // Readable and enterable by anyone, writable by nobody but its owner; the save runs
    // as a user who is not that owner (or, run by an ordinary user, after the owner's
    // write bit is gone too).
    ::chmod(dir.path().c_str(), 0555);
    console.memoryimage()[0] = 42;
    constexpr int kReported = 0;
    constexpr int kSaved = 1;
    constexpr int kWrongMessage = 2;
    const int result = testing::runUnprivileged([this] {
        try {
            console.savememoryimage();
            return kSaved;
        } catch (const TovError& e) {
            return std::string(e.what()).find("ram.dat") != std::string::npos ? kReported
                                                                              : kWrongMessage;
        }
    });
    ::chmod(dir.path().c_str(), 0700);
    EXPECT_EQ(result, kReported);
    EXPECT_EQ(dir.read("ram.dat"), old);
}

TEST_F(MemoryImageTest, ReadOnlyFileIsNotReplaced)
{
    // The owner's word holds for root too: a read-only ram.dat stays as it is.
    const std::string old = pattern(kMemorySize);
    dir.write("ram.dat", old);
    ::chmod((dir / "ram.dat").c_str(), 0444);
    console.memoryimage()[0] = 42;
    try {
        console.savememoryimage();
        ADD_FAILURE() << "the save should have been refused";
    } catch (const TovError& e) {
        EXPECT_NE(std::string(e.what()).find("read-only"), std::string::npos) << e.what();
    }
    EXPECT_EQ(dir.read("ram.dat"), old);
}

TEST_F(MemoryImageTest, SaveOverAFolderNamedLikeTheFileFailsCleanly)
{
    // Works as root too: rename() cannot replace a non-empty directory with a file.
    std::filesystem::create_directory(dir / "ram.dat");
    dir.write("ram.dat/keep", "x");
    EXPECT_THROW(console.savememoryimage(), TovError);
    EXPECT_EQ(dir.read("ram.dat/keep"), "x");
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        EXPECT_EQ(entry.path().filename(), "ram.dat") << "a temporary file was left behind";
    }
}

TEST_F(MemoryImageTest, PeekTruncatesTowardZeroAndChecksTheRange)
{
    console.memoryimage()[50730] = 1;
    console.memoryimage()[0] = 7;
    console.memoryimage()[65535] = 3;
    EXPECT_EQ(console.peek(50730.9), 1);
    EXPECT_EQ(console.peek(0), 7);
    EXPECT_EQ(console.peek(-0.5), 7);
    EXPECT_EQ(console.peek(65535.99), 3);
    EXPECT_THROW(console.peek(65536), TovError);
    EXPECT_THROW(console.peek(-1), TovError);
    EXPECT_THROW(console.peek(std::nan("")), TovError);
    EXPECT_THROW(console.peek(1e300), TovError);
}

} // namespace
} // namespace tov::runtime
