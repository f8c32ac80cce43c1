// The location table as data: ids, return points, moves that lead somewhere, texts that
// are lower-case Windows-1250 lines, and the death tune shipped beside the program.
#include "player.h"

#include "common/atomic_file.h"
#include "common/text.h"
#include "runtime/datafile.h"

#include <gtest/gtest.h>

#include <set>

namespace tov::program::testing {
namespace {

TEST(World, ThirtyFourLocationsInOrder)
{
    ASSERT_EQ(locations().size(), static_cast<size_t>(kLocationCount));
    for (int id = 1; id <= kLocationCount; ++id) {
        EXPECT_EQ(location(id).id, id);
        EXPECT_FALSE(location(id).fixed.empty()) << "L" << id;
    }
}

TEST(World, EveryReturnPointIsDistinctAndLeadsBackToItsLocation)
{
    std::set<int32_t> seen = {kDeathTuneReturnPoint};
    for (const Location& place : locations()) {
        for (int32_t code : {place.returnpoints.inventory, place.returnpoints.dictionary,
                             place.returnpoints.refusal}) {
            EXPECT_TRUE(seen.insert(code).second) << "L" << place.id << " reuses " << code;
            EXPECT_EQ(locationOfReturnPoint(code), &place) << code;
        }
    }
    EXPECT_EQ(locationOfReturnPoint(kDeathTuneReturnPoint), nullptr);
    EXPECT_EQ(locationOfReturnPoint(0), nullptr);
}

TEST(World, EveryPlaceCanBeReachedFromTheClearing)
{
    std::set<int> reached = {1};
    std::vector<int> open = {1};
    while (!open.empty()) {
        const int id = open.back();
        open.pop_back();
        for (const CommandTest& test : location(id).tests) {
            if (test.action != Action::Move) {
                continue;
            }
            ASSERT_GE(test.target, 1) << "L" << id;
            ASSERT_LE(test.target, kLocationCount) << "L" << id;
            if (reached.insert(test.target).second) {
                open.push_back(test.target);
            }
        }
    }
    EXPECT_EQ(reached.size(), static_cast<size_t>(kLocationCount));
}

// Lower case, one line, and nothing the conversion had to replace.
void expectProgramText(const std::string& cp1250, const std::string& where)
{
    const std::string utf8 = text::toUtf8(cp1250);
    EXPECT_FALSE(cp1250.empty()) << where;
    EXPECT_EQ(cp1250.find_first_of("\r\n?"), std::string::npos) << where << ": " << utf8;
    const std::string upper = text::fromUtf8("ABCDEFGHIJKLMNOPQRSTUVWXYZÁČĎÉĚÍŇÓŘŠŤÚŮÝŽ");
    EXPECT_EQ(cp1250.find_first_of(upper), std::string::npos) << where << ": " << utf8;
}

TEST(World, EveryTextIsALowerCaseLine)
{
    for (const Location& place : locations()) {
        const std::string where = "L" + std::to_string(place.id);
        for (const std::string& line : place.fixed) {
            expectProgramText(line, where);
        }
        for (const FlagLines& group : place.flaglines) {
            for (const LineChoice& choice : group) {
                for (const std::string& line : choice.lines) {
                    expectProgramText(line, where);
                }
            }
        }
        if (!place.exits.empty()) {
            expectProgramText(place.exits, where);
        }
        for (const CommandTest& test : place.tests) {
            expectProgramText(test.word, where);
            for (const std::string& line : test.messages) {
                expectProgramText(line, where + " " + text::toUtf8(test.word));
            }
        }
    }
}

TEST(ClearVariables, EveryFlagAndStringIsClearedAgain)
{
    ProgramVariables variables;
    variables.command = "v";
    variables.itemnames[12] = "bednu";
    variables.tunevalues = {1, 2, 3, 4, 5};
    variables.tonepitch = 200;
    variables.lettercarried = 1;
    variables.windowopen = 1;
    clearvariables(variables);
    EXPECT_EQ(variables.command, "");
    EXPECT_EQ(variables.itemnames[12], "");
    EXPECT_EQ(variables.tunevalues[4], 0);
    EXPECT_EQ(variables.tonepitch, 0);
    EXPECT_EQ(variables.lettercarried, 0);
    EXPECT_EQ(variables.windowopen, 0);
}

std::string shippedTune()
{
    return files::readFile(TOVANA_DATA_DIR "/data.dta").value();
}

TEST(DeathTune, TheShippedTuneIsChordsOfFourTonesClosedByTheEndMark)
{
    const std::string bytes = shippedTune();
    ASSERT_FALSE(bytes.empty());
    EXPECT_TRUE(bytes.ends_with("\r\n"));
    for (size_t lf = bytes.find('\n'); lf != std::string::npos; lf = bytes.find('\n', lf + 1)) {
        EXPECT_EQ(bytes[lf - 1], '\r') << "every line ends with CR LF";
    }
    runtime::DataReader reader(bytes);
    int chords = 0;
    double milliseconds = 0;
    for (;;) {
        std::array<double, kTuneRecordSize> record{};
        for (double& value : record) {
            value = runtime::parseNumber(reader.nextValueText());
        }
        if (record[0] == -1) {
            break;
        }
        ++chords;
        for (size_t voice = 0; voice < 4; ++voice) {
            EXPECT_GE(record[voice], 40) << "chord " << chords;
            EXPECT_LE(record[voice], 2000) << "chord " << chords;
        }
        EXPECT_GT(record[4], 0) << "chord " << chords;
        milliseconds += record[4];
    }
    EXPECT_GE(chords, 4);
    EXPECT_LE(milliseconds, 12000) << "a few bars, not a concert";
    EXPECT_EQ(reader.nextValueText(), "") << "nothing after the end mark";
    EXPECT_TRUE(reader.atEnd());
}

TEST(DeathTune, ADeathPlaysEveryChordOfTheShippedTune)
{
    Player player;
    player.dir.write(runtime::kDataFile, shippedTune());
    ASSERT_FALSE(player.play({"v", "s", "s"}));
    ASSERT_FALSE(player.sounds.sounds.empty());
    for (const tov::testing::RecordingSounds::Sound& chord : player.sounds.sounds) {
        EXPECT_EQ(chord.tones.size(), 4u);
        EXPECT_EQ(chord.soundnumber, 3);
    }
    EXPECT_EQ(player.lastTurn().back(), cz("chceš hrát znovu? ano nebo ne?"));
}

} // namespace
} // namespace tov::program::testing
