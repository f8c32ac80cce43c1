// The turn at a location and its quirks: the opening, the inventory line byte for byte,
// the dictionary, the refusal, repeated and badly typed commands, the retelling word of
// the narrow corridor's end and the depression's south edge, the empty prompts, the
// locomotive, the maze's ceiling, and the objects whose answers depend on their state.
#include "walkthrough.h"

#include <gtest/gtest.h>

namespace tov::program::testing {
namespace {

const std::string kRefused = cz("nelze provést");

std::vector<std::string> refusedTurn()
{
    return {kRefused, kPromptBlank};
}

TEST(Opening, TitleCreditPauseHelpWarningWishPauseThenTheClearing)
{
    Player player;
    ASSERT_FALSE(player.play({}));
    const std::vector<std::string>& opening = player.turn(0);
    ASSERT_EQ(opening.size(), 11u) << show(opening);
    EXPECT_EQ(opening[2], pauseEntry(1000));
    EXPECT_EQ(opening[5], cz("přejeme vám hezkou zábavu."));
    EXPECT_EQ(opening[6], pauseEntry(1000));
    const std::vector<std::string> clearing(opening.begin() + 7, opening.end());
    EXPECT_EQ(clearing, (std::vector<std::string>{arrivalAt(1), cz("vidíš dopis."),
                                                  cz("můžeš jít na východ."), kPromptBlank}));
    EXPECT_EQ(player.turns().size(), 1u) << "the first line is asked for after the clearing";
}

TEST(Inventory, EmptyHandsGiveTheOpeningWordsAndFourteenBlanks)
{
    Player player;
    ASSERT_FALSE(player.play({"inventář"}));
    std::vector<std::string> expected = {cz("neseš sebou ")};
    expected.insert(expected.end(), 14, " ");
    EXPECT_EQ(player.turn(1), expected);
    // One screen line, ended only by the prompt's blank.
    EXPECT_EQ(player.screenLineAbove(1), padded(cz("neseš sebou ") + std::string(14, ' ')));
    EXPECT_EQ(player.screenLineAbove(2), padded(" "));
    EXPECT_EQ(player.console.cursor().column(), 0);
}

TEST(Inventory, CarriedItemsStandInSlotOrderWithABlankForEachEmptySlot)
{
    Player player;
    ASSERT_FALSE(player.play(
        {"v", "vezmi větev", "s", "vezmi kanystr", "j", "z", "vezmi dopis", "inventář"}));
    EXPECT_EQ(player.screenLineAbove(1),
              padded(cz("neseš sebou dopis uschlou větev  kanystr s benzínem ") +
                     std::string(9 + 1, ' ')));
    std::vector<std::string> expected = {cz("neseš sebou "),       cz("dopis"), " ",
                                         cz("uschlou větev"),      " ",         " ",
                                         cz("kanystr s benzínem"), " "};
    expected.insert(expected.end(), 9 + 1, " ");
    EXPECT_EQ(player.turn(8), expected);
}

TEST(Inventory, DictionaryAndRefusalLeaveThePlayerWhereHeIsWithoutRetelling)
{
    Player player;
    ASSERT_FALSE(player.play({"v", "inventář", "slovník", "tanči", "s"}));
    EXPECT_EQ(player.turn(2).front(), cz("neseš sebou "));
    EXPECT_EQ(player.turn(3),
              (std::vector<std::string>{
                  cz("příkazy pro pohyb: s=sever, j=jih, v=východ, z=západ, n=nahoru, "
                     "d=dolů.ostatní příkazy: inventář, situace, slovník, prozkoumej, vezmi, "
                     "polož, otevři, zapal, nastup, vystup, otoč, přivaž, stiskni"),
                  kPromptBlank}));
    EXPECT_EQ(player.turn(4), refusedTurn());
    // Still in the corridor: north leads into the mine.
    EXPECT_EQ(player.turn(5).front(), arrivalAt(3));
}

TEST(Commands, OnlyTheExactWordsCountAndInputTrimsTheLine)
{
    const Rows rows = {
        {"Vezmi dopis", kRefused},
        {"vezmi  dopis", kRefused},
        {"  vezmi dopis  ", cz("vzal jsi dopis")},
        {"vezmi dopis", kRefused}, // only once
        {"prozkoumej dopis", cz("můj kolega, který ho šel prozkoumat, byl rád, že vyvázl bez "
                                "úhony. vyprávěl mi, že tam působí nadpřirozené síly a že "
                                "uvnitř dosud leží vybavení nějaké dřívější výpravy.")},
        arrive("v", 2),
        {"prozkoumej dopis", kRefused}, // only where it was taken
        {"V", kRefused},
    };
    Player player;
    ASSERT_FALSE(player.play(commandsOf(rows)));
    expectRows(player, rows);
    EXPECT_EQ(player.answer(5).size(), 3u) << "the letter is three lines";
}

TEST(Commands, AnEmptyOrClosedLineRepeatsTheLastCommand)
{
    Player player;
    ASSERT_FALSE(player.play({"", std::nullopt, "v", "", std::nullopt}));
    EXPECT_EQ(player.turn(1), refusedTurn()) << "nothing to repeat at the first prompt";
    EXPECT_EQ(player.turn(2), refusedTurn());
    EXPECT_EQ(player.turn(3).front(), arrivalAt(2));
    EXPECT_EQ(player.turn(4).front(), arrivalAt(6));
    EXPECT_EQ(player.turn(5).front(), arrivalAt(7));
}

TEST(Retelling, SituaceTellsThePlaceAgainFromItsDescription)
{
    Player player;
    ASSERT_FALSE(player.play({"situace"}));
    EXPECT_EQ(player.turn(1),
              std::vector<std::string>(player.turn(0).end() - 4, player.turn(0).end()));
}

TEST(Retelling, AtTheNarrowCorridorsEndTheWordIsSituc)
{
    const Rows way = join({takeBranch(),
                           rideTheLocomotive(),
                           openTheBox(),
                           blowUpTheSnakes(),
                           setDownBoxAndRope(),
                           {arrive("d", 9), arrive("v", 12), arrive("v", 13)},
                           {{"situace", kRefused}}});
    Player player;
    std::vector<std::optional<std::string>> lines = commandsOf(way);
    lines.emplace_back("situc");
    ASSERT_FALSE(player.play(lines));
    expectRows(player, way);
    EXPECT_EQ(player.lastTurn(),
              (std::vector<std::string>{arrivalAt(13), cz("vidíš bakpak."),
                                        cz("můžeš jít na západ."), kPromptBlank}));
}

TEST(Retelling, AtTheDepressionsSouthEdgeSituaceOnlyPromptsAndThePromptIsEmpty)
{
    const Rows way =
        join({toTheMaze(), fetchTheFilter(), {arrive("j", 22), arrive("d", 23), arrive("j", 24)}});
    Player player;
    std::vector<std::optional<std::string>> lines = commandsOf(way);
    lines.emplace_back("situace");
    lines.emplace_back("situace");
    ASSERT_FALSE(player.play(lines));
    expectRows(player, way);
    // Arriving: the description and no blank after it.
    EXPECT_EQ(player.turn(way.size()),
              (std::vector<std::string>{arrivalAt(24), cz("můžeš jít na východ a dolů.")}));
    // Retelling here prints nothing but the empty prompt line.
    EXPECT_TRUE(player.turn(way.size() + 1).empty()) << show(player.turn(way.size() + 1));
    EXPECT_EQ(player.screenLineAbove(1), std::string(80, ' '));
    EXPECT_EQ(player.screenLineAbove(2), std::string(80, ' '));
    EXPECT_EQ(player.screenLineAbove(3), std::string(80, ' '));
    EXPECT_EQ(player.screenLineAbove(4), padded(cz("můžeš jít na východ a dolů.")));
}

TEST(Locomotive, OnlyVystupLeavesItAtTheEndWhereItStands)
{
    const Rows rows = {
        arrive("v", 2),
        arrive("s", 3),
        arrive("nastup", 4),
        {"s", kRefused},
        {"j", kRefused},
        {"v", kRefused},
        {"z", kRefused},
        {"n", kRefused},
        {"d", kRefused},
        {"prozkoumej pedál", cz("jeto pedál na odstartování lokomotivy")},
        answered("stiskni pedál"),
        answered("stiskni pedál"),
        arrive("vystup", 3),
        arrive("nastup", 4),
        answered("stiskni pedál"),
        arrive("vystup", 5),
        arrive("nastup", 4),
        arrive("vystup", 5),
    };
    Player player;
    ASSERT_FALSE(player.play(commandsOf(rows)));
    expectRows(player, rows);
    // Getting in is told by the locomotive's own description; getting out by a line first.
    EXPECT_EQ(player.turn(3), (std::vector<std::string>{arrivalAt(4), kPromptBlank}));
    EXPECT_EQ(player.turn(13).front(), cz("vystoupil jsi z lokomotivy."));
    EXPECT_EQ(player.turn(13)[1], arrivalAt(3));
}

TEST(Maze, TheFirstClimbOnlyHurtsAndIsNotRetold)
{
    const Rows way = toTheMaze();
    Player player;
    std::vector<std::optional<std::string>> lines = commandsOf(way);
    lines.emplace_back("n");
    ASSERT_FALSE(player.play(lines));
    EXPECT_EQ(
        player.lastTurn(),
        (std::vector<std::string>{
            cz("bouchl jsi se do hlavy o strop. raději to víckrát nezkoušej."), kPromptBlank}));
}

// Retelling the corridor's east end after the commands shows which items lie there.
struct ItemsAtCorridorEnd {
    bool examined; //: the box is examined first, so the mask and the rope fall out
    Rows commands; //: then these
    std::vector<const char*> lines;
};

TEST(CorridorEnd, TheItemLineNamesExactlyWhatLiesThere)
{
    const std::vector<ItemsAtCorridorEnd> cases = {
        {false, {}, {"je zde bedna."}},
        {true, {}, {"je zde bedna a maska.", "je zde lano."}},
        {true, {answered("vezmi masku")}, {"je zde bedna a lano."}},
        {true, {answered("vezmi lano")}, {"je zde bedna a maska."}},
        {true, {answered("vezmi bednu")}, {"je zde lano a maska."}},
        {true, {answered("vezmi bednu"), answered("vezmi lano")}, {"je zde maska."}},
        {true, {answered("vezmi bednu"), answered("vezmi masku")}, {"je zde lano."}},
        {true, {answered("vezmi bednu"), answered("vezmi masku"), answered("vezmi lano")}, {}},
        // A rope tied to the beam no longer lies here.
        {true,
         {answered("vezmi masku"), answered("vezmi lano"), arrive("z", 6), arrive("z", 2),
          answered("přivaž lano"), arrive("v", 6), arrive("v", 7)},
         {"je zde bedna."}},
        // Nor does a box set down at the clearing.
        {true,
         {answered("vezmi bednu"), arrive("z", 6), arrive("z", 2), arrive("z", 1),
          answered("polož bednu"), arrive("v", 2), arrive("v", 6), arrive("v", 7)},
         {"je zde lano a maska."}},
    };
    for (size_t c = 0; c < cases.size(); ++c) {
        SCOPED_TRACE("case " + std::to_string(c));
        Rows rows = {arrive("v", 2), arrive("v", 6), arrive("v", 7)};
        if (cases[c].examined) {
            rows.push_back(hear("prozkoumej bednu", "vypadla z ní plynová maska a lano."));
        }
        rows.insert(rows.end(), cases[c].commands.begin(), cases[c].commands.end());
        rows.push_back(arrive("situace", 7));
        Player player;
        ASSERT_FALSE(player.play(commandsOf(rows)));
        expectRows(player, rows);
        std::vector<std::string> expected = {arrivalAt(7)};
        for (const char* line : cases[c].lines) {
            expected.push_back(cz(line));
        }
        expected.push_back(cz("můžeš jít na západ."));
        expected.push_back(kPromptBlank);
        EXPECT_EQ(player.lastTurn(), expected) << show(player.lastTurn());
    }
}

TEST(CorridorEnd, TheBoxOpensOnceAndIsTakenOnlyWhenExamined)
{
    const Rows rows = {
        arrive("v", 2),
        arrive("v", 6),
        arrive("v", 7),
        {"vezmi bednu", kRefused},
        {"vezmi masku", kRefused},
        {"vezmi lano", kRefused},
        {"prozkoumej bednu", cz("bedna je vyložena polystyrenem.")},
        {"prozkoumej bednu", cz("bedna je vyložena polystyrenem.")},
        {"prozkoumej masku", kRefused},
        hear("vezmi masku", "vzal jsi plynovou masku"),
        hear("prozkoumej masku", "chybí k ní dýchací filtr"),
        hear("vezmi lano", "vzal jsi lano"),
        hear("prozkoumej lano", "je to pevné, asi 20 metrů dlouhé lano"),
        hear("vezmi bednu", "vzal jsi bednu"),
        {"vezmi bednu", kRefused},
    };
    Player player;
    ASSERT_FALSE(player.play(commandsOf(rows)));
    expectRows(player, rows);
    EXPECT_EQ(player.answer(7),
              (std::vector<std::string>{cz("bedna je vyložena polystyrenem."),
                                        cz("vypadla z ní plynová maska a lano.")}));
    EXPECT_EQ(player.answer(8), std::vector<std::string>{cz("bedna je vyložena polystyrenem.")});
}

TEST(Clearing, TheBoxIsSetDownAndTakenBackOnlyThere)
{
    const Rows rows = join({
        {{"polož bednu", kRefused}, {"vezmi bednu", kRefused}},
        {arrive("v", 2), arrive("v", 6), arrive("v", 7),
         hear("prozkoumej bednu", "vypadla z ní plynová maska a lano.")},
        {hear("vezmi bednu", "vzal jsi bednu"), arrive("z", 6), {"polož bednu", kRefused}},
        {arrive("z", 2),
         arrive("z", 1),
         hear("polož bednu", "položena"),
         {"polož bednu", kRefused},
         hear("vezmi bednu", "sebrána"),
         {"vezmi bednu", kRefused},
         hear("polož bednu", "položena")},
    });
    Player player;
    ASSERT_FALSE(player.play(commandsOf(rows)));
    expectRows(player, rows);
}

TEST(Funnel, TheBranchMustBurnAndLieInTheHoleBeforeTheCanister)
{
    const Rows rows = {
        arrive("v", 2),
        hear("vezmi větev", "vzal jsi uschlou větev"),
        hear("prozkoumej větev", "není na ní nic zvláštního"),
        arrive("s", 3),
        hear("vezmi kanystr", "vzal jsi kanystr s benzínem"),
        hear("prozkoumej kanystr", "je na něm napsáno: šejl ojl"),
        arrive("j", 2),
        {"zapal větev", kRefused}, // only at the funnel
        arrive("v", 6),
        {"zapal větev", kRefused}, // no match yet
        hear("polož větev", "nejdřív ji zapal a potom ji zde polož"),
        hear("polož kanystr", "napřed polož zapálenou větev"),
        {"inventář", cz("kanystr s benzínem")},
        arrive("z", 2),
        arrive("s", 3),
        arrive("nastup", 4),
        answered("stiskni pedál"),
        arrive("vystup", 5),
        hear("vezmi sirku", "vzal jsi sirku"),
        hear("prozkoumej sirku", "není na ní nic zvláštního"),
        arrive("nastup", 4),
        answered("stiskni pedál"),
        arrive("vystup", 3),
        arrive("j", 2),
        arrive("v", 6),
        hear("zapal větev", "zapálil jsi větev, která vzplála jasným plamenem"),
        hear("zapal větev", "zapálil jsi větev, která vzplála jasným plamenem"),
        answered("polož větev"),
        {"polož větev", kRefused},
        answered("polož kanystr"),
        {"polož kanystr", kRefused},
        arrive("z", 2),
    };
    Player player;
    ASSERT_FALSE(player.play(commandsOf(rows)));
    expectRows(player, rows);
    // The branch lies in the hole now, so the corridor no longer shows it.
    EXPECT_EQ(player.lastTurn(),
              (std::vector<std::string>{
                  arrivalAt(2), cz("můžeš jít na sever, západ, východ nebo dolů."), kPromptBlank}));
}

TEST(TempleEntrance, WithoutTheBackpackTheGhostDodgesAndStays)
{
    const Rows rows = join({
        takeBranch(),
        rideTheLocomotive(),
        openTheBox(),
        blowUpTheSnakes(),
        setDownBoxAndRope(),
        downToTheCave(),
        drainAndTakeTrap(),
        {arrive("n", 8), hear("otevři dveře", "otevřel jsi dveře."), arrive("j", 14),
         arrive("n", 15),
         hear("prozkoumej pavučiny", "jsou to pavučiny, které upletl tlustý křižák"),
         arrive("j", 16), hear("prozkoumej ducha", "vypadá docela sympaticky, ale pozor na něj."),
         answered("stiskni tlačítko"), hear("situace", "vidíš zde poletujícího ducha.")},
    });
    Player player;
    ASSERT_FALSE(player.play(commandsOf(rows)));
    expectRows(player, rows);
}

TEST(Temple, TheToadBlocksTheWayAndTheSunMaskNeedsTheChest)
{
    Rows way = join({toTheMaze(), fetchTheFilter(), crossToTheChest()});
    way.resize(way.size() - 5); // stop in the decorated corridor, the toad still there
    const Rows rows = join({
        way,
        {hear("v", "ropucha tě nechce ani za nic pustit dál."),
         hear("prozkoumej ropuchu", "vypadá odporně, asi jako ty!"),
         {"vezmi diamant", kRefused},
         answered("otevři past"),
         {"prozkoumej ropuchu", kRefused},
         hear("vezmi diamant", "vzal jsi diamant."),
         arrive("v", 29),
         {"vezmi truhličku", kRefused},
         arrive("s", 30),
         hear("prozkoumej páku", "pohybuje se snadno ve zdi."),
         {"v", kRefused},
         hear("situace", "je zavřená. můžeš jít na sever a na jih."),
         answered("stiskni páku"),
         {"stiskni páku", kRefused},
         hear("situace", "je otevřená. můžeš jít na sever, na jih a na východ."),
         arrive("v", 32),
         arrive("n", 33),
         hear("vezmi masku", "prozatím to nejde."),
         {"prozkoumej masku", kRefused},
         arrive("d", 32),
         arrive("z", 30),
         arrive("s", 31),
         hear("situace", "je zavřené. můžeš jít na jih."),
         {"z", kRefused}},
    });
    Player player;
    ASSERT_FALSE(player.play(commandsOf(rows)));
    expectRows(player, rows);
}

TEST(Temple, TheChestLetsTheSunMaskBeTakenAndTheWindowOpens)
{
    const Rows rows = join({
        toTheMaze(),
        fetchTheFilter(),
        crossToTheChest(),
        {hear("prozkoumej truhličku",
              "je to truhlička, která umožňuje vzít masku slunečního boha."),
         arrive("s", 30),
         answered("stiskni páku"),
         arrive("v", 32),
         arrive("n", 33),
         hear("situace", "vidíš masku slunečního boha."),
         {"prozkoumej masku", kRefused},
         answered("vezmi masku"),
         hear("prozkoumej masku", "má nevyčíslitelnou cenu. teď se musíš dostat ven."),
         {"vezmi masku", kRefused},
         arrive("d", 32),
         arrive("z", 30),
         arrive("s", 31),
         hear("situace", "je otevřené. můžeš jít na jih a na západ."),
         arrive("z", 34),
         arrive("v", 31),
         arrive("z", 34)},
    });
    Player player;
    ASSERT_FALSE(player.play(commandsOf(rows)));
    expectRows(player, rows);
}

// What has been put elsewhere is no longer where it was found: no second box, rope or
// diamond can be taken there.
TEST(Taking, ThingsPutElsewhereCannotBeTakenAgainWhereTheyLay)
{
    const Rows boxAndRope = {
        arrive("v", 2),
        arrive("v", 6),
        arrive("v", 7),
        hear("prozkoumej bednu", "vypadla z ní plynová maska a lano."),
        hear("vezmi bednu", "vzal jsi bednu"),
        hear("vezmi lano", "vzal jsi lano"),
        arrive("z", 6),
        arrive("z", 2),
        arrive("z", 1),
        hear("polož bednu", "položena"),
        arrive("v", 2),
        hear("přivaž lano", "přivázal jsi lano k trámu"),
        arrive("v", 6),
        arrive("v", 7),
        {"vezmi bednu", kRefused},
        {"vezmi lano", kRefused},
    };
    Player player;
    ASSERT_FALSE(player.play(commandsOf(boxAndRope)));
    expectRows(player, boxAndRope);

    const Rows diamond = join({
        toTheMaze(),
        fetchTheFilter(),
        crossToTheChest(),
        {arrive("z", 28), {"vezmi diamant", kRefused}},
    });
    Player again;
    ASSERT_FALSE(again.play(commandsOf(diamond)));
    expectRows(again, diamond);
}

} // namespace
} // namespace tov::program::testing
