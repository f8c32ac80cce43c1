// The screen model's line operations.
#include "runtime/screen.h"

#include "common/tov_error.h"

namespace tov::runtime {

void VirtualScreen::clear()
{
    lines_.assign(kScreenRows, std::string());
    notify(0, kScreenRows - 1);
}

void VirtualScreen::replaceLine(int row, std::string text)
{
    if (row < 0 || row >= kScreenRows) {
        throw TovError("Screen line " + std::to_string(row) + " does not exist");
    }
    lines_[static_cast<size_t>(row)] = std::move(text);
    notify(row, row);
}

void VirtualScreen::scrollUp()
{
    lines_.erase(lines_.begin());
    lines_.emplace_back();
    notify(0, kScreenRows - 1);
}

void VirtualScreen::notify(int first, int last)
{
    if (observer_ != nullptr) {
        observer_->linesChanged(first, last);
    }
}

} // namespace tov::runtime
