// The environment dialog's entries, captions and selection.
#include "shell/environmentdialog.h"

#include "common/localizer.h"
#include "common/profile.h"
#include "common/qcaptions.h"
#include "common/qtext.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace tov::shell {
TForm3::TForm3(const Profile& profile, QWidget* parent) : QDialog(parent), profile_(profile)
{
    setObjectName("TForm3");
    languagergroup_ = new QGroupBox(this);
    languagergroup_->setObjectName("languagergroup");
    buttons_ = new QButtonGroup(this);
    auto* groupLayout = new QVBoxLayout(languagergroup_);

    std::vector<LanguageItem> languages;
    TResourceLocalizer::filllanguages(languages);
    for (const LanguageItem& language : languages) {
        auto* entry = new QRadioButton(text::toQString(language.text), languagergroup_);
        entry->setAccessibleName(entry->text());
        groupLayout->addWidget(entry);
        buttons_->addButton(entry, static_cast<int>(entries_.size()));
        entries_.push_back(entry);
        bases_.push_back(language.base);
    }
    connect(buttons_, &QButtonGroup::idClicked, this, [this] { languagergroupClick(); });

    okbitbtn_ = new QPushButton(this);
    okbitbtn_->setObjectName("okbitbtn");
    okbitbtn_->setDefault(true);
    cancelbitbtn_ = new QPushButton(this);
    cancelbitbtn_->setObjectName("cancelbitbtn");
    connect(okbitbtn_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancelbitbtn_, &QPushButton::clicked, this, &QDialog::reject);

    auto* row = new QDialogButtonBox(this);
    row->addButton(okbitbtn_, QDialogButtonBox::AcceptRole);
    row->addButton(cancelbitbtn_, QDialogButtonBox::RejectRole);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(languagergroup_);
    layout->addWidget(row);
    setTabOrder(languagergroup_, okbitbtn_);
    setTabOrder(okbitbtn_, cancelbitbtn_);

    FormCreate();
}

void TForm3::FormCreate()
{
    setItemIndex(0);
    readlanguage(profile_);
    setCaptions();
}

void TForm3::setCaptions()
{
    setWindowTitle(caption(Message::EnvironmentTitle));
    nameForAccessibility(this, caption(Message::EnvironmentTitle));
    languagergroup_->setTitle(caption(Message::LanguageLabel));
    nameForAccessibility(languagergroup_, caption(Message::LanguageLabel));
    labelWidget(okbitbtn_, Message::Ok);
    labelWidget(cancelbitbtn_, Message::Cancel);
}

int TForm3::itemIndex() const
{
    return buttons_->checkedId();
}

void TForm3::setItemIndex(int index)
{
    // An exclusive group cannot be emptied; drop exclusivity for the moment it takes.
    buttons_->setExclusive(false);
    for (size_t i = 0; i < entries_.size(); ++i) {
        entries_[i]->setChecked(static_cast<int>(i) == index);
    }
    buttons_->setExclusive(true);
}

DialogAnswer TForm3::edit(int& index)
{
    setItemIndex(index);
    languagergroup_->setFocus(Qt::OtherFocusReason);
    if (index >= 0 && index < languageCount()) {
        entry(index)->setFocus(Qt::OtherFocusReason);
    }
    if (exec() != QDialog::Accepted) {
        return DialogAnswer::Cancel;
    }
    index = itemIndex();
    return DialogAnswer::Ok;
}

void TForm3::languagergroupClick()
{
    const int index = itemIndex();
    if (index < 0) {
        return;
    }
    languageSettings().languagebase = bases_[static_cast<size_t>(index)];
    setCaptions();
}

} // namespace tov::shell
