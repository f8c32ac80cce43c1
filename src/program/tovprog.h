// The built-in adventure: a Czech text adventure of 34 locations, written for the
// notetaker's BASIC and kept here in that shape. It talks to the player only through the
// console's statements (PRINT, INPUT, READ, RESTORE, the sound statement and blocking
// pauses) and never learns which host it runs on. The world itself is data
// (locations.h); this unit is the small interpreter that runs it.
#pragma once

#include "program/variables.h"
#include "runtime/console.h"

namespace tov::program {

// Runs the opening, any number of games and the end, then returns. The caller has reset
// the runtime and opened the data file; it prints "ready" afterwards.
void runprogram(runtime::Console& console);

} // namespace tov::program
