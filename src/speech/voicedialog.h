// The voice dialog: the SAPI 4 voice list and the pitch, speed and volume track bars,
// drawn from the speech layer's voice settings (voicesettings.h) whenever they change.
// Every control speaks its label and value when it gets the focus, and every move of a
// track bar reaches the engine at once as a control tag (the logic is VoiceSelection's;
// this class is its widgets).
//
// 1. Created once at start-up: connects the SAPI 5 voice, makes the SAPI 4 notification
//    sink, sets the captions, reads "voice"/"voiceallowed" and, when speech is allowed,
//    lists the voices. A SAPI 5 voice that cannot be reached is reported in a message box
//    once the rest of the creation is done, so SAPI 4 still works without it.
// 2. Shown modally by VoicesubmenuClick. When it becomes the active window it says its
//    title and the chosen voice; focus moves speak from then on.
// 3. Focus that returns with the window's activation is no move between controls and
//    speaks nothing.
// All of this runs on the GUI thread.
#pragma once

#include "runtime/host.h"
#include "speech/speechlayer.h"
#include "speech/voiceselection.h"
#include "speech/voicesettings.h"

#include <QDialog>
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <utility>

class QLabel;
class QListWidget;
class QPushButton;
class QSlider;

namespace tov::speech {

class TForm4 : public QDialog, private VoiceSettings::Observer {
    Q_OBJECT
public:
    TForm4(SpeechLayer& speech, runtime::ProcessControl& process, QWidget* parent = nullptr);
    ~TForm4() override;

    VoiceSelection& voiceselection() { return *selection_; }
    // The Voice menu command; `mainCaption` (the main window's title) is spoken on Cancel.
    void VoicesubmenuClick(const std::function<std::string()>& mainCaption);

    QListWidget* voicelist() const { return voicelist_; }
    QLabel* voicestatic() const { return voicestatic_; }
    QSlider* pitchtb() const { return pitchtb_; }
    QLabel* pitchstatic() const { return pitchstatic_; }
    QSlider* speedtb() const { return speedtb_; }
    QLabel* speedstatic() const { return speedstatic_; }
    QSlider* volumetb() const { return volumetb_; }
    QLabel* volumestatic() const { return volumestatic_; }
    QPushButton* vyberhlasbitbtn() const { return vyberhlasbitbtn_; }
    QPushButton* closebitbtn() const { return closebitbtn_; }

    void done(int result) override;

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class View;
    void levelMoved(VoiceLevel) override { render(); }
    void layoutChanged() override { render(); }
    // Shows the model: the list and its chosen line, each bar's range, value and ticks,
    // the bars and their labels enabled once an engine told its ranges.
    void render();
    // Each track bar with the level it shows.
    std::array<std::pair<QSlider*, VoiceLevel>, 3> bars() const;
    void FormCreate();
    void setCaptions();

    SpeechLayer& speech_;
    runtime::ProcessControl& process_;
    QListWidget* voicelist_ = nullptr;
    QLabel* voicestatic_ = nullptr;
    QSlider* pitchtb_ = nullptr;
    QLabel* pitchstatic_ = nullptr;
    QSlider* speedtb_ = nullptr;
    QLabel* speedstatic_ = nullptr;
    QSlider* volumetb_ = nullptr;
    QLabel* volumestatic_ = nullptr;
    QPushButton* vyberhlasbitbtn_ = nullptr;
    QPushButton* closebitbtn_ = nullptr;
    std::unique_ptr<View> view_;
    std::unique_ptr<VoiceSelection> selection_;
};

} // namespace tov::speech
