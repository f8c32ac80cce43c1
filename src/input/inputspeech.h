// What the keyboard's windows need from the speech layer. The shell implements it over the
// real speech layer; tests use a recording fake. All of it runs on the GUI thread.
#pragma once

#include <string>

namespace tov::input {

class InputSpeech {
public:
    virtual ~InputSpeech() = default;
    // Speaks a Windows-1250 text and returns when it has been spoken, serving the event
    // queue meanwhile; an empty text returns at once.
    virtual void say(const std::string& text) = 0;
    // Hands the text to the engine and returns at once.
    virtual void saynowait(const std::string& text) = 0;
    // Silences the engine: what it is saying and everything queued.
    virtual void stopspeech() = 0;
    // Speaks the key name of the text's first character (after the capital cue for a
    // capital letter); an empty text, or a lone code 0, says nothing.
    virtual void echokey(const std::string& text) = 0;
    // A speech engine is ready to speak.
    virtual bool engineready() const = 0;
};

// Says nothing and reports no engine: the windows before the shell has wired speech.
InputSpeech& silentInputSpeech();

} // namespace tov::input
