// The about box: the program's icon, its name, its version and a fixed line, and OK.
#pragma once

#include "shell/version.h"

#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;

namespace tov::shell {

class TAboutbox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutbox(QWidget* parent = nullptr);

    QLabel* ProductName() const { return productName_; }
    QLabel* Version() const { return version_; }
    QLabel* Copyright() const { return copyright_; }
    QLabel* Comments() const { return comments_; }
    QPushButton* OKButton() const { return okButton_; }

private:
    void FormCreate();

    QFrame* panel1_ = nullptr;
    QLabel* programIcon_ = nullptr;
    QLabel* productName_ = nullptr;
    QLabel* version_ = nullptr;
    QLabel* copyright_ = nullptr;
    QLabel* comments_ = nullptr;
    QPushButton* okButton_ = nullptr;
};

} // namespace tov::shell
