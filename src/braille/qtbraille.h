// The display in the window: it is taken while the application is active and given back
// when the application loses the focus; it follows PRINT, the input dialog's line and
// cursor and the review window's caret; its keys type into the input dialog through the
// chord keyboard and move the input cursor or the review position. The Settings item
// "Braille display" lets the user keep the display for another program.
// All of this runs on the GUI thread; the connection's own thread only posts to it.
#pragma once

#include "braille/brlapidisplay.h"
#include "braille/printedline.h"
#include "braille/view.h"

#include <QObject>
#include <functional>
#include <memory>
#include <string>

class QAction;

namespace tov::runtime {
class Console;
}
namespace tov::input {
class TForm2;
class TForm6;
} // namespace tov::input

namespace tov::braille {

struct QtBrailleHooks {
    //: any thread: runs the call on the GUI thread (the speech layer's poster)
    std::function<void(std::function<void()>)> post;
    std::function<bool()> readSetting;                //: "Braille display" as stored
    std::function<void(bool)> writeSetting;           //: stores it at once
    std::function<void(const std::string&)> tell;     //: shows a message to the user
    std::function<void(const std::string&)> announce; //: speaks without waiting
};

class QtBraille final : public QObject {
public:
    // Call after the main window's creation (the braille table is loaded by then).
    // `item` is the Settings menu's check item; its caption is the main window's.
    // `answers` is the session's record of answers, told of each print before this display.
    QtBraille(runtime::Console& console, const runtime::AnswerRecord& answers, input::TForm2& form2,
              input::TForm6& form6, QAction& item, QtBrailleHooks hooks, QObject* parent = nullptr);

    BrailleView& view() { return view_; }
    // Follows PRINT onto the display; the window host hands it to the console.
    runtime::PrintObserver& printObserver() { return printed_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void itemClick();
    void inputChanged();
    void reviewChanged();
    void routeReview(size_t column);

    input::TForm2& form2_;
    input::TForm6& form6_;
    QAction& item_;
    QtBrailleHooks hooks_;
    bool reportNext_ = false; //: the user has just switched the display on
    //: created before the view that writes to it; its hooks only run from the event loop
    std::unique_ptr<BrlapiDisplay> display_;
    BrailleView view_;
    PrintedLines printed_;
};

} // namespace tov::braille
