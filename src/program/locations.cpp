// The 34 locations of the adventure: what each one prints, where its letters lead, what
// kills there, what its objects answer, and its return points. Tests that share a word
// stand in the order they are tried; tests of different words never compete, so their
// order does not matter. The texts are written in UTF-8 here and turned into
// Windows-1250 once, when the table is first used.
#include "program/locations.h"

#include "common/text.h"

#include <algorithm>
#include <utility>

// The tables name only the members a place or a test has; the others keep their defaults
// (no flag lines, no exits line, no assignments), which is what is meant.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace tov::program {
namespace {

using V = ProgramVariables;
using Lines = std::vector<std::string>;
using Conditions = std::vector<FlagIs>;
using Sets = std::vector<FlagSet>;

FlagIs is(Flag flag, double value)
{
    return {flag, value};
}

FlagSet becomes(Flag flag, double value)
{
    return {flag, value};
}

CommandTest go(std::string word, int target, Conditions when = {})
{
    return {std::move(word), std::move(when), Action::Move, {}, {}, target};
}

// A move that tells how it goes before the next place is described.
CommandTest goSaying(std::string word, Conditions when, std::string message, int target)
{
    return {std::move(word), std::move(when), Action::Move, {std::move(message)}, {}, target};
}

CommandTest answer(std::string word, Conditions when, Lines messages, Sets sets = {})
{
    return {std::move(word), std::move(when), Action::Answer, std::move(messages), std::move(sets)};
}

CommandTest die(std::string word, Conditions when, std::string text)
{
    return {std::move(word), std::move(when), Action::Death, {std::move(text)}};
}

// A line that is printed while its conditions hold.
FlagLines seen(Conditions when, std::string line)
{
    return {{std::move(when), {std::move(line)}}};
}

// One of two lines, by one flag.
FlagLines byFlag(Flag flag, std::string whenZero, std::string whenOne)
{
    return {{{is(flag, 0)}, {std::move(whenZero)}}, {{is(flag, 1)}, {std::move(whenOne)}}};
}

// The item line of the corridor's east end, naming exactly what lies there. The box lies
// there unless it is carried or stands at the clearing; the mask and the rope lie beside
// it once the examined box has let them fall out, the rope only until it is taken or
// tied. With all three there the two lines "bedna a maska" and "lano" are printed. The
// alternatives are tried in order, so each later one may assume the earlier ones failed.
FlagLines corridorEndItems()
{
    const Conditions box = {is(&V::boxcarried, 0), is(&V::boxatclearing, 0)};
    const Conditions mask = {is(&V::boxexamined, 1), is(&V::gasmaskcarried, 0)};
    const Conditions rope = {is(&V::boxexamined, 1), is(&V::ropecarried, 0), is(&V::ropetied, 0)};
    const auto all = [](std::initializer_list<const Conditions*> parts) {
        Conditions joined;
        for (const Conditions* part : parts) {
            joined.insert(joined.end(), part->begin(), part->end());
        }
        return joined;
    };
    return {
        {all({&box, &mask, &rope}), {"je zde bedna a maska.", "je zde lano."}},
        {all({&box, &mask}), {"je zde bedna a maska."}},
        {all({&box, &rope}), {"je zde bedna a lano."}},
        {all({&rope, &mask}), {"je zde lano a maska."}},
        {box, {"je zde bedna."}},
        {mask, {"je zde maska."}},
        {rope, {"je zde lano."}},
    };
}

constexpr const char* kSpiders =
    "uprostřed štoly se na tebe vyrojili odporní pavouci a ubodali tě k smrti.";
constexpr const char* kLocomotiveRuns =
    "lokomotiva se rozjela, projela celou štolou a na jejím konci zastavila.";
constexpr const char* kGotOut = "vystoupil jsi z lokomotivy.";
constexpr const char* kExamined = "není na ní nic zvláštního";

std::vector<Location> world()
{
    std::vector<Location> w;

    w.push_back({
        .id = 1,
        .fixed = {"stojíš na malé mýtině. ve skalní stěně je malý průchod a patnáct metrů nad "
                  "tebou zeje větší otvor."},
        .flaglines = {seen({is(&V::lettercarried, 0)}, "vidíš dopis.")},
        .exits = "můžeš jít na východ.",
        .tests =
            {
                go("v", 2),
                answer("prozkoumej dopis", {is(&V::lettercarried, 1)},
                       {"milý příteli, během tvé nepřítomnosti objevili horníci při těžbě v "
                        "amazonském deštném pralese rozsáhlý podzemní komplex.",
                        "můj kolega, který ho šel prozkoumat, byl rád, že vyvázl bez úhony. "
                        "vyprávěl mi, že tam působí nadpřirozené síly a že uvnitř dosud leží "
                        "vybavení nějaké dřívější výpravy.",
                        "ve své sbírce mám starý svitek, který ten komplex jmenuje chrámem "
                        "slunce a píše, že je v něm ukryta zlatá maska slunečního boha. přeji "
                        "ti hodně štěstí. tvůj přítel tomáš."}),
                answer("vezmi dopis", {is(&V::lettercarried, 0)}, {"vzal jsi dopis"},
                       {becomes(&V::lettercarried, 1)}),
                answer("polož bednu", {is(&V::boxcarried, 1), is(&V::boxatclearing, 0)},
                       {"položena"}, {becomes(&V::boxcarried, 0), becomes(&V::boxatclearing, 1)}),
                answer("vezmi bednu", {is(&V::boxcarried, 0), is(&V::boxatclearing, 1)},
                       {"sebrána"}, {becomes(&V::boxcarried, 1), becomes(&V::boxatclearing, 0)}),
            },
        .returnpoints = {100131, 100133, 100139},
    });

    w.push_back({
        .id = 2,
        .fixed = {"jsi na začátku širokého koridoru. v podlaze ústí větrací šachta a nad ní "
                  "vede přes strop trám."},
        .flaglines = {seen({is(&V::branchcarried, 0), is(&V::branchinhole, 0)},
                           "vidíš uschlou větev.")},
        .exits = "můžeš jít na sever, západ, východ nebo dolů.",
        .tests =
            {
                go("z", 1),
                go("s", 3),
                go("v", 6),
                go("d", 8, {is(&V::ropetied, 1)}),
                {"d", {is(&V::ropetied, 0)}, Action::FallDeath, {"zabil jsi se pádem z výšky."}},
                answer("vezmi větev", {is(&V::branchcarried, 0)}, {"vzal jsi uschlou větev"},
                       {becomes(&V::branchcarried, 1)}),
                answer("přivaž lano", {is(&V::ropecarried, 1)}, {"přivázal jsi lano k trámu"},
                       {becomes(&V::ropecarried, 0), becomes(&V::ropetied, 1)}),
                answer("prozkoumej větev", {is(&V::branchcarried, 1)}, {kExamined}),
            },
        .returnpoints = {100168, 100174, 100189},
    });

    w.push_back({
        .id = 3,
        .fixed = {"jsi na začátku hlavní důlní štoly. vedou tudy koleje a stojí na nich důlní "
                  "lokomotiva."},
        .flaglines = {seen({is(&V::canistercarried, 0), is(&V::blastdone, 0)},
                           "vidíš kanystr s benzínem.")},
        .exits = "můžeš jít na sever a na jih.",
        .tests =
            {
                go("j", 2),
                go("nastup", 4),
                die("s", {}, kSpiders),
                answer("vezmi kanystr", {is(&V::canistercarried, 0)},
                       {"vzal jsi kanystr s benzínem"}, {becomes(&V::canistercarried, 1)}),
                answer("prozkoumej kanystr", {is(&V::canistercarried, 1)},
                       {"je na něm napsáno: šejl ojl"}),
            },
        .returnpoints = {100215, 100225, 100239},
    });

    w.push_back({
        .id = 4,
        .fixed = {"nastoupil jsi do důlní lokomotivy. v její podlaze je pedál."},
        .tests =
            {
                goSaying("vystup", {is(&V::locoatnorth, 1)}, kGotOut, 5),
                answer("prozkoumej pedál", {}, {"jeto pedál na odstartování lokomotivy"}),
                goSaying("vystup", {is(&V::locoatnorth, 0)}, kGotOut, 3),
                answer("stiskni pedál", {is(&V::locoatnorth, 1)}, {kLocomotiveRuns},
                       {becomes(&V::locoatnorth, 0)}),
                answer("stiskni pedál", {is(&V::locoatnorth, 0)}, {kLocomotiveRuns},
                       {becomes(&V::locoatnorth, 1)}),
            },
        .returnpoints = {100242, 100243, 100250},
    });

    w.push_back({
        .id = 5,
        .fixed = {"jsi na severním konci hlavní štoly. na kolejích tu stojí lokomotiva."},
        .flaglines = {seen({is(&V::matchcarried, 0)}, "na zemi leží sirka.")},
        .exits = "můžeš jít na jih.",
        .tests =
            {
                go("nastup", 4),
                die("j", {}, kSpiders),
                answer("vezmi sirku", {is(&V::matchcarried, 0)}, {"vzal jsi sirku"},
                       {becomes(&V::matchcarried, 1)}),
                answer("prozkoumej sirku", {is(&V::matchcarried, 1)}, {kExamined}),
            },
        .returnpoints = {100262, 100260, 100279},
    });

    w.push_back({
        .id = 6,
        .fixed = {"jsi uprostřed širokého koridoru. podlaha tu tvoří trychtýř s dírou "
                  "uprostřed. zem je vlhká a kluzká."},
        .exits = "můžeš jít na východ a na západ.",
        .tests =
            {
                go("z", 2),
                go("v", 7),
                answer("zapal větev", {is(&V::matchcarried, 1), is(&V::branchcarried, 1)},
                       {"zapálil jsi větev, která vzplála jasným plamenem"},
                       {becomes(&V::branchlit, 1)}),
                answer("polož větev", {is(&V::branchlit, 0), is(&V::branchcarried, 1)},
                       {"nejdřív ji zapal a potom ji zde polož"}),
                answer("polož větev", {is(&V::branchlit, 1), is(&V::branchcarried, 1)},
                       {"hořící větev sklouzla do díry v podlaze. teď bys sem měl položit i "
                        "kanystr s benzínem."},
                       {becomes(&V::branchinhole, 1), becomes(&V::branchcarried, 0)}),
                answer("polož kanystr", {is(&V::branchinhole, 0), is(&V::canistercarried, 1)},
                       {"napřed polož zapálenou větev"}),
                answer("polož kanystr", {is(&V::branchinhole, 1), is(&V::canistercarried, 1)},
                       {"kanystr sklouzl do díry a vzápětí otřásl podlahou hromový výbuch."},
                       {becomes(&V::blastdone, 1), becomes(&V::canistercarried, 0)}),
            },
        .returnpoints = {100325, 100330, 100349},
    });

    w.push_back({
        .id = 7,
        .fixed = {"jsi na východním konci širokého koridoru."},
        .flaglines = {corridorEndItems()},
        .exits = "můžeš jít na západ.",
        .tests =
            {
                go("z", 6),
                // The second line only the first time: then the mask and the rope fall out.
                answer("prozkoumej bednu", {is(&V::boxexamined, 0)},
                       {"bedna je vyložena polystyrenem.", "vypadla z ní plynová maska a lano."},
                       {becomes(&V::boxexamined, 1)}),
                answer("prozkoumej bednu", {}, {"bedna je vyložena polystyrenem."}),
                // Only what lies here can be taken: not the box already set down at the
                // clearing, nor the rope already tied to the beam (no second copies).
                answer("vezmi bednu",
                       {is(&V::boxexamined, 1), is(&V::boxcarried, 0), is(&V::boxatclearing, 0)},
                       {"vzal jsi bednu"}, {becomes(&V::boxcarried, 1)}),
                answer("vezmi lano",
                       {is(&V::ropecarried, 0), is(&V::boxexamined, 1), is(&V::ropetied, 0)},
                       {"vzal jsi lano"}, {becomes(&V::ropecarried, 1)}),
                answer("prozkoumej lano", {is(&V::ropecarried, 1)},
                       {"je to pevné, asi 20 metrů dlouhé lano"}),
                answer("vezmi masku", {is(&V::boxexamined, 1), is(&V::gasmaskcarried, 0)},
                       {"vzal jsi plynovou masku"}, {becomes(&V::gasmaskcarried, 1)}),
                answer("prozkoumej masku", {is(&V::gasmaskcarried, 1)},
                       {"chybí k ní dýchací filtr"}),
            },
        .returnpoints = {100375, 100370, 100399},
    });

    w.push_back({
        .id = 8,
        .fixed = {"visíš na laně ve větrací šachtě, která pokračuje nahoru i dolů."},
        .flaglines = {byFlag(&V::shaftdooropen,
                             "v jižní stěně jsou zavřené dveře. můžeš jít nahoru nebo dolů.",
                             "v jižní stěně jsou otevřené dveře. můžeš jít nahoru, dolů a nebo "
                             "na jih.")},
        .tests =
            {
                go("n", 2),
                go("d", 9),
                go("j", 14, {is(&V::shaftdooropen, 1)}),
                die("otevři dveře", {is(&V::waterdrained, 0)},
                    "za dveřmi se skrývala obrovská masa vody, která tě smetla z lana."),
                answer("otevři dveře", {is(&V::waterdrained, 1)}, {"otevřel jsi dveře."},
                       {becomes(&V::shaftdooropen, 1)}),
            },
        .returnpoints = {100430, 100425, 100449},
    });

    w.push_back({
        .id = 9,
        .fixed = {"stojíš na hromadě kamení a nad tebou je ústí větrací šachty."},
        .exits = "můžeš jít nahoru, na východ a na jih.",
        .tests =
            {
                go("n", 8),
                go("j", 10),
                go("v", 12, {is(&V::blastdone, 1)}),
                die("v", {is(&V::blastdone, 0)},
                    "po několika krocích do úzké chodby tě napadli jedovatí hadi a uštkli tě."),
            },
        .returnpoints = {100466, 100468, 100479},
    });

    // Both spellings of the tap work alike in every state of the cave.
    Location cave{
        .id = 10,
        .fixed = {"jsi v prostorné jeskyni. ze stěny tu vychází tlustá roura s kohoutem."},
        .flaglines = {byFlag(&V::floordooropen, "v podlaze jsou zavřené dveře. můžeš jít na sever.",
                             "v podlaze jsou otevřené dveře. můžešjít na sever a dolů.")},
        .tests =
            {
                go("s", 9),
                go("d", 11, {is(&V::floordooropen, 1)}),
                answer("otevři dveře", {is(&V::floordooropen, 0)}, {"otevřel jsi dveře v podlaze."},
                       {becomes(&V::floordooropen, 1)}),
            },
        .returnpoints = {100496, 100498, 100505},
    };
    for (const char* tap : {"otoč kohoutem", "otoč kohoutkem"}) {
        cave.tests.push_back(die(tap, {is(&V::waterdrained, 0), is(&V::floordooropen, 0)},
                                 "z roury vytryskla voda, zaplavila celou jeskyni a ty ses "
                                 "utopil."));
        cave.tests.push_back(answer(tap, {is(&V::waterdrained, 0), is(&V::floordooropen, 1)},
                                    {"z roury vytryskla voda a odtekla dírou v podlaze. po "
                                     "několika minutách přestala téct."},
                                    {becomes(&V::waterdrained, 1)}));
        cave.tests.push_back(answer(tap, {is(&V::waterdrained, 1)},
                                    {"otočil jsi kohoutem na rouře. nic se nestalo."}));
    }
    w.push_back(std::move(cave));

    w.push_back({
        .id = 11,
        .fixed = {"jsi v zatuchlé jámě."},
        .flaglines = {seen({is(&V::trapcarried, 0)}, "vidíš past.")},
        .exits = "můžeš jít nahoru.",
        .tests =
            {
                go("n", 10),
                answer("vezmi past", {is(&V::trapcarried, 0)}, {"vzal jsi past."},
                       {becomes(&V::trapcarried, 1)}),
                answer("prozkoumej past", {is(&V::trapcarried, 1)},
                       {"uvnitř je chapadlo na pružině. na boku pasti je zelené tlačítko."}),
                answer("stiskni tlačítko", {is(&V::trapcarried, 1)},
                       {"stiskl jsi zelené tlačítko. past se otevřela, vystřelilo z ní "
                        "chapadlo a po chvíli zajelo zpět do pasti, která se zavřela."}),
            },
        .returnpoints = {100524, 100530, 100539},
    });

    w.push_back({
        .id = 12,
        .fixed = {"jsi v úzké chodbě s malým otvorem ve stropě. zem je pokrytá spálenými "
                  "hady."},
        .exits = "můžeš jít na východ a na západ.",
        .tests = {go("z", 9), go("v", 13)},
        .returnpoints = {100568, 100566, 100579},
    });

    w.push_back({
        .id = 13,
        .fixed = {"jsi na konci úzké chodby."},
        .flaglines = {seen({is(&V::backpackcarried, 0)}, "vidíš bakpak.")},
        .exits = "můžeš jít na západ.",
        .tests =
            {
                go("z", 12),
                answer("prozkoumej bakpak", {is(&V::backpackcarried, 1)},
                       {"je to zbraň, z jejíž hlavně vychází paprsek světla, který dokáže "
                        "zadržet spoustu věcí."}),
                answer("vezmi bakpak", {is(&V::backpackcarried, 0)}, {"vzal jsi bakpak."},
                       {becomes(&V::backpackcarried, 1)}),
            },
        .returnpoints = {100592, 100594, 100599},
    });

    w.push_back({
        .id = 14,
        .fixed = {"jsi ve vlhké místnosti. v rohu je malá díra, na jižní straně vede nahoru "
                  "schodiště a v severní stěně jsou otevřené dveře."},
        .exits = "můžeš jít na sever a nahoru.",
        .tests = {go("s", 8), go("n", 15)},
        .returnpoints = {100630, 100620, 100649},
    });

    w.push_back({
        .id = 15,
        .fixed = {"jsi na vrcholu schodiště, které je plné pavučin. už dlouho tu nikdo nebyl."},
        .exits = "můžeš jít na jih a dolů.",
        .tests =
            {
                go("d", 14),
                go("j", 16),
                answer("prozkoumej pavučiny", {}, {"jsou to pavučiny, které upletl tlustý křižák"}),
            },
        .returnpoints = {100675, 100680, 100699},
    });

    w.push_back({
        .id = 16,
        .fixed = {"jsi u vchodu do chrámu. na jihu je brána vykládaná zlatem."},
        .flaglines = {seen({is(&V::ghostcaught, 0)}, "vidíš zde poletujícího ducha.")},
        .exits = "můžeš jít na jih a na sever.",
        .tests =
            {
                go("s", 15),
                go("j", 17, {is(&V::ghostcaught, 1)}),
                die("j", {is(&V::ghostcaught, 0)},
                    "když jsi chtěl projít zlatou bránou, duch se na tebe vrhl a zavraždil tě."),
                answer("prozkoumej ducha", {}, {"vypadá docela sympaticky, ale pozor na něj."}),
                answer("stiskni tlačítko",
                       {is(&V::trapcarried, 1), is(&V::ghostcaught, 0), is(&V::backpackcarried, 0)},
                       {"z pasti vystřelilo chapadlo, ale duch na poslední chvíli uhnul a "
                        "chapadlo zajelo zpět do pasti."}),
                answer("stiskni tlačítko",
                       {is(&V::ghostcaught, 0), is(&V::trapcarried, 1), is(&V::backpackcarried, 1)},
                       {"past se otevřela a vystřelilo z ní chapadlo. duch se snažil uhnout, ale "
                        "zadržel ho paprsek z bakpaku. chapadlo vtáhlo ducha do pasti a past se "
                        "zavřela."},
                       {becomes(&V::ghostcaught, 1)}),
            },
        .returnpoints = {100730, 100735, 100748},
    });

    w.push_back({
        .id = 17,
        .fixed = {"jsi v bludišti, ze kterého můžeš jít na sever, na jih, na východ, na západ, "
                  "nahoru i dolů."},
        .tests =
            {
                go("s", 16),
                go("d", 18),
                go("v", 19),
                go("j", 22),
                go("z", 20),
                answer("n", {is(&V::headbumped, 0)},
                       {"bouchl jsi se do hlavy o strop. raději to víckrát nezkoušej."},
                       {becomes(&V::headbumped, 1)}),
                die("n", {is(&V::headbumped, 1)}, "rozbil sis hlavu o strop."),
            },
        .returnpoints = {100765, 100760, 100799},
    });

    w.push_back({
        .id = 18,
        .fixed = {"stojíš po kolena v bahně a můžeš jít nahoru nebo dolů."},
        .tests = {go("n", 17), die("d", {}, "utopil jsi se v mazlavém bahně.")},
        .returnpoints = {100825, 100820, 100849},
    });

    w.push_back({
        .id = 19,
        .fixed = {"stojíš na samém okraji hluboké propasti. ještě jeden krok a spadneš."},
        .exits = "můžeš jít na východ a na západ.",
        .tests = {go("z", 17), die("v", {}, "s mohutným rachotem ses zřítil do hluboké propasti.")},
        .returnpoints = {100870, 100865, 100899},
    });

    w.push_back({
        .id = 20,
        .fixed = {"jsi na palouku, na kterém stojí chata."},
        .exits = "můžeš jít na východ nebo na západ.",
        .tests =
            {
                go("v", 17),
                go("z", 21),
                answer("prozkoumej palouk", {},
                       {"jéje, na paloučku loste taková hezoučká tlávička, ta je "
                        "ale heboučká!"}),
                answer("prozkoumej chatu", {}, {"chata je dřevěná."}),
            },
        .returnpoints = {100925, 100930, 100949},
    });

    w.push_back({
        .id = 21,
        .fixed = {"jsi v malé chatě, ze které se dá vyjít na východ."},
        .tests =
            {
                go("v", 20),
                answer("prozkoumej chatu", {is(&V::filtercarried, 0)},
                       {"chata je malá a napůl rozpadlá. na jedné z jejích ztrouchnivělých "
                        "stěn visí dýchací filtr."},
                       {becomes(&V::filterfound, 1)}),
                answer("vezmi filtr", {is(&V::filterfound, 1), is(&V::filtercarried, 0)},
                       {"vzal jsi dýchací filtr"}, {becomes(&V::filtercarried, 1)}),
                answer("prozkoumej filtr", {}, {"je to filtr do dýchací masky"}),
            },
        .returnpoints = {100970, 100965, 100999},
    });

    w.push_back({
        .id = 22,
        .fixed = {"jsi na severním okraji velké prohlubně, ze které je cítit plyn."},
        .exits = "můžeš jít na sever a dolů.",
        .tests =
            {
                go("s", 17),
                go("d", 23, {is(&V::gasmaskcarried, 1), is(&V::filtercarried, 1)}),
                // Whatever the mask and the filter did not let through: one of them is missing.
                die("d", {},
                    "slezl jsi do prohlubně, párkrát ses nadechl a udusil ses jedovatým "
                    "plynem."),
            },
        .returnpoints = {101020, 101025, 101049},
    });

    w.push_back({
        .id = 23,
        .fixed = {"jsi obklopen hustým zeleným plynem."},
        .exits = "můžeš jít nahoru a na jih.",
        .tests = {go("n", 22), go("j", 24)},
        .returnpoints = {101075, 101070, 101099},
    });

    w.push_back({
        .id = 24,
        .fixed = {"jsi na jižním okraji velké prohlubně, ze které je cítit plyn."},
        .exits = "můžeš jít na východ a dolů.",
        .prompt = Prompt::Empty,
        .tests = {go("d", 23), go("v", 25)},
        .returnpoints = {101125, 101120, 101149},
    });

    w.push_back({
        .id = 25,
        .fixed = {"jsi na západním okraji bažiny, odkud můžeš jít na východ a na západ."},
        .tests = {go("z", 24), go("v", 26)},
        .returnpoints = {101170, 101175, 101199},
    });

    w.push_back({
        .id = 26,
        .fixed = {"jsi uprostřed bažiny. z bahna stoupají páchnoucí plyny."},
        .exits = "můžeš jít na východ a na západ.",
        .tests = {go("z", 25), go("v", 27)},
        .returnpoints = {101225, 101230, 101249},
    });

    w.push_back({
        .id = 27,
        .fixed = {"jsi na východním okraji bažiny, odkud můžeš jít na západ a na východ."},
        .tests = {go("z", 26), go("v", 28)},
        .returnpoints = {101280, 101270, 101299},
    });

    w.push_back({
        .id = 28,
        .fixed = {"jsi v široké chodbě, jejíž stěny jsou vyzdobeny kresbami."},
        .flaglines = {seen({is(&V::toadgone, 0)}, "vidíš obrovskou ropuchu.")},
        .exits = "můžeš jít na východ a na západ.",
        .prompt = Prompt::Empty,
        .tests =
            {
                go("z", 27),
                go("v", 29, {is(&V::toadgone, 1)}),
                answer("v", {is(&V::toadgone, 0)}, {"ropucha tě nechce ani za nic pustit dál."}),
                answer("prozkoumej ropuchu", {is(&V::toadgone, 0)},
                       {"vypadá odporně, asi jako ty!"}),
                answer("otevři past", {is(&V::toadgone, 0)},
                       {"otevřel jsi past. duch z ní vylétl a s hrozným řevem zmizel ve stropě. "
                        "vyděšená ropucha utekla na západ a zůstal po ní nádherný diamant."},
                       {becomes(&V::toadgone, 1)}),
                // Once it lies on the altar (the chest has fallen) it is no longer here.
                answer("vezmi diamant", {is(&V::toadgone, 1), is(&V::chestfallen, 0)},
                       {"vzal jsi diamant."}, {becomes(&V::diamondcarried, 1)}),
            },
        .returnpoints = {101325, 101330, 101349},
    });

    w.push_back({
        .id = 29,
        .fixed = {"jsi v kulaté místnosti s kamenným oltářem. na prohlubeň v oltáři dopadá "
                  "sluneční světlo."},
        .exits = "můžeš jít na sever a na západ.",
        .tests =
            {
                go("z", 28),
                go("s", 30),
                answer("polož diamant", {is(&V::diamondcarried, 1)},
                       {"jakmile diamant spočinul v prohlubni oltáře, strop se otevřel a na "
                        "podlahu spadla malá truhlička."},
                       {becomes(&V::diamondcarried, 0), becomes(&V::chestfallen, 1)}),
                answer("vezmi truhličku", {is(&V::chestfallen, 1), is(&V::chestcarried, 0)},
                       {"vzal jsi malou truhličku."}, {becomes(&V::chestcarried, 1)}),
                answer("prozkoumej truhličku", {is(&V::chestcarried, 1)},
                       {"je to truhlička, která umožňuje vzít masku slunečního boha."}),
            },
        .returnpoints = {101375, 101370, 101399},
    });

    w.push_back({
        .id = 30,
        .fixed = {"jsi v síni vyzdobené sochami králů a jiných šlechticů. ve zdi je dřevěná "
                  "páka a ve východní stěně mohutná brána."},
        .flaglines = {byFlag(&V::gateopen, "je zavřená. můžeš jít na sever a na jih.",
                             "je otevřená. můžeš jít na sever, na jih a na východ.")},
        .tests =
            {
                go("j", 29),
                go("s", 31),
                go("v", 32, {is(&V::gateopen, 1)}),
                answer("prozkoumej páku", {}, {"pohybuje se snadno ve zdi."}),
                answer("stiskni páku", {is(&V::gateopen, 0)},
                       {"zatlačil jsi na páku ve zdi a brána se s mohutným rachotem otevřela."},
                       {becomes(&V::gateopen, 1)}),
            },
        .returnpoints = {101430, 101425, 101449},
    });

    w.push_back({
        .id = 31,
        .fixed = {"jsi v malé kobce, která kdysi sloužila jako hladomorna. v západní stěně "
                  "je malé zrezivělé okno."},
        .flaglines = {byFlag(&V::windowopen, "je zavřené. můžeš jít na jih.",
                             "je otevřené. můžeš jít na jih a na západ.")},
        .tests = {go("j", 30), go("z", 34, {is(&V::windowopen, 1)})},
        .returnpoints = {101475, 101470, 101499},
    });

    w.push_back({
        .id = 32,
        .fixed = {"jsi v hlavní síni chrámu. schody vedou nahoru k oltáři a v západní stěně je "
                  "mohutná brána."},
        .exits = "můžeš jít nahoru a na západ.",
        .tests = {go("z", 30), go("n", 33)},
        .returnpoints = {101520, 101530, 101549},
    });

    w.push_back({
        .id = 33,
        .fixed = {"stojíš na kamenném oltáři."},
        .flaglines = {seen({is(&V::sunmaskcarried, 0)}, "vidíš masku slunečního boha.")},
        .exits = "můžeš jít dolů.",
        .tests =
            {
                go("d", 32),
                answer("prozkoumej masku", {is(&V::sunmaskcarried, 1)},
                       {"má nevyčíslitelnou cenu. teď se musíš dostat ven."}),
                answer("vezmi masku", {is(&V::sunmaskcarried, 0), is(&V::chestcarried, 1)},
                       {"vzal jsi masku slunečního boha. kdesi v dálce se se skřípěním "
                        "otevřelo zrezivělé okno."},
                       {becomes(&V::windowopen, 1), becomes(&V::sunmaskcarried, 1)}),
                answer("vezmi masku", {is(&V::sunmaskcarried, 0), is(&V::chestcarried, 0)},
                       {"prozatím to nejde."}),
            },
        .returnpoints = {101570, 101565, 101599},
    });

    // The refusal's code here is one no other call uses.
    w.push_back({
        .id = 34,
        .fixed = {"držíš se skály pod oknem. patnáct metrů pod tebou leží mýtina, ze které "
                  "jsi vyšel."},
        .exits = "můžešjít na východ a dolů.",
        .tests =
            {
                go("v", 31),
                {"d",
                 {is(&V::boxatclearing, 1)},
                 Action::Win,
                 {"dopadl jsi na mýtinu přímo do připravené bedny vyložené polystyrenem. tímto "
                  "skokem hra končí a autor ti blahopřeje k jejímu dokončení."}},
                die("d", {is(&V::boxatclearing, 0)},
                    "spadl jsi z patnácti metrů na mýtinu a nezbylo z tebe nic. příště si dole "
                    "připrav něco, do čeho bezpečně dopadneš."),
            },
        .returnpoints = {101620, 101615, 101649},
    });

    return w;
}

// The three general words of every chain. "situace" tells the place again, except at the
// end of the narrow corridor, whose retelling word is "situc", and at the south edge of
// the depression, where it only prompts again.
constexpr int kNarrowCorridorEnd = 13;
constexpr int kDepressionSouthEdge = 24;

void addGeneralWords(Location& place)
{
    if (place.id == kNarrowCorridorEnd) {
        place.tests.push_back({"situc", {}, Action::Retell});
    } else if (place.id == kDepressionSouthEdge) {
        place.tests.push_back({"situace", {}, Action::Answer});
    } else {
        place.tests.push_back({"situace", {}, Action::Retell});
    }
    place.tests.push_back({"inventář", {}, Action::Inventory});
    place.tests.push_back({"slovník", {}, Action::Dictionary});
}

void convert(std::string& utf8)
{
    utf8 = text::fromUtf8(utf8);
}

void convert(std::vector<std::string>& texts)
{
    for (std::string& s : texts) {
        convert(s);
    }
}

void convertTexts(Location& place)
{
    convert(place.fixed);
    for (FlagLines& group : place.flaglines) {
        for (LineChoice& choice : group) {
            convert(choice.lines);
        }
    }
    convert(place.exits);
    for (CommandTest& test : place.tests) {
        convert(test.word);
        convert(test.messages);
    }
}

std::vector<Location> buildLocations()
{
    std::vector<Location> places = world();
    for (Location& place : places) {
        addGeneralWords(place);
        convertTexts(place);
    }
    return places;
}

} // namespace

bool holds(const ProgramVariables& variables, std::span<const FlagIs> conditions)
{
    // The iterator form: the browser build's C++ library lacks std::ranges::all_of.
    return std::all_of(conditions.begin(), conditions.end(), [&](const FlagIs& condition) {
        return variables.*condition.flag == condition.value;
    });
}

const std::vector<Location>& locations()
{
    static const std::vector<Location> places = buildLocations();
    return places;
}

const Location& location(int id)
{
    return locations().at(static_cast<size_t>(id - 1));
}

const Location* locationOfReturnPoint(int32_t code)
{
    for (const Location& place : locations()) {
        const ReturnPoints& points = place.returnpoints;
        if (code == points.inventory || code == points.dictionary || code == points.refusal) {
            return &place;
        }
    }
    return nullptr;
}

} // namespace tov::program
