// Whole games: the shortest winning order to the win, each of the twelve deaths with its
// tune and the replay question, and the answers to that question.
#include "walkthrough.h"

#include "common/tov_error.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace tov::program::testing {
namespace {

std::string textOf(int id, std::string_view utf8word, Action action)
{
    const std::string word = cz(utf8word);
    for (const CommandTest& test : location(id).tests) {
        if (test.word == word && test.action == action) {
            return test.messages.front();
        }
    }
    ADD_FAILURE() << "L" << id << " has no such test for " << utf8word;
    return {};
}

std::vector<std::string> testTune()
{
    return {soundEntry({440, 554, 659, 880}, 3, 700), soundEntry({330, 415, 494, 659}, 3, 1200)};
}

TEST(Win, TheShortestWinningOrderWinsAndEndsWithoutAQuestion)
{
    Player player;
    const Rows rows = winningOrder();
    ASSERT_TRUE(player.play(commandsOf(rows))) << "the program still wants a line";
    expectRows(player, rows);

    const std::string win = textOf(34, "d", Action::Win);
    EXPECT_EQ(player.lastTurn(), std::vector<std::string>{win});
    EXPECT_EQ(player.turns().size(), rows.size() + 1);
    EXPECT_TRUE(player.sounds.sounds.empty());
    // The closing text is the last thing on the screen, and its line has been ended.
    EXPECT_EQ(player.console.cursor().column(), 0);
    const size_t lastChunk = (win.size() - 1) / 80 * 80;
    EXPECT_EQ(player.screenLineAbove(1), padded(win.substr(lastChunk)));
}

struct Death {
    const char* name;
    Rows way;         //: the commands that lead there, ending with the fatal one
    int location;     //: where it happens
    const char* word; //: the fatal command
    bool fallingTone;
};

std::vector<Death> deaths()
{
    return {
        {"shaft without the rope", {arrive("v", 2)}, 2, "d", true},
        {"spiders from the south", {arrive("v", 2), arrive("s", 3)}, 3, "s", false},
        {"spiders from the north",
         {arrive("v", 2), arrive("s", 3), arrive("nastup", 4), answered("stiskni pedál"),
          arrive("vystup", 5)},
         5,
         "j",
         false},
        {"water behind the shaft door",
         join({takeBranch(), rideTheLocomotive(), openTheBox(), blowUpTheSnakes(),
               setDownBoxAndRope()}),
         8, "otevři dveře", false},
        {"snakes before the blast",
         {arrive("v", 2), arrive("v", 6), arrive("v", 7),
          hear("prozkoumej bednu", "vypadla z ní plynová maska a lano."),
          hear("vezmi lano", "vzal jsi lano"), arrive("z", 6), arrive("z", 2),
          answered("přivaž lano"), arrive("d", 8), arrive("d", 9)},
         9,
         "v",
         false},
        {"tap with the floor door shut",
         join({takeBranch(), rideTheLocomotive(), openTheBox(), blowUpTheSnakes(),
               setDownBoxAndRope(), downToTheCave()}),
         10, "otoč kohoutkem", false},
        {"ghost at the golden gate",
         join({takeBranch(), rideTheLocomotive(), openTheBox(), blowUpTheSnakes(),
               setDownBoxAndRope(), downToTheCave(), drainAndTakeTrap(), toTheTempleEntrance()}),
         16, "j", false},
        {"second bump in the maze",
         join({toTheMaze(),
               {hear("n", "bouchl jsi se do hlavy o strop. raději to víckrát nezkoušej."),
                arrive("s", 16), arrive("j", 17), hear("inventář", "neseš sebou ")}}),
         17, "n", false},
        {"mud", join({toTheMaze(), {arrive("d", 18)}}), 18, "d", false},
        {"abyss", join({toTheMaze(), {arrive("v", 19)}}), 19, "v", false},
        {"gas with the mask but no filter", join({toTheMaze(), {arrive("j", 22)}}), 22, "d", false},
        {"jump with no box below",
         join({takeBranch(),
               rideTheLocomotive(),
               openTheBox(),
               blowUpTheSnakes(),
               {arrive("z", 2), answered("přivaž lano"), arrive("d", 8)},
               downToTheCave(),
               drainAndTakeTrap(),
               toTheTempleEntrance(),
               catchTheGhost(),
               fetchTheFilter(),
               crossToTheChest(),
               takeTheSunMask()}),
         34, "d", false},
    };
}

TEST(Deaths, EachDeathTellsItsCausePlaysTheTuneAndAsksAgain)
{
    const std::vector<Death> all = deaths();
    ASSERT_EQ(all.size(), 12u);
    for (const Death& death : all) {
        SCOPED_TRACE(death.name);
        Player player;
        Rows rows = death.way;
        rows.push_back({death.word, {}});
        rows.push_back({"ne", cz("konec hry.")});
        ASSERT_TRUE(player.play(commandsOf(rows))) << "the program did not end";
        expectRows(player, Rows(death.way));

        std::vector<std::string> expected;
        if (death.fallingTone) {
            for (int tone = 1000; tone >= 200; tone -= 20) {
                expected.push_back(soundEntry({static_cast<double>(tone)}, 1, 10));
            }
            expected.push_back(pauseEntry(50));
        }
        expected.push_back(textOf(death.location, death.word,
                                  death.fallingTone ? Action::FallDeath : Action::Death));
        expected.push_back(cz("jsi mrtev."));
        for (const std::string& chord : testTune()) {
            expected.push_back(chord);
        }
        expected.push_back(pauseEntry(500));
        expected.push_back(cz("chceš hrát znovu? ano nebo ne?"));
        EXPECT_EQ(player.turn(rows.size() - 1), expected) << show(player.turn(rows.size() - 1));
        EXPECT_EQ(player.lastTurn(), std::vector<std::string>{cz("konec hry.")});
    }
}

TEST(Deaths, TheFallPlaysFortyOneFallingTonesThroughTheSoundStatement)
{
    Player player;
    ASSERT_FALSE(player.play({"v", "d"}));
    ASSERT_EQ(player.sounds.sounds.size(), 41u + 2u);
    EXPECT_EQ(player.sounds.sounds.front().tones, std::vector<double>{1000});
    EXPECT_EQ(player.sounds.sounds[40].tones, std::vector<double>{200});
    EXPECT_EQ(player.turn(2).front(), soundEntry({1000}, 1, 10));
    EXPECT_EQ(player.turn(2).back(), cz("chceš hrát znovu? ano nebo ne?"));
}

TEST(Deaths, ATuneThatStartsWithTheEndMarkGivesADeathWithoutSound)
{
    Player player;
    player.dir.write(runtime::kDataFile, "-1,0,0,0,0\r\n");
    ASSERT_FALSE(player.play({"v", "s", "s"}));
    const std::vector<std::string> expected = {textOf(3, "s", Action::Death), cz("jsi mrtev."),
                                               pauseEntry(500),
                                               cz("chceš hrát znovu? ano nebo ne?")};
    EXPECT_EQ(player.turn(3), expected);
    EXPECT_TRUE(player.sounds.sounds.empty());
}

TEST(Deaths, ATuneWithoutItsEndMarkStopsTheRunWithTheReadError)
{
    Player player;
    player.dir.write(runtime::kDataFile, "440,554,659,880,700\r\n");
    EXPECT_THROW(player.play({"v", "s", "s"}), TovError);
    EXPECT_EQ(player.sounds.sounds.size(), 1u);
}

TEST(Deaths, WithoutTheDataFileTheFirstGameEndsTheProcessWithMessage42)
{
    Player player;
    std::filesystem::remove(player.dir / runtime::kDataFile);
    EXPECT_THROW(player.play({"v"}), tov::testing::ProcessEnded);
    EXPECT_EQ(player.process.messages,
              std::vector<std::string>{cz("Nelze nalézt soubor data.dta")});
    EXPECT_EQ(player.dialog.shows, 0) << "no command is read before the first RESTORE";
}

struct Reply {
    std::optional<std::string> line;
    bool playsAgain;
};

TEST(Replay, OnlyAnoAndAStartANewGame)
{
    const std::vector<Reply> replies = {
        {"ano", true},          {"a", true},    {"  ano  ", true},
        {"ne", false},          {"ANO", false}, {"Ano", false},
        {"ano nebo ne", false}, {"", false},    {std::nullopt, false},
    };
    const std::vector<std::string> clearing = {arrivalAt(1), cz("vidíš dopis."),
                                               cz("můžeš jít na východ."), kPromptBlank};
    for (const Reply& reply : replies) {
        SCOPED_TRACE(reply.line.value_or("<closed>"));
        Player player;
        const bool ended = player.play({"v", "s", "s", reply.line});
        if (reply.playsAgain) {
            EXPECT_FALSE(ended);
            EXPECT_EQ(player.turn(4), clearing) << show(player.turn(4));
        } else {
            EXPECT_TRUE(ended);
            EXPECT_EQ(player.turn(4), std::vector<std::string>{cz("konec hry.")});
        }
    }
}

TEST(Replay, ANewGameStartsAtTheClearingWithEverythingBackAndTheTuneFromItsStart)
{
    Player player;
    ASSERT_TRUE(player.play({"vezmi dopis", "v", "s", "s", "ano", "inventář", "v", "s", "s", "a",
                             "v", "s", "s", "ne"}));
    EXPECT_EQ(player.turn(5).front(), arrivalAt(1));
    EXPECT_TRUE(contains(player.turn(5), cz("vidíš dopis.")));
    EXPECT_EQ(player.turn(6).front(), cz("neseš sebou "));
    EXPECT_FALSE(contains(player.turn(6), cz("dopis")));
    // Three deaths, each with the whole tune: RESTORE begins every game.
    std::vector<std::string> heardSounds;
    for (const std::string& entry : player.log) {
        if (entry.starts_with("<sound")) {
            heardSounds.push_back(entry);
        }
    }
    const std::vector<std::string> once = testTune();
    std::vector<std::string> thrice;
    for (int i = 0; i < 3; ++i) {
        thrice.insert(thrice.end(), once.begin(), once.end());
    }
    EXPECT_EQ(heardSounds, thrice);
    // The opening belongs to the run, not to the game.
    EXPECT_EQ(std::count(player.log.begin(), player.log.end(), pauseEntry(1000)), 2);
}

} // namespace
} // namespace tov::program::testing
