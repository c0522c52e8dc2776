#include "ui/wizard/fmRuntimeWizard.h"

#include "model/Project.h"
#include "package/Runtimes.h"
#include "ui/parts/CheckList.h"
#include "ui/parts/DialogParts.h"
#include "ui/parts/DialogPlacement.h"
#include "ui/parts/MessageService.h"
#include "ui/parts/Named.h"
#include "ui/parts/QtText.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

// The radio items in the order they stand, and the family each stands for.
struct TRuntimeItem {
    const char* Caption;
    int Family;
};
constexpr TRuntimeItem RuntimeItems[] = {{"Embeded Visual Basic Runtimes", rtVisualBasic},
                                         {"MFC Runtimes", rtMFC},
                                         {"OLE CE Runtimes", rtOleCE},
                                         {"ADO CE Runtimes", rtAdoCE}};

const char* const NoWindowsFolder =
    "The project has no Windows folder (a top-level device folder for %CE2%), so the runtime files would have "
    "no destination. Nothing was added.";

}

TfrmRuntimesChooser::TfrmRuntimesChooser(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("frmRuntimesChooser"));
    auto* group = new QGroupBox(QStringLiteral("&Runtimes"), this);
    rgRuntimes = new QButtonGroup(this);
    auto* groupLayout = new QVBoxLayout(group);
    for (int i = 0; i < int(std::size(RuntimeItems)); ++i) {
        auto* radio = new QRadioButton(QString::fromLatin1(RuntimeItems[i].Caption), group);
        radio->setObjectName(QStringLiteral("rbRuntime%1").arg(i));
        rgRuntimes->addButton(radio, i);
        groupLayout->addWidget(radio);
    }
    rgRuntimes->button(0)->setChecked(true);
    cbPlatform = NewNamed<QComboBox>("cbPlatform", this);
    QLabel* label = NewBuddyLabel(QStringLiteral("&Platform:"), cbPlatform, this);

    auto* intro =
        new QLabel(QStringLiteral("Choose the runtimes your application needs and the platform it runs on."), this);
    intro->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(intro);
    layout->addWidget(group);
    layout->addWidget(label);
    layout->addWidget(cbPlatform);
    layout->addStretch(1);

    // Arrow keys move the check as clicks do; either refills the platforms.
    connect(rgRuntimes, &QButtonGroup::idToggled, this, [this](int, bool checked) {
        if (checked)
            FillPlatforms();
    });
    FillPlatforms();
}

int TfrmRuntimesChooser::GetSelectedRuntime() const
{
    int item = rgRuntimes->checkedId();
    return item >= 0 && item < int(std::size(RuntimeItems)) ? RuntimeItems[item].Family : rtVisualBasic;
}

TPlatform TfrmRuntimesChooser::SelectedPlatform() const
{
    int index = cbPlatform->currentIndex();
    return index >= 0 ? TPlatform(cbPlatform->itemData(index).toInt()) : plAll;
}

void TfrmRuntimesChooser::FillPlatforms()
{
    FPlatforms = RuntimePlatforms(GetSelectedRuntime());
    cbPlatform->clear();
    for (uint8_t platform : FPlatforms)
        cbPlatform->addItem(AnsiToQt(PlatformToName(TPlatform(platform))), int(platform));
    cbPlatform->setCurrentIndex(cbPlatform->count() > 0 ? 0 : -1);
}

TfrmRuntimesProcessors::TfrmRuntimesProcessors(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("frmRuntimesProcessors"));
    clbProcessors = NewNamed<TCheckList>("clbProcessors", this);
    QLabel* label = NewBuddyLabel(QStringLiteral("P&rocessors:"), clbProcessors, this);
    auto* intro = new QLabel(QStringLiteral("Check the processors you want the runtime files for."), this);
    intro->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(intro);
    layout->addWidget(label);
    layout->addWidget(clbProcessors);
    layout->addStretch(1);
}

void TfrmRuntimesProcessors::SetChoice(int family, TPlatform platform)
{
    FFamily = family;
    FPlatform = platform;
    FProcessors = RuntimeProcessors(family, platform);
    clbProcessors->Clear();
    for (TProcessor processor : FProcessors) {
        clbProcessors->AddItem(AnsiToQt(ProcessorToName(processor)), int(processor));
        clbProcessors->SetChecked(clbProcessors->Count() - 1, true);
    }
}

TProcessorsArray TfrmRuntimesProcessors::CheckedProcessors() const
{
    TProcessorsArray checked;
    for (int i = 0; i < clbProcessors->Count(); ++i)
        if (clbProcessors->IsChecked(i))
            checked.push_back(TProcessor(clbProcessors->Data(i)));
    return checked;
}

TfmRuntimeWizard::TfmRuntimeWizard(TMessageService* messages, QWidget* parent)
    : QDialog(parent, PropertyDialogFlags), FMessages(messages)
{
    setObjectName(QStringLiteral("fmRuntimeWizard"));
    setWindowTitle(QStringLiteral("Add Runtimes Wizard"));

    auto* pages = new QWidget(this);
    frmChooser = new TfrmRuntimesChooser(pages);
    frmProcessors = new TfrmRuntimesProcessors(pages);
    frmProcessors->hide();
    auto* pageLayout = new QVBoxLayout(pages);
    pageLayout->setContentsMargins(0, 0, 0, 0);
    pageLayout->addWidget(frmChooser);
    pageLayout->addWidget(frmProcessors);
    pages->setFixedSize(380, 250);

    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    btBack = NewPushButton(QStringLiteral("&Back"), "btBack", this);
    btBack->setEnabled(false);
    btNext = NewPushButton(QStringLiteral("&Next"), "btNext", this);
    btNext->setDefault(true);
    btCancel = NewPushButton(QStringLiteral("Cancel"), "btCancel", this);
    connect(btBack, &QPushButton::clicked, this, &TfmRuntimeWizard::btBackClick);
    connect(btNext, &QPushButton::clicked, this, &TfmRuntimeWizard::btNextClick);
    connect(btCancel, &QPushButton::clicked, this, &QDialog::reject);

    LayOutFixedDialog(this, 12, 10, {pages, line, NewButtonRow({btBack, btNext, nullptr, btCancel})});
    CenterOnScreen(*this);
}

void TfmRuntimeWizard::SetProject(TProject* project)
{
    FProject = project;
}

void TfmRuntimeWizard::btNextClick()
{
    if (FOnProcessors) {
        if (AddFiles())
            accept();
        else
            reject();
        return;
    }
    FOnProcessors = true;
    btNext->setText(QStringLiteral("&Finish"));
    btBack->setEnabled(true);
    frmChooser->hide();
    frmProcessors->SetChoice(frmChooser->GetSelectedRuntime(), frmChooser->SelectedPlatform());
    frmProcessors->show();
}

void TfmRuntimeWizard::btBackClick()
{
    FOnProcessors = false;
    btNext->setText(QStringLiteral("&Next"));
    btBack->setEnabled(false);
    frmProcessors->hide();
    frmChooser->show();
}

bool TfmRuntimeWizard::AddFiles()
{
    if (!FProject)
        return false;
    TFolder* windows = FProject->Folders().FindWindowsFolder();
    if (!windows) {
        FMessages->ShowMessage(NoWindowsFolder);
        return false;
    }
    int family = frmProcessors->Family();
    TPlatform platform = frmProcessors->Platform();
    for (TProcessor processor : frmProcessors->CheckedProcessors()) {
        for (std::unique_ptr<TFile>& file : RuntimeFiles(family, platform, processor)) {
            file->SetEmergencyFolder(FProject->Folders().Root());
            file->SetFolder(windows);
            FProject->Files().Add(std::move(file));
        }
    }
    return true;
}
