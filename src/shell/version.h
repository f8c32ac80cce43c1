// The program's version, as the about boxes show it (the desktop's and the page's).
#pragma once

namespace tov::shell {

inline constexpr const char* kVersion = "1.7";

} // namespace tov::shell
