// The review window's opening, closing and review keys.
#include "input/reviewwindow.h"

#include "common/localizer.h"
#include "common/qcaptions.h"
#include "common/qtext.h"
#include "input/words.h"
#include "runtime/console.h"

#include <QFontDatabase>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPoint>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QVBoxLayout>
#include <array>

namespace tov::input {
namespace {

//: the two tones that open and close the window, sounding together
constexpr std::array<double, 2> kWindowTones = {300, 450};
constexpr double kWindowSoundNumber = 5;
constexpr double kWindowSoundDuration = 100;
//: the click of a repeated move against a boundary
constexpr double kBoundaryClick = 16;
//: where the window first opens on the desktop, over the main window's screen
constexpr QPoint kOpeningPosition{242, 119};

} // namespace

TForm6::TForm6(runtime::Console& console, runtime::Speech& speech, runtime::SoundStatement& sounds,
               KeyboardState& keyboard, QWidget* parent)
    : QDialog(parent), console_(console), speech_(speech), sounds_(sounds), tracker_(keyboard.held)
{
    setObjectName("TForm6");
    virtualscrmemo_ = new QPlainTextEdit(this);
    virtualscrmemo_->setObjectName("virtualscrmemo");
    virtualscrmemo_->setReadOnly(true);
    virtualscrmemo_->setLineWrapMode(QPlainTextEdit::NoWrap);
    // Read-only, but the caret moves with the keys and a screen reader can follow it.
    virtualscrmemo_->setTextInteractionFlags(Qt::TextSelectableByKeyboard |
                                             Qt::TextSelectableByMouse);
    // One character per screen column: a fixed-width font, wide and high enough for the
    // 24 lines of 80 characters with the frame, the margins and the scroll bars.
    virtualscrmemo_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    const QFontMetrics metrics(virtualscrmemo_->font());
    const int chrome = 2 * (virtualscrmemo_->frameWidth() +
                            static_cast<int>(virtualscrmemo_->document()->documentMargin()) + 2);
    const int memoWidth =
        std::max(500, metrics.horizontalAdvance(QString(81, QLatin1Char('M'))) + chrome +
                          virtualscrmemo_->verticalScrollBar()->sizeHint().width());
    const int memoHeight =
        std::max(304, metrics.lineSpacing() * (runtime::kScreenRows + 1) + chrome +
                          virtualscrmemo_->horizontalScrollBar()->sizeHint().height());
    virtualscrmemo_->setMinimumSize(memoWidth, memoHeight);
    virtualscrmemo_->installEventFilter(this);

    closebitbtn_ = new QPushButton(this);
    closebitbtn_->setObjectName("closebitbtn");
    closebitbtn_->setFocusPolicy(Qt::ClickFocus); // no tab stop: Tab stays in the memo
    closebitbtn_->setDefault(true);
    connect(closebitbtn_, &QPushButton::clicked, this, &QDialog::reject);

    // The memo over the centred Close button; the window keeps the size they need.
    auto* column = new QVBoxLayout(this);
    column->addWidget(virtualscrmemo_);
    column->addWidget(closebitbtn_, 0, Qt::AlignHCenter);
    column->setSizeConstraint(QLayout::SetFixedSize);
    move(kOpeningPosition);
    FormCreate();
}

void TForm6::FormCreate()
{
    setWindowTitle(caption(Message::ScreenTitle));
    closebitbtn_->setText(caption(Message::Close));
    nameForAccessibility(this, caption(Message::ScreenTitle));
    nameForAccessibility(virtualscrmemo_, caption(Message::ScreenTitle));
    nameForAccessibility(closebitbtn_, caption(Message::Close));
}

void TForm6::playWindowSound()
{
    sounds_.sound(kWindowTones, kWindowSoundNumber, kWindowSoundDuration);
}

void TForm6::Open()
{
    if (console_.memoryimage()[runtime::kReviewDisableAddress] == 1) {
        return;
    }
    text_ = ReviewText(console_.screen().lines());
    QString copy;
    for (const std::string& line : console_.screen().lines()) {
        copy += text::toQString(line);
        copy += QLatin1Char('\n');
    }
    virtualscrmemo_->setPlainText(copy);
    virtualscrmemo_->moveCursor(QTextCursor::Start);
    virtualscrmemo_->setFocus(Qt::OtherFocusReason);
    playWindowSound();
    speech_.saynowait(message(Message::ScreenTitle));
    if (exec() != QDialog::Accepted) {
        playWindowSound();
        speech_.say(message(Message::EndOfScreen));
    }
}

bool TForm6::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != virtualscrmemo_) {
        return false;
    }
    if (event->type() == QEvent::KeyPress) {
        return virtualscrmemoKeyDown(*static_cast<QKeyEvent*>(event));
    }
    if (event->type() == QEvent::KeyRelease) {
        const auto& key = *static_cast<QKeyEvent*>(event);
        if (!key.isAutoRepeat()) {
            virtualscrmemoKeyUp(key);
        }
    }
    return false;
}

bool TForm6::virtualscrmemoKeyDown(const QKeyEvent& event)
{
    const int key = virtualKey(event);
    if (speech_.engineready()) {
        speech_.stopspeech();
        if (key == vk::kF2) {
            const QTextCursor caret = virtualscrmemo_->textCursor();
            speech_.say(caretPosition(caret.blockNumber(), caret.positionInBlock()));
        } else if (key == vk::kF3 && !event.isAutoRepeat()) {
            sayCharacter(event);
        }
    }
    if (key == vk::kEscape) {
        reject();
        return true;
    }
    return false;
}

void TForm6::sayCharacter(const QKeyEvent& event)
{
    const QTextCursor caret = virtualscrmemo_->textCursor();
    const size_t offset = text_.offsetOf(caret.blockNumber(), caret.positionInBlock());
    const std::string character = characterAt(text_.text(), offset);
    if (character.empty()) {
        return;
    }
    const bool second = characterKey_.press(std::chrono::milliseconds(event.timestamp()), offset);
    const std::string word =
        second ? phoneticWord(character.front(), languageSettings().languagebase) : std::string();
    if (!word.empty()) {
        speech_.say(word);
    } else {
        KeyEcho{speech_, sounds_, brailleTables()}(character);
    }
}

void TForm6::passBoundary(bool atBoundary)
{
    if (!atBoundary) {
        edgeflag_ = false;
    } else if (!edgeflag_) {
        edgeflag_ = true;
    } else {
        sounds_.click(kBoundaryClick);
    }
}

void TForm6::virtualscrmemoKeyUp(const QKeyEvent& event)
{
    if (!speech_.engineready()) {
        return;
    }
    const int key = virtualKey(event);
    const bool ctrl = modifiersOf(event).has(Modifier::Ctrl);
    const QTextCursor caret = virtualscrmemo_->textCursor();
    const int line = caret.blockNumber();
    const size_t offset = text_.offsetOf(line, caret.positionInBlock());
    if (key == vk::kUp || key == vk::kDown) {
        passBoundary(line == 0 || line == text_.lineCount() - 1);
        const std::string_view text = text_.line(line);
        speech_.say(text.empty() ? message(Message::EmptyLine) : std::string(text));
        return;
    }
    if (key != vk::kLeft && key != vk::kRight && key != vk::kHome && key != vk::kEnd) {
        return;
    }
    passBoundary(text_.isTextBoundary(offset));
    if (text_.text().empty()) {
        return;
    }
    if (!ctrl) {
        const std::string character = characterAt(text_.text(), offset);
        if (!character.empty()) {
            KeyEcho{speech_, sounds_, brailleTables()}(character);
        }
    } else if (key == vk::kLeft || key == vk::kRight) {
        const std::string word = wordAt(text_.text(), offset);
        if (!word.empty()) {
            speech_.say(word);
        }
    }
}

} // namespace tov::input
