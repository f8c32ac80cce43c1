// The speech items of the main menu.
#include "speech/speechmenu.h"

#include <QAction>

namespace tov::speech {
namespace {

class ActionItem final : public MenuItem {
public:
    explicit ActionItem(QAction* action) : action_(action) {}
    void setChecked(bool checked) override { action_->setChecked(checked); }
    void setEnabled(bool enabled) override { action_->setEnabled(enabled); }

private:
    QAction* action_;
};

} // namespace

SpeechMenu::SpeechMenu(SpeechLayer& speech, TForm4& form4, QAction* usesapi5submenu,
                       QAction* Voicesubmenu, std::function<std::string()> mainCaption,
                       QObject* parent)
    : QObject(parent), speech_(speech), form4_(form4), usesapi5submenu_(usesapi5submenu),
      Voicesubmenu_(Voicesubmenu), mainCaption_(std::move(mainCaption))
{
    usesapi5submenu_->setCheckable(true);
    usesapi5submenu_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    Voicesubmenu_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
    connect(usesapi5submenu_, &QAction::triggered, this, [this] {
        // Qt has turned the check mark over already; switchengine sets it from the
        // layer's choice, which is the one that counts.
        usesapi5submenuClick();
    });
    connect(Voicesubmenu_, &QAction::triggered, this, [this] { VoicesubmenuClick(); });
}

void SpeechMenu::settingsread()
{
    speech_.usesavedengine();
    const bool sapi5 = speech_.usesSpeechDispatcher();
    usesapi5submenu_->setChecked(sapi5);
    Voicesubmenu_->setEnabled(speech_.isSpeechAllowed() && !sapi5);
}

void SpeechMenu::usesapi5submenuClick()
{
    ActionItem check(usesapi5submenu_);
    ActionItem voice(Voicesubmenu_);
    speech_.switchengine(check, voice);
}

void SpeechMenu::VoicesubmenuClick()
{
    form4_.VoicesubmenuClick(mainCaption_);
}

} // namespace tov::speech
