// Choosing the SAPI 4 voice and its pitch, speed and volume, and what the voice dialog
// does with its controls. The default voice is the one named "Jakub"; without one it is
// the first voice listed (espeak-ng lists Czech first). The choice is kept in the
// settings file, section "Voice": "person", "pitch", "speed", "volume".
//
// 1. fillvoicelist lists every voice and chooses the default; voicelistClick keeps the
//    record of the chosen line (the engine follows at the next selectengine).
// 2. selectengine selects the engine for the kept record, learns its ranges by setting
//    0 and the largest value and reading back (an engine that answers E_NOTIMPL leaves
//    that level as it was), and registers the notification sink.
// 3. Every move of a level (voicesettings.h), by the user or from the settings file,
//    resets the engine and injects its control tag; only while the dialog is the active
//    window is the new value spoken.
// Without a dialog (the terminal host) the same choice is made and kept; nothing is ever
// active, so nothing of the dialog is said.
// All of this runs on the GUI thread; every `say` serves the event queue.
#pragma once

#include "runtime/host.h"
#include "speech/speechlayer.h"
#include "speech/voicecontrols.h"

#include <functional>
#include <string>

namespace tov::speech {

class VoiceSelection final : private VoiceSettings::Observer {
public:
    // `process` shows the message boxes and ends the process for a voice that is gone.
    VoiceSelection(SpeechLayer& speech, runtime::ProcessControl& process);
    // The same with the voice dialog, whose handlers below then speak.
    VoiceSelection(SpeechLayer& speech, VoiceDialogView& view, runtime::ProcessControl& process);
    ~VoiceSelection() override;
    VoiceSelection(const VoiceSelection&) = delete;
    VoiceSelection& operator=(const VoiceSelection&) = delete;

    // --- voices and the engine ---
    void fillvoicelist();
    void voicelistClick();
    void selectengine();
    void writevoicesettings();
    void readvoicesettings();
    // The Sounds dialog switched speech on: fillvoicelist, selectengine, writevoicesettings.
    void enablevoice();
    // Start's preparation of the voice, before the program runs (SAPI 4 only).
    void preparevoice();

    // --- the voice dialog's handlers ---
    void FormActivate();
    void FormClose();
    void voicelistEnter();
    void pitchtbEnter();
    void speedtbEnter();
    void volumetbEnter();
    void vyberhlasbitbtnEnter();
    void closebitbtnEnter();
    // The Voice menu command. `mainCaption` is spoken when the dialog is cancelled.
    void VoicesubmenuClick(const std::function<std::string()>& mainCaption);

    // Set while the dialog is shown and has announced itself.
    bool voicedialogflag() const { return voicedialogflag_; }

private:
    void levelMoved(VoiceLevel which) override;
    bool isActive() const { return view_ != nullptr && view_->isActive(); }
    void reset() { speech_.audioreset(); }
    void resetIfActive();
    void trackbarEnter(Captioned& label, VoiceLevel which);
    void buttonEnter(Captioned& button);
    void announceVoice();

    SpeechLayer& speech_;
    VoiceSettings& settings_; //: the speech layer's
    VoiceDialogView* view_;   //: null without a dialog
    runtime::ProcessControl& process_;
    bool voicedialogflag_ = false; //: keeps voicelistEnter silent until FormActivate spoke
};

} // namespace tov::speech
