// The environment dialog: the interface language. Choosing an entry switches the language
// at once for every text fetched from then on, and relabels the dialog while it is open;
// OK stores it in the settings file. Menus and window captions keep the language of this
// start until the next one.
#pragma once

#include "shell/dialoganswer.h"

#include <QDialog>
#include <vector>

class QButtonGroup;
class QGroupBox;
class QPushButton;
class QRadioButton;

namespace tov {
class Profile;
}

namespace tov::shell {

class TForm3 : public QDialog {
    Q_OBJECT
public:
    explicit TForm3(const Profile& profile, QWidget* parent = nullptr);

    QGroupBox* languagergroup() const { return languagergroup_; }
    QPushButton* okbitbtn() const { return okbitbtn_; }
    QPushButton* cancelbitbtn() const { return cancelbitbtn_; }
    int languageCount() const { return static_cast<int>(entries_.size()); }
    QRadioButton* entry(int index) const { return entries_.at(static_cast<size_t>(index)); }

    // The selected entry's index, or -1.
    int itemIndex() const;
    // Selects the entry at `index`; an index without an entry selects none.
    void setItemIndex(int index);

    // Shows the dialog modally with the entry at `index` selected and focused (none for an
    // index without an entry). OK leaves the chosen entry's index in `index`; with Cancel
    // the language chosen meanwhile stays for this run, and `index` is left alone.
    DialogAnswer edit(int& index);

    void languagergroupClick();

private:
    void FormCreate();
    void setCaptions();

    const Profile& profile_;
    QGroupBox* languagergroup_ = nullptr;
    QButtonGroup* buttons_ = nullptr;
    std::vector<QRadioButton*> entries_;
    std::vector<int> bases_; //: the language base each entry carries
    QPushButton* okbitbtn_ = nullptr;
    QPushButton* cancelbitbtn_ = nullptr;
};

} // namespace tov::shell
