// The sounds dialog: speech allowed, the notetaker's sounds on, and their volume on a
// track bar of 0 to 100 (position p is p x 100 - 10000 hundredths of a decibel). Moving
// the bar changes the volume at once and, while the dialog is the active window, plays a
// short tone at the new volume; Cancel puts the volume back. The main window's
// soundssubmenuClick opens it and applies what it chose.
#pragma once

#include "shell/dialoganswer.h"
#include "shell/settings.h" // the volume bar's steps

#include <QDialog>

class QCheckBox;
class QLabel;
class QPushButton;
class QSlider;

namespace tov::runtime {
class SoundStatement;
struct SoundSettings;
} // namespace tov::runtime

namespace tov::shell {

// What the dialog edits besides the volume: whether speech is allowed, and whether the
// notetaker's sounds play. The volume is the sound settings' own, changed as the bar moves.
struct SoundsChoice {
    bool voiceallowed = false;
    bool tovanasounds = false;
};

class TForm5 : public QDialog {
    Q_OBJECT
public:
    TForm5(runtime::SoundSettings& sounds, runtime::SoundStatement& cues,
           QWidget* parent = nullptr);

    QCheckBox* voicecheckbox() const { return voicecheckbox_; }
    QCheckBox* tovanasoundschk() const { return tovanasoundschk_; }
    QSlider* sndvoltrackbar() const { return sndvoltrackbar_; }
    QLabel* sndvolstatic() const { return sndvolstatic_; }
    QPushButton* okbitbtn() const { return okbitbtn_; }
    QPushButton* cancelbitbtn() const { return cancelbitbtn_; }

    // Shows the dialog over `choice` and the stored volume (rounded to the bar at once: a
    // stored -2550 becomes -2600), modally. OK leaves the user's choice in `choice`;
    // Cancel leaves `choice` alone and puts the volume back.
    DialogAnswer edit(SoundsChoice& choice);

    void sndvoltrackbarChange();
    void tovanasoundschkClick();

private:
    void FormCreate();

    runtime::SoundSettings& sounds_;
    runtime::SoundStatement& cues_;
    QCheckBox* voicecheckbox_ = nullptr;
    QCheckBox* tovanasoundschk_ = nullptr;
    QLabel* sndvolstatic_ = nullptr;
    QSlider* sndvoltrackbar_ = nullptr;
    QPushButton* okbitbtn_ = nullptr;
    QPushButton* cancelbitbtn_ = nullptr;
};

} // namespace tov::shell
