// The main window's creation, menus, run control and ends.
#include "shell/mainwindow.h"

#include "common/localizer.h"
#include "common/profile.h"
#include "common/qcaptions.h"
#include "common/qtext.h"
#include "input/chordkeyboard.h"
#include "input/tableloaders.h"
#include "runtime/console.h"
#include "runtime/soundcues.h"
#include "shell/processexit.h"
#include "shell/runcontrol.h"
#include "shell/soundstack.h"
#include "shell/tovapplication.h"
#include "speech/speechlayer.h"

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
    transcriptitem_ = settingsmenu_->addAction(QString());
    transcriptitem_->setObjectName("transcriptitem");
    transcriptitem_->setCheckable(true);
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
    keyssubmenu_ = helpmenu_->addAction(QString());
    keyssubmenu_->setObjectName("keyssubmenu");
    aboutsubmenu_ = helpmenu_->addAction(QString());
    aboutsubmenu_->setObjectName("aboutsubmenu");

    runDisabledItems_ = {startsubmenu_, soundssubmenu_,   environmentsubmenu_,
                         voicesubmenu_, usesapi5submenu_, helpmenu_->menuAction()};

    FormCreate(executable);
}

TForm1::~TForm1()
{
    console_.screen().setObserver(nullptr);
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
    labelAction(transcriptitem_, Message::TranscriptItem);
    helpmenu_->setTitle(caption(Message::HelpMenu));
    labelAction(keyssubmenu_, Message::KeysItem, kOpensDialog);
    labelAction(aboutsubmenu_, Message::AboutItem);
    printmemo_->setAccessibleName(caption(Message::ProgramTitle));

    console_.screen().setObserver(this);
    console_.screen().clear();

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
