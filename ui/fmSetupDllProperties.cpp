#include "ui/fmSetupDllProperties.h"

#include "common/Paths.h"
#include "model/Shortcuts.h"
#include "ui/CheckList.h"
#include "ui/DialogPlacement.h"
#include "ui/FileDialogs.h"
#include "ui/MessageService.h"
#include "ui/PlatformChecks.h"
#include "ui/QtText.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

TfmSetupDllProperties::TfmSetupDllProperties(TMessageService* messages, TFileDialogs* dialogs, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      FMessages(messages), FDialogs(dialogs)
{
    setObjectName(QStringLiteral("fmSetupDllProperties"));
    setWindowTitle(QStringLiteral("SetupDll Properties"));

    eSource = new QLineEdit(this);
    eSource->setObjectName(QStringLiteral("eSource"));
    eSource->setMinimumWidth(320);
    btSource = new QToolButton(this);
    btSource->setObjectName(QStringLiteral("btSource"));
    btSource->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
    btSource->setToolTip(QStringLiteral("Browse for the setup DLL"));
    btSource->setAccessibleName(QStringLiteral("Browse for the setup DLL"));
    btSource->setFocusPolicy(Qt::StrongFocus);
    cbProcessor = NewProcessorBox(this);
    cbProcessor->setObjectName(QStringLiteral("cbProcessor"));
    cbProcessor->setCurrentIndex(pStrongARM);
    clbPlatforms = NewPlatformList(this);
    clbPlatforms->setObjectName(QStringLiteral("clbPlatforms"));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("btOK"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("btCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &TfmSetupDllProperties::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto label = [this](const char* text, QWidget* buddy) {
        QLabel* l = NewBuddyLabel(QString::fromLatin1(text), buddy, this);
        l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        return l;
    };
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(8);
    grid->addWidget(label("&Source:", eSource), 0, 0);
    grid->addWidget(eSource, 0, 1);
    grid->addWidget(btSource, 0, 2);
    grid->addWidget(label("&Processor:", cbProcessor), 1, 0);
    grid->addWidget(cbProcessor, 1, 1, 1, 2);
    grid->addWidget(label("Plat&forms:", clbPlatforms), 2, 0);
    grid->addWidget(clbPlatforms, 2, 1, 1, 2);
    grid->setColumnStretch(1, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(12);
    layout->addLayout(grid);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(btSource, &QToolButton::clicked, this, [this] { BrowseSource(); });
    CenterOnScreen(*this);
}

void TfmSetupDllProperties::LoadDll(TSetupDLL* dll)
{
    FDll = dll;
    if (!FDll)
        return;
    eSource->setText(AnsiToQt(FDll->SourceDir() + FDll->FileName()));
    cbProcessor->setCurrentIndex(FDll->Processor());
    CheckPlatforms(clbPlatforms, FDll->Platforms());
}

void TfmSetupDllProperties::BrowseSource()
{
    std::string chosen = FDialogs ? FDialogs->OpenAnyFile() : std::string();
    if (!chosen.empty())
        eSource->setText(HostPathToQt(chosen));
}

bool TfmSetupDllProperties::StoreDll()
{
    if (!FDll)
        return false;
    std::string refusal;
    std::optional<std::string> source = QtToAnsi(eSource->text(), &refusal);
    if (!source) {
        FMessages->ShowMessage(refusal);
        return false;
    }
    FDll->SetSourceDir(ExtractFilePath(*source));
    FDll->SetFileName(ExtractFileName(*source));
    FDll->SetPlatforms(CheckedPlatforms(clbPlatforms));
    FDll->SetProcessor(TProcessor(cbProcessor->currentIndex()));
    return true;
}

void TfmSetupDllProperties::accept()
{
    if (StoreDll())
        QDialog::accept();
}
