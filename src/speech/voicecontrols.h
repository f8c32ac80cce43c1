// The voice dialog as voice selection sees it: what it shows beside the voice settings
// (voicesettings.h), which it renders from the model. The dialog implements it with
// widgets; tests implement it with plain records.
#pragma once

#include <string>

namespace tov::speech {

// A label or button: its caption, as shown with its accelerator marker ("&Hlasy").
class Captioned {
public:
    virtual ~Captioned() = default;
    virtual std::string caption() const = 0;
};

// The dialog itself.
class VoiceDialogView {
public:
    virtual ~VoiceDialogView() = default;
    virtual Captioned& voicestatic() = 0;
    virtual Captioned& pitchstatic() = 0;
    virtual Captioned& speedstatic() = 0;
    virtual Captioned& volumestatic() = 0;
    virtual Captioned& vyberhlasbitbtn() = 0;
    virtual Captioned& closebitbtn() = 0;
    // The dialog is the active window.
    virtual bool isActive() const = 0;
    // Gives `voicelist` the focus when the dialog next shows.
    virtual void activateVoicelist() = 0;
    // Shows the dialog modally; true when it was closed with OK.
    virtual bool showModal() = 0;
};

} // namespace tov::speech
