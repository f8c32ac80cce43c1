// The interpreter of the adventure: the opening, the turn at a location (description,
// prompt, INPUT, the first matching test of the chain), the three subroutines with their
// return points on the return-point stack, the falling tone, the death routine with its
// tune and replay question, the win and the end. The world it walks is locations.cpp.
//
// The BASIC's GOTOs become the steps of one loop:
// 1. NewGame clears the variables, restores the data file and enters the clearing.
// 2. Description prints the place's lines; Prompt prints the prompt line, reads the
//    command and runs the first test that matches, or calls the refusal.
// 3. A subroutine call pushes its return point, runs, and RETURN pops a code: a location's
//    code resumes that location's prompt, 20007 the replay question, any other the end.
// 4. Dying prints "jsi mrtev." and plays the tune as a subroutine; Replay asks whether to
//    play again and goes to NewGame or to the end.
// All of this runs on the GUI thread, inside the Start command.
#include "program/tovprog.h"

#include "common/text.h"
#include "program/locations.h"
#include "runtime/stack.h"

#include <chrono>
#include <span>
#include <utility>

namespace tov::program {
namespace {

using namespace std::chrono_literals;
using runtime::PrintMode;

constexpr auto kOpeningPause = 1000ms;
constexpr auto kAfterFallPause = 50ms;
constexpr auto kBeforeReplayPause = 500ms;

constexpr double kFallingToneTop = 1000;
constexpr double kFallingToneStep = 20;
constexpr double kFallingToneBottom = 200;
constexpr double kFallingToneSound = 1;
constexpr double kFallingToneDuration = 10;

constexpr size_t kTuneVoices = 4;
constexpr double kTuneSound = 3;
constexpr double kTuneEndMark = -1; //: first value of the record that closes the tune

constexpr int kClearing = 1;

// The texts that belong to no one location, in Windows-1250.
struct ProgramTexts {
    std::string title;
    std::string credit;
    std::string howtoplay;
    std::string warning;
    std::string wish;
    std::string carrying;   //: opens the inventory line
    std::string dictionary; //: one text; the screen wraps it
    std::string refusal;
    std::string dead;
    std::string replayquestion;
    std::string yes;
    std::string yesshort;
    std::string gameover;
    std::array<std::string, kItemSlots> itemnames;
};

ProgramTexts buildTexts()
{
    const auto cz = [](std::string_view utf8) { return text::fromUtf8(utf8); };
    return {
        .title = cz("maska slunečního boha, textová dobrodružná hra pro tovanu"),
        .credit = cz("hru napsali a pro mluvící tovanu upravili vývojáři programu tovana."),
        .howtoplay = cz("hra se ovládá příkazy o jednom nebo dvou slovech. příkaz slovník "
                        "kdykoli vypíše všechny známé příkazy."),
        .warning = cz("pozor: věci lze položit jen tam, kde jsou potřeba, a prozkoumat je "
                      "lze jen poté, co jsi je vzal, a jen na místě, kde jsi je vzal."),
        .wish = cz("přejeme vám hezkou zábavu."),
        .carrying = cz("neseš sebou "),
        .dictionary = cz("příkazy pro pohyb: s=sever, j=jih, v=východ, z=západ, n=nahoru, "
                         "d=dolů.ostatní příkazy: inventář, situace, slovník, prozkoumej, "
                         "vezmi, polož, otevři, zapal, nastup, vystup, otoč, přivaž, stiskni"),
        .refusal = cz("nelze provést"),
        .dead = cz("jsi mrtev."),
        .replayquestion = cz("chceš hrát znovu? ano nebo ne?"),
        .yes = cz("ano"),
        .yesshort = cz("a"),
        .gameover = cz("konec hry."),
        .itemnames = {cz("dopis"), cz("uschlou větev"), cz("lano"), cz("kanystr s benzínem"),
                      cz("plynovou masku"), cz("sirku"), cz("dýchací filtr"), cz("past"),
                      cz("bakpak"), cz("překrásný diamant"), cz("malou truhličku"),
                      cz("masku slunečního boha"), cz("bednu")},
    };
}

const ProgramTexts& texts()
{
    static const ProgramTexts built = buildTexts();
    return built;
}

// The carried flag behind each inventory slot, in the order of the inventory line.
constexpr std::array<Flag, kItemSlots> kItemFlags = {
    &ProgramVariables::lettercarried,   &ProgramVariables::branchcarried,
    &ProgramVariables::ropecarried,     &ProgramVariables::canistercarried,
    &ProgramVariables::gasmaskcarried,  &ProgramVariables::matchcarried,
    &ProgramVariables::filtercarried,   &ProgramVariables::trapcarried,
    &ProgramVariables::backpackcarried, &ProgramVariables::diamondcarried,
    &ProgramVariables::chestcarried,    &ProgramVariables::sunmaskcarried,
    &ProgramVariables::boxcarried,
};

const CommandTest* firstMatch(const Location& place, const ProgramVariables& variables)
{
    for (const CommandTest& test : place.tests) {
        if (test.word == variables.command && holds(variables, test.when)) {
            return &test;
        }
    }
    return nullptr;
}

class Adventure {
public:
    explicit Adventure(runtime::Console& console) : console_(console) {}

    void run()
    {
        runtime::initstack(returnstack_);
        clearvariables(variables_);
        Next next = opening();
        while (next != Next::End) {
            next = step(next);
        }
    }

private:
    enum class Next : uint8_t { NewGame, Description, Prompt, Dying, Replay, End };
    using Subroutine = void (Adventure::*)();

    Next step(Next next)
    {
        switch (next) {
        case Next::NewGame:
            return newgame();
        case Next::Description:
            return describe();
        case Next::Prompt:
            return turn();
        case Next::Dying:
            return dying();
        case Next::Replay:
            return replay();
        case Next::End:
            break;
        }
        return Next::End;
    }

    void say(const std::string& text) { console_.print(text, PrintMode::EndLine); }

    void sayAll(const std::vector<std::string>& lines)
    {
        for (const std::string& line : lines) {
            say(line);
        }
    }

    Next opening()
    {
        const ProgramTexts& t = texts();
        say(t.title);
        say(t.credit);
        console_.pause(kOpeningPause);
        say(t.howtoplay);
        say(t.warning);
        say(t.wish);
        console_.pause(kOpeningPause);
        return Next::NewGame;
    }

    Next newgame()
    {
        clearvariables(variables_);
        console_.restoredata();
        here_ = &location(kClearing);
        return Next::Description;
    }

    Next describe()
    {
        sayAll(here_->fixed);
        for (const FlagLines& group : here_->flaglines) {
            for (const LineChoice& choice : group) {
                if (holds(variables_, choice.when)) {
                    sayAll(choice.lines);
                    break;
                }
            }
        }
        if (!here_->exits.empty()) {
            say(here_->exits);
        }
        return Next::Prompt;
    }

    Next turn()
    {
        say(here_->prompt == Prompt::Blank ? " " : "");
        console_.input(variables_.command, runtime::InputMode::NewLine);
        const CommandTest* test = firstMatch(*here_, variables_);
        if (test == nullptr) {
            return gosub(here_->returnpoints.refusal, &Adventure::refusal);
        }
        return perform(*test);
    }

    Next perform(const CommandTest& test)
    {
        if (test.action == Action::FallDeath) {
            fallingtone();
        }
        sayAll(test.messages);
        for (const FlagSet& assignment : test.sets) {
            variables_.*assignment.flag = assignment.value;
        }
        switch (test.action) {
        case Action::Move:
            here_ = &location(test.target);
            return Next::Description;
        case Action::Answer:
            return Next::Prompt;
        case Action::Retell:
            return Next::Description;
        case Action::Inventory:
            return gosub(here_->returnpoints.inventory, &Adventure::inventory);
        case Action::Dictionary:
            return gosub(here_->returnpoints.dictionary, &Adventure::dictionary);
        case Action::Death:
        case Action::FallDeath:
            return Next::Dying;
        case Action::Win:
            return Next::End;
        }
        return Next::End;
    }

    // GOSUB and RETURN: the code goes onto the stack, the subroutine runs, and the popped
    // code says where to go on.
    Next gosub(int32_t returnpoint, Subroutine subroutine)
    {
        runtime::push(returnpoint, returnstack_);
        (this->*subroutine)();
        return doreturn();
    }

    Next doreturn()
    {
        int32_t code = 0;
        runtime::pop(code, returnstack_);
        if (const Location* place = locationOfReturnPoint(code)) {
            here_ = place;
            return Next::Prompt;
        }
        if (code == kDeathTuneReturnPoint) {
            return Next::Replay;
        }
        return Next::End;
    }

    // The line stays open: the prompt's blank ends it.
    void inventory()
    {
        const ProgramTexts& t = texts();
        for (size_t slot = 0; slot < kItemSlots; ++slot) {
            variables_.itemnames[slot] = variables_.*kItemFlags[slot] == 1 ? t.itemnames[slot] : "";
        }
        console_.print(t.carrying, PrintMode::Stay);
        for (const std::string& name : variables_.itemnames) {
            console_.print(name, PrintMode::Stay);
            console_.print(" ", PrintMode::Stay);
        }
    }

    void dictionary() { say(texts().dictionary); }

    void refusal() { say(texts().refusal); }

    // 41 tones, 1000 Hz down to 200 Hz, before the fall into the shaft.
    void fallingtone()
    {
        variables_.tonepitch = kFallingToneTop;
        do {
            console_.sound(std::span<const double>(&variables_.tonepitch, 1), kFallingToneSound,
                           kFallingToneDuration);
            variables_.tonepitch -= kFallingToneStep;
        } while (variables_.tonepitch >= kFallingToneBottom);
        console_.pause(kAfterFallPause);
    }

    Next dying()
    {
        say(texts().dead);
        return gosub(kDeathTuneReturnPoint, &Adventure::deathtune);
    }

    // Chords of the data file until the record that starts with -1.
    void deathtune()
    {
        for (;;) {
            for (double& value : variables_.tunevalues) {
                console_.readnumber(value);
            }
            if (variables_.tunevalues[0] == kTuneEndMark) {
                return;
            }
            console_.sound(std::span<const double>(variables_.tunevalues).first(kTuneVoices),
                           kTuneSound, variables_.tunevalues[kTuneVoices]);
        }
    }

    Next replay()
    {
        const ProgramTexts& t = texts();
        console_.pause(kBeforeReplayPause);
        say(t.replayquestion);
        console_.input(variables_.command, runtime::InputMode::NewLine);
        if (variables_.command == t.yes || variables_.command == t.yesshort) {
            return Next::NewGame;
        }
        say(t.gameover);
        return Next::End;
    }

    runtime::Console& console_;
    runtime::ReturnStack returnstack_;
    ProgramVariables variables_;
    const Location* here_ = nullptr; //: the location whose block runs now
};

} // namespace

void clearvariables(ProgramVariables& variables)
{
    variables = ProgramVariables{};
}

void runprogram(runtime::Console& console)
{
    Adventure(console).run();
}

} // namespace tov::program
