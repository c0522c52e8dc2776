#include "ui/main/AboutBox.h"

#include "ui/parts/Pictures.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TAboutBox::TAboutBox(const std::string& version, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint)
{
    setWindowTitle(QStringLiteral("About Veltrin Installer"));

    auto* panel = new QFrame(this);
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setLineWidth(1);

    auto* picture = new QLabel(panel);
    picture->setPixmap(ProgramPicture(64));
    picture->setFixedSize(64, 64);

    auto* product = new QLabel(QString::fromUtf8("Veltrin Installer \u00AE"), panel);
    QFont bold = product->font();
    bold.setPointSizeF(bold.pointSizeF() * 1.4);
    bold.setBold(true);
    product->setFont(bold);
    FBuild = new QLabel(
        version.empty() ? QStringLiteral("Build") : QStringLiteral("Build ") + QString::fromStdString(version), panel);
    FBuild->setObjectName(QStringLiteral("lbBuild"));
    auto* problems = new QLabel(QStringLiteral("Problems? Questions?"), panel);
    auto* address = new QLabel(QString::fromLatin1(SupportAddress), panel);
    address->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(4);
    texts->addWidget(product);
    texts->addWidget(FBuild);
    texts->addSpacing(14);
    texts->addWidget(problems);
    texts->addWidget(address);
    texts->addStretch(1);

    auto* panelLayout = new QHBoxLayout(panel);
    panelLayout->setContentsMargins(14, 14, 24, 14);
    panelLayout->setSpacing(16);
    panelLayout->addWidget(picture, 0, Qt::AlignTop);
    panelLayout->addLayout(texts, 1);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->addWidget(panel);
    layout->addWidget(ok, 0, Qt::AlignHCenter);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

QString TAboutBox::BuildLine() const
{
    return FBuild->text();
}
