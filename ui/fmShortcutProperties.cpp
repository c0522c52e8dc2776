#include "ui/fmShortcutProperties.h"

#include "model/Project.h"
#include "model/Shortcuts.h"
#include "ui/CheckList.h"
#include "ui/DialogPlacement.h"
#include "ui/MessageService.h"
#include "ui/PlatformChecks.h"
#include "ui/QtText.h"
#include "ui/frmFolder.h"

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
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      FMessages(messages)
{
    setObjectName(QStringLiteral("fmShortcutProperties"));
    setWindowTitle(QStringLiteral("Shortcut Properties"));

    eName = new QLineEdit(this);
    eName->setObjectName(QStringLiteral("eName"));
    cbTarget = new QComboBox(this);
    cbTarget->setObjectName(QStringLiteral("cbTarget"));
    cbTarget->setToolTip(QStringLiteral("Choose the target file for the shortcut"));
    cbTarget->setMinimumWidth(300);
    cbTarget->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    clbPlatforms = NewPlatformList(this);
    clbPlatforms->setObjectName(QStringLiteral("clbPlatforms"));
    frmFolder = new TfrmFolder(this);
    frmFolder->setObjectName(QStringLiteral("frmFolder"));
    frmFolder->SetMessages(messages);
    frmFolder->setMinimumSize(260, 280);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("btOK"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("btCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &TfmShortcutProperties::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto label = [this](const char* text, QWidget* buddy) {
        return NewBuddyLabel(QString::fromLatin1(text), buddy, this);
    };
    auto* left = new QVBoxLayout;
    left->setSpacing(4);
    left->addWidget(label("&Name:", eName));
    left->addWidget(eName);
    left->addSpacing(6);
    left->addWidget(label("&Target:", cbTarget));
    left->addWidget(cbTarget);
    left->addSpacing(6);
    left->addWidget(label("&Platform:", clbPlatforms));
    left->addWidget(clbPlatforms);
    left->addStretch(1);
    auto* right = new QVBoxLayout;
    right->setSpacing(4);
    right->addWidget(label("&Destination:", frmFolder->Tree()));
    right->addWidget(frmFolder, 1);
    auto* columns = new QHBoxLayout;
    columns->setSpacing(12);
    columns->addLayout(left);
    columns->addLayout(right, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(12);
    layout->addLayout(columns, 1);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

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
    if (eName->text().isEmpty()) {
        FMessages->ShowError(ErrorBoxText(NoName));
        return false;
    }
    std::string refusal;
    std::optional<std::string> name = QtToAnsi(eName->text(), &refusal);
    if (!name) {
        FMessages->ShowMessage(refusal);
        return false;
    }
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
