// The input dialog: one line for the BASIC INPUT statement, typed by a user who may not
// see it. INPUT clears the line, gives it the focus and shows the dialog modally; OK (or
// Enter) hands the line over, closing the dialog any other way hands over nothing, and
// the exit button ends the whole program after saving the memory image.
#pragma once

#include "runtime/host.h"

#include <QDialog>
#include <functional>

class QLineEdit;
class QPushButton;

namespace tov::input {

class TForm2 : public QDialog, public runtime::InputDialog {
    Q_OBJECT
public:
    // `exitProgram` saves what must be saved and ends the process; it does not return.
    TForm2(std::function<void()> exitProgram, QWidget* parent = nullptr);

    // runtime::InputDialog
    void setEditText(const std::string& text) override;
    void activateEdit() override;
    runtime::DialogResult showModal() override;
    std::string editText() const override;

    QLineEdit* inputedit() const { return inputedit_; }
    QPushButton* Enterbitbtn() const { return enterbitbtn_; }
    QPushButton* exitprogrambtn() const { return exitprogrambtn_; }

private:
    void FormCreate();
    void exitprogrambtnClick();

    std::function<void()> exitProgram_;
    QLineEdit* inputedit_ = nullptr;
    QPushButton* enterbitbtn_ = nullptr;
    QPushButton* exitprogrambtn_ = nullptr;
};

} // namespace tov::input
