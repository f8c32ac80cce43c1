// The window host's creation order and the main window's commands that open the later
// windows.
#include "shell/windowhost.h"

#include "common/localizer.h"
#include "common/qtext.h"
#include "input/chordkeyboard.h"
#include "input/tableloaders.h"
#include "runtime/soundcues.h"
#include "shell/processexit.h"
#include "shell/settings.h"
#include "speech/engines.h"

#include <QAction>
#include <QApplication>
#include <cstdio>

namespace tov::shell {

WindowCommands::WindowCommands(TForm1& form1, TForm3& form3, TForm5& form5, TAboutbox& aboutbox,
                               VoiceChoice& voice, runtime::SoundSettings& sounds,
                               const Profile& profile)
    : form1_(form1), form3_(form3), form5_(form5), aboutbox_(aboutbox), voice_(voice),
      sounds_(sounds), profile_(profile)
{
    connect(form1.Startsubmenu(), &QAction::triggered, this, &WindowCommands::StartsubmenuClick);
    connect(form1.soundssubmenu(), &QAction::triggered, this, &WindowCommands::soundssubmenuClick);
    connect(form1.environmentsubmenu(), &QAction::triggered, this,
            &WindowCommands::environmentsubmenuClick);
    connect(form1.aboutsubmenu(), &QAction::triggered, this, &WindowCommands::aboutsubmenuClick);
    connect(form1.keyssubmenu(), &QAction::triggered, this, &WindowCommands::keyssubmenuClick);
}

void WindowCommands::StartsubmenuClick()
{
    form1_.StartsubmenuClick([this] { voice_.preparevoice(); });
}

void WindowCommands::environmentsubmenuClick()
{
    const int index = languageSettings().languagebase / kLanguageStep - 1;
    const int remembered = index >= 0 && index < form3_.languageCount() ? index : -1;
    int chosen = remembered;
    if (form3_.edit(chosen) == DialogAnswer::Cancel) {
        return; // the language chosen in the dialog stays for this run, unsaved
    }
    writelanguage(profile_);
    if (chosen != remembered) {
        showInformation(message(Message::RestartNeeded));
    }
}

void WindowCommands::soundssubmenuClick()
{
    const bool wasallowed = form1_.voiceallowed();
    SoundsChoice choice{wasallowed, sounds_.tovanasounds};
    if (form5_.edit(choice) == DialogAnswer::Cancel) {
        return;
    }
    if (choice.voiceallowed && !wasallowed) {
        if (voice_.voicesavailable()) {
            voice_.enablevoice();
        } else {
            choice.voiceallowed = false;
            showInformation(message(Message::NoVoices));
        }
    }
    form1_.setvoiceallowed(choice.voiceallowed);
    sounds_.tovanasounds = choice.tovanasounds;
    form1_.writesettings();
}

void WindowCommands::aboutsubmenuClick()
{
    aboutbox_.exec();
}

void WindowCommands::keyssubmenuClick()
{
    showInformation(message(Message::KeysHelp) + "\n" + message(Message::KeysHelpMore));
}

WindowHost::WindowHost(const std::filesystem::path& config, runtime::FileLocator files,
                       const std::filesystem::path& executable)
    : profile_(config), transcript_(answers_, postErrorMessage), reportersSet_([this, &files] {
          // A settings file that cannot be stored is said once, over the main window; the
          // changes hold in memory until the end.
          profile_.setWriteFailureReporter(postErrorMessage);
          console_.setlocator(std::move(files));
      }),
      sounds_(console_, process_),
      speech_({queue_, sounds_, profile_}, speech::espeakEngines(poster_),
              speech::speechDispatcherVoice(poster_)),
      noticeSet_([this] { speech_.setNotice(postErrorMessage); }),
      form1_(console_, profile_, sounds_, executable, &speech_),
      form2_([this] { form1_.endNow(); }, &form1_),
      announcer_(
          // The program's own voice reads what is printed: a screen reader then must not.
          [this] { return speech_.speaksPrintedText(); }, form2_, answers_),
      form3_(profile_, &form1_), form4_(speech_, process_, &form1_),
      speechMenu_(
          speech_, form4_, form1_.usesapi5submenu(), form1_.Voicesubmenu(),
          [this] { return text::fromQString(form1_.windowTitle()); }, &form1_),
      voiceItemsSet_([this] { speechMenu_.settingsread(); }),
      form5_(sounds_.settings(), sounds_, &form1_),
      form6_(console_, speech_, sounds_, input::keyboardState(), &form1_), aboutbox_(&form1_),
      commands_(form1_, form3_, form5_, aboutbox_, *this, sounds_.settings(), profile_),
      dialogJoined_([this] {
          form2_.setHosts({&speech_, &sounds_, &input::keyboardState(), &input::brailleTables(),
                           [this] { form6_.Open(); }, [this](size_t back) { sayAnswer(back); }});
      }),
      keys_({&speech_, &sounds_, &input::keyboardState(),
             [this] { return sounds_.timer().endwait(); },
             [this] { return form1_.programstarted(); }, [this] { form6_.Open(); },
             [this] { form1_.endNow(); }, [this] { form1_.writesettings(); },
             [this](size_t back) { sayAnswer(back); }},
            &form1_),
      keysJoined_([this] {
          keys_.attachbraillekeyboarditem(*form1_.braillekeyboarditem());
          keys_.watch(form1_);
      }),
      // Closed while a dialog waits for its answer, the window ends the program as Exit
      // does: the memory image saved, nothing left waiting for the dialog.
      closeWatch_(form1_, [this] { form1_.endNow(); }),
      // The braille display: nothing waits for it, and without BRLTTY nothing is shown.
      braille_(console_, answers_, form2_, form6_, *form1_.brailledisplayitem(),
               {[this](std::function<void()> call) { poster_.post(std::move(call)); },
                [this] { return readbrailledisplay(profile_); },
                [this](bool on) { writebrailledisplay(profile_, on); },
                [](const std::string& text) { showInformation(text); },
                [this](const std::string& text) { speech_.saynowait(text); }},
               &form1_),
      consoleJoined_([this] {
          runtime::ConsoleHost host;
          host.speech = &speech_;
          host.dialog = &form2_;
          host.process = &process_;
          host.sounds = &sounds_;
          // The record first: the outputs after it read the answer it has just closed.
          host.observers = {&answers_, &announcer_, &braille_.printObserver(), &transcript_};
          console_.setHost(std::move(host));
          QAction* item = form1_.transcriptitem();
          item->setChecked(readtranscript(profile_));
          keepTranscript(item->isChecked());
          QObject::connect(item, &QAction::triggered, &form1_, [this](bool on) {
              writetranscript(profile_, on);
              keepTranscript(on);
          });
      })
{
}

WindowHost::~WindowHost()
{
    // The windows go before the console: nothing may reach them through it any more.
    console_.setHost({});
}

void WindowHost::show()
{
    form1_.show();
    if (isUnattended()) {
        QMetaObject::invokeMethod(
            &form1_,
            [] {
                std::fputs("tovana: main window shown\n", stderr);
                std::fflush(stderr);
            },
            Qt::QueuedConnection);
    }
}

void WindowHost::sayAnswer(size_t back)
{
    const std::string text = runtime::answerToSay(answers_, back);
    if (announcer_.ownVoiceSpeaks()) {
        speech_.say(text);
        return;
    }
    // Without the program's voice, the screen reader is handed the answer.
    announcer_.hand(text);
}

void WindowHost::keepTranscript(bool on)
{
    transcript_.keepIn(on ? console_.locate(runtime::kMemoryImageFile).parent_path() /
                                runtime::kTranscriptFile
                          : std::filesystem::path());
}

bool WindowHost::voicesavailable() const
{
    return speech_.voicesavailable();
}

void WindowHost::enablevoice()
{
    form4_.voiceselection().enablevoice();
}

void WindowHost::preparevoice()
{
    form4_.voiceselection().preparevoice();
}

} // namespace tov::shell
