// The shortest winning order, UTF-8, as a player types it: from the clearing to the jump
// into the box. In pieces that the adventure's tests reuse as the way to a place, each
// step with what must be heard after it; the end-to-end tests of the window and the
// terminal type winningCommands().
#pragma once

#include <span>
#include <string_view>
#include <vector>

namespace tov::testing::walkthrough {

// One command and what must be heard after it.
struct Step {
    std::string_view command; //: as typed
    int arrival = 0;          //: the place it leads to, whose description is heard; or 0
    std::string_view heard;   //: else a line one PRINT says exactly; empty for any one-line
                              //: answer that is not the refusal
};

constexpr Step arrive(std::string_view command, int place)
{
    return {command, place, {}};
}
constexpr Step hear(std::string_view command, std::string_view line)
{
    return {command, 0, line};
}
constexpr Step answered(std::string_view command)
{
    return {command, 0, {}};
}

// L02, the branch carried
inline constexpr Step kTakeBranch[] = {arrive("v", 2),
                                       hear("vezmi větev", "vzal jsi uschlou větev")};
// L02, canister and match carried
inline constexpr Step kRideTheLocomotive[] = {
    arrive("s", 3),      hear("vezmi kanystr", "vzal jsi kanystr s benzínem"),
    arrive("nastup", 4), answered("stiskni pedál"),
    arrive("vystup", 5), hear("vezmi sirku", "vzal jsi sirku"),
    arrive("nastup", 4), answered("stiskni pedál"),
    arrive("vystup", 3), arrive("j", 2)};
// L07, mask, rope and box carried
inline constexpr Step kOpenTheBox[] = {
    arrive("v", 6),
    arrive("v", 7),
    hear("prozkoumej bednu", "vypadla z ní plynová maska a lano."),
    hear("vezmi masku", "vzal jsi plynovou masku"),
    hear("vezmi lano", "vzal jsi lano"),
    hear("vezmi bednu", "vzal jsi bednu")};
// L06, the snakes burnt
inline constexpr Step kBlowUpTheSnakes[] = {
    arrive("z", 6), hear("zapal větev", "zapálil jsi větev, která vzplála jasným plamenem"),
    answered("polož větev"), answered("polož kanystr")};
// L08, the box at the clearing, the rope tied
inline constexpr Step kSetDownBoxAndRope[] = {arrive("z", 2),
                                              arrive("z", 1),
                                              hear("polož bednu", "položena"),
                                              arrive("v", 2),
                                              hear("přivaž lano", "přivázal jsi lano k trámu"),
                                              arrive("d", 8)};
// L10
inline constexpr Step kDownToTheCave[] = {arrive("d", 9), arrive("j", 10)};
// L09, the water drained, the trap carried
inline constexpr Step kDrainAndTakeTrap[] = {hear("otevři dveře", "otevřel jsi dveře v podlaze."),
                                             answered("otoč kohoutem"),
                                             arrive("d", 11),
                                             hear("vezmi past", "vzal jsi past."),
                                             arrive("n", 10),
                                             arrive("s", 9)};
// L16, the backpack carried
inline constexpr Step kToTheTempleEntrance[] = {
    arrive("v", 12), arrive("v", 13), hear("vezmi bakpak", "vzal jsi bakpak."),   arrive("z", 12),
    arrive("z", 9),  arrive("n", 8),  hear("otevři dveře", "otevřel jsi dveře."), arrive("j", 14),
    arrive("n", 15), arrive("j", 16)};
// L17, the ghost in the trap
inline constexpr Step kCatchTheGhost[] = {answered("stiskni tlačítko"), arrive("j", 17)};
// L17, the filter carried
inline constexpr Step kFetchTheFilter[] = {arrive("z", 20),
                                           arrive("z", 21),
                                           answered("prozkoumej chatu"),
                                           hear("vezmi filtr", "vzal jsi dýchací filtr"),
                                           arrive("v", 20),
                                           arrive("v", 17)};
// L29, the chest carried
inline constexpr Step kCrossToTheChest[] = {arrive("j", 22),
                                            arrive("d", 23),
                                            arrive("j", 24),
                                            arrive("v", 25),
                                            arrive("v", 26),
                                            arrive("v", 27),
                                            arrive("v", 28),
                                            answered("otevři past"),
                                            hear("vezmi diamant", "vzal jsi diamant."),
                                            arrive("v", 29),
                                            answered("polož diamant"),
                                            hear("vezmi truhličku", "vzal jsi malou truhličku.")};
// L34, the window opened
inline constexpr Step kTakeTheSunMask[] = {
    arrive("s", 30), answered("stiskni páku"), arrive("v", 32),
    arrive("n", 33), answered("vezmi masku"),  arrive("d", 32),
    arrive("z", 30), arrive("s", 31),          arrive("z", 34)};
// the win
inline constexpr Step kJump[] = {answered("d")};

// Everything up to the maze (L17) with the ghost caught.
inline constexpr std::span<const Step> kToTheMaze[] = {
    kTakeBranch,    kRideTheLocomotive, kOpenTheBox,          kBlowUpTheSnakes, kSetDownBoxAndRope,
    kDownToTheCave, kDrainAndTakeTrap,  kToTheTempleEntrance, kCatchTheGhost};
inline constexpr std::span<const Step> kWinningOrder[] = {kTakeBranch,
                                                          kRideTheLocomotive,
                                                          kOpenTheBox,
                                                          kBlowUpTheSnakes,
                                                          kSetDownBoxAndRope,
                                                          kDownToTheCave,
                                                          kDrainAndTakeTrap,
                                                          kToTheTempleEntrance,
                                                          kCatchTheGhost,
                                                          kFetchTheFilter,
                                                          kCrossToTheChest,
                                                          kTakeTheSunMask,
                                                          kJump};

inline std::vector<std::string_view> winningCommands()
{
    std::vector<std::string_view> commands;
    for (const std::span<const Step> piece : kWinningOrder) {
        for (const Step& step : piece) {
            commands.push_back(step.command);
        }
    }
    return commands;
}

} // namespace tov::testing::walkthrough
