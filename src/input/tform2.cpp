// The input dialog's controls and its modal round.
#include "input/tform2.h"

#include "common/localizer.h"
#include "common/qtext.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>

namespace tov::input {
namespace {

constexpr int kEnterDataMessage = 23;
constexpr int kOkMessage = 7;
constexpr int kExitProgramMessage = 45;

// Captions carry "&" accelerators; a screen reader's name should not.
QString accessibleText(int number)
{
    return text::toQString(message(number)).remove(QLatin1Char('&'));
}

} // namespace

TForm2::TForm2(std::function<void()> exitProgram, QWidget* parent)
    : QDialog(parent), exitProgram_(std::move(exitProgram))
{
    setObjectName("TForm2");
    inputedit_ = new QLineEdit(this);
    inputedit_->setObjectName("inputedit");
    enterbitbtn_ = new QPushButton(this);
    enterbitbtn_->setObjectName("Enterbitbtn");
    exitprogrambtn_ = new QPushButton(this);
    exitprogrambtn_->setObjectName("exitprogrambtn");

    auto* row = new QHBoxLayout(this);
    row->addWidget(inputedit_, 1);
    row->addWidget(enterbitbtn_);
    row->addWidget(exitprogrambtn_);
    setTabOrder(inputedit_, enterbitbtn_);
    setTabOrder(enterbitbtn_, exitprogrambtn_);

    // Enter anywhere in the dialog confirms the line.
    enterbitbtn_->setDefault(true);
    exitprogrambtn_->setAutoDefault(false);
    connect(enterbitbtn_, &QPushButton::clicked, this, &QDialog::accept);
    connect(exitprogrambtn_, &QPushButton::clicked, this, &TForm2::exitprogrambtnClick);

    setMinimumWidth(379);
    move(248, 24);
    FormCreate();
}

void TForm2::FormCreate()
{
    // Captions are fetched once, in the language of this start.
    setWindowTitle(text::toQString(message(kEnterDataMessage)));
    enterbitbtn_->setText(text::toQString(message(kOkMessage)));
    exitprogrambtn_->setText(text::toQString(message(kExitProgramMessage)));

    setAccessibleName(accessibleText(kEnterDataMessage));
    inputedit_->setAccessibleName(accessibleText(kEnterDataMessage));
    inputedit_->setAccessibleDescription(accessibleText(kEnterDataMessage));
    enterbitbtn_->setAccessibleName(accessibleText(kOkMessage));
    exitprogrambtn_->setAccessibleName(accessibleText(kExitProgramMessage));
    exitprogrambtn_->setAccessibleDescription(accessibleText(kExitProgramMessage));
}

void TForm2::exitprogrambtnClick()
{
    exitProgram_();
}

void TForm2::setEditText(const std::string& text)
{
    inputedit_->setText(text::toQString(text));
}

void TForm2::activateEdit()
{
    inputedit_->setFocus(Qt::OtherFocusReason);
}

runtime::DialogResult TForm2::showModal()
{
    return exec() == QDialog::Accepted ? runtime::DialogResult::Ok : runtime::DialogResult::Closed;
}

std::string TForm2::editText() const
{
    return text::fromQString(inputedit_->text());
}

} // namespace tov::input
