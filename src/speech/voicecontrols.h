// The voice dialog's controls as voice selection sees them. The dialog implements them
// with widgets; tests implement them with plain records. They behave as the widgets do:
// setting a track bar's position (or a range that moves it) runs its change handler
// when the position changes, and choosing a list line from code runs no click handler.
#pragma once

#include <string>

namespace tov::speech {

class ListBox {
public:
    virtual ~ListBox() = default;
    virtual int count() const = 0;
    virtual std::string line(int index) const = 0; //: Windows-1250
    virtual void append(const std::string& text) = 0;
    virtual int itemindex() const = 0; //: the selected line, -1 for none
    virtual void setItemindex(int index) = 0;
};

class TrackBar {
public:
    virtual ~TrackBar() = default;
    virtual int Min() const = 0;
    virtual int Max() const = 0;
    virtual int Position() const = 0;
    // A maximum below the minimum lowers the minimum too, and the reverse; the position
    // is kept within the range.
    virtual void setMin(int value) = 0;
    virtual void setMax(int value) = 0;
    virtual void setPosition(int value) = 0;
    virtual void setFrequency(int ticks) = 0;
    virtual void setEnabled(bool enabled) = 0;
};

// A label or button: its caption, as shown with its accelerator marker ("&Hlasy").
class Captioned {
public:
    virtual ~Captioned() = default;
    virtual std::string caption() const = 0;
    virtual void setEnabled(bool enabled) = 0;
};

// The dialog itself.
class VoiceDialogView {
public:
    virtual ~VoiceDialogView() = default;
    virtual ListBox& voicelist() = 0;
    virtual TrackBar& pitchtb() = 0;
    virtual TrackBar& speedtb() = 0;
    virtual TrackBar& volumetb() = 0;
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
