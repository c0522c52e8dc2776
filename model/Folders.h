#pragma once

// The device folder tree of a project. Every file and shortcut is attached to
// one folder as a subscriber, so that deleting a folder can move what lives
// in it elsewhere. Device paths always use "\", whatever the host.
//
// Every walk over the tree is iterative: a tree read from a hostile project
// file may be nested many thousands of levels deep.

#include "common/Stream.h"
#include "model/Platforms.h"
#include "model/TreeDisplay.h"

#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

class TFolder;
using TFolderList = std::vector<TFolder*>;

// An object that lives in a device folder (a file, a shortcut).
//
// Besides the folder it is attached to, a subscriber may name two more
// folders that it does not own: the emergency folder (where it moves when its
// folder is deleted) and the default folder. The folders keep track of who
// names them, so that destroying a folder never leaves a subscriber pointing
// at freed memory: references to a destroyed folder are cleared.
class TFolderSubscriber {
public:
    TFolderSubscriber() = default;
    TFolderSubscriber(const TFolderSubscriber&) = delete;
    TFolderSubscriber& operator=(const TFolderSubscriber&) = delete;
    // Detaches from the folder and from the folders it names.
    virtual ~TFolderSubscriber();

    // The effective device folder.
    virtual TFolder* GetFolder() const { return FFolder; }
    // The folder the object is attached to, whatever GetFolder makes of it.
    TFolder* AttachedFolder() const { return FFolder; }

    void SetFolder(TFolder* folder);
    void SetDefaultFolder(TFolder* folder);
    TFolder* DefaultFolder() const { return FDefaultFolder; }
    TFolder* EmergencyFolder() const { return FEmergencyFolder; }
    void SetEmergencyFolder(TFolder* folder);

    // Sent by the attached folder; code 0 (the folder is being deleted) is
    // the only one.
    void FolderChanged(int code);
    // Moves to the emergency folder. When there is none, or it is itself
    // being deleted, the object goes to the nearest folder that survives the
    // deletion (the parent of the topmost folder removed).
    void MoveToEmergencyFolder();

private:
    friend class TFolder;
    void ReplaceReference(TFolder*& field, TFolder* folder);
    // The folder is being destroyed: forget every reference to it.
    void ForgetFolder(const TFolder* folder);

    TFolder* FFolder = nullptr;
    TFolder* FDefaultFolder = nullptr;
    TFolder* FEmergencyFolder = nullptr;
};

struct TFolderRights {
    bool AddSubFolder = false;
    bool Rename = false;
    bool Delete = false;
};

class TFolder {
public:
    explicit TFolder(std::string name = "", int systemFolder = 0);
    TFolder(const TFolder&) = delete;
    TFolder& operator=(const TFolder&) = delete;
    // Destroys the subtree. Subscribers still attached anywhere in it are
    // detached (they then name no folder); deleting a folder through
    // RemoveFolder moves them first.
    ~TFolder();

    // Ownership passes to this folder; returns the child.
    TFolder* AddSubFolder(std::unique_ptr<TFolder> child);
    TFolder* GetSubFolder(int index) const;
    int SubFolderCount() const { return static_cast<int>(FSubFolders.size()); }
    int IndexOfSubFolder(const TFolder* child) const;
    // Removes the child at the index and destroys it, moving its subscribers.
    void DeleteSubFolder(int index);

    void Subscribe(TFolderSubscriber* subscriber);
    void Unsubscribe(TFolderSubscriber* subscriber);
    void NotifySubscribers(int code);
    // Attached subscribers in the order they attached.
    std::vector<TFolderSubscriber*> Subscribers() const;
    int SubscriberCount() const { return static_cast<int>(FSubscribers.size()); }
    // Empties the subscriber lists of the folder and its descendants without
    // moving anyone; the subscribers are detached. Used before a whole tree
    // is discarded.
    void ClearSubscribers();

    const std::string& Name() const { return FName; }
    void SetName(const std::string& name) { FName = name; }
    TFolder* Parent() const { return FParent; }
    void SetParent(TFolder* parent) { FParent = parent; }
    int SystemFolder() const { return FSystemFolder; }
    bool IsSystem() const { return FIsSystem; }
    // Sets the number and the flag together; a number outside 0..17 makes an
    // ordinary folder.
    void SetSystemFolder(int number);
    int32_t ID() const { return FID; }
    void SetID(int32_t id) { FID = id; }

    // The device path, always ending with "\": "\" for the root,
    // "\Program Files\Games\" below it.
    std::string GetPath() const;
    // The directory as the .inf writes it: "%CE1%\Co\App", "%CE17%", "\X",
    // empty for the root.
    std::string GetMacroPath() const;
    TFolderRights GetRights() const;

    // True for this folder and its descendants.
    bool Contains(const TFolder* folder) const;
    // Appends the direct children in order, then each child's collection in
    // turn; this order numbers the folders in the project file.
    void CollectSubFolders(TFolderList& list) const;
    // Deletes the folder when it lies strictly below this one; otherwise
    // nothing happens. Subscribers anywhere in the deleted subtree move to
    // their emergency folders first.
    void RemoveFolder(TFolder* folder);

    // Lists the folder and its subtree below the parent node (the display is
    // emptied first when the parent is null). For a platform set that holds a
    // Palm-size or Pocket PC platform, Desktop, Pocket Outlook, Office and
    // Recent are left out with their subtrees.
    void FillTree(TTreeDisplay& display, TTreeDisplay::TNode parentNode, TPlatforms platforms) const;

    // Writes the folder's record with the records of its subtree nested in it.
    void SaveToStream(TStream& stream) const;
    // Reads this folder's record and the nested records of its subtree. Each
    // folder read is appended to `folders`; a child joins the folder its
    // parent number names among those read before it. Folders whose parent
    // number names none end up without parent and are handed to `unplaced`.
    void LoadFromStream(TStream& stream, TFolderList& folders, std::vector<std::unique_ptr<TFolder>>& unplaced);

private:
    friend class TFolderSubscriber;
    // Moves the subscribers of the subtree as a deletion does: this folder's
    // from the last attached to the first, then each child's subtree from
    // the last child to the first.
    void ReleaseSubscribers(TFolder* survivor);
    void AddReferrer(TFolderSubscriber* s) { FReferrers.insert(s); }
    void RemoveReferrer(TFolderSubscriber* s) { FReferrers.erase(s); }

    // Attach order, with an index so that large folders subscribe and
    // unsubscribe in constant time.
    std::list<TFolderSubscriber*> FSubscribers;
    std::unordered_map<TFolderSubscriber*, std::list<TFolderSubscriber*>::iterator> FSubscriberIndex;
    // Subscribers that name this folder as emergency or default folder.
    std::unordered_set<TFolderSubscriber*> FReferrers;
    std::vector<std::unique_ptr<TFolder>> FSubFolders;
    TFolder* FParent = nullptr;
    std::string FName;
    uint8_t FSystemFolder = 0;
    bool FIsSystem = false;
    int32_t FID = 0;
    // While a deletion runs: the folder that survives it, set on every folder
    // of the subtree being removed.
    TFolder* FRemovalSurvivor = nullptr;
};

class TFolders {
public:
    TFolders() = default;
    TFolders(const TFolders&) = delete;
    TFolders& operator=(const TFolders&) = delete;
    ~TFolders();

    // Replaces any root by the standard tree of a new project.
    void CreateDefault();
    TFolder* Root() const { return FRoot.get(); }

    // Deleting the root, or a folder of another tree, does nothing.
    void DeleteFolder(TFolder* folder);
    // The root, then CollectSubFolders of the root; empty without a root.
    TFolderList GetAllFolders() const;
    // The first direct child of the root with system number 2.
    TFolder* FindWindowsFolder() const;
    // The first direct child of the Windows folder with system number 17.
    TFolder* FindStartMenuFolder() const;
    void FillTree(TTreeDisplay& display, TTreeDisplay::TNode parentNode, TPlatforms platforms) const;

    // Numbers the folders (root 1, then GetAllFolders order) and writes the
    // root's record.
    void SaveToStream(TStream& stream);
    // Replaces the tree by the one read; on failure the tree stays as it was.
    void LoadFromStream(TStream& stream);

private:
    std::unique_ptr<TFolder> FRoot;
};

// The first folder of the list whose number equals id, or null.
TFolder* FindFolderByID(const TFolderList& list, int32_t id);
// The node of the display, at or below `node`, that refers to the folder
// (depth-first, children in order); null when there is none.
TTreeDisplay::TNode FindTreeNode(const TTreeDisplay& display, const TFolder* folder, TTreeDisplay::TNode node);
