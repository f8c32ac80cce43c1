// The settings file: case-insensitive names, defaults for missing and malformed values,
// and writes that change one line and keep every other byte.
#include "common/profile.h"

#include "common/tov_error.h"
#include "doubles/doubles.h"
#include "doubles/unprivileged.h"

#include <sys/stat.h>

#include <functional>
#include <vector>

#include <gtest/gtest.h>

namespace tov {
namespace {

using profile_text::lookup;
using profile_text::parseInteger;
using profile_text::withValue;

class ProfileTest : public ::testing::Test {
protected:
    testing::TempDir dir;
    Profile profile{dir / "tovana.ini"};
};

TEST_F(ProfileTest, MissingFileReadsDefaults)
{
    EXPECT_FALSE(profile.exists());
    EXPECT_EQ(profile.readString("Voice", "person", "nobody"), "nobody");
    EXPECT_EQ(profile.readInteger("Voice", "volume", 255), 255);
    EXPECT_TRUE(profile.readBool("voice", "voiceallowed", true));
    EXPECT_FALSE(profile.exists()); // reading never creates the file
}

TEST_F(ProfileTest, NamesMatchWithoutRegardToCase)
{
    dir.write("tovana.ini", "[voice]\nvoiceallowed=1\n[Voice]\nSAPI5=1\n");
    EXPECT_TRUE(profile.readBool("Voice", "sapi5", false));
    EXPECT_TRUE(profile.readBool("VOICE", "VoiceAllowed", false));
}

TEST_F(ProfileTest, UpperCaseKeyWrittenUnderCapitalVReadsBackInLowerCase)
{
    profile.writeInteger("voice", "voiceallowed", 1);
    profile.writeInteger("Voice", "SAPI5", 1);
    EXPECT_TRUE(profile.readBool("Voice", "sapi5", false));
    profile.writeInteger("Voice", "SAPI5", 0);
    EXPECT_FALSE(profile.readBool("Voice", "sapi5", true));
    EXPECT_TRUE(profile.readBool("voice", "voiceallowed", false));
}

TEST_F(ProfileTest, IntegersAndBooleans)
{
    dir.write("tovana.ini", "[s]\nzero=0\none=1\ntwo=2\nminus=-2550\nplus=+7\nspaced=  12  \n"
                            "junk=12abc\nhex=0x10\nempty=\nhuge=99999999999\nword=true\n");
    EXPECT_EQ(profile.readInteger("s", "minus", 0), -2550);
    EXPECT_EQ(profile.readInteger("s", "plus", 0), 7);
    EXPECT_EQ(profile.readInteger("s", "spaced", 0), 12);
    for (const char* malformed : {"junk", "hex", "empty", "huge", "word", "absent"}) {
        SCOPED_TRACE(malformed);
        EXPECT_EQ(profile.readInteger("s", malformed, 1000), 1000);
    }
    EXPECT_FALSE(profile.readBool("s", "zero", true));
    EXPECT_TRUE(profile.readBool("s", "one", false));
    EXPECT_TRUE(profile.readBool("s", "two", false)); // any number but 0 is true
    EXPECT_TRUE(profile.readBool("s", "minus", false));
    EXPECT_TRUE(profile.readBool("s", "word", true)); // malformed: the default
    EXPECT_FALSE(profile.readBool("s", "word", false));
}

TEST_F(ProfileTest, StringsKeepTheirWindows1250Bytes)
{
    profile.writeString("Voice", "person",
                        "Jakub \xE8\x9A"
                        "esk\xFD");
    EXPECT_EQ(profile.readString("voice", "PERSON", ""), "Jakub \xE8\x9A"
                                                         "esk\xFD");
}

TEST_F(ProfileTest, FirstWriteCreatesFileAndSection)
{
    profile.writeInteger("voice", "voiceallowed", 1);
    EXPECT_EQ(dir.read("tovana.ini"), "[voice]\nvoiceallowed=1\n");
}

TEST_F(ProfileTest, EachCallReadsTheFileAnew)
{
    profile.writeInteger("sounds", "sndvolume", -100);
    dir.write("tovana.ini", "[sounds]\nsndvolume=-200\n"); // changed behind our back
    EXPECT_EQ(profile.readInteger("sounds", "sndvolume", 0), -200);
}

TEST_F(ProfileTest, ValuesThatWouldBreakTheFileAreRefused)
{
    EXPECT_THROW(profile.writeString("Voice", "person", "two\nlines"), TovError);
    EXPECT_THROW(profile.writeString("Voice", "a=b", "x"), TovError);
    EXPECT_THROW(profile.writeString("Vo]ice", "person", "x"), TovError);
    EXPECT_THROW(profile.writeString("Voice", "", "x"), TovError);
    EXPECT_FALSE(profile.exists());
}

TEST_F(ProfileTest, UnwritableFileIsReportedWithItsName)
{
    std::filesystem::create_directory(dir / "tovana.ini");
    dir.write("tovana.ini/keep", "x"); // a folder in the way: not even root can replace it
    try {
        profile.writeInteger("voice", "voiceallowed", 1);
        ADD_FAILURE() << "the write should have failed";
    } catch (const TovError& e) {
        EXPECT_NE(std::string(e.what()).find("tovana.ini"), std::string::npos) << e.what();
    }
}

// A file that cannot be stored, once the program has a reporter: one message naming the
// file and the reason, the file untouched, and every value written since read back.
struct UnstorableCase {
    const char* description;
    std::function<void(testing::TempDir&)> arrange;
    const char* reason; //: words the one message must hold besides the file's name
};

TEST(ProfileUnstorable, ChangesHoldInMemoryAndOneMessageSaysWhy)
{
    const std::vector<UnstorableCase> cases = {
        {"a folder where the file should be",
         [](testing::TempDir& dir) { std::filesystem::create_directory(dir / "tovana.ini"); },
         "is a folder"},
        {"a file its owner made read-only",
         [](testing::TempDir& dir) {
             dir.write("tovana.ini", "[sounds]\nsndvolume=-100\n");
             ::chmod((dir / "tovana.ini").c_str(), 0444);
         },
         "read-only"},
    };
    for (const UnstorableCase& c : cases) {
        SCOPED_TRACE(c.description);
        testing::TempDir dir;
        c.arrange(dir);
        const std::string before = std::filesystem::is_regular_file(dir / "tovana.ini")
                                       ? dir.read("tovana.ini")
                                       : std::string();
        Profile profile(dir / "tovana.ini");
        std::vector<std::string> messages;
        profile.setWriteFailureReporter([&](const std::string& text) { messages.push_back(text); });

        profile.writeInteger("sounds", "sndvolume", -2500);
        profile.writeInteger("Voice", "SAPI5", 1);
        profile.writeString("Voice", "person", "Czech");

        ASSERT_EQ(messages.size(), 1u);
        EXPECT_NE(messages[0].find("tovana.ini"), std::string::npos) << messages[0];
        EXPECT_NE(messages[0].find(c.reason), std::string::npos) << messages[0];
        EXPECT_TRUE(profile.isHeldInMemory());
        EXPECT_EQ(profile.readInteger("SOUNDS", "SndVolume", 0), -2500);
        EXPECT_TRUE(profile.readBool("voice", "sapi5", false));
        EXPECT_EQ(profile.readString("voice", "PERSON", ""), "Czech");
        EXPECT_EQ(profile.readInteger("Voice", "pitch", 7), 7); // never written: default
        if (std::filesystem::is_regular_file(dir / "tovana.ini")) {
            EXPECT_EQ(dir.read("tovana.ini"), before);
        }
        // A caller's bug is still refused, held or not.
        EXPECT_THROW(profile.writeString("Voice", "person", "two\nlines"), TovError);
    }
}

TEST(ProfileUnstorable, UnwritableFolderKeepsChangesForAUserWhoCannotWrite)
{
    testing::TempDir dir;
    ::chmod(dir.path().c_str(), 0555);
    const int status = testing::runUnprivileged([&dir] {
        Profile profile(dir / "tovana.ini");
        int messages = 0;
        bool named = false;
        profile.setWriteFailureReporter([&](const std::string& text) {
            ++messages;
            named = text.find("tovana.ini") != std::string::npos &&
                    text.find("Permission denied") != std::string::npos;
        });
        profile.writeInteger("keyboard", "braillekeys", 1);
        profile.writeInteger("keyboard", "braillekeys", 0);
        const bool held = !profile.readBool("keyboard", "braillekeys", true);
        return messages == 1 && named && held && !profile.exists() ? 0 : 1;
    });
    ::chmod(dir.path().c_str(), 0700);
    EXPECT_EQ(status, 0);
}

TEST(ProfileText, WriteChangesOnlyTheValueOfItsLine)
{
    struct Row {
        const char* name;
        std::string_view before;
        const char* section;
        const char* key;
        std::string_view after;
    };
    const Row rows[] = {
        {"replace in place, other spelling kept", "; mine\r\n[Voice]\r\nSAPI5 = 1\r\n\r\n; end\r\n",
         "voice", "sapi5", "; mine\r\n[Voice]\r\nSAPI5 =0\r\n\r\n; end\r\n"},
        {"add to an existing section", "[a]\nx=1\n\n[b]\ny=2\n", "A", "z",
         "[a]\nx=1\nz=0\n\n[b]\ny=2\n"},
        {"add after a section header alone", "[a]\n[b]\n", "a", "k", "[a]\nk=0\n[b]\n"},
        {"new section at the end, file without final newline", "[a]\nx=1", "b", "k",
         "[a]\nx=1\n[b]\nk=0\n"},
        {"CR LF file gets CR LF lines", "[a]\r\nx=1\r\n", "b", "k", "[a]\r\nx=1\r\n[b]\r\nk=0\r\n"},
        {"junk lines and comments survive", "garbage line\n[a]\n# note\nnot a key\n", "a", "k",
         "garbage line\n[a]\nk=0\n# note\nnot a key\n"},
        {"last of two equal keys is the one read", "[a]\nk=1\n[A]\nK=2\n", "a", "k",
         "[a]\nk=1\n[A]\nK=0\n"},
        {"empty file", "", "s", "k", "[s]\nk=0\n"},
        {"bytes after a NUL stay behind it", std::string_view("[a]\nx=1\n\0tail", 14), "b", "k",
         std::string_view("[a]\nx=1\n[b]\nk=0\n\0tail", 22)},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const std::string after = withValue(r.before, r.section, r.key, "0");
        EXPECT_EQ(after, r.after);
        EXPECT_EQ(lookup(after, r.section, r.key), "0");
    }
}

TEST(ProfileText, ParseIntegerIsStrict)
{
    EXPECT_EQ(parseInteger("2147483647"), 2147483647);
    EXPECT_EQ(parseInteger("-2147483648"), INT32_MIN);
    EXPECT_EQ(parseInteger("2147483648"), std::nullopt);
    EXPECT_EQ(parseInteger("+-1"), std::nullopt);
    EXPECT_EQ(parseInteger("1 2"), std::nullopt);
    EXPECT_EQ(parseInteger(""), std::nullopt);
}

} // namespace
} // namespace tov
