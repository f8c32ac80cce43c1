// Reading the control tags that Inject hands the engine: rows of input and the tags found.
#include "speech/controltags.h"

#include <gtest/gtest.h>

#include <vector>

namespace tov::speech {
namespace {

struct Row {
    const char* description;
    std::string_view text;
    std::vector<ControlTag> tags;
};

const std::vector<Row> kRows = {
    {"speed", "\\Spd=200\\", {{TagKind::Speed, 200}}},
    {"pitch, any case", "\\pIT=7\\", {{TagKind::Pitch, 7}}},
    {"volume of the track bar's top", "\\Vol=65280\\", {{TagKind::Volume, 65280}}},
    {"three in a row",
     "\\Spd=1\\\\Pit=2\\\\Vol=3\\",
     {{TagKind::Speed, 1}, {TagKind::Pitch, 2}, {TagKind::Volume, 3}}},
    {"text around them is passed over", "a \\Spd=5\\ b", {{TagKind::Speed, 5}}},
    {"an unknown tag before a known one", "\\Rst\\\\Pit=9\\", {{TagKind::Pitch, 9}}},
    {"junk whose closing backslash opens a tag", "\\x\\Spd=5\\", {{TagKind::Speed, 5}}},
    {"a huge number saturates", "\\Spd=99999999999999999999\\", {{TagKind::Speed, 0xFFFFFFFF}}},
    {"no digits", "\\Pit=\\", {}},
    {"a sign is no number", "\\Pit=-5\\", {}},
    {"unclosed", "\\Spd=200", {}},
    {"nothing", "", {}},
};

TEST(ControlTags, RowsOfTextAndTheTagsInThem)
{
    for (const Row& row : kRows) {
        EXPECT_EQ(parseControlTags(row.text), row.tags) << row.description;
    }
}

} // namespace
} // namespace tov::speech
