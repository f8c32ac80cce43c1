// The voice settings model on its own: how a level keeps within its range as the range
// and the value change, how stored values are clamped when read, the round trip through
// the settings file, and what the observers are told.
#include "common/profile.h"
#include "doubles/doubles.h"
#include "speech/voicesettings.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace tov::speech {
namespace {

using ::testing::ElementsAre;

// Records what it is told, as "moved <level> to <value>" and "layout".
class RecordingObserver final : public VoiceSettings::Observer {
public:
    explicit RecordingObserver(const VoiceSettings& settings, std::string name = "")
        : settings_(settings), name_(std::move(name))
    {
    }
    void levelMoved(VoiceLevel which) override
    {
        told.push_back(name_ + "moved " + std::to_string(static_cast<int>(which)) + " to " +
                       std::to_string(settings_.level(which).value));
        if (onMove) {
            onMove(which);
        }
    }
    void layoutChanged() override { ++layouts; }

    std::vector<std::string> told;
    int layouts = 0;
    std::function<void(VoiceLevel)> onMove;

private:
    const VoiceSettings& settings_;
    std::string name_;
};

struct Step {
    enum Kind { Minimum, Maximum, Value } kind;
    int argument;
};

void apply(VoiceSettings& settings, VoiceLevel which, const Step& step)
{
    switch (step.kind) {
    case Step::Minimum:
        settings.setMinimum(which, step.argument);
        break;
    case Step::Maximum:
        settings.setMaximum(which, step.argument);
        break;
    case Step::Value:
        settings.setValue(which, step.argument);
        break;
    }
}

TEST(VoiceSettingsRanges, AValueStaysWithinItsRangeAndEachMoveIsToldOnce)
{
    struct Row {
        const char* description;
        std::vector<Step> steps;
        LevelRange expected;
        int moves; //: how many times the observer heard the value move
    };
    const Row rows[] = {
        {"the design range until an engine tells its own", {}, {0, 10, 0, 1}, 0},
        {"a value inside the range", {{Step::Value, 7}}, {0, 10, 7, 1}, 1},
        {"a value past the top stops there", {{Step::Value, 99}}, {0, 10, 10, 1}, 1},
        {"a value below the bottom stops there", {{Step::Value, -3}}, {0, 10, 0, 1}, 0},
        {"the same value again is no move", {{Step::Value, 4}, {Step::Value, 4}}, {0, 10, 4, 1}, 1},
        // The engine's speed: the top first, then the bottom lifts the value on its way
        // to the engine's own.
        {"a raised bottom carries the value up",
         {{Step::Maximum, 450}, {Step::Minimum, 80}, {Step::Value, 175}},
         {80, 450, 175, 1},
         2},
        {"a maximum below the minimum lowers the minimum",
         {{Step::Minimum, 5}, {Step::Maximum, 3}},
         {3, 3, 3, 1},
         2},
        {"a minimum above the maximum raises the maximum",
         {{Step::Minimum, 20}},
         {20, 20, 20, 1},
         1},
        {"a lowered top carries the value down",
         {{Step::Value, 9}, {Step::Maximum, 6}},
         {0, 6, 6, 1},
         2},
    };
    for (const Row& row : rows) {
        for (const VoiceLevel which : kVoiceLevels) {
            VoiceSettings settings;
            RecordingObserver observer(settings);
            settings.addObserver(observer);
            for (const Step& step : row.steps) {
                apply(settings, which, step);
            }
            const LevelRange& got = settings.level(which);
            EXPECT_EQ(got.minimum, row.expected.minimum) << row.description;
            EXPECT_EQ(got.maximum, row.expected.maximum) << row.description;
            EXPECT_EQ(got.value, row.expected.value) << row.description;
            EXPECT_EQ(static_cast<int>(observer.told.size()), row.moves) << row.description;
            for (const VoiceLevel other : kVoiceLevels) {
                if (other != which) {
                    EXPECT_EQ(settings.level(other).value, 0)
                        << row.description << ": another level moved";
                }
            }
            settings.removeObserver(observer);
        }
    }
}

class VoiceSettingsFileTest : public ::testing::Test {
protected:
    // The ranges an engine like espeak-ng tells: pitch 0..100, speed 80..450, volume 0..255.
    static void engineRanges(VoiceSettings& settings)
    {
        settings.setMaximum(VoiceLevel::Pitch, 100);
        settings.setMaximum(VoiceLevel::Speed, 450);
        settings.setMinimum(VoiceLevel::Speed, 80);
        settings.setMaximum(VoiceLevel::Volume, 255);
        settings.makeAdjustable();
    }

    tov::testing::TempDir dir;
    Profile profile{dir.path() / "tovana.ini"};
};

TEST_F(VoiceSettingsFileTest, StoredValuesAreClampedIntoTheEnginesRanges)
{
    struct Row {
        const char* description;
        const char* key;
        std::optional<std::string> stored; //: nullopt: the file lacks the key
        VoiceLevel level;
        int expected;
    };
    const Row rows[] = {
        {"volume above the top", "volume", "300", VoiceLevel::Volume, 255},
        {"volume below the bottom", "volume", "-40", VoiceLevel::Volume, 0},
        {"volume missing reads as full", "volume", std::nullopt, VoiceLevel::Volume, 255},
        {"volume malformed reads as full", "volume", "loud", VoiceLevel::Volume, 255},
        {"pitch inside", "pitch", "42", VoiceLevel::Pitch, 42},
        {"pitch missing reads as 0", "pitch", std::nullopt, VoiceLevel::Pitch, 0},
        {"speed missing: 0, the range's bottom", "speed", std::nullopt, VoiceLevel::Speed, 80},
        {"speed past 32 bits", "speed", "99999999999", VoiceLevel::Speed, 80},
        {"speed far above", "speed", "2147483647", VoiceLevel::Speed, 450},
    };
    for (const Row& row : rows) {
        std::filesystem::remove(dir.path() / "tovana.ini");
        if (row.stored) {
            profile.writeString("Voice", row.key, *row.stored);
        }
        VoiceSettings settings;
        engineRanges(settings);
        settings.readLevels(profile);
        EXPECT_EQ(settings.level(row.level).value, row.expected) << row.description;
    }
}

TEST_F(VoiceSettingsFileTest, WhatIsWrittenReadsBackUnderTheSameEntries)
{
    VoiceSettings written;
    for (const char* name : {"Czech", "Jakub", "English"}) {
        written.addVoice(name);
    }
    written.choose(1);
    engineRanges(written);
    written.setValue(VoiceLevel::Pitch, 30);
    written.setValue(VoiceLevel::Speed, 200);
    written.setValue(VoiceLevel::Volume, 128);
    written.write(profile);

    // The entries as files written so far hold them.
    EXPECT_EQ(profile.readString("Voice", "person", ""), "Jakub");
    EXPECT_EQ(profile.readInteger("Voice", "pitch", -1), 30);
    EXPECT_EQ(profile.readInteger("Voice", "speed", -1), 200);
    EXPECT_EQ(profile.readInteger("Voice", "volume", -1), 128);

    VoiceSettings read;
    engineRanges(read);
    RecordingObserver observer(read);
    read.addObserver(observer);
    read.readLevels(profile);
    EXPECT_EQ(VoiceSettings::storedVoice(profile), "Jakub");
    EXPECT_EQ(read.level(VoiceLevel::Pitch).value, 30);
    EXPECT_EQ(read.level(VoiceLevel::Speed).value, 200);
    EXPECT_EQ(read.level(VoiceLevel::Volume).value, 128);
    // In the order the engine is handed them.
    EXPECT_THAT(observer.told, ElementsAre("moved 0 to 30", "moved 1 to 200", "moved 2 to 128"));
    read.removeObserver(observer);
}

TEST_F(VoiceSettingsFileTest, NoChosenVoiceIsWrittenAsAnEmptyName)
{
    VoiceSettings settings;
    settings.addVoice("Czech");
    settings.choose(5); // outside the list: none
    EXPECT_EQ(settings.chosen(), -1);
    EXPECT_EQ(settings.chosenName(), "");
    settings.write(profile);
    EXPECT_EQ(profile.readString("Voice", "person", "unset"), "");
    EXPECT_EQ(VoiceSettings::storedVoice(profile), "");
}

TEST(VoiceSettingsObservers, AreToldInOrderAndAMoveInsideAMoveIsToldInTurn)
{
    VoiceSettings settings;
    RecordingObserver engine(settings, "engine ");
    RecordingObserver dialog(settings, "dialog ");
    settings.addObserver(engine);
    settings.addObserver(dialog);
    // A key handled while the engine's observer speaks moves the level again.
    bool once = true;
    engine.onMove = [&](VoiceLevel which) {
        if (std::exchange(once, false)) {
            settings.setValue(which, 6);
        }
    };
    settings.setValue(VoiceLevel::Pitch, 5);
    EXPECT_THAT(engine.told, ElementsAre("engine moved 0 to 5", "engine moved 0 to 6"));
    // The dialog hears both, and by then the value is the later one.
    EXPECT_THAT(dialog.told, ElementsAre("dialog moved 0 to 6", "dialog moved 0 to 6"));

    settings.removeObserver(dialog);
    const int layouts = dialog.layouts;
    settings.addVoice("Czech");
    settings.makeAdjustable();
    EXPECT_EQ(dialog.layouts, layouts);
    EXPECT_EQ(engine.layouts, 2);
    EXPECT_TRUE(settings.isAdjustable());
    settings.removeObserver(engine);
}

} // namespace
} // namespace tov::speech
