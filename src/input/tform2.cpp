// The input dialog's controls, its modal round, and its focus and key handlers.
#include "input/tform2.h"

#include "common/localizer.h"
#include "common/qtext.h"
#include "common/qcaptions.h"
#include "input/words.h"

#include <QFocusEvent>
#include <QHBoxLayout>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

namespace tov::input {
namespace {

constexpr int kEnterDataMessage = 23;
constexpr int kOkMessage = 7;
constexpr int kExitProgramMessage = 45;
constexpr int kEmptyLineMessage = 29;
//: the key click of deleting keys and of moves at the ends of the line
constexpr double kLineClick = 2;

} // namespace

TForm2::TForm2(std::function<void()> exitProgram, QWidget* parent)
    : QDialog(parent), exitProgram_(std::move(exitProgram))
{
    setObjectName("TForm2");
    inputedit_ = new QLineEdit(this);
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

    setMinimumWidth(379);
    move(248, 24);
    setHosts({});
    FormCreate();
}

void TForm2::setHosts(InputDialogHosts hosts)
{
    const bool sameKeyboard = tracker_ != nullptr && hosts.keyboard == hosts_.keyboard;
    hosts_ = std::move(hosts);
    if (!sameKeyboard) {
        delete tracker_;
        tracker_ = new KeyStateTracker(hosts_.keyboard->held, this);
    }
}

void TForm2::FormCreate()
{
    // Captions are fetched once, in the language of this start.
    setWindowTitle(caption(kEnterDataMessage));
    enterbitbtn_->setText(caption(kOkMessage));
    exitprogrambtn_->setText(caption(kExitProgramMessage));

    nameForAccessibility(this, caption(kEnterDataMessage));
    nameForAccessibility(inputedit_, caption(kEnterDataMessage));
    nameForAccessibility(enterbitbtn_, caption(kOkMessage));
    nameForAccessibility(exitprogrambtn_, caption(kExitProgramMessage));
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
    return exec() == QDialog::Accepted ? runtime::DialogResult::Ok : runtime::DialogResult::Closed;
}

std::string TForm2::editText() const
{
    return text::fromQString(inputedit_->text());
}

void TForm2::done(int result)
{
    FormClose();
    QDialog::done(result);
}

void TForm2::FormClose()
{
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
    case QEvent::KeyPress:
        return inputeditKeyPress(*static_cast<QKeyEvent*>(event));
    case QEvent::KeyRelease: {
        const auto& key = *static_cast<QKeyEvent*>(event);
        // The keyboard's auto-repeat releases nothing: the key is still down.
        if (!key.isAutoRepeat()) {
            inputeditKeyUp(key);
        }
        return false;
    }
    case QEvent::InputMethod:
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

void TForm2::inputeditEnter()
{
    if (!focusflag_) {
        focusflag_ = true; // the dialog has just opened: its line is where the user expects
        return;
    }
    hosts_.speech->stopspeech();
    sayLine();
}

void TForm2::buttonEnter(const QPushButton& button)
{
    hosts_.speech->stopspeech();
    focusflag_ = true;
    hosts_.speech->say(text::fromQString(button.text()));
}

EditLine TForm2::line() const
{
    // One byte per QChar, so the cursor indexes both alike; a character outside the code
    // page reads as "?".
    EditLine line;
    const QString text = inputedit_->text();
    line.text.reserve(static_cast<size_t>(text.size()));
    for (const QChar ch : text) {
        line.text.push_back(text::fromUnicode(ch.unicode()));
    }
    line.cursor = static_cast<size_t>(inputedit_->cursorPosition());
    return line;
}

void TForm2::sayLine()
{
    const std::string text = line().text;
    hosts_.speech->say(text.empty() ? message(kEmptyLineMessage) : text);
}

void TForm2::echoAt(const EditLine& line, size_t offset)
{
    const std::string character = characterAt(line.text, offset);
    if (!character.empty()) {
        hosts_.speech->echokey(character);
    }
}

void TForm2::sayWordAt(const EditLine& line)
{
    const std::string word = wordAt(line.text, line.cursor);
    if (!word.empty()) {
        hosts_.speech->say(word);
    }
}

bool TForm2::inputeditKeyPress(const QKeyEvent& event)
{
    inputeditKeyDown(event);
    const QString produced = event.text();
    // Alt with a letter is a menu accelerator, not a typed character; and Delete types
    // nothing, though some layouts report it as the character 127.
    if (!hosts_.keyboard->braillekeys || produced.isEmpty() ||
        modifiersOf(event).has(Modifier::Alt) || virtualKey(event) == vk::kDelete) {
        return false;
    }
    const auto code = static_cast<unsigned char>(text::fromUnicode(produced.at(0).unicode()));
    return previewChord(*hosts_.keyboard, *hosts_.tables, code, *hosts_.speech);
}

void TForm2::inputeditKeyDown(const QKeyEvent& event)
{
    const int key = virtualKey(event);
    const Modifiers modifiers = modifiersOf(event);
    const bool alt = modifiers.has(Modifier::Alt);
    hosts_.speech->stopspeech();
    const EditLine current = line();
    // The layout's dead-key memory follows every key, echoed or not.
    const std::optional<char> typed = layoutecho_.character(event);
    if (key == vk::kBack) {
        hosts_.sounds->click(kLineClick);
        if (current.cursor > 0) {
            echoAt(current, current.cursor - 1);
        } else {
            hosts_.sounds->beep();
        }
    } else if (key == vk::kDelete) {
        hosts_.sounds->click(kLineClick);
        if (current.cursor < current.text.size()) {
            echoAt(current, current.cursor);
        } else {
            hosts_.sounds->beep();
        }
    } else if (key == vk::kUp && alt) {
        sayLine();
    } else if (!hosts_.keyboard->braillekeys && typed.has_value()) {
        hosts_.speech->echokey(std::string(1, *typed));
    }
    if ((key == vk::kUp || key == vk::kDown) && !alt && hosts_.openReview) {
        hosts_.openReview();
    }
    if (key == vk::kF4 && alt) {
        exitProgram_();
    }
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
    hosts_.speech->stopspeech();
    hosts_.keyboard->chordbuffer = std::string(chord);
    echoChord(*hosts_.keyboard, *hosts_.tables, *hosts_.speech);
    commit();
}

void TForm2::inputeditKeyUp(const QKeyEvent& event)
{
    if (hosts_.keyboard->braillekeys) {
        commit();
    }
    const int key = virtualKey(event);
    const bool ctrl = modifiersOf(event).has(Modifier::Ctrl);
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
    if (hosts_.keyboard->braillekeys) {
        return previewChord(*hosts_.keyboard, *hosts_.tables, static_cast<unsigned char>(typed),
                            *hosts_.speech);
    }
    hosts_.speech->stopspeech();
    hosts_.speech->echokey(std::string(1, typed));
    return false;
}

} // namespace tov::input
