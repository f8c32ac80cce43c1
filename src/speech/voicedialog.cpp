// The voice dialog's widgets, their layout and their events.
#include "speech/voicedialog.h"

#include "common/localizer.h"
#include "common/profile.h"
#include "common/qcaptions.h"
#include "common/qtext.h"
#include "common/tov_error.h"

#include <QEvent>
#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <algorithm>
#include <array>
#include <ranges>
#include <utility>

namespace tov::speech {
namespace {

template <typename Widget>
class CaptionAdapter final : public Captioned {
public:
    explicit CaptionAdapter(Widget* widget) : widget_(widget) {}
    std::string caption() const override { return text::fromQString(widget_->text()); }

private:
    Widget* widget_;
};

QSlider* trackbar(QWidget* parent, const char* name)
{
    auto* slider = new QSlider(Qt::Horizontal, parent);
    slider->setObjectName(name);
    slider->setTickPosition(QSlider::TicksBelow);
    return slider;
}

QLabel* label(QWidget* parent, const char* name, QWidget* buddy)
{
    auto* l = new QLabel(parent);
    l->setObjectName(name);
    l->setBuddy(buddy);
    return l;
}

} // namespace

class TForm4::View final : public VoiceDialogView {
public:
    explicit View(TForm4& form)
        : form_(form), voicestatic_(form.voicestatic_), pitchstatic_(form.pitchstatic_),
          speedstatic_(form.speedstatic_), volumestatic_(form.volumestatic_),
          vyberhlasbitbtn_(form.vyberhlasbitbtn_), closebitbtn_(form.closebitbtn_)
    {
    }
    Captioned& voicestatic() override { return voicestatic_; }
    Captioned& pitchstatic() override { return pitchstatic_; }
    Captioned& speedstatic() override { return speedstatic_; }
    Captioned& volumestatic() override { return volumestatic_; }
    Captioned& vyberhlasbitbtn() override { return vyberhlasbitbtn_; }
    Captioned& closebitbtn() override { return closebitbtn_; }
    bool isActive() const override { return form_.isActiveWindow(); }
    void activateVoicelist() override { form_.voicelist_->setFocus(Qt::OtherFocusReason); }
    bool showModal() override { return form_.exec() == QDialog::Accepted; }

private:
    TForm4& form_;
    CaptionAdapter<QLabel> voicestatic_;
    CaptionAdapter<QLabel> pitchstatic_;
    CaptionAdapter<QLabel> speedstatic_;
    CaptionAdapter<QLabel> volumestatic_;
    CaptionAdapter<QPushButton> vyberhlasbitbtn_;
    CaptionAdapter<QPushButton> closebitbtn_;
};

TForm4::TForm4(SpeechLayer& speech, runtime::ProcessControl& process, QWidget* parent)
    : QDialog(parent), speech_(speech), process_(process)
{
    setObjectName("TForm4");

    voicelist_ = new QListWidget(this);
    voicelist_->setObjectName("voicelist");
    voicestatic_ = label(this, "voicestatic", voicelist_);
    pitchtb_ = trackbar(this, "pitchtb");
    pitchstatic_ = label(this, "pitchstatic", pitchtb_);
    speedtb_ = trackbar(this, "speedtb");
    speedstatic_ = label(this, "speedstatic", speedtb_);
    volumetb_ = trackbar(this, "volumetb");
    volumestatic_ = label(this, "volumestatic", volumetb_);
    vyberhlasbitbtn_ = new QPushButton(this);
    vyberhlasbitbtn_->setObjectName("vyberhlasbitbtn");
    vyberhlasbitbtn_->setDefault(true);
    closebitbtn_ = new QPushButton(this);
    closebitbtn_->setObjectName("closebitbtn");

    // The voice list under its label on the left, the three track bars under theirs on the
    // right, the buttons below; a layout, so that every caption shows whole in each
    // language (designed pixel widths cut "Rychlost").
    auto* grid = new QGridLayout(this);
    grid->addWidget(voicestatic_, 0, 0);
    grid->addWidget(voicelist_, 1, 0, 5, 1);
    int row = 0;
    for (const auto& [caption, bar] :
         {std::pair{pitchstatic_, pitchtb_}, std::pair{speedstatic_, speedtb_},
          std::pair{volumestatic_, volumetb_}}) {
        grid->addWidget(caption, row++, 1);
        grid->addWidget(bar, row++, 1);
    }
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(vyberhlasbitbtn_);
    buttons->addWidget(closebitbtn_);
    buttons->addStretch();
    grid->addLayout(buttons, row, 0, 1, 2);

    setTabOrder(voicelist_, pitchtb_);
    setTabOrder(pitchtb_, speedtb_);
    setTabOrder(speedtb_, volumetb_);
    setTabOrder(volumetb_, vyberhlasbitbtn_);
    setTabOrder(vyberhlasbitbtn_, closebitbtn_);

    view_ = std::make_unique<View>(*this);
    selection_ = std::make_unique<VoiceSelection>(speech_, *view_, process_);
    VoiceSelection& s = *selection_;
    // After the selection: a level the user moves reaches the engine before the bar is
    // drawn again.
    VoiceSettings& model = speech_.voiceSettings();
    model.addObserver(*this);
    render();

    connect(vyberhlasbitbtn_, &QPushButton::clicked, this, &QDialog::accept);
    connect(closebitbtn_, &QPushButton::clicked, this, &QDialog::reject);
    connect(voicelist_, &QListWidget::currentRowChanged, this, [&s, &model](int row) {
        model.choose(row);
        s.voicelistClick();
    });
    for (const auto& [bar, which] : bars()) {
        connect(bar, &QSlider::valueChanged, this,
                [&model, which](int value) { model.setValue(which, value); });
    }
    for (QWidget* w : std::initializer_list<QWidget*>{voicelist_, pitchtb_, speedtb_, volumetb_,
                                                      vyberhlasbitbtn_, closebitbtn_}) {
        w->installEventFilter(this);
    }

    FormCreate();
}

std::array<std::pair<QSlider*, VoiceLevel>, 3> TForm4::bars() const
{
    return {{{pitchtb_, VoiceLevel::Pitch},
             {speedtb_, VoiceLevel::Speed},
             {volumetb_, VoiceLevel::Volume}}};
}

TForm4::~TForm4()
{
    speech_.voiceSettings().removeObserver(*this);
}

void TForm4::render()
{
    const VoiceSettings& model = speech_.voiceSettings();
    {
        // Drawing the model is no click and no move of a bar.
        const QSignalBlocker quiet(voicelist_);
        const std::vector<std::string>& voices = model.voices();
        const bool sameLines =
            voicelist_->count() == static_cast<int>(voices.size()) &&
            std::ranges::all_of(std::views::iota(0, voicelist_->count()), [&](int row) {
                return text::fromQString(voicelist_->item(row)->text()) ==
                       voices[static_cast<size_t>(row)];
            });
        if (!sameLines) {
            voicelist_->clear();
            for (const std::string& name : voices) {
                voicelist_->addItem(text::toQString(name));
            }
        }
        voicelist_->setCurrentRow(model.chosen());
    }
    for (const auto& [bar, which] : bars()) {
        const LevelRange& level = model.level(which);
        const QSignalBlocker quiet(bar);
        bar->setRange(level.minimum, level.maximum);
        bar->setValue(level.value);
        bar->setTickInterval(level.ticks);
    }
    for (QWidget* w : std::initializer_list<QWidget*>{pitchtb_, pitchstatic_, speedtb_,
                                                      speedstatic_, volumetb_, volumestatic_}) {
        w->setEnabled(model.isAdjustable());
    }
}

void TForm4::setCaptions()
{
    setWindowTitle(caption(Message::VoiceTitle));
    voicestatic_->setText(caption(Message::VoicesLabel));
    pitchstatic_->setText(caption(Message::PitchLabel));
    speedstatic_->setText(caption(Message::SpeedLabel));
    volumestatic_->setText(caption(Message::VolumeLabel));
    vyberhlasbitbtn_->setText(caption(Message::ChooseVoice));
    closebitbtn_->setText(caption(Message::Close));
    // A screen reader reads a control by its label's words, without the marker.
    voicelist_->setAccessibleName(withoutAccelerator(voicestatic_->text()));
    pitchtb_->setAccessibleName(withoutAccelerator(pitchstatic_->text()));
    speedtb_->setAccessibleName(withoutAccelerator(speedstatic_->text()));
    volumetb_->setAccessibleName(withoutAccelerator(volumestatic_->text()));
}

void TForm4::FormCreate()
{
    // Recorded only: the voice connects once SAPI 5 is chosen, and tells of a failure
    // itself, so the SAPI 4 voices never wait for speech-dispatcher.
    speech_.voice5().setEventInterests(sapi5::SVEAllEvents);
    speech_.createnotifysink();
    setCaptions();
    speech_.setSpeechAllowed(speech_.profile().read(settings::kVoiceAllowed));
    try {
        if (speech_.isSpeechAllowed()) {
            selection_->fillvoicelist();
        }
    } catch (const TovError& error) {
        process_.showMessage(error.what());
    }
}

void TForm4::VoicesubmenuClick(const std::function<std::string()>& mainCaption)
{
    selection_->VoicesubmenuClick(mainCaption);
}

void TForm4::done(int result)
{
    selection_->FormClose();
    QDialog::done(result);
}

bool TForm4::event(QEvent* event)
{
    const bool handled = QDialog::event(event);
    if (event->type() == QEvent::WindowActivate) {
        selection_->FormActivate();
    }
    return handled;
}

bool TForm4::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusIn &&
        static_cast<QFocusEvent*>(event)->reason() != Qt::ActiveWindowFocusReason) {
        VoiceSelection& s = *selection_;
        if (watched == voicelist_) {
            s.voicelistEnter();
        } else if (watched == pitchtb_) {
            s.pitchtbEnter();
        } else if (watched == speedtb_) {
            s.speedtbEnter();
        } else if (watched == volumetb_) {
            s.volumetbEnter();
        } else if (watched == vyberhlasbitbtn_) {
            s.vyberhlasbitbtnEnter();
        } else if (watched == closebitbtn_) {
            s.closebitbtnEnter();
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace tov::speech
