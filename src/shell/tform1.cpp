// The main window's creation, menus, run control and ends.
#include "shell/tform1.h"

#include "common/localizer.h"
#include "common/qcaptions.h"
#include "input/chordkeyboard.h"
#include "input/tableloaders.h"
#include "common/profile.h"
#include "common/qtext.h"
#include "runtime/soundcues.h"
#include "runtime/tovcommands.h"
#include "speech/speechlayer.h"
#include "shell/processexit.h"
#include "shell/runcontrol.h"
#include "shell/soundstack.h"
#include "shell/tovapplication.h"

#include <QAction>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <cstdlib>

namespace tov::shell {
namespace {

constexpr const char* kOpensDialog = "...";

void labelAction(QAction* action, Message number, const char* suffix = "")
{
    action->setText(caption(number) + suffix);
    // Menus read their accessible name from the text without the accelerator marker.
    action->setToolTip(withoutAccelerator(caption(number)));
}

} // namespace

// A screen reader beside the program, with the program's own voice off, must hear every
// printed line. Orca (43) speaks no text inserted into a memo that is not focused, and the
// memo never is while the program runs: the input dialog is back before Orca would look.
// What Orca does read is the dialog as it becomes active: its name, its role and its
// accessible description. So the lines printed since the dialog last showed become its
// description for the next showing ("vzal jsi dopis" after "vezmi dopis"), each line once
// and in order; with the program's own voice on nothing is collected, so nothing is said
// twice. All of this runs on the GUI thread.
class ScreenAnnouncer final : public runtime::InputDialog {
public:
    // Wraps the console's dialog, once: a second Start finds it wrapped already.
    void wrap(runtime::ConsoleHost& host)
    {
        if (host.dialog == this) {
            return;
        }
        inner_ = host.dialog;
        window_ = dynamic_cast<QWidget*>(inner_);
        host.dialog = this;
    }
    // A line continued with ";" or "," is still one line for the listener's ear.
    void printed(const QString& text, runtime::PrintMode mode)
    {
        line_ += text;
        if (mode == runtime::PrintMode::NextZone) {
            line_ += QLatin1Char(' ');
        }
        if (mode == runtime::PrintMode::EndLine) {
            endLine();
        }
    }

    void setEditText(const std::string& text) override { inner_->setEditText(text); }
    void activateEdit() override { inner_->activateEdit(); }
    runtime::DialogResult showModal() override
    {
        endLine(); // a prompt printed with ";" belongs to this showing
        if (window_ != nullptr) {
            window_->setAccessibleDescription(pending_.join(QLatin1Char('\n')));
        }
        pending_.clear();
        return inner_->showModal();
    }
    std::string editText() const override { return inner_->editText(); }

private:
    void endLine()
    {
        if (!line_.trimmed().isEmpty()) {
            pending_ << line_.trimmed();
        }
        line_.clear();
    }

    runtime::InputDialog* inner_ = nullptr;
    QWidget* window_ = nullptr; //: the dialog's window, when it is one
    QStringList pending_;       //: printed since the dialog last showed, oldest first
    QString line_;              //: the line being printed, not yet ended
};

QString windowTitleFor(const std::filesystem::path& executable)
{
    // stem() drops only the last extension of the file name itself, so a folder called
    // "my.games" on the path leaves the name alone.
    return caption(Message::ProgramTitle) + " - " +
           QString::fromStdString(executable.filename().stem());
}

TForm1::TForm1(runtime::Console& console, const Profile& profile, SoundStack& sounds,
               const std::filesystem::path& executable, speech::SpeechLayer* speech,
               QWidget* parent)
    : QMainWindow(parent), console_(console), profile_(profile), speech_(speech), sounds_(sounds)
{
    setObjectName("TForm1");
    printmemo_ = new QPlainTextEdit(this);
    printmemo_->setObjectName("printmemo");
    printmemo_->setReadOnly(true);
    printmemo_->setLineWrapMode(QPlainTextEdit::NoWrap);
    printmemo_->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
    printmemo_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    setCentralWidget(printmemo_);
    const QFontMetrics metrics(printmemo_->font());
    resize(metrics.horizontalAdvance(QString(runtime::kScreenColumns + 4, QLatin1Char('M'))),
           metrics.lineSpacing() * (runtime::kScreenRows + 4));

    programmenu_ = menuBar()->addMenu(QString());
    programmenu_->setObjectName("Programmenu");
    startsubmenu_ = programmenu_->addAction(QString());
    startsubmenu_->setObjectName("Startsubmenu");
    startsubmenu_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    exitsubmenu_ = programmenu_->addAction(QString());
    exitsubmenu_->setObjectName("exitsubmenu");
    connect(exitsubmenu_, &QAction::triggered, this, &TForm1::exitsubmenuClick);

    settingsmenu_ = menuBar()->addMenu(QString());
    settingsmenu_->setObjectName("settingsmenu");
    // Its caption, shortcut, check mark and command come from the keyboard's own unit.
    braillekeyboarditem_ = settingsmenu_->addAction(QString());
    braillekeyboarditem_->setObjectName("braillekeyboarditem");
    brailledisplayitem_ = settingsmenu_->addAction(QString());
    brailledisplayitem_->setObjectName("brailledisplayitem");
    brailledisplayitem_->setCheckable(true);
    soundssubmenu_ = settingsmenu_->addAction(QString());
    soundssubmenu_->setObjectName("soundssubmenu");
    soundssubmenu_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
    // The speech layer's menu unit sets these two items' shortcuts and commands.
    voicesubmenu_ = settingsmenu_->addAction(QString());
    voicesubmenu_->setObjectName("Voicesubmenu");
    usesapi5submenu_ = settingsmenu_->addAction(QString());
    usesapi5submenu_->setObjectName("usesapi5submenu");
    usesapi5submenu_->setCheckable(true);
    environmentsubmenu_ = settingsmenu_->addAction(QString());
    environmentsubmenu_->setObjectName("environmentsubmenu");
    environmentsubmenu_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));

    helpmenu_ = menuBar()->addMenu(QString());
    helpmenu_->setObjectName("helpmenu");
    aboutsubmenu_ = helpmenu_->addAction(QString());
    aboutsubmenu_->setObjectName("aboutsubmenu");

    runDisabledItems_ = {startsubmenu_, soundssubmenu_,   environmentsubmenu_,
                         voicesubmenu_, usesapi5submenu_, helpmenu_->menuAction()};

    FormCreate(executable);
}

TForm1::~TForm1()
{
    console_.screen().setObserver(nullptr);
    if (console_.host().listener == this) {
        console_.host().listener = nullptr;
    }
    if (console_.host().dialog == announcer_.get()) {
        console_.host().dialog = &runtime::closedDialog();
    }
    sounds_.freesounds();
}

void TForm1::FormCreate(const std::filesystem::path& executable)
{
    readlanguage(profile_);
    setWindowTitle(windowTitleFor(executable));
    programmenu_->setTitle(caption(Message::ProgramMenu));
    labelAction(startsubmenu_, Message::StartItem);
    labelAction(exitsubmenu_, Message::ExitItem);
    settingsmenu_->setTitle(caption(Message::SettingsMenu));
    labelAction(soundssubmenu_, Message::SoundsItem, kOpensDialog);
    labelAction(voicesubmenu_, Message::VoiceItem, kOpensDialog);
    labelAction(usesapi5submenu_, Message::UseSapi5);
    labelAction(environmentsubmenu_, Message::EnvironmentItem, kOpensDialog);
    brailledisplayitem_->setText(caption(Message::BrailleDisplay));
    brailledisplayitem_->setToolTip(caption(Message::BrailleDisplayName));
    helpmenu_->setTitle(caption(Message::HelpMenu));
    labelAction(aboutsubmenu_, Message::AboutItem);
    printmemo_->setAccessibleName(caption(Message::ProgramTitle));

    console_.screen().setObserver(this);
    console_.screen().clear();
    announcer_ = std::make_unique<ScreenAnnouncer>();
    console_.host().listener = this;

    // The sound settings live in the cues, which exist (silent, without a bank) before
    // the settings are read; the device and the bank come after the memory image.
    setvoiceallowedquietly(false);
    input::keyboardState().braillekeys = false;
    if (speech_ != nullptr) {
        speech_->initspeech();
    }
    const GeneralSettings settings =
        shell::readsettings(profile_, speech_ != nullptr && speech_->voicesavailable());
    setvoiceallowedquietly(settings.voiceallowed);
    sounds_.settings() = settings.sounds;
    input::keyboardState().braillekeys = settings.braillekeys;

    console_.loadmemoryimage();
    sounds_.createsounds();
    // A table that cannot be read leaves the keyboard without chords or names; the
    // program itself still runs.
    const std::string tablesError = input::loadKeyboardTablesTelling(
        [this](const std::string& name) { return console_.locate(name); });
    input::keyboardState().currentprefix.clear();
    if (!tablesError.empty()) {
        showErrorMessage(tablesError);
    }
}

bool TForm1::voiceallowed() const
{
    return speech_ != nullptr ? speech_->isSpeechAllowed() : voiceallowed_;
}

void TForm1::setvoiceallowedquietly(bool allowed)
{
    if (speech_ != nullptr) {
        speech_->setSpeechAllowed(allowed);
    } else {
        voiceallowed_ = allowed;
    }
}

void TForm1::setvoiceallowed(bool allowed)
{
    setvoiceallowedquietly(allowed);
    voicesubmenu_->setEnabled(allowed);
}

GeneralSettings TForm1::generalSettings() const
{
    return {.voiceallowed = voiceallowed(),
            .sounds = sounds_.settings(),
            .braillekeys = input::keyboardState().braillekeys};
}

void TForm1::writesettings() const
{
    shell::writesettings(profile_, generalSettings());
}

void TForm1::linesChanged(int first, int last)
{
    if (first == 0 && last == runtime::kScreenRows - 1) {
        QStringList lines;
        for (const std::string& line : console_.screen().lines()) {
            lines << text::toQString(line);
        }
        printmemo_->setPlainText(lines.join(QLatin1Char('\n')));
        return;
    }
    // One line changed: replace that block only, so the rest of the memo (and a screen
    // reader's place in it) stays as it was.
    for (int row = first; row <= last; ++row) {
        QTextCursor cursor(printmemo_->document()->findBlockByNumber(row));
        cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        cursor.insertText(text::toQString(console_.screen().line(row)));
    }
}

bool TForm1::ownVoiceSpeaks() const
{
    return speech_ != nullptr && speech_->speaksPrintedText();
}

void TForm1::printed(std::string_view text, runtime::PrintMode mode)
{
    if (ownVoiceSpeaks()) {
        return;
    }
    announcer_->printed(text::toQString(std::string(text)), mode);
}

void TForm1::setRunItemsEnabled(bool enabled)
{
    for (QAction* item : runDisabledItems_) {
        item->setEnabled(enabled);
    }
}

void TForm1::StartsubmenuClick(const std::function<void()>& preparevoice)
{
    if (running_ || !startsubmenu_->isEnabled()) {
        return;
    }
    setRunItemsEnabled(false);
    running_ = true;
    announcer_->wrap(console_.host());
    try {
        if (preparevoice) {
            preparevoice();
        }
        runBuiltInProgram(console_, [this] { programstarted_ = true; });
    } catch (const std::exception& error) {
        showErrorMessage(error.what());
    }
    running_ = false;
    setRunItemsEnabled(true);
}

void TForm1::saveMemoryImageReporting()
{
    try {
        console_.savememoryimage();
    } catch (const std::exception& error) {
        // The old "ram.dat" is still whole; the user learns that this session's is not kept.
        showErrorMessage(error.what());
    }
}

void TForm1::exitsubmenuClick()
{
    if (running_) {
        endNow(); // the program's statements cannot be unwound
    }
    saveMemoryImageReporting();
    imageSaved_ = true; // FormClose need not save the same image again
    close();
}

void TForm1::endNow()
{
    saveMemoryImageReporting();
    sounds_.freesounds();
    endProcessNow(EXIT_SUCCESS);
}

void TForm1::FormClose()
{
    if (!imageSaved_) {
        saveMemoryImageReporting();
    }
    sounds_.freesounds();
}

void TForm1::closeEvent(QCloseEvent* event)
{
    FormClose();
    if (running_) {
        // The program is in the middle of a statement; its loops cannot go on without
        // the window.
        endProcessNow(EXIT_SUCCESS);
    }
    event->accept();
}

} // namespace tov::shell
