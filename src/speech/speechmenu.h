// The main window's two speech items: `usesapi5submenu` (Ctrl+P, a check item: switches
// between SAPI 4 and SAPI 5 with two tones) and `Voicesubmenu` (Ctrl+H: the voice
// dialog). The main window creates the two actions and gives them their captions; this
// class sets their shortcuts and check mark, connects them and keeps them in step with
// the speech layer. GUI thread only.
#pragma once

#include "speech/speechlayer.h"
#include "speech/voicedialog.h"

#include <QObject>
#include <functional>
#include <string>

class QAction;

namespace tov::speech {

class SpeechMenu final : public QObject {
public:
    // `mainCaption` gives the main window's title, spoken when the voice dialog is cancelled.
    SpeechMenu(SpeechLayer& speech, TForm4& form4, QAction* usesapi5submenu, QAction* Voicesubmenu,
               std::function<std::string()> mainCaption, QObject* parent = nullptr);

    // After the general settings are read: the engine the settings file names, its check
    // mark, and `Voicesubmenu` enabled when speech is allowed and SAPI 5 is not in use.
    void settingsread();

    void usesapi5submenuClick();
    void VoicesubmenuClick();

private:
    SpeechLayer& speech_;
    TForm4& form4_;
    QAction* usesapi5submenu_;
    QAction* Voicesubmenu_;
    std::function<std::string()> mainCaption_;
};

} // namespace tov::speech
