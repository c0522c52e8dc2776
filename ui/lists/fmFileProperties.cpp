#include "ui/lists/fmFileProperties.h"

#include "common/Paths.h"
#include "model/Files.h"
#include "model/Project.h"
#include "ui/lists/fmDestinationFolder.h"
#include "ui/parts/CheckList.h"
#include "ui/parts/DialogParts.h"
#include "ui/parts/DialogPlacement.h"
#include "ui/parts/FileDialogs.h"
#include "ui/parts/MessageService.h"
#include "ui/parts/Named.h"
#include "ui/parts/PlatformChecks.h"
#include "ui/parts/QtText.h"
#include "ui/parts/frmFolder.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const char* const NoSource = "You have to specify a source file!";
const char* const NoPlatform = "You have to specify at least one destination platform!";

// The folder and the name joined by the separator the folder already uses,
// so that a path written on Windows still reads as one.
std::string SourcePath(const TFile& file)
{
    std::string dir = file.GetSourceDir();
    size_t last = dir.find_last_of("\\/");
    char separator = last == std::string::npos ? PathDelim : dir[last];
    if (dir.empty() || IsPathDelimiter(dir.back()))
        return dir + file.FileName();
    return dir + separator + file.FileName();
}

}

bool GuessPlatformAndProcessor(const std::string& path, TPlatform& platform, TProcessor& processor)
{
    // The folder part with its separator, then without it: what follows the
    // last separator left is the name of the file's own folder.
    std::string dir = ExtractFilePath(path);
    auto isSeparator = [](char c) { return c == '\\' || c == PathDelim; };
    size_t end = dir.size();
    if (end > 0 && isSeparator(dir[end - 1]))
        --end;
    size_t start = end;
    while (start > 0 && !isSeparator(dir[start - 1]))
        --start;
    if (start == 0)
        return false;
    std::string folder = dir.substr(start, end - start);

    platform = plPPC2K;
    processor = pStrongARM;
    struct TRule {
        const char* Text;
        bool IsPlatform;
        int Value;
    };
    static const TRule rules[] = {{"ARM", false, pStrongARM},  {"MIPS", false, pMIPSR4000},
                                  {"SH3", false, pHitachiSH3}, {"SH4", false, pHitachiSH4},
                                  {"X86", false, pi586},       {"HPC", true, plHPC},
                                  {"PPC", true, plPPC300},     {"HPC 2000", true, plHPC2000}};
    for (const TRule& rule : rules) {
        if (folder.find(rule.Text) == std::string::npos)
            continue;
        if (rule.IsPlatform)
            platform = TPlatform(rule.Value);
        else
            processor = TProcessor(rule.Value);
    }
    return true;
}

TfmFileProperties::TfmFileProperties(TMessageService* messages, TFileDialogs* dialogs, QWidget* parent)
    : QDialog(parent, FixedDialogFlags), FMessages(messages), FDialogs(dialogs)
{
    setObjectName(QStringLiteral("fmFileProperties"));
    setWindowTitle(QStringLiteral("File Properties"));
    LayOutControls(CreateControls());
    ChainTabOrder();
    connect(btSource, &QToolButton::clicked, this, [this] { BrowseSource(); });
    connect(btDestination, &QToolButton::clicked, this, [this] { BrowseDestination(); });
    connect(rbDefaultFolder, &QRadioButton::toggled, this, &TfmFileProperties::UpdateDestinationButton);
    connect(rbFolder, &QRadioButton::toggled, this, &TfmFileProperties::UpdateDestinationButton);
    CenterOnScreen(*this);
}

// Makes the controls; returns the box of the copy options.
QGroupBox* TfmFileProperties::CreateControls()
{
    eSource = NewNamed<QLineEdit>("eSource", this);
    eSource->setReadOnly(true);
    eSource->setMinimumWidth(320);
    btSource = NewBrowseButton("btSource", QStringLiteral("Browse for the source file"), this);

    rbDefaultFolder = NewNamed<QRadioButton>("rbDefaultFolder", QStringLiteral("Use Default Destination Folder"), this);
    rbFolder = NewNamed<QRadioButton>("rbFolder", this);
    rbFolder->setAccessibleName(QStringLiteral("Destination Folder"));
    // The label names the choice between the two radios, not the first one.
    rbDefaultFolder->setAccessibleDescription(QStringLiteral("Destination:"));
    auto* destinationGroup = new QButtonGroup(this);
    destinationGroup->addButton(rbDefaultFolder);
    destinationGroup->addButton(rbFolder);
    eDestination = NewNamed<QLineEdit>("eDestination", this);
    eDestination->setReadOnly(true);
    eDestination->setAccessibleName(QStringLiteral("Destination Folder"));
    btDestination = NewBrowseButton("btDestination", QStringLiteral("Select the destination folder"), this);

    clbPlatforms = NewPlatformList(this);
    clbPlatforms->setObjectName(QStringLiteral("clbPlatforms"));
    clbOptions = NewNamed<TCheckList>("clbOptions", this);
    for (int i = 0; i < FileOptionCount; ++i)
        clbOptions->AddItem(QString::fromStdString(FileOptionName(static_cast<TFileOption>(i))));

    auto* copyBox = NewNamed<QGroupBox>("rgCopyOptions", QStringLiteral("&Copy Options"), this);
    rgCopyOptions = new QButtonGroup(this);
    auto* copyLayout = new QGridLayout(copyBox);
    for (int i = 0; i < CopyModeCount; ++i) {
        auto* radio = new QRadioButton(QString::fromStdString(CopyModeName(i)), copyBox);
        radio->setObjectName(QStringLiteral("rbCopy%1").arg(i));
        rgCopyOptions->addButton(radio, i);
        // Two columns of two; the later fifth mode takes a row of its own.
        if (i < 4)
            copyLayout->addWidget(radio, i % 2, i / 2);
        else
            copyLayout->addWidget(radio, 2, 0, 1, 2);
    }
    rgCopyOptions->button(0)->setChecked(true);

    cbProcessor = NewProcessorBox(this);
    cbProcessor->setObjectName(QStringLiteral("cbProcessor"));
    cbProcessor->setCurrentIndex(pStrongARM);
    return copyBox;
}

void TfmFileProperties::LayOutControls(QGroupBox* copyBox)
{
    QDialogButtonBox* buttons = NewOkCancelBox(this);
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);

    auto label = [this](const char* text, QWidget* buddy) { return NewGridLabel(text, buddy, this); };
    QGridLayout* grid = NewFormGrid();
    grid->addWidget(label("&Source:", eSource), 0, 0);
    grid->addWidget(eSource, 0, 1, 1, 2);
    grid->addWidget(btSource, 0, 3);
    grid->addWidget(label("&Destination:", rbDefaultFolder), 1, 0);
    grid->addWidget(rbDefaultFolder, 1, 1, 1, 3);
    grid->addWidget(rbFolder, 2, 1);
    grid->addWidget(eDestination, 2, 2);
    grid->addWidget(btDestination, 2, 3);
    grid->addWidget(label("&Platform:", clbPlatforms), 3, 0);
    grid->addWidget(clbPlatforms, 3, 1, 1, 3);
    grid->addWidget(label("&File Options:", clbOptions), 4, 0);
    grid->addWidget(clbOptions, 4, 1, 1, 3);
    grid->addWidget(copyBox, 5, 0, 1, 4);
    grid->addWidget(label("P&rocessor:", cbProcessor), 6, 0);
    grid->addWidget(cbProcessor, 6, 1, 1, 3);
    grid->setColumnStretch(2, 1);

    LayOutPropertyDialog(this, grid, buttons);
}

// Tab goes through every item of the check lists, in reading order.
void TfmFileProperties::ChainTabOrder()
{
    setTabOrder(eSource, btSource);
    setTabOrder(btSource, rbDefaultFolder);
    setTabOrder(rbDefaultFolder, rbFolder);
    setTabOrder(rbFolder, eDestination);
    setTabOrder(eDestination, btDestination);
    setTabOrder(btDestination, clbPlatforms->Item(0));
    for (int i = 1; i < clbPlatforms->Count(); ++i)
        setTabOrder(clbPlatforms->Item(i - 1), clbPlatforms->Item(i));
    setTabOrder(clbPlatforms->Item(clbPlatforms->Count() - 1), clbOptions->Item(0));
    for (int i = 1; i < clbOptions->Count(); ++i)
        setTabOrder(clbOptions->Item(i - 1), clbOptions->Item(i));
    setTabOrder(clbOptions->Item(clbOptions->Count() - 1), rgCopyOptions->button(0));
}

TfmFileProperties::~TfmFileProperties() = default;

void TfmFileProperties::SetProject(TProject* project)
{
    FProject = project;
}

void TfmFileProperties::SetFile(TFile* file)
{
    FFile = file;
    if (!FFile)
        return;
    FChosen.SetFolder(FFile->GetFolder());
    eSource->setText(FFile->FileName().empty() ? QString() : AnsiToQt(SourcePath(*FFile)));
    if (FFile->UseDefaultFolder()) {
        rbDefaultFolder->setChecked(true);
        eDestination->clear();
    } else {
        rbFolder->setChecked(true);
        eDestination->setText(FChosen.GetFolder() ? AnsiToQt(FChosen.GetFolder()->GetPath()) : QString());
    }
    // The browse button starts enabled whichever radio is selected.
    btDestination->setEnabled(true);
    CheckPlatforms(clbPlatforms, FFile->Platforms());
    for (int i = 0; i < clbOptions->Count(); ++i)
        clbOptions->SetChecked(i, FFile->Options().Contains(TFileOption(i)));
    if (QAbstractButton* copy = rgCopyOptions->button(FFile->CopyMode()))
        copy->setChecked(true);
    cbProcessor->setCurrentIndex(FFile->Processor());
}

void TfmFileProperties::UpdateDestinationButton()
{
    btDestination->setEnabled(rbFolder->isChecked());
}

void TfmFileProperties::BrowseSource()
{
    std::string chosen = FDialogs ? FDialogs->OpenAnyFile() : std::string();
    if (chosen.empty())
        return;
    QString shown = HostPathToQt(chosen);
    if (shown != eSource->text() && CheckedPlatforms(clbPlatforms).Empty()) {
        CheckPlatforms(clbPlatforms, TPlatforms());
        TPlatform platform;
        TProcessor processor;
        if (GuessPlatformAndProcessor(chosen, platform, processor)) {
            clbPlatforms->SetChecked(platform, true);
            cbProcessor->setCurrentIndex(processor);
        }
    }
    eSource->setText(shown);
}

void TfmFileProperties::BrowseDestination()
{
    if (!FProject)
        return;
    TfmDestinationFolder dialog(FMessages, this);
    dialog.setObjectName(QStringLiteral("fmDestinationFolder"));
    dialog.SetPlatforms(CheckedPlatforms(clbPlatforms));
    dialog.SetProject(FProject);
    TFolder* chosen = FChosen.GetFolder();
    dialog.SelectInitialFolder(rbDefaultFolder->isChecked() || !chosen ? FProject->DefaultFolder() : chosen);
    if (RunModal(FRunModal, dialog) != QDialog::Accepted) {
        // The chosen folder may have been deleted in the dialog and handed
        // on to the folder that survived; the edit shows where it is now.
        if (!eDestination->text().isEmpty() && FChosen.GetFolder())
            eDestination->setText(AnsiToQt(FChosen.GetFolder()->GetPath()));
        return;
    }
    TFolder* folder = dialog.SelectedFolder();
    if (!folder)
        return;
    FChosen.SetFolder(folder);
    eDestination->setText(AnsiToQt(folder->GetPath()));
    TFolder* defaultFolder = FProject->DefaultFolder();
    if (defaultFolder && folder->GetPath() == defaultFolder->GetPath())
        rbDefaultFolder->setChecked(true);
    else
        rbFolder->setChecked(true);
}

bool TfmFileProperties::StoreFile()
{
    if (!FFile)
        return false;
    if (eSource->text().isEmpty())
        return RefuseEntry(FMessages, NoSource);
    if (CheckedPlatforms(clbPlatforms).Empty())
        return RefuseEntry(FMessages, NoPlatform);
    std::optional<std::string> source = EnteredAnsi(eSource, FMessages);
    if (!source)
        return false;
    FFile->SetSourceDir(ExtractFilePath(*source));
    FFile->SetFileName(ExtractFileName(*source));
    if (rbFolder->isChecked())
        FFile->SetFolder(FChosen.GetFolder());
    FFile->SetUseDefaultFolder(rbDefaultFolder->isChecked());
    FFile->SetPlatforms(CheckedPlatforms(clbPlatforms));
    TFileOptions options;
    for (int i = 0; i < clbOptions->Count(); ++i)
        if (clbOptions->IsChecked(i))
            options.Include(TFileOption(i));
    FFile->SetOptions(options);
    FFile->SetProcessor(TProcessor(cbProcessor->currentIndex()));
    FFile->SetCopyMode(std::max(0, rgCopyOptions->checkedId()));
    return true;
}

void TfmFileProperties::accept()
{
    if (StoreFile())
        QDialog::accept();
}
