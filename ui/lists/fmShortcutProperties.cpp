#include "ui/lists/fmShortcutProperties.h"

#include "model/Project.h"
#include "model/Shortcuts.h"
#include "ui/parts/CheckList.h"
#include "ui/parts/DialogParts.h"
#include "ui/parts/DialogPlacement.h"
#include "ui/parts/MessageService.h"
#include "ui/parts/Named.h"
#include "ui/parts/PlatformChecks.h"
#include "ui/parts/QtText.h"
#include "ui/parts/frmFolder.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

const char* const NoName = "You have to specify a valid name for the shortcut!";

}

TfmShortcutProperties::TfmShortcutProperties(TMessageService* messages, QWidget* parent)
    : QDialog(parent, PropertyDialogFlags), FMessages(messages)
{
    setObjectName(QStringLiteral("fmShortcutProperties"));
    setWindowTitle(QStringLiteral("Shortcut Properties"));

    eName = NewNamed<QLineEdit>("eName", this);
    cbTarget = NewNamed<QComboBox>("cbTarget", this);
    cbTarget->setToolTip(QStringLiteral("Choose the target file for the shortcut"));
    cbTarget->setMinimumWidth(300);
    cbTarget->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    clbPlatforms = NewPlatformList(this);
    clbPlatforms->setObjectName(QStringLiteral("clbPlatforms"));
    frmFolder = NewNamed<TfrmFolder>("frmFolder", this);
    frmFolder->SetMessages(messages);
    frmFolder->setMinimumSize(260, 280);

    QVBoxLayout* left = NewLabelColumn();
    AddLabelled(left, QStringLiteral("&Name:"), eName);
    AddLabelled(left, QStringLiteral("&Target:"), cbTarget);
    AddLabelled(left, QStringLiteral("&Platform:"), clbPlatforms);
    left->addStretch(1);
    QVBoxLayout* right = NewLabelColumn();
    AddLabelled(right, QStringLiteral("&Destination:"), frmFolder, frmFolder->Tree(), 1);
    auto* columns = new QHBoxLayout;
    columns->setSpacing(12);
    columns->addLayout(left);
    columns->addLayout(right, 1);
    LayOutPropertyDialog(this, columns, NewOkCancelBox(this));

    connect(clbPlatforms, &TCheckList::ItemToggled, this, [this] {
        if (!FFilling)
            BuildFolderTree();
    });
    connect(cbTarget, &QComboBox::currentIndexChanged, this, &TfmShortcutProperties::TargetChosen);
    CenterOnScreen(*this);
}

void TfmShortcutProperties::SetProject(TProject* project)
{
    FProject = project;
    FFilling = true;
    cbTarget->clear();
    if (FProject) {
        TFiles& files = FProject->Files();
        for (int i = 0; i < files.Count(); ++i) {
            TFile* file = files.Item(i);
            cbTarget->addItem(AnsiToQt(file->GetDevicePath()), QVariant::fromValue(static_cast<void*>(file)));
        }
    }
    FFilling = false;
}

void TfmShortcutProperties::SetShortcut(TCEShortCut* shortcut)
{
    FShortcut = shortcut;
    if (!FShortcut)
        return;
    FFilling = true;
    eName->setText(AnsiToQt(FShortcut->Name()));
    int index = cbTarget->findData(QVariant::fromValue(static_cast<void*>(FShortcut->Target())));
    cbTarget->setCurrentIndex(index >= 0 ? index : (cbTarget->count() > 0 ? 0 : -1));
    CheckPlatforms(clbPlatforms, FShortcut->Platforms());
    FFilling = false;
    BuildFolderTree();
}

void TfmShortcutProperties::BuildFolderTree()
{
    frmFolder->SetProject(FProject);
    frmFolder->SetPlatforms(CheckedPlatforms(clbPlatforms));
    frmFolder->SetFolders(FProject ? &FProject->Folders() : nullptr);
    if (FShortcut && frmFolder->SelectFolder(FShortcut->GetFolder()))
        return;
    if (FProject && frmFolder->SelectFolder(FProject->Folders().FindStartMenuFolder()))
        return;
    if (QTreeWidgetItem* first = frmFolder->Tree()->topLevelItem(0)) {
        frmFolder->Tree()->setCurrentItem(first);
        first->setExpanded(true);
    }
}

void TfmShortcutProperties::TargetChosen(int index)
{
    if (FFilling || index < 0)
        return;
    auto* file = static_cast<TFile*>(cbTarget->itemData(index).value<void*>());
    if (!file)
        return;
    FFilling = true;
    CheckPlatforms(clbPlatforms, file->Platforms());
    FFilling = false;
}

bool TfmShortcutProperties::StoreShortcut()
{
    if (!FShortcut)
        return false;
    if (eName->text().isEmpty())
        return RefuseEntry(FMessages, NoName);
    std::optional<std::string> name = EnteredAnsi(eName, FMessages);
    if (!name)
        return false;
    FShortcut->SetName(*name);
    if (auto* file = static_cast<TFile*>(cbTarget->currentData().value<void*>()))
        FShortcut->SetTarget(file);
    FShortcut->SetPlatforms(CheckedPlatforms(clbPlatforms));
    if (TFolder* folder = frmFolder->SelectedFolder())
        FShortcut->SetFolder(folder);
    return true;
}

void TfmShortcutProperties::accept()
{
    if (StoreShortcut())
        QDialog::accept();
}

void TfmShortcutProperties::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    frmFolder->Tree()->setFocus();
}
