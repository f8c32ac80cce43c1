// The about box's layout and labels.
#include "shell/aboutbox.h"

#include "common/localizer.h"
#include "common/qcaptions.h"
#include "common/qtext.h"
#include "shell/programicon.h"

#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace tov::shell {
namespace {

constexpr int kIconSize = 64;
constexpr const char* kFixedLine = "Copyright \u00A9 2026 the tovana developers";

} // namespace

TAboutbox::TAboutbox(QWidget* parent) : QDialog(parent)
{
    setObjectName("Aboutbox");
    panel1_ = new QFrame(this);
    panel1_->setObjectName("Panel1");
    panel1_->setFrameShape(QFrame::StyledPanel);
    programIcon_ = new QLabel(panel1_);
    programIcon_->setObjectName("ProgramIcon");
    programIcon_->setPixmap(programPixmap(kIconSize));
    productName_ = new QLabel(panel1_);
    productName_->setObjectName("ProductName");
    version_ = new QLabel(panel1_);
    version_->setObjectName("Version");
    copyright_ = new QLabel(QString::fromUtf8(kFixedLine), panel1_);
    copyright_->setObjectName("Copyright");
    comments_ = new QLabel(panel1_);
    comments_->setObjectName("Comments");
    comments_->setWordWrap(true);

    auto* grid = new QGridLayout(panel1_);
    grid->addWidget(programIcon_, 0, 0, 3, 1, Qt::AlignTop);
    grid->addWidget(productName_, 0, 1);
    grid->addWidget(version_, 1, 1);
    grid->addWidget(copyright_, 2, 1);
    grid->addWidget(comments_, 3, 0, 1, 2);

    okButton_ = new QPushButton(this);
    okButton_->setObjectName("OKButton");
    okButton_->setDefault(true);
    connect(okButton_, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(panel1_);
    layout->addWidget(okButton_, 0, Qt::AlignHCenter);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    FormCreate();
}

void TAboutbox::FormCreate()
{
    setWindowTitle(caption(Message::AboutTitle));
    nameForAccessibility(this, caption(Message::AboutTitle));
    productName_->setText(caption(Message::ProgramTitle));
    version_->setText(caption(Message::Version) + " " + kVersion);
    labelWidget(okButton_, Message::Ok);
    programIcon_->setAccessibleName(caption(Message::ProgramTitle));
    // A screen reader that lands on the dialog hears what it shows.
    setAccessibleDescription(productName_->text() + ", " + version_->text() + ", " +
                             copyright_->text());
}

} // namespace tov::shell
