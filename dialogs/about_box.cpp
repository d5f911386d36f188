#include "dialogs/about_box.h"

#include "dialogs/pictures.h"

#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace tonvarra::dialogs {

TAboutBox::TAboutBox(QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("About"));
    setModal(false);

    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameShape(QFrame::StyledPanel);
    auto* programIcon = new QLabel(panel);
    programIcon->setObjectName(QStringLiteral("ProgramIcon"));
    programIcon->setFixedSize(57, 57);
    programIcon->setAlignment(Qt::AlignCenter);
    programIcon->setAttribute(Qt::WA_TranslucentBackground);
    programIcon->setPixmap(ProgramIcon().pixmap(57, 57));
    auto* productName = new QLabel(QStringLiteral("Product Name: Tonvarra"), panel);
    productName->setObjectName(QStringLiteral("ProductName"));
    auto* version = new QLabel(QStringLiteral("Version: 1.3"), panel);
    version->setObjectName(QStringLiteral("Version"));

    auto* texts = new QVBoxLayout;
    texts->addWidget(productName);
    texts->addWidget(version);
    texts->addStretch();
    auto* panelLayout = new QHBoxLayout(panel);
    panelLayout->addWidget(programIcon, 0, Qt::AlignTop);
    panelLayout->addLayout(texts, 1);

    OKButton_ = new QPushButton(QStringLiteral("OK"), this);
    OKButton_->setObjectName(QStringLiteral("OKButton"));
    OKButton_->setDefault(true);
    connect(OKButton_, &QPushButton::clicked, this, &TAboutBox::OKButtonClick);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(panel, 1);
    layout->addWidget(OKButton_, 0, Qt::AlignHCenter);

    setFixedSize(240, 176);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

// Closing only hides the box (QDialog::accept), so it keeps its place for the next "About".
void TAboutBox::OKButtonClick() {
    accept();
}

} // namespace tonvarra::dialogs
