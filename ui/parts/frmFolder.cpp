#include "ui/parts/frmFolder.h"

#include "model/Folders.h"
#include "model/Project.h"
#include "ui/parts/FrameParts.h"
#include "ui/parts/MessageService.h"
#include "ui/parts/QtText.h"

#include <QApplication>
#include <QHeaderView>
#include <QMenu>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

// Every frame that exists, so that a change made in one reaches the others.
std::vector<TfrmFolder*>& AllFrames()
{
    static std::vector<TfrmFolder*> frames;
    return frames;
}

}

TfrmFolder::TfrmFolder(QWidget* parent) : QWidget(parent)
{
    AllFrames().push_back(this);
    FTree = NewFrameTree(this);
    FTree->setAccessibleName(QStringLiteral("Device folders"));

    FDisplay = std::make_unique<TQtTreeDisplay>(FTree);
    FDisplay->SetIcon(FolderIcon(this));
    FDisplay->SetEditable([](void* object) {
        // The root is no system folder, but renaming it would change no
        // path and only confuse; it is treated like one.
        auto* folder = static_cast<TFolder*>(object);
        return folder && folder->GetRights().Rename;
    });

    FMenu = new QMenu(this);
    FNewFolder = FMenu->addAction(QStringLiteral("&New Folder"), this, &TfrmFolder::NewFolder);
    FRename = FMenu->addAction(QStringLiteral("&Rename"), this, &TfrmFolder::RenameFolder);
    FDelete = FMenu->addAction(QStringLiteral("&Delete"), this, &TfrmFolder::DeleteFolder);
    FNewFolder->setObjectName(QStringLiteral("aNewFolder"));
    FRename->setObjectName(QStringLiteral("aRenameFolder"));
    FDelete->setObjectName(QStringLiteral("aDeleteFolder"));

    connect(FTree, &QTreeWidget::customContextMenuRequested, this, &TfrmFolder::ShowMenu);
    connect(FTree, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int) { ItemChanged(item); });
}

TfrmFolder::~TfrmFolder()
{
    std::erase(AllFrames(), this);
}

std::vector<TfrmFolder*> TfrmFolder::Siblings() const
{
    std::vector<TfrmFolder*> siblings;
    if (!FFolders)
        return siblings;
    for (TfrmFolder* frame : AllFrames())
        if (frame != this && frame->FFolders == FFolders)
            siblings.push_back(frame);
    return siblings;
}

void TfrmFolder::SetFolders(TFolders* folders)
{
    FFolders = folders;
    Rebuild();
}

void TfrmFolder::Rebuild()
{
    FFilling = true;
    FDisplay->Clear();
    if (FFolders)
        FFolders->FillTree(*FDisplay, nullptr, FPlatforms);
    FFilling = false;
}

TFolder* TfrmFolder::SelectedFolder() const
{
    return static_cast<TFolder*>(TQtTreeDisplay::ItemObject(FTree->currentItem()));
}

QTreeWidgetItem* TfrmFolder::ItemOf(const TFolder* folder) const
{
    TTreeDisplay::TNode first = FDisplay->FirstNode();
    if (!first || !folder)
        return nullptr;
    return TQtTreeDisplay::Item(FindTreeNode(*FDisplay, folder, first));
}

bool TfrmFolder::SelectFolder(const TFolder* folder)
{
    QTreeWidgetItem* item = ItemOf(folder);
    if (!item)
        return false;
    FTree->setCurrentItem(item);
    item->setExpanded(true);
    FTree->scrollToItem(item);
    return true;
}

void TfrmFolder::UpdateCommands()
{
    TFolder* folder = SelectedFolder();
    TFolderRights rights = folder ? folder->GetRights() : TFolderRights();
    FNewFolder->setEnabled(true);
    FRename->setEnabled(rights.Rename);
    FDelete->setEnabled(rights.Delete);
}

void TfrmFolder::ShowMenu(const QPoint& pos)
{
    if (!FFolders)
        return;
    if (QTreeWidgetItem* item = FTree->itemAt(pos))
        FTree->setCurrentItem(item);
    UpdateCommands();
    emit MenuAboutToShow();
    FMenu->popup(FTree->viewport()->mapToGlobal(pos));
}

void TfrmFolder::NewFolder()
{
    QTreeWidgetItem* parentItem = FTree->currentItem();
    TFolder* parent = SelectedFolder();
    if (!parentItem || !parent)
        return;
    TFolder* folder = parent->AddSubFolder(std::make_unique<TFolder>("New folder", 0));
    ShowNewNode(*FDisplay, parentItem, "New folder", folder, FFilling);
    for (TfrmFolder* sibling : Siblings()) {
        if (QTreeWidgetItem* shown = sibling->ItemOf(parent)) {
            sibling->FFilling = true;
            sibling->FDisplay->AddNode(shown, folder->Name(), folder);
            sibling->FFilling = false;
        }
    }
}

void TfrmFolder::RenameFolder()
{
    QTreeWidgetItem* item = FTree->currentItem();
    TFolder* folder = SelectedFolder();
    if (!item || !folder || !folder->GetRights().Rename)
        return;
    FTree->editItem(item);
}

void TfrmFolder::ItemChanged(QTreeWidgetItem* item)
{
    if (FFilling)
        return;
    auto* folder = static_cast<TFolder*>(TQtTreeDisplay::ItemObject(item));
    if (!folder)
        return;
    std::optional<std::string> name =
        RenamedLabel(item, folder->Name(), folder->GetRights().Rename, FFilling, FMessages);
    if (!name)
        return;
    folder->SetName(*name);
    for (TfrmFolder* sibling : Siblings()) {
        if (QTreeWidgetItem* shown = sibling->ItemOf(folder)) {
            sibling->FFilling = true;
            shown->setText(0, AnsiToQt(folder->Name()));
            sibling->FFilling = false;
        }
    }
    emit FolderRenamed(folder);
    for (TfrmFolder* sibling : Siblings())
        emit sibling->FolderRenamed(folder);
}

void TfrmFolder::DeleteFolder()
{
    QTreeWidgetItem* item = FTree->currentItem();
    TFolder* folder = SelectedFolder();
    if (!item || !folder || !FFolders || !folder->GetRights().Delete)
        return;
    TFolder* fallback = folder->Parent();
    if (item->parent())
        FTree->setCurrentItem(item->parent());

    if (FProject) {
        if (folder->Contains(FProject->AppFolder()))
            FProject->SetAppFolder(fallback);
        if (folder->Contains(FProject->CompanyFolder())) {
            FProject->SetCompanyFolder(fallback);
            FProject->SetAppFolder(fallback);
        }
        // This may rebuild the whole tree (the main window listens), so the
        // node is looked up again afterwards.
        if (folder->Contains(FProject->DefaultFolder()))
            FProject->SetDefaultFolder(fallback);
    }
    // The other trees drop the same node; one whose selection lay in the
    // deleted subtree selects the folder that survives, as this one does.
    struct TSiblingNode {
        TfrmFolder* Frame;
        QTreeWidgetItem* Item;
        bool LosesSelection;
    };
    std::vector<TSiblingNode> siblingNodes;
    for (TfrmFolder* sibling : Siblings())
        siblingNodes.push_back({sibling, sibling->ItemOf(folder), folder->Contains(sibling->SelectedFolder())});
    item = ItemOf(folder);
    FFolders->DeleteFolder(folder);
    delete item;
    if (!FTree->currentItem() || !SelectedFolder())
        SelectFolder(fallback);
    for (const TSiblingNode& node : siblingNodes) {
        node.Frame->FFilling = true;
        delete node.Item;
        node.Frame->FFilling = false;
        if (node.LosesSelection)
            node.Frame->SelectFolder(fallback);
    }
    emit FolderDeleted();
    for (const TSiblingNode& node : siblingNodes)
        emit node.Frame->FolderDeleted();
}
