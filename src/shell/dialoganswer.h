// How a settings dialog was left: OK applies what it edited, Cancel leaves it unsaved.
#pragma once

namespace tov::shell {

enum class DialogAnswer { Ok, Cancel };

} // namespace tov::shell
