#include "ui/lists/fmSetupDllProperties.h"

#include "common/Paths.h"
#include "model/Shortcuts.h"
#include "ui/parts/CheckList.h"
#include "ui/parts/DialogParts.h"
#include "ui/parts/DialogPlacement.h"
#include "ui/parts/FileDialogs.h"
#include "ui/parts/MessageService.h"
#include "ui/parts/Named.h"
#include "ui/parts/PlatformChecks.h"
#include "ui/parts/QtText.h"

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
    : QDialog(parent, PropertyDialogFlags), FMessages(messages), FDialogs(dialogs)
{
    setObjectName(QStringLiteral("fmSetupDllProperties"));
    setWindowTitle(QStringLiteral("SetupDll Properties"));

    eSource = NewNamed<QLineEdit>("eSource", this);
    eSource->setMinimumWidth(320);
    btSource = NewBrowseButton("btSource", QStringLiteral("Browse for the setup DLL"), this);
    cbProcessor = NewProcessorBox(this);
    cbProcessor->setObjectName(QStringLiteral("cbProcessor"));
    cbProcessor->setCurrentIndex(pStrongARM);
    clbPlatforms = NewPlatformList(this);
    clbPlatforms->setObjectName(QStringLiteral("clbPlatforms"));

    auto label = [this](const char* text, QWidget* buddy) { return NewGridLabel(text, buddy, this); };
    QGridLayout* grid = NewFormGrid();
    grid->addWidget(label("&Source:", eSource), 0, 0);
    grid->addWidget(eSource, 0, 1);
    grid->addWidget(btSource, 0, 2);
    grid->addWidget(label("&Processor:", cbProcessor), 1, 0);
    grid->addWidget(cbProcessor, 1, 1, 1, 2);
    grid->addWidget(label("Plat&forms:", clbPlatforms), 2, 0);
    grid->addWidget(clbPlatforms, 2, 1, 1, 2);
    grid->setColumnStretch(1, 1);
    LayOutPropertyDialog(this, grid, NewOkCancelBox(this));

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
    std::optional<std::string> source = EnteredAnsi(eSource, FMessages);
    if (!source)
        return false;
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
