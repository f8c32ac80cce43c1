// The winning order and the row runner.
#include "walkthrough.h"

#include "common/text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <span>

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

Rows rowsOf(std::span<const walk::Step> steps)
{
    Rows rows;
    for (const walk::Step& step : steps) {
        std::string command(step.command);
        if (step.arrival != 0) {
            rows.push_back(arrive(std::move(command), step.arrival));
        } else if (step.heard.empty()) {
            rows.push_back(answered(std::move(command)));
        } else {
            rows.push_back(hear(std::move(command), step.heard));
        }
    }
    return rows;
}

Rows rowsOf(std::span<const std::span<const walk::Step>> pieces)
{
    Rows rows;
    for (const std::span<const walk::Step> piece : pieces) {
        const Rows part = rowsOf(piece);
        rows.insert(rows.end(), part.begin(), part.end());
    }
    return rows;
}

Rows toTheMaze()
{
    return rowsOf(walk::kToTheMaze);
}

Rows winningOrder()
{
    return rowsOf(walk::kWinningOrder);
}

bool contains(const std::vector<std::string>& entries, const std::string& line)
{
    return std::find(entries.begin(), entries.end(), line) != entries.end();
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
