// The one error type of the system. Every failure that reaches the user is raised as a
// TovError carrying its text (Windows-1250, like every string inside the system); the
// shell shows that text in a message box and the process goes on.
#pragma once

#include <stdexcept>
#include <string>

namespace tov {

class TovError : public std::runtime_error {
public:
    explicit TovError(const std::string& text) : std::runtime_error(text) {}
};

} // namespace tov
