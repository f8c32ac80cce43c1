// The sounds dialog's controls and its two live handlers.
#include "shell/soundsdialog.h"

#include "common/localizer.h"
#include "common/qcaptions.h"
#include "common/qtext.h"
#include "runtime/soundcues.h"
#include "shell/settings.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

namespace tov::shell {
namespace {

constexpr int kArrowStep = 1;
constexpr int kPageStep = 2;

} // namespace

TForm5::TForm5(runtime::SoundSettings& sounds, runtime::SoundStatement& cues, QWidget* parent)
    : QDialog(parent), sounds_(sounds), cues_(cues)
{
    setObjectName("TForm5");
    voicecheckbox_ = new QCheckBox(this);
    voicecheckbox_->setObjectName("voicecheckbox");
    tovanasoundschk_ = new QCheckBox(this);
    tovanasoundschk_->setObjectName("tovanasoundschk");
    sndvolstatic_ = new QLabel(this);
    sndvolstatic_->setObjectName("sndvolstatic");
    sndvoltrackbar_ = new QSlider(Qt::Horizontal, this);
    sndvoltrackbar_->setObjectName("sndvoltrackbar");
    sndvoltrackbar_->setRange(0, kVolumeSteps);
    sndvoltrackbar_->setSingleStep(kArrowStep);
    sndvoltrackbar_->setPageStep(kPageStep);
    sndvoltrackbar_->setTickPosition(QSlider::TicksBelow);
    sndvoltrackbar_->setTickInterval(10);
    // The label's accelerator moves the focus to the track bar.
    sndvolstatic_->setBuddy(sndvoltrackbar_);
    okbitbtn_ = new QPushButton(this);
    okbitbtn_->setObjectName("okbitbtn");
    okbitbtn_->setDefault(true);
    cancelbitbtn_ = new QPushButton(this);
    cancelbitbtn_->setObjectName("cancelbitbtn");

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(okbitbtn_, QDialogButtonBox::AcceptRole);
    buttons->addButton(cancelbitbtn_, QDialogButtonBox::RejectRole);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(voicecheckbox_);
    layout->addWidget(tovanasoundschk_);
    layout->addWidget(sndvolstatic_);
    layout->addWidget(sndvoltrackbar_);
    layout->addWidget(buttons);
    setTabOrder(voicecheckbox_, tovanasoundschk_);
    setTabOrder(tovanasoundschk_, sndvoltrackbar_);
    setTabOrder(sndvoltrackbar_, okbitbtn_);
    setTabOrder(okbitbtn_, cancelbitbtn_);

    connect(okbitbtn_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancelbitbtn_, &QPushButton::clicked, this, &QDialog::reject);
    connect(sndvoltrackbar_, &QSlider::valueChanged, this, [this] { sndvoltrackbarChange(); });
    connect(tovanasoundschk_, &QCheckBox::toggled, this, [this] { tovanasoundschkClick(); });
    FormCreate();
}

void TForm5::FormCreate()
{
    setWindowTitle(caption(Message::SoundsTitle));
    nameForAccessibility(this, caption(Message::SoundsTitle));
    labelWidget(voicecheckbox_, Message::UseVoice);
    labelWidget(tovanasoundschk_, Message::TovanaSounds);
    sndvolstatic_->setText(caption(Message::SoundVolume));
    nameForAccessibility(sndvoltrackbar_, caption(Message::SoundVolume));
    labelWidget(okbitbtn_, Message::Ok);
    labelWidget(cancelbitbtn_, Message::Cancel);
}

DialogAnswer TForm5::edit(SoundsChoice& choice)
{
    voicecheckbox_->setChecked(choice.voiceallowed);
    tovanasoundschk_->setChecked(choice.tovanasounds);
    sndvoltrackbar_->setValue(volumePosition(sounds_.sndvolume));
    sndvoltrackbar_->setEnabled(choice.tovanasounds);
    const int remembered = sounds_.sndvolume;
    voicecheckbox_->setFocus(Qt::OtherFocusReason);
    if (exec() != QDialog::Accepted) {
        sounds_.sndvolume = remembered; // what was heard in the dialog is undone
        return DialogAnswer::Cancel;
    }
    choice.voiceallowed = voicecheckbox_->isChecked();
    choice.tovanasounds = tovanasoundschk_->isChecked();
    return DialogAnswer::Ok;
}

void TForm5::sndvoltrackbarChange()
{
    sounds_.sndvolume = positionVolume(sndvoltrackbar_->value());
    // Setting the position before the dialog is shown plays nothing.
    if (isActiveWindow()) {
        cues_.sound(runtime::kVolumePreviewTone, runtime::kVolumePreviewSound,
                    runtime::kVolumePreviewDuration);
    }
}

void TForm5::tovanasoundschkClick()
{
    sndvoltrackbar_->setEnabled(tovanasoundschk_->isChecked());
}

} // namespace tov::shell
