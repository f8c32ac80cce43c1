// The chord keyboard without widgets: held keys to dots, dots to characters under the
// prefixes of the shipped Czech table, the preview and commit around them, and the echo
// of the character they give.
#include "input_doubles.h"

#include "common/text.h"
#include "input/chordkeyboard.h"

#include <gtest/gtest.h>

#include <initializer_list>

namespace tov::input {
namespace {

using tov::testing::echoEntry;
using tov::testing::EventLog;
using tov::testing::RecordingSounds;
using tov::testing::RecordingSpeech;
using tov::testing::SelfNamedKeys;

HeldKeys holding(std::initializer_list<int> keys)
{
    HeldKeys held;
    for (int key : keys) {
        held.press(key);
    }
    return held;
}

TEST(DecodeChord, HeldKeysGiveTheDotsInAscendingOrder)
{
    struct Row {
        const char* description;
        std::initializer_list<int> keys;
        const char* chord;
    };
    const Row rows[] = {
        {"F and J", {'F', 'J'}, "14"},
        {"J and F, the other way round", {'J', 'F'}, "14"},
        {"Space held with a chord changes nothing", {vk::kSpace, 'J', 'F'}, "14"},
        {"all six", {'L', 'K', 'J', 'S', 'D', 'F'}, "123456"},
        {"dot 6 alone, the capital sign", {'L'}, "6"},
        {"Space alone is the space chord", {vk::kSpace}, " "},
        {"other keys are no dots", {'A', 'G', vk::kShift, vk::kBack}, ""},
        {"other keys beside dots are ignored", {'G', 'D', vk::kShift}, "2"},
        {"nothing held", {}, ""},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(DecodeChord(holding(row.keys)), row.chord) << row.description;
    }
}

TEST(HeldKeys, FollowPressAndReleaseAndIgnoreCodesOutsideTheTable)
{
    HeldKeys held;
    held.press('F');
    held.press(vk::kUnknown);
    held.press(-3);
    held.press(vk::kCount);
    EXPECT_TRUE(held.isHeld('F'));
    EXPECT_FALSE(held.isHeld(vk::kUnknown));
    EXPECT_FALSE(held.isHeld(vk::kCount));
    held.release('F');
    EXPECT_TRUE(held.none());
}

class ShippedTable : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        tables = new BrailleTables(tov::testing::shippedBrailleTable());
    }
    static void TearDownTestSuite() { delete tables; }
    static BrailleTables* tables;
};
BrailleTables* ShippedTable::tables = nullptr;

// Chord after chord, each committed: what each gives and the prefix after it.
TEST_F(ShippedTable, TranslateChordMovesThePrefixOn)
{
    struct Step {
        const char* chord;
        const char* text;
        const char* prefixAfter;
    };
    struct Row {
        const char* description;
        std::vector<Step> steps;
    };
    const Row rows[] = {
        {"plain letters and accented letters", {{"1", "a", ""}, {"146", "\xE8", ""}}},
        {"the capital sign acts on one character only",
         {{"6", "", "#cap"}, {"12", "B", ""}, {"12", "b", ""}}},
        {"the capital sign before an accented letter", {{"6", "", "#cap"}, {"2456", "\xD8", ""}}},
        {"the capitals string lasts until the space chord",
         {{"56", "", "#caps"},
          {"1", "A", "#caps"},
          {"12", "B", "#caps"},
          {" ", " ", ""},
          {"1", "a", ""}}},
        {"the number sign gives digits on a to j until the space chord",
         {{"3456", "", "#num"},
          {"1", "1", "#num"},
          {"245", "0", "#num"},
          {"12", "2", "#num"},
          {" ", " ", ""},
          {"12", "b", ""}}},
        {"a chord the prefix's section lacks gives nothing and the prefix stays",
         {{"3456", "", "#num"}, {"1234", "", "#num"}, {"1", "1", "#num"}}},
        {"a prefix chord replaces the prefix before it",
         {{"3456", "", "#num"}, {"6", "", "#cap"}, {"1", "A", ""}}},
        {"the space chord alone clears the capital sign", {{"6", "", "#cap"}, {" ", " ", ""}}},
        {"dots in another order never match", {{"41", "", ""}}},
        {"the empty chord gives nothing and keeps the prefix",
         {{"6", "", "#cap"}, {"", "", "#cap"}, {"1", "A", ""}}},
    };
    for (const Row& row : rows) {
        std::string prefix;
        for (const Step& step : row.steps) {
            EXPECT_EQ(TranslateChord(step.chord, prefix, *tables), step.text)
                << row.description << ", chord '" << step.chord << "'";
            EXPECT_EQ(prefix, step.prefixAfter)
                << row.description << ", chord '" << step.chord << "'";
        }
    }
}

TEST(IsAutoRepeatPair, OnlyAPressOfTheSameKeyAtTheSameServerTimeCompletesAPair)
{
    struct Row {
        const char* description;
        int releasedKey;
        uint64_t releasedAt;
        int pressedKey;
        uint64_t pressedAt;
        bool pair;
    };
    const Row rows[] = {
        {"the X server's repeat: same key, same time", 'L', 5000, 'L', 5000, true},
        {"a few milliseconds apart still", 'L', 5000, 'L', 5000 + kRepeatPairSlack, true},
        {"a finger pressing again later", 'L', 5000, 'L', 5000 + kRepeatPairSlack + 1, false},
        {"another key", 'L', 5000, 'F', 5000, false},
        {"a press stamped before the release", 'L', 5000, 'L', 4999, false},
        {"no time on the release", 'L', 0, 'L', 0, false},
        {"no time on the press", 'L', 5000, 'L', 0, false},
        {"times near the top of the range", 'F', UINT64_MAX - 1, 'F', UINT64_MAX, true},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(isAutoRepeatPair(row.releasedKey, row.releasedAt, row.pressedKey, row.pressedAt),
                  row.pair)
            << row.description;
    }
}

TEST(TranslateChord, AnEmptyTableGivesOnlyTheSpace)
{
    const BrailleTables empty;
    std::string prefix = "#num";
    EXPECT_EQ(TranslateChord("1", prefix, empty), "");
    EXPECT_EQ(prefix, "#num");
    EXPECT_EQ(TranslateChord(" ", prefix, empty), " ");
    EXPECT_EQ(prefix, "");
}

TEST(TranslateChord, TheEmptyChordMatchesNoEntryWithoutDots)
{
    BrailleTables tables;
    parseBrailleTable("[prefixes]\n#x=\n[characters]\na=\n", tables);
    ASSERT_EQ(tables.characters().size(), 1u);
    std::string prefix;
    EXPECT_EQ(TranslateChord("", prefix, tables), "");
    EXPECT_EQ(prefix, "") << "an arrow's release must not select a prefix";
}

TEST(TranslateChord, FirstEntryWinsAndLongTextsPassWhole)
{
    BrailleTables tables;
    parseBrailleTable("[characters]\nab=1\nz=1\n", tables);
    std::string prefix;
    EXPECT_EQ(TranslateChord("1", prefix, tables), "ab");
}

// Presses and releases as the input line reports them; each press that produces a
// character previews, each release commits.
class ChordTyping : public ShippedTable {
protected:
    ChordTyping() { state.braillekeys = true; }

    void press(int key, unsigned char produced)
    {
        state.held.press(key);
        swallowed.push_back(previewChord(state, *tables, produced, KeyEcho{speech, cues, *tables}));
    }
    void press(int key) { press(key, static_cast<unsigned char>(key + 'a' - 'A')); }
    void release(int key)
    {
        state.held.release(key);
        commitChord(state, *tables, line);
    }

    KeyboardState state;
    EventLog log;
    RecordingSpeech speech{log};
    RecordingSounds cues{log};
    SelfNamedKeys names{*tables};
    EditLine line;
    std::vector<bool> swallowed;
};

TEST_F(ChordTyping, TheCharacterIsHeardWhileHeldAndTypedOnTheFirstRelease)
{
    press('F');
    press('J');
    EXPECT_EQ(log.heard(), (std::vector<std::string>{"<echo a>", "<echo c>"}));
    EXPECT_EQ(line.text, "");
    release('J');
    EXPECT_EQ(line.text, "c");
    EXPECT_EQ(line.cursor, 1u);
    release('F'); // commits the empty chord
    EXPECT_EQ(line.text, "c");
    EXPECT_EQ(swallowed, (std::vector<bool>{true, true}));
}

TEST_F(ChordTyping, ReleasingOneKeyCommitsAndTheNextPressStartsAgainFromTheHeldKeys)
{
    // F, D; let D go (12, "b"); K while F is still down (15, "e"); then let all go.
    press('F');
    press('D');
    release('D');
    press('K');
    release('F');
    release('K');
    EXPECT_EQ(line.text, "be");
    EXPECT_EQ(log.heard(), (std::vector<std::string>{"<echo a>", "<echo b>", "<echo e>"}));
}

TEST_F(ChordTyping, APrefixIsSilentAndTheCharacterAfterItIsHeardPrefixed)
{
    press('L');
    release('L');
    EXPECT_TRUE(log.heard().empty());
    EXPECT_EQ(state.currentprefix, "#cap");
    press('F');
    press('D');
    EXPECT_EQ(log.heard().back(), "<echo B>");
    EXPECT_EQ(state.currentprefix, "#cap") << "the preview does not move the prefix on";
    release('F');
    release('D');
    EXPECT_EQ(line.text, "B");
    EXPECT_EQ(state.currentprefix, "");
}

TEST_F(ChordTyping, SpaceAloneTypesASpaceAndEndsTheNumberSign)
{
    for (int key : {'S', 'J', 'K', 'L'}) {
        press(key); // each press previews the keys held so far: ".", "í", "é", then silence
    }
    EXPECT_EQ(log.heard(), (std::vector<std::string>{"<echo .>", "<echo \xED>", "<echo \xE9>"}));
    log.clear();
    for (int key : {'S', 'J', 'K', 'L'}) {
        release(key);
    }
    press('F');
    release('F');
    press(vk::kSpace, ' ');
    release(vk::kSpace);
    press('F');
    release('F');
    EXPECT_EQ(line.text, "1 a");
    EXPECT_EQ(log.heard(), (std::vector<std::string>{"<echo 1>", "<echo  >", "<echo a>"}));
}

TEST_F(ChordTyping, AChordInTheMiddleGoesInAtTheCursorWhichMovesOnePlace)
{
    line = {"ac", 1};
    press('F');
    press('D');
    release('F');
    release('D');
    EXPECT_EQ(line.text, "abc");
    EXPECT_EQ(line.cursor, 2u);
}

TEST_F(ChordTyping, ControlCharactersPassAndOtherKeysNeitherTypeNorMoveThePrefix)
{
    press('L');
    release('L');
    press(vk::kBack, '\b'); // Backspace: not swallowed, no chord
    release(vk::kBack);
    press('1', '1'); // a digit key: swallowed, no chord
    release('1');
    press('Q', 'q');
    release('Q');
    EXPECT_EQ(swallowed, (std::vector<bool>{true, false, true, true}));
    EXPECT_EQ(line.text, "");
    EXPECT_EQ(state.currentprefix, "#cap");
    EXPECT_TRUE(log.heard().empty());
}

TEST_F(ChordTyping, ThePrefixOutlivesTheLine)
{
    press('L');
    release('L');
    line = {}; // Enter: the dialog closes, and opens again for the next INPUT
    press('F');
    release('F');
    EXPECT_EQ(line.text, "A");
}

TEST_F(ChordTyping, AutoRepeatPreviewsAgainAndCommitsOnce)
{
    press('F');
    press('J');
    press('J');
    press('J');
    EXPECT_EQ(log.count("<echo c>"), 3);
    release('J');
    release('F');
    EXPECT_EQ(line.text, "c");
}

// The echo of one typed character, as the input dialog, the review window and the chords
// all make it: the capital cue first, then the name from the key-name table.
TEST(KeyEcho, TheCapitalCueComesBeforeTheNameAndOnlyForOneCapital)
{
    BrailleTables tables;
    tables.echokeys[0] = {'A', text::fromUtf8("velké a")};
    tables.echokeys[1] = {'a', "a"};
    tables.echokeys[2] = {static_cast<uint8_t>('\xA7'), text::fromUtf8("paragraf")};
    tables.echokeys[3] = {static_cast<uint8_t>('\x8A'), text::fromUtf8("velké š")};
    const std::string cue = tov::testing::kCapitalCue;
    const std::string bigA = echoEntry(text::fromUtf8("velké a"));
    const std::string bigS = echoEntry(text::fromUtf8("velké š"));
    const std::string section = echoEntry(text::fromUtf8("paragraf"));
    const struct {
        const char* description;
        std::string typed;
        bool ready;
        std::vector<std::string> heard;
    } rows[] = {
        {"a capital: the cue, then its name", "A", true, {cue, bigA}},
        {"a small letter: its name only", "a", true, {"<echo a>"}},
        {"the section sign ends the capitals' list", text::fromUtf8("§"), true, {section}},
        {"a Czech capital: the cue, then its name", text::fromUtf8("Š"), true, {cue, bigS}},
        {"a capital without a name: the cue alone", "B", true, {cue}},
        {"a longer text: the first character's name, no cue", "Ab", true, {bigA}},
        {"no engine ready: nothing, not even the cue", "A", false, {}},
        {"a lone code 0: nothing", std::string(1, '\0'), true, {}},
        {"an empty text: nothing", "", true, {}},
    };
    for (const auto& row : rows) {
        EventLog log;
        RecordingSpeech speech{log};
        RecordingSounds cues{log};
        speech.ready = row.ready;
        KeyEcho{speech, cues, tables}(row.typed);
        EXPECT_EQ(log, row.heard) << row.description;
    }
}

TEST(Capitals, AsciiCapitalsAndTheCapitalsOfTheCzechAndSlovakAlphabets)
{
    const std::string capitals = text::fromUtf8("AZÁÄČĎÉĚÍĹĽŇÓÔÖŔŘŠŤÚŮÜÝŽ");
    for (const char c : capitals) {
        EXPECT_TRUE(iscapital(c)) << text::toUtf8(std::string(1, c));
    }
    const std::string others = text::fromUtf8("az@[09 áäčďéěíĺľňóôöŕřšťúůüýž§ĄŁß");
    for (const char c : others) {
        EXPECT_FALSE(iscapital(c)) << text::toUtf8(std::string(1, c));
    }
}

} // namespace
} // namespace tov::input
