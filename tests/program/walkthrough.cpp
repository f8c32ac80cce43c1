// The winning order and the row runner.
#include "walkthrough.h"

#include "common/text.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace tov::program::testing {

Row arrive(std::string command, int id)
{
    return {std::move(command), arrivalAt(id)};
}

Row hear(std::string command, std::string_view utf8)
{
    return {std::move(command), cz(utf8)};
}

Row answered(std::string command)
{
    return {std::move(command), kAnswered};
}

Rows join(std::initializer_list<Rows> parts)
{
    Rows all;
    for (const Rows& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

std::vector<std::optional<std::string>> commandsOf(const Rows& rows)
{
    std::vector<std::optional<std::string>> lines;
    for (const Row& row : rows) {
        lines.emplace_back(row.command);
    }
    return lines;
}

Rows takeBranch()
{
    return {arrive("v", 2), hear("vezmi větev", "vzal jsi uschlou větev")};
}

Rows rideTheLocomotive()
{
    return {arrive("s", 3),      hear("vezmi kanystr", "vzal jsi kanystr s benzínem"),
            arrive("nastup", 4), answered("stiskni pedál"),
            arrive("vystup", 5), hear("vezmi sirku", "vzal jsi sirku"),
            arrive("nastup", 4), answered("stiskni pedál"),
            arrive("vystup", 3), arrive("j", 2)};
}

Rows openTheBox()
{
    return {arrive("v", 6),
            arrive("v", 7),
            hear("prozkoumej bednu", "vypadla z ní plynová maska a lano."),
            hear("vezmi masku", "vzal jsi plynovou masku"),
            hear("vezmi lano", "vzal jsi lano"),
            hear("vezmi bednu", "vzal jsi bednu")};
}

Rows blowUpTheSnakes()
{
    return {arrive("z", 6), hear("zapal větev", "zapálil jsi větev, která vzplála jasným plamenem"),
            answered("polož větev"), answered("polož kanystr")};
}

Rows setDownBoxAndRope()
{
    return {arrive("z", 2),
            arrive("z", 1),
            hear("polož bednu", "položena"),
            arrive("v", 2),
            hear("přivaž lano", "přivázal jsi lano k trámu"),
            arrive("d", 8)};
}

Rows downToTheCave()
{
    return {arrive("d", 9), arrive("j", 10)};
}

Rows drainAndTakeTrap()
{
    return {hear("otevři dveře", "otevřel jsi dveře v podlaze."),
            answered("otoč kohoutem"),
            arrive("d", 11),
            hear("vezmi past", "vzal jsi past."),
            arrive("n", 10),
            arrive("s", 9)};
}

Rows toTheTempleEntrance()
{
    return {arrive("v", 12),
            arrive("v", 13),
            hear("vezmi bakpak", "vzal jsi bakpak."),
            arrive("z", 12),
            arrive("z", 9),
            arrive("n", 8),
            hear("otevři dveře", "otevřel jsi dveře."),
            arrive("j", 14),
            arrive("n", 15),
            arrive("j", 16)};
}

Rows catchTheGhost()
{
    return {answered("stiskni tlačítko"), arrive("j", 17)};
}

Rows fetchTheFilter()
{
    return {arrive("z", 20),
            arrive("z", 21),
            answered("prozkoumej chatu"),
            hear("vezmi filtr", "vzal jsi dýchací filtr"),
            arrive("v", 20),
            arrive("v", 17)};
}

Rows crossToTheChest()
{
    return {arrive("j", 22),
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
}

Rows takeTheSunMask()
{
    return {arrive("s", 30), answered("stiskni páku"), arrive("v", 32),
            arrive("n", 33), answered("vezmi masku"),  arrive("d", 32),
            arrive("z", 30), arrive("s", 31),          arrive("z", 34)};
}

Rows jump()
{
    return {answered("d")};
}

Rows toTheMaze()
{
    return join({takeBranch(), rideTheLocomotive(), openTheBox(), blowUpTheSnakes(),
                 setDownBoxAndRope(), downToTheCave(), drainAndTakeTrap(), toTheTempleEntrance(),
                 catchTheGhost()});
}

Rows winningOrder()
{
    return join({toTheMaze(), fetchTheFilter(), crossToTheChest(), takeTheSunMask(), jump()});
}

bool contains(const std::vector<std::string>& entries, const std::string& line)
{
    return std::ranges::find(entries, line) != entries.end();
}

void expectRows(const Player& player, const Rows& rows, size_t firstTurn)
{
    const std::string refusal = cz("nelze provést");
    for (size_t i = 0; i < rows.size(); ++i) {
        const size_t index = firstTurn + i;
        ASSERT_LT(index, player.turns().size()) << "no turn for row " << i;
        const Row& row = rows[i];
        const std::vector<std::string> heard = player.answer(index);
        if (row.expect.empty()) {
            EXPECT_TRUE(heard.size() == 1 && heard.front() != refusal)
                << "row " << i << " \"" << row.command << "\" wants a one-line answer, got:\n"
                << show(heard);
        } else {
            EXPECT_TRUE(contains(heard, row.expect))
                << "row " << i << " \"" << row.command << "\" wants [" << text::toUtf8(row.expect)
                << "], got:\n"
                << show(heard);
        }
    }
}

} // namespace tov::program::testing
