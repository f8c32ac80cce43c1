// The input dialog's controls, its modal round, and its focus and key handlers.
#include "input/inputdialog.h"

#include "common/localizer.h"
#include "common/qcaptions.h"
#include "common/qtext.h"
#include "input/words.h"

#include <QFocusEvent>
#include <QHBoxLayout>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPoint>
#include <QPushButton>
#include <QScreen>
#include <utility>

namespace tov::input {
namespace {

//: the key click of deleting keys and of moves at the ends of the line
constexpr double kLineClick = 2;
//: room for the line beside the two buttons
constexpr int kMinimumWidth = 379;
//: the place without a main window; each show moves it under the main window
constexpr QPoint kOpeningPosition{248, 24};

// The input line. It takes each key press and composed character first, then runs what the
// dialog's key handler left for after the edit: the echo waits, and the next keys, handled
// inside that wait, must find this key's edit already done.
class InputLine final : public QLineEdit {
public:
    InputLine(std::function<void()> afterEdit, QWidget* parent)
        : QLineEdit(parent), afterEdit_(std::move(afterEdit))
    {
    }

protected:
    bool event(QEvent* event) override
    {
        const bool handled = QLineEdit::event(event);
        if (event->type() == QEvent::KeyPress || event->type() == QEvent::InputMethod) {
            afterEdit_();
        }
        return handled;
    }

private:
    std::function<void()> afterEdit_;
};

} // namespace

TForm2::TForm2(std::function<void()> exitProgram, QWidget* parent)
    : QDialog(parent), exitProgram_(std::move(exitProgram))
{
    setObjectName("TForm2");
    inputedit_ = new InputLine([this] { runAfterEdit(); }, this);
    inputedit_->setObjectName("inputedit");
    enterbitbtn_ = new QPushButton(this);
    enterbitbtn_->setObjectName("Enterbitbtn");
    exitprogrambtn_ = new QPushButton(this);
    exitprogrambtn_->setObjectName("exitprogrambtn");

    auto* row = new QHBoxLayout(this);
    row->addWidget(inputedit_, 1);
    row->addWidget(enterbitbtn_);
    row->addWidget(exitprogrambtn_);
    setTabOrder(inputedit_, enterbitbtn_);
    setTabOrder(enterbitbtn_, exitprogrambtn_);

    // Enter anywhere in the dialog confirms the line.
    enterbitbtn_->setDefault(true);
    exitprogrambtn_->setAutoDefault(false);
    connect(enterbitbtn_, &QPushButton::clicked, this, &QDialog::accept);
    connect(exitprogrambtn_, &QPushButton::clicked, this, &TForm2::exitprogrambtnClick);

    inputedit_->installEventFilter(this);
    enterbitbtn_->installEventFilter(this);
    exitprogrambtn_->installEventFilter(this);

    releaseTimer_.setSingleShot(true);
    releaseTimer_.setInterval(kRepeatPairWait);
    connect(&releaseTimer_, &QTimer::timeout, this, &TForm2::flushRelease);
    requestDetectableAutoRepeat();

    setMinimumWidth(kMinimumWidth);
    move(kOpeningPosition);
    setHosts({});
    FormCreate();
}

void TForm2::setHosts(InputDialogHosts hosts)
{
    const bool sameKeyboard = tracker_ != nullptr && hosts.keyboard == hosts_.keyboard;
    hosts_ = std::move(hosts);
    if (!sameKeyboard) {
        tracker_.reset(); // the old one stops watching before the new one starts
        tracker_ = std::make_unique<KeyStateTracker>(hosts_.keyboard->held);
    }
}

void TForm2::FormCreate()
{
    // Captions are fetched once, in the language of this start.
    setWindowTitle(caption(Message::EnterData));
    enterbitbtn_->setText(caption(Message::Ok));
    exitprogrambtn_->setText(caption(Message::ExitProgram));

    nameForAccessibility(this, caption(Message::EnterData));
    nameForAccessibility(inputedit_, caption(Message::EnterData));
    nameForAccessibility(enterbitbtn_, caption(Message::Ok));
    nameForAccessibility(exitprogrambtn_, caption(Message::ExitProgram));
    hosts_.keyboard->currentprefix.clear();
}

void TForm2::exitprogrambtnClick()
{
    exitProgram_();
}

void TForm2::setEditText(const std::string& text)
{
    inputedit_->setText(text::toQString(text));
}

void TForm2::activateEdit()
{
    inputedit_->setFocus(Qt::OtherFocusReason);
}

runtime::DialogResult TForm2::showModal()
{
    lastEntered_ = nullptr;
    placeBelowScreen();
    return exec() == QDialog::Accepted ? runtime::DialogResult::Ok : runtime::DialogResult::Closed;
}

void TForm2::placeBelowScreen()
{
    // Under the main window, so that none of the 24 screen lines is covered; a main
    // window that reaches the bottom of the desktop keeps the dialog at that bottom.
    const QWidget* main = parentWidget();
    if (main == nullptr) {
        return;
    }
    const QRect frame = main->frameGeometry();
    QPoint at(frame.left(), frame.bottom() + 1);
    if (const QScreen* screen = main->screen()) {
        const QRect desktop = screen->availableGeometry();
        at.setY(std::min(at.y(), desktop.bottom() + 1 - frameGeometry().height()));
    }
    move(at);
}

std::string TForm2::editText() const
{
    return text::fromQString(inputedit_->text());
}

void TForm2::done(int result)
{
    // A chord let go just before the OK button was clicked belongs to the line.
    flushRelease();
    FormClose();
    QDialog::done(result);
}

void TForm2::FormClose()
{
    linekeys_.clear();
    focusflag_ = false;
    lastEntered_ = nullptr;
}

void TForm2::keyPressEvent(QKeyEvent* event)
{
    // No cancel button: Escape leaves the dialog open. Only the close box cancels.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool TForm2::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusIn) {
        entered(static_cast<QWidget*>(watched));
        return false;
    }
    if (watched != inputedit_) {
        return false;
    }
    switch (event->type()) {
    case QEvent::KeyPress: {
        const auto& key = *static_cast<QKeyEvent*>(event);
        // Down already: the keyboard's auto-repeat as XKB's detectable auto-repeat (and the
        // notetaker's platform) sends it, presses without releases.
        bool repeated = key.isAutoRepeat() || linekeys_.isHeld(virtualKey(key));
        linekeys_.press(virtualKey(key));
        if (isAutoRepeatPair(lastRelease_.key, lastRelease_.timestamp, virtualKey(key),
                             key.timestamp())) {
            repeated = true;
            if (heldRelease_.has_value() && heldRelease_->key == lastRelease_.key) {
                // The key never went up: its chord is still held and must not be typed.
                heldRelease_.reset();
                releaseTimer_.stop();
            }
        }
        flushRelease();
        return inputeditKeyPress(key, repeated);
    }
    case QEvent::KeyRelease: {
        const auto& key = *static_cast<QKeyEvent*>(event);
        if (!key.isAutoRepeat()) {
            linekeys_.release(virtualKey(key));
            lastRelease_ = {virtualKey(key), {}, key.timestamp()};
        }
        inputeditKeyRelease(key);
        return false;
    }
    case QEvent::FocusOut:
        linekeys_.clear(); // the releases will go elsewhere
        return false;
    case QEvent::InputMethod:
        flushRelease();
        return inputeditInputMethod(static_cast<QInputMethodEvent*>(event)->commitString());
    default:
        return false;
    }
}

void TForm2::entered(QWidget* control)
{
    if (control == lastEntered_) {
        return;
    }
    lastEntered_ = control;
    if (control == inputedit_) {
        inputeditEnter();
    } else if (control == enterbitbtn_ || control == exitprogrambtn_) {
        buttonEnter(*static_cast<QPushButton*>(control));
    }
}

void TForm2::reset()
{
    afterEdit_ = nullptr;
    hosts_.speech->stopspeech();
}

void TForm2::runAfterEdit()
{
    // Taken out first: the keys handled while it waits leave their own.
    const std::function<void()> after = std::exchange(afterEdit_, nullptr);
    if (after) {
        after();
    }
}

void TForm2::inputeditEnter()
{
    if (!focusflag_) {
        focusflag_ = true; // the dialog has just opened: its line is where the user expects
        return;
    }
    reset();
    sayLine();
}

void TForm2::buttonEnter(const QPushButton& button)
{
    reset();
    focusflag_ = true;
    hosts_.speech->say(text::fromQString(button.text()));
}

EditLine TForm2::line() const
{
    // As columns, so the widget's cursor indexes the text alike.
    EditLine line;
    line.text = text::toColumns(inputedit_->text());
    line.cursor = static_cast<size_t>(inputedit_->cursorPosition());
    return line;
}

void TForm2::sayLine()
{
    const std::string text = line().text;
    hosts_.speech->say(text.empty() ? message(Message::EmptyLine) : text);
}

void TForm2::echokey(const std::string& text) const
{
    KeyEcho{*hosts_.speech, *hosts_.sounds, *hosts_.tables}(text);
}

void TForm2::echoAt(const EditLine& line, size_t offset)
{
    const std::string character = characterAt(line.text, offset);
    if (!character.empty()) {
        echokey(character);
    }
}

void TForm2::sayWordAt(const EditLine& line)
{
    const std::string word = wordAt(line.text, line.cursor);
    if (!word.empty()) {
        hosts_.speech->say(word);
    }
}

bool TForm2::inputeditKeyPress(const QKeyEvent& event, bool repeated)
{
    inputeditKeyDown(event);
    if (answerKeyBack(virtualKey(event), modifiersOf(event)) != 0) {
        runAfterEdit(); // Alt+1 types no "1"
        return true;
    }
    const QString produced = event.text();
    // Alt with a letter is a menu accelerator, not a typed character; and Delete types
    // nothing, though some layouts report it as the character 127.
    if (!hosts_.keyboard->braillekeys || produced.isEmpty() ||
        modifiersOf(event).has(Modifier::Alt) || virtualKey(event) == vk::kDelete) {
        return false;
    }
    const auto code = static_cast<unsigned char>(text::fromUnicode(produced.at(0).unicode()));
    // A key still repeating after the first key of its chord was let go (the chord is
    // typed and its buffer empty) would start a chord of the keys left down: F D S L let
    // go F first would type "v" and then "(" (2 3 6). The repeat only repeats the preview
    // of a chord still held.
    if (repeated && hosts_.keyboard->chordbuffer.empty() && code >= ' ') {
        runAfterEdit();
        return true;
    }
    return previewInBraille(code);
}

bool TForm2::previewInBraille(unsigned char code)
{
    const ChordPreview preview = previewChord(*hosts_.keyboard, *hosts_.tables, code);
    if (!preview.echo.empty()) {
        afterEdit_ = [this, before = std::move(afterEdit_), echo = preview.echo] {
            if (before) {
                before();
            }
            echokey(echo);
        };
    }
    if (preview.swallowed) {
        runAfterEdit(); // the line takes nothing of this key
    }
    return preview.swallowed;
}

void TForm2::inputeditKeyDown(const QKeyEvent& event)
{
    const int key = virtualKey(event);
    const Modifiers modifiers = modifiersOf(event);
    const bool alt = modifiers.has(Modifier::Alt);
    reset();
    const EditLine current = line();
    // The layout's dead-key memory follows every key, echoed or not.
    const std::optional<char> typed = layoutecho_.character(event);
    // What the key says is taken from the line as it is now, and said once the line has
    // taken the key: Backspace echoes the character it is about to delete.
    std::string echo;
    std::string spoken;
    const size_t answerBack = answerKeyBack(key, modifiers);
    if (answerBack != 0) {
        // Said once the key is handled, like every other thing a key says.
    } else if (key == vk::kBack) {
        hosts_.sounds->click(kLineClick);
        if (current.cursor > 0) {
            echo = characterAt(current.text, current.cursor - 1);
        } else {
            hosts_.sounds->beep();
        }
    } else if (key == vk::kDelete) {
        hosts_.sounds->click(kLineClick);
        if (current.cursor < current.text.size()) {
            echo = characterAt(current.text, current.cursor);
        } else {
            hosts_.sounds->beep();
        }
    } else if (key == vk::kUp && alt) {
        spoken = current.text.empty() ? message(Message::EmptyLine) : current.text;
    } else if (!hosts_.keyboard->braillekeys && typed.has_value()) {
        echo = std::string(1, *typed);
    }
    const bool review = (key == vk::kUp || key == vk::kDown) && !alt;
    const bool exit = key == vk::kF4 && alt;
    if (echo.empty() && spoken.empty() && !review && !exit && answerBack == 0) {
        return;
    }
    afterEdit_ = [this, echo, spoken, review, exit, answerBack] {
        if (answerBack != 0 && hosts_.sayAnswer) {
            hosts_.sayAnswer(answerBack);
        }
        if (!echo.empty()) {
            echokey(echo);
        }
        if (!spoken.empty()) {
            hosts_.speech->say(spoken);
        }
        if (review && hosts_.openReview) {
            hosts_.openReview();
        }
        if (exit) {
            exitProgram_();
        }
    };
}

void TForm2::commit()
{
    const EditLine before = line();
    EditLine after = before;
    commitChord(*hosts_.keyboard, *hosts_.tables, after);
    if (after.text.size() == before.text.size()) {
        return;
    }
    // Insert into the widget's own text, so characters outside the code page stay whole.
    const std::string inserted =
        after.text.substr(before.cursor, after.text.size() - before.text.size());
    QString text = inputedit_->text();
    text.insert(static_cast<qsizetype>(before.cursor), text::toQString(inserted));
    inputedit_->setText(text);
    inputedit_->setCursorPosition(static_cast<int>(after.cursor));
}

void TForm2::typeChord(std::string_view chord)
{
    reset();
    // A chord of the six-key keyboard let go just before belongs to the line first.
    flushRelease();
    hosts_.keyboard->chordbuffer = std::string(chord);
    // The echo is heard after the commit, as a released chord's is, and speaks what the
    // chord gave under the prefix it found: after the capital sign, chord 1 says "A".
    const KeyboardState before = *hosts_.keyboard;
    commit();
    echoChord(before, KeyEcho{*hosts_.speech, *hosts_.sounds, *hosts_.tables});
}

void TForm2::inputeditKeyRelease(const QKeyEvent& event)
{
    // The keyboard's auto-repeat, when Qt recognises it, releases nothing: the key is
    // still down.
    if (event.isAutoRepeat()) {
        return;
    }
    flushRelease();
    const int key = virtualKey(event);
    const Modifiers modifiers = modifiersOf(event);
    // A release that commits nothing cannot type a chord twice: it goes on at once. So
    // does one without a time, which no display server sent.
    if (!hosts_.keyboard->braillekeys || hosts_.keyboard->chordbuffer.empty() ||
        event.timestamp() == 0) {
        inputeditKeyUp(key, modifiers);
        return;
    }
    heldRelease_ = HeldRelease{key, modifiers, event.timestamp()};
    releaseTimer_.start();
}

void TForm2::flushRelease()
{
    releaseTimer_.stop();
    if (const std::optional<HeldRelease> held = std::exchange(heldRelease_, std::nullopt)) {
        inputeditKeyUp(held->key, held->modifiers);
    }
}

void TForm2::inputeditKeyUp(int key, Modifiers modifiers)
{
    if (hosts_.keyboard->braillekeys) {
        commit();
    }
    const bool ctrl = modifiers.has(Modifier::Ctrl);
    const EditLine current = line();
    const bool atStart = current.cursor == 0;
    const bool atEnd = current.cursor >= current.text.size();
    switch (key) {
    case vk::kLeft:
        if (current.text.empty()) {
            edgeflag_ = true; // nothing to move over: every Left beeps
        } else if (ctrl) {
            sayWordAt(current);
        } else {
            echoAt(current, current.cursor);
        }
        if (!atStart) {
            edgeflag_ = false;
        } else if (!edgeflag_) {
            edgeflag_ = true; // just arrived at the start: the echo is enough
        } else {
            hosts_.sounds->beep();
        }
        break;
    case vk::kRight:
        if (!atEnd) {
            if (ctrl) {
                sayWordAt(current);
            } else {
                edgeflag_ = false;
                echoAt(current, current.cursor);
            }
        } else if (!edgeflag_) {
            edgeflag_ = true;
            hosts_.sounds->click(kLineClick);
        } else {
            hosts_.sounds->click(kLineClick);
            hosts_.sounds->beep();
        }
        break;
    case vk::kHome:
        echoAt(current, current.cursor);
        break;
    case vk::kEnd:
        hosts_.sounds->click(kLineClick);
        hosts_.sounds->beep();
        break;
    default:
        break;
    }
}

bool TForm2::inputeditInputMethod(const QString& committed)
{
    // A character composed by the input method (a dead key and its letter) arrives here
    // instead of as a key press.
    if (committed.isEmpty()) {
        return false;
    }
    const char typed = text::fromUnicode(committed.at(0).unicode());
    reset();
    if (hosts_.keyboard->braillekeys) {
        return previewInBraille(static_cast<unsigned char>(typed));
    }
    afterEdit_ = [this, typed] { echokey(std::string(1, typed)); };
    return false;
}

} // namespace tov::input
