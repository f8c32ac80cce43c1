// The input dialog as a script: each showModal answers with the next line. Header-only
// and free of GoogleTest, so the fuzz targets can type their input through it too.
#pragma once

#include "runtime/host.h"

#include <deque>
#include <functional>
#include <optional>
#include <string>

namespace tov::testing {

// Thrown by a ScriptedDialog told to throw once its script has run out.
struct ScriptExhausted {};

// Answers each showModal with the next scripted line (Ok), or Closed when a line is
// std::nullopt. Records what the runtime did to it.
class ScriptedDialog final : public runtime::InputDialog {
public:
    // What a show does once the script has run out: close the dialog, or throw
    // ScriptExhausted, so a run that waits for one line more than it was given ends.
    enum class WhenDone { Close, Throw };

    void setEditText(const std::string& text) override
    {
        edit = text;
        ++textResets;
    }
    void activateEdit() override { ++activations; }
    runtime::DialogResult showModal() override
    {
        if (script.empty() && whenDone == WhenDone::Throw) {
            throw ScriptExhausted{};
        }
        if (beforeShow) {
            beforeShow();
        }
        ++shows;
        if (script.empty()) {
            return runtime::DialogResult::Closed;
        }
        std::optional<std::string> line = std::move(script.front());
        script.pop_front();
        if (!line) {
            return runtime::DialogResult::Closed;
        }
        edit = std::move(*line);
        return runtime::DialogResult::Ok;
    }
    std::string editText() const override { return edit; }

    // Lines to answer with, in order. An empty optional closes the dialog instead.
    std::deque<std::optional<std::string>> script;
    WhenDone whenDone = WhenDone::Close;
    std::function<void()> beforeShow; //: runs as each show begins, before its answer
    std::string edit;
    int shows = 0;
    int textResets = 0;
    int activations = 0;
};

} // namespace tov::testing
