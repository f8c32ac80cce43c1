// The echo of a typed character: the capital cue and the character's spoken name. The
// names are the keyboard's own (the key-name file); the speech layer only speaks them.
// All of it runs on the GUI thread.
#pragma once

#include "input/brailletables.h"
#include "runtime/host.h"

#include <string>

namespace tov::input {

// What a key echo plays and speaks through, and where it finds the names.
struct KeyEcho {
    runtime::Speech& speech;
    runtime::SoundStatement& sounds; //: the capital cue
    const BrailleTables& tables;     //: the key names

    // Speaks the name of the text's first character; a single capital letter first plays
    // the cue ("A": the cue, then "velké a"). Nothing without a ready engine, for an
    // empty text or a lone code 0; a character without a name plays only its cue.
    void operator()(const std::string& text) const;
};

// Windows-1250 capitals: "A" to "Z" and the capitals of the Czech and Slovak alphabets.
bool iscapital(char c);

} // namespace tov::input
