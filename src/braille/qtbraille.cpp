// Wiring the display to the windows.
#include "braille/qtbraille.h"

#include "common/localizer.h"
#include "common/qtext.h"
#include "input/brailletables.h"
#include "input/inputdialog.h"
#include "input/reviewwindow.h"
#include "runtime/console.h"

#include <QAction>
#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QTextCursor>

namespace tov::braille {

QtBraille::QtBraille(runtime::Console& console, const runtime::AnswerRecord& answers,
                     input::TForm2& form2, input::TForm6& form6, QAction& item,
                     QtBrailleHooks hooks, QObject* parent)
    : QObject(parent), form2_(form2), form6_(form6), item_(item), hooks_(std::move(hooks)),
      display_(std::make_unique<BrlapiDisplay>(
          BrlapiDisplay::Hooks{hooks_.post, [this](size_t width) { view_.setWidth(width); },
                               [this](const DisplayKey& key) { view_.key(key); },
                               [this](bool found) {
                                   if (!found && reportNext_ && hooks_.tell) {
                                       hooks_.tell(message(Message::NoDisplay));
                                   }
                                   reportNext_ = false;
                               }},
          BrlapiDisplay::Place::Session)),
      view_(*display_,
            BrailleKeyTargets{[this](std::string_view chord) { form2_.typeChord(chord); },
                              [this] { form2_.Enterbitbtn()->click(); },
                              [this] {
                                  // Backspace as the keyboard's own, so it clicks and says what it
                                  // deletes.
                                  QKeyEvent press(QEvent::KeyPress, Qt::Key_Backspace,
                                                  Qt::NoModifier, QStringLiteral("\b"));
                                  QKeyEvent release(QEvent::KeyRelease, Qt::Key_Backspace,
                                                    Qt::NoModifier, QStringLiteral("\b"));
                                  QCoreApplication::sendEvent(form2_.inputedit(), &press);
                                  QCoreApplication::sendEvent(form2_.inputedit(), &release);
                              },
                              [this](size_t column) {
                                  form2_.inputedit()->setCursorPosition(static_cast<int>(column));
                              },
                              [this](size_t column) { routeReview(column); }}),
      printed_(console.screen(), answers, view_)
{
    view_.setTable(CellTable(input::brailleTables()));

    form2_.installEventFilter(this);
    form6_.installEventFilter(this);
    connect(form2_.inputedit(), &QLineEdit::textChanged, this, &QtBraille::inputChanged);
    connect(form2_.inputedit(), &QLineEdit::cursorPositionChanged, this, &QtBraille::inputChanged);
    connect(form6_.virtualscrmemo(), &QPlainTextEdit::cursorPositionChanged, this,
            &QtBraille::reviewChanged);

    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (app != nullptr) {
        connect(app, &QGuiApplication::applicationStateChanged, this,
                [this](Qt::ApplicationState state) {
                    display_->setActive(state == Qt::ApplicationActive);
                });
        display_->setActive(QGuiApplication::applicationState() == Qt::ApplicationActive);
    }

    item_.setCheckable(true);
    item_.setChecked(!hooks_.readSetting || hooks_.readSetting());
    connect(&item_, &QAction::triggered, this, &QtBraille::itemClick);
    display_->setEnabled(item_.isChecked());
}

void QtBraille::itemClick()
{
    const bool on = item_.isChecked();
    if (hooks_.writeSetting) {
        hooks_.writeSetting(on);
    }
    reportNext_ = on;
    display_->setEnabled(on);
    if (hooks_.announce) {
        hooks_.announce(message(on ? Message::DisplayOn : Message::DisplayOff));
    }
}

bool QtBraille::eventFilter(QObject* watched, QEvent* event)
{
    const bool shown = event->type() == QEvent::Show;
    const bool hidden = event->type() == QEvent::Hide;
    if (watched == &form2_ && (shown || hidden)) {
        if (shown) {
            inputChanged();
        } else {
            view_.endInput();
        }
    } else if (watched == &form6_ && (shown || hidden)) {
        if (shown) {
            reviewChanged();
        } else {
            view_.endReview();
        }
    }
    return false;
}

void QtBraille::inputChanged()
{
    if (!form2_.isVisible()) {
        return; // INPUT empties the line before it shows the dialog
    }
    const QLineEdit* edit = form2_.inputedit();
    view_.showInput(text::toColumns(edit->text()), static_cast<size_t>(edit->cursorPosition()));
}

void QtBraille::reviewChanged()
{
    if (!form6_.isVisible()) {
        return;
    }
    const QTextCursor caret = form6_.virtualscrmemo()->textCursor();
    view_.showReview(text::toColumns(caret.block().text()),
                     static_cast<size_t>(caret.positionInBlock()));
}

void QtBraille::routeReview(size_t column)
{
    QPlainTextEdit* memo = form6_.virtualscrmemo();
    QTextCursor caret = memo->textCursor();
    const QTextBlock block = caret.block();
    const int position = std::min(static_cast<int>(column), block.length() - 1);
    caret.setPosition(block.position() + position);
    memo->setTextCursor(caret);
}

} // namespace tov::braille
