#pragma once

// The device folder tree frame: shows a project's folders for a platform
// set and lets the author create, rename and delete folders in place. Used on
// the General tab, in the "Select Destination Folder" dialog, in "Shortcut
// Properties" and (later) on the new-project wizard's default folder page.
//
// Several frames may show the same folders at once (the General tab behind
// a dialog). A folder created, renamed or deleted in one of them is created,
// renamed or deleted in every other, so that no node ever refers to a folder
// that is gone.

#include "model/Platforms.h"
#include "ui/parts/QtTreeDisplay.h"

#include <QWidget>

#include <memory>
#include <vector>

class QAction;
class QMenu;
class QTreeWidget;
class QTreeWidgetItem;
class TFolder;
class TFolders;
class TMessageService;
class TProject;

class TfrmFolder : public QWidget {
    Q_OBJECT
public:
    explicit TfrmFolder(QWidget* parent = nullptr);
    ~TfrmFolder() override;

    // Refusals of typed names go here (not owned).
    void SetMessages(TMessageService* messages) { FMessages = messages; }
    // The project whose default, application and company folders follow a
    // deletion (not owned).
    void SetProject(TProject* project) { FProject = project; }
    // Takes effect at the next SetFolders.
    void SetPlatforms(TPlatforms platforms) { FPlatforms = platforms; }
    // Shows the folders (not owned), rebuilding the whole tree.
    void SetFolders(TFolders* folders);
    // Rebuilds the tree from the folders last given.
    void Rebuild();

    QTreeWidget* Tree() const { return FTree; }
    QMenu* Menu() const { return FMenu; }
    TQtTreeDisplay& Display() { return *FDisplay; }

    TFolder* SelectedFolder() const;
    // Selects, expands and scrolls to the folder's node; false when the tree
    // does not show it.
    bool SelectFolder(const TFolder* folder);
    // The menu's enabling for the selected node.
    void UpdateCommands();

    void NewFolder();
    void RenameFolder();
    void DeleteFolder();

signals:
    // After a deletion (here or in another frame over the same folders),
    // when the tree shows what is left.
    void FolderDeleted();
    // After an accepted label edit, here or in another frame.
    void FolderRenamed(TFolder* folder);
    // Just before the context menu shows, after the frame's own enabling.
    void MenuAboutToShow();

private:
    void ShowMenu(const QPoint& pos);
    void ItemChanged(QTreeWidgetItem* item);
    QTreeWidgetItem* ItemOf(const TFolder* folder) const;
    // The other frames that show the same folders.
    std::vector<TfrmFolder*> Siblings() const;

    QTreeWidget* FTree;
    QMenu* FMenu;
    QAction* FNewFolder;
    QAction* FRename;
    QAction* FDelete;
    std::unique_ptr<TQtTreeDisplay> FDisplay;
    TMessageService* FMessages = nullptr;
    TProject* FProject = nullptr;
    TFolders* FFolders = nullptr;
    TPlatforms FPlatforms = AllPlatforms;
    // Set while the frame itself changes item texts, so that only the
    // author's edits reach the model.
    bool FFilling = false;
};
