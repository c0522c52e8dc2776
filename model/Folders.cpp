#include "model/Folders.h"

#include "common/DebugTrace.h"
#include "common/Paths.h"
#include "model/IdIndex.h"
#include "model/LevelByLevel.h"
#include "model/ValueEncoding.h"

#include <iterator>
#include <utility>
#include <vector>

namespace {

// Visits the folder and then its descendants, depth-first with children in
// order, without recursion (a tree read from a file may be very deep).
template <typename TVisit>
void VisitPreOrder(const TFolder& start, TVisit visit)
{
    std::vector<const TFolder*> stack{&start};
    while (!stack.empty()) {
        const TFolder* folder = stack.back();
        stack.pop_back();
        visit(*folder);
        for (int i = folder->SubFolderCount(); i-- > 0;)
            stack.push_back(folder->GetSubFolder(i));
    }
}

}

// --- TFolderSubscriber -----------------------------------------------------

TFolderSubscriber::~TFolderSubscriber()
{
    if (!FFolder)
        DebugTrace("File has no destination while destroying..hmmmm");
    else
        FFolder->Unsubscribe(this);
    if (FDefaultFolder)
        FDefaultFolder->RemoveReferrer(this);
    if (FEmergencyFolder && FEmergencyFolder != FDefaultFolder)
        FEmergencyFolder->RemoveReferrer(this);
}

void TFolderSubscriber::SetFolder(TFolder* folder)
{
    if (!folder) {
        DebugTrace("Trying to set destination folder which is nil");
        return;
    }
    if (FFolder)
        FFolder->Unsubscribe(this);
    FFolder = folder;
    folder->Subscribe(this);
}

void TFolderSubscriber::ReplaceReference(TFolder*& field, TFolder* folder)
{
    TFolder* old = std::exchange(field, folder);
    if (old == folder)
        return;
    // One registration covers both roles, so it goes only when neither
    // field names the old folder any more.
    if (old && old != FDefaultFolder && old != FEmergencyFolder)
        old->RemoveReferrer(this);
    if (folder)
        folder->AddReferrer(this);
}

void TFolderSubscriber::SetDefaultFolder(TFolder* folder)
{
    ReplaceReference(FDefaultFolder, folder);
}

void TFolderSubscriber::SetEmergencyFolder(TFolder* folder)
{
    ReplaceReference(FEmergencyFolder, folder);
}

void TFolderSubscriber::ForgetFolder(const TFolder* folder)
{
    if (FFolder == folder)
        FFolder = nullptr;
    if (FDefaultFolder == folder)
        FDefaultFolder = nullptr;
    if (FEmergencyFolder == folder)
        FEmergencyFolder = nullptr;
}

void TFolderSubscriber::FolderChanged(int code)
{
    if (code == 0)
        MoveToEmergencyFolder();
}

void TFolderSubscriber::MoveToEmergencyFolder()
{
    TFolder* target = FEmergencyFolder;
    // An emergency folder inside the subtree being deleted would leave the
    // object in a folder about to be destroyed.
    if (target && target->FRemovalSurvivor)
        target = nullptr;
    if (!target) {
        DebugTrace("No emergency folder spcecified");
        if (FFolder)
            target = FFolder->FRemovalSurvivor;
    }
    if (target)
        SetFolder(target);
}

// --- TFolder ---------------------------------------------------------------

TFolder::TFolder(std::string name, int systemFolder) : FName(std::move(name))
{
    SetSystemFolder(systemFolder);
}

TFolder::~TFolder()
{
    for (TFolderSubscriber* s : FSubscribers)
        if (s->FFolder == this)
            s->FFolder = nullptr;
    for (TFolderSubscriber* s : FReferrers)
        s->ForgetFolder(this);

    FreeLevelByLevel(
        std::move(FSubFolders), [](TFolder & folder) -> auto& { return folder.FSubFolders; });
    FSubFolders.clear();
}

TFolder* TFolder::AddSubFolder(std::unique_ptr<TFolder> child)
{
    TFolder* raw = child.get();
    raw->FParent = this;
    FSubFolders.push_back(std::move(child));
    return raw;
}

TFolder* TFolder::GetSubFolder(int index) const
{
    if (index < 0 || index >= SubFolderCount()) {
        DebugTrace("Index is out of bounds (Subfolders - get)");
        return nullptr;
    }
    return FSubFolders[index].get();
}

int TFolder::IndexOfSubFolder(const TFolder* child) const
{
    for (size_t i = 0; i < FSubFolders.size(); ++i)
        if (FSubFolders[i].get() == child)
            return static_cast<int>(i);
    return -1;
}

void TFolder::DeleteSubFolder(int index)
{
    if (index >= 0 && index < SubFolderCount())
        RemoveFolder(FSubFolders[index].get());
}

void TFolder::Subscribe(TFolderSubscriber* subscriber)
{
    if (FSubscriberIndex.count(subscriber)) {
        DebugTrace("Subscriber already in the list");
        return;
    }
    auto it = FSubscribers.insert(FSubscribers.end(), subscriber);
    FSubscriberIndex.emplace(subscriber, it);
}

void TFolder::Unsubscribe(TFolderSubscriber* subscriber)
{
    auto found = FSubscriberIndex.find(subscriber);
    if (found == FSubscriberIndex.end())
        return;
    FSubscribers.erase(found->second);
    FSubscriberIndex.erase(found);
}

void TFolder::NotifySubscribers(int code)
{
    // Subscribers leave the list while they are told; work on a copy.
    std::vector<TFolderSubscriber*> subscribers(FSubscribers.begin(), FSubscribers.end());
    for (size_t i = subscribers.size(); i-- > 0;)
        if (FSubscriberIndex.count(subscribers[i]))
            subscribers[i]->FolderChanged(code);
}

std::vector<TFolderSubscriber*> TFolder::Subscribers() const
{
    return {FSubscribers.begin(), FSubscribers.end()};
}

void TFolder::ClearSubscribers()
{
    std::vector<TFolder*> stack{this};
    while (!stack.empty()) {
        TFolder* folder = stack.back();
        stack.pop_back();
        for (TFolderSubscriber* s : folder->FSubscribers)
            if (s->FFolder == folder)
                s->FFolder = nullptr;
        folder->FSubscribers.clear();
        folder->FSubscriberIndex.clear();
        for (auto& child : folder->FSubFolders)
            stack.push_back(child.get());
    }
}

void TFolder::SetSystemFolder(int number)
{
    if (number < 0 || number >= SystemFolderCount)
        number = 0;
    FSystemFolder = static_cast<uint8_t>(number);
    FIsSystem = number != 0;
}

std::string TFolder::GetPath() const
{
    // Walk up to the root (or to a folder named "\", whose path is "\"
    // wherever it stands), then write the names top-down.
    std::vector<const TFolder*> chain;
    const TFolder* folder = this;
    std::string path;
    while (folder) {
        if (folder->FName == "\\") {
            path.push_back(DeviceDelim);
            break;
        }
        chain.push_back(folder);
        folder = folder->FParent;
    }
    for (size_t i = chain.size(); i-- > 0;) {
        path += chain[i]->FName;
        path += DeviceDelim;
    }
    return path;
}

std::string TFolder::GetMacroPath() const
{
    // Ordinary folders below a standard folder hang off its macro; a
    // standard folder below another standard folder is its own macro.
    std::vector<const std::string*> names;
    std::string path;
    const TFolder* folder = this;
    while (folder->FParent) {
        const TFolder* parent = folder->FParent;
        if (parent->FIsSystem && !folder->FIsSystem) {
            names.push_back(&folder->FName);
            path = SystemFolderMacro(parent->FSystemFolder);
            break;
        }
        if (folder->FIsSystem) {
            path = SystemFolderMacro(folder->FSystemFolder);
            break;
        }
        names.push_back(&folder->FName);
        folder = parent;
    }
    for (size_t i = names.size(); i-- > 0;) {
        path += DeviceDelim;
        path += *names[i];
    }
    return path;
}

TFolderRights TFolder::GetRights() const
{
    TFolderRights rights;
    rights.AddSubFolder = true;
    rights.Rename = rights.Delete = !FIsSystem && FParent;
    return rights;
}

bool TFolder::Contains(const TFolder* folder) const
{
    for (; folder; folder = folder->FParent)
        if (folder == this)
            return true;
    return false;
}

void TFolder::CollectSubFolders(TFolderList& list) const
{
    VisitPreOrder(*this, [&list](const TFolder& folder) {
        for (auto& child : folder.FSubFolders)
            list.push_back(child.get());
    });
}

void TFolder::ReleaseSubscribers(TFolder* survivor)
{
    // Mark the whole subtree first: a subscriber moved early must already
    // see that an emergency folder further down is doomed as well.
    std::vector<TFolder*> stack{this};
    while (!stack.empty()) {
        TFolder* folder = stack.back();
        stack.pop_back();
        folder->FRemovalSurvivor = survivor;
        for (auto& child : folder->FSubFolders)
            stack.push_back(child.get());
    }
    // Pushing the children in order pops the last child first.
    stack.push_back(this);
    while (!stack.empty()) {
        TFolder* folder = stack.back();
        stack.pop_back();
        folder->NotifySubscribers(0);
        for (auto& child : folder->FSubFolders)
            stack.push_back(child.get());
    }
}

void TFolder::RemoveFolder(TFolder* folder)
{
    if (!folder || folder == this || !Contains(folder))
        return;
    TFolder* parent = folder->FParent;
    int index = parent->IndexOfSubFolder(folder);
    if (index < 0)
        return;
    folder->ReleaseSubscribers(parent);
    std::unique_ptr<TFolder> doomed = std::move(parent->FSubFolders[index]);
    parent->FSubFolders.erase(parent->FSubFolders.begin() + index);
}

void TFolder::FillTree(TTreeDisplay& display, TTreeDisplay::TNode parentNode, TPlatforms platforms) const
{
    const bool pocket = platforms.Intersects(PocketPlatforms);
    struct TItem {
        const TFolder* Folder;
        TTreeDisplay::TNode Parent;
    };
    std::vector<TItem> stack{{this, parentNode}};
    while (!stack.empty()) {
        TItem item = stack.back();
        stack.pop_back();
        const TFolder* folder = item.Folder;
        if (pocket && folder->FIsSystem) {
            int n = folder->FSystemFolder;
            // Desktop, Pocket Outlook, Office and Recent: the pocket devices have none.
            if (n == 3 || n == 9 || n == 10 || n == 16)
                continue;
        }
        if (folder == this && !parentNode)
            display.Clear();
        TTreeDisplay::TNode node = display.AddNode(item.Parent, folder->FName, const_cast<TFolder*>(folder));
        for (size_t i = folder->FSubFolders.size(); i-- > 0;)
            stack.push_back({folder->FSubFolders[i].get(), node});
    }
}

namespace {

void WriteFolderRecord(TStream& stream, const TFolder& folder)
{
    StreamWriteInteger(stream, folder.ID());
    StreamWriteString(stream, folder.Name());
    StreamWriteInteger(stream, folder.Parent() ? folder.Parent()->ID() : 0);
    StreamWriteBoolean(stream, folder.IsSystem());
    StreamWriteInteger(stream, folder.SystemFolder());
    StreamWriteInteger(stream, folder.SubFolderCount());
}

}

void TFolder::SaveToStream(TStream& stream) const
{
    VisitPreOrder(*this, [&stream](const TFolder& folder) { WriteFolderRecord(stream, folder); });
}

void TFolder::LoadFromStream(TStream& stream, TFolderList& folders, std::vector<std::unique_ptr<TFolder>>& unplaced)
{
    TIdIndex<TFolder> index(folders);

    // The parent is looked up among the folders read before this one, which
    // excludes the folder itself: a record naming itself as parent would
    // otherwise make the folder its own child.
    auto readHead = [&](TFolder* folder) -> TFolder* {
        folder->FID = StreamReadInteger(stream);
        folder->FName = StreamReadString(stream);
        int32_t parentID = StreamReadInteger(stream);
        TFolder* parent = nullptr;
        if (parentID != 0) {
            parent = index.Find(parentID);
            if (!parent)
                DebugTrace("Oopss.. deserialization problem in TFolder");
        }
        index.Add(folder);
        return parent;
    };
    auto readTail = [&](TFolder* folder) -> int32_t {
        StreamReadBoolean(stream); // superseded by the number
        folder->SetSystemFolder(StreamReadInteger(stream));
        return StreamReadInteger(stream);
    };

    // This folder belongs to the caller, so a parent number that names an
    // earlier folder is only looked up, never acted on.
    readHead(this);
    folders.push_back(this);
    std::vector<int32_t> pending;
    if (int32_t count = readTail(this); count > 0)
        pending.push_back(count);

    while (!pending.empty()) {
        if (pending.back() <= 0) {
            pending.pop_back();
            continue;
        }
        --pending.back();
        auto child = std::make_unique<TFolder>();
        TFolder* raw = child.get();
        TFolder* parent = readHead(raw);
        if (parent)
            parent->AddSubFolder(std::move(child));
        else
            unplaced.push_back(std::move(child));
        folders.push_back(raw);
        if (int32_t count = readTail(raw); count > 0)
            pending.push_back(count);
    }
}

// --- TFolders --------------------------------------------------------------

TFolders::~TFolders() = default;

void TFolders::CreateDefault()
{
    // Each folder names its parent by its place in this table, the root
    // first; the folders are made in this order.
    struct TDefaultFolder {
        int Parent;
        const char* Name;
        int SystemFolder;
    };
    // clang-format off
    static constexpr TDefaultFolder Defaults[] = {
        {-1, "\\", 0},
        {0, "Program Files", 1},
        {1, "Accessories", 6}, {1, "Communication", 7}, {1, "Games", 8}, {1, "Pocket Outlook", 9}, {1, "Office", 10},
        {0, "Windows", 2},
        {7, "Desktop", 3}, {7, "Startup", 4}, {7, "Start Menu", 17},
        {10, "Programs", 11}, {10, "Accessories", 12}, {10, "Communication", 13}, {10, "Games", 14},
        {7, "Fonts", 15}, {7, "Recent", 16},
        // The device installer knows no macro for Favorites; stored projects
        // carry 17 for it, so it shares the Start Menu's number and macro.
        {7, "Favorites", 17},
        {0, "My Documents", 5},
    };
    // clang-format on
    auto root = std::make_unique<TFolder>(Defaults[0].Name, Defaults[0].SystemFolder);
    std::vector<TFolder*> made{root.get()};
    for (size_t i = 1; i < std::size(Defaults); ++i)
        made.push_back(made[size_t(Defaults[i].Parent)]->AddSubFolder(
            std::make_unique<TFolder>(Defaults[i].Name, Defaults[i].SystemFolder)));
    FRoot = std::move(root);
}

void TFolders::DeleteFolder(TFolder* folder)
{
    if (FRoot)
        FRoot->RemoveFolder(folder);
}

TFolderList TFolders::GetAllFolders() const
{
    TFolderList list;
    if (FRoot) {
        list.push_back(FRoot.get());
        FRoot->CollectSubFolders(list);
    }
    return list;
}

namespace {

// The first child of the folder with that system folder number.
TFolder* SystemSubFolder(const TFolder* parent, int systemFolder)
{
    if (!parent)
        return nullptr;
    for (int i = 0; i < parent->SubFolderCount(); ++i)
        if (parent->GetSubFolder(i)->SystemFolder() == systemFolder)
            return parent->GetSubFolder(i);
    return nullptr;
}

}

TFolder* TFolders::FindWindowsFolder() const
{
    return SystemSubFolder(FRoot.get(), 2);
}

TFolder* TFolders::FindStartMenuFolder() const
{
    return SystemSubFolder(FindWindowsFolder(), 17);
}

void TFolders::FillTree(TTreeDisplay& display, TTreeDisplay::TNode parentNode, TPlatforms platforms) const
{
    if (FRoot)
        FRoot->FillTree(display, parentNode, platforms);
}

void TFolders::SaveToStream(TStream& stream)
{
    // A project always has a root; should one be missing, an empty root
    // keeps the file readable.
    if (!FRoot)
        FRoot = std::make_unique<TFolder>("\\", 0);
    TFolderList all = GetAllFolders();
    for (size_t i = 0; i < all.size(); ++i)
        all[i]->SetID(static_cast<int32_t>(i + 1));
    FRoot->SaveToStream(stream);
}

void TFolders::LoadFromStream(TStream& stream)
{
    auto root = std::make_unique<TFolder>();
    TFolderList folders;
    // Folders whose parent number named no folder are not part of the tree
    // (GetAllFolders never reaches them); they go with this list.
    std::vector<std::unique_ptr<TFolder>> unplaced;
    root->LoadFromStream(stream, folders, unplaced);
    FRoot = std::move(root);
}

// --- utilities -------------------------------------------------------------

TFolder* FindFolderByID(const TFolderList& list, int32_t id)
{
    for (TFolder* folder : list)
        if (folder && folder->ID() == id)
            return folder;
    return nullptr;
}

TTreeDisplay::TNode FindTreeNode(const TTreeDisplay& display, const TFolder* folder, TTreeDisplay::TNode node)
{
    if (!node)
        return nullptr;
    std::vector<TTreeDisplay::TNode> stack{node};
    while (!stack.empty()) {
        TTreeDisplay::TNode current = stack.back();
        stack.pop_back();
        if (display.NodeObject(current) == folder)
            return current;
        for (int i = display.ChildCount(current); i-- > 0;)
            stack.push_back(display.Child(current, i));
    }
    return nullptr;
}
