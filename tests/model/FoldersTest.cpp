#include "model/Folders.h"

#include "FakeTreeDisplay.h"
#include "common/Exception.h"
#include "model/ValueEncoding.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

struct Item : TFolderSubscriber {
    explicit Item(std::string name = "") : Name(std::move(name)) {}
    std::string Name;
};

// A tree of a new project: the default tree with Co and App below Program Files.
struct ProjectTree {
    ProjectTree()
    {
        folders.CreateDefault();
        programFiles = folders.Root()->GetSubFolder(0);
        company = programFiles->AddSubFolder(std::make_unique<TFolder>("Co"));
        app = company->AddSubFolder(std::make_unique<TFolder>("App"));
    }
    TFolder* Find(const std::string& path) const
    {
        for (TFolder* f : folders.GetAllFolders())
            if (f->GetPath() == path)
                return f;
        return nullptr;
    }
    TFolders folders;
    TFolder* programFiles;
    TFolder* company;
    TFolder* app;
};

std::vector<std::string> Names(const std::vector<TFolderSubscriber*>& subscribers)
{
    std::vector<std::string> names;
    for (auto* s : subscribers)
        names.push_back(static_cast<Item*>(s)->Name);
    return names;
}

struct FolderRecord {
    int32_t id;
    std::string name;
    int32_t parent;
    int system;
    int32_t children;
};

void WriteRecord(TStream& s, const FolderRecord& r)
{
    StreamWriteInteger(s, r.id);
    StreamWriteString(s, r.name);
    StreamWriteInteger(s, r.parent);
    StreamWriteBoolean(s, r.system != 0);
    StreamWriteInteger(s, r.system);
    StreamWriteInteger(s, r.children);
}

// Loads the records into the tree; gives how many deserialization problems
// were traced.
int LoadRecords(TFolders& folders, std::initializer_list<FolderRecord> records)
{
    TMemoryStream s;
    for (const FolderRecord& record : records)
        WriteRecord(s, record);
    s.Seek(0);
    TraceRecorder trace;
    folders.LoadFromStream(s);
    return trace.Count("Oopss.. deserialization problem in TFolder");
}

TEST(Folders, DefaultTreeNumbersAndSystemFolders)
{
    ProjectTree t;
    TMemoryStream s;
    t.folders.SaveToStream(s);

    struct Row {
        const char* path;
        int id;
        int system;
    };
    const Row rows[] = {
        {"\\", 1, 0},
        {"\\Program Files\\", 2, 1},
        {"\\Windows\\", 3, 2},
        {"\\My Documents\\", 4, 5},
        {"\\Program Files\\Accessories\\", 5, 6},
        {"\\Program Files\\Office\\", 9, 10},
        {"\\Program Files\\Co\\", 10, 0},
        {"\\Program Files\\Co\\App\\", 11, 0},
        {"\\Windows\\Desktop\\", 12, 3},
        {"\\Windows\\Start Menu\\", 14, 17},
        {"\\Windows\\Favorites\\", 17, 17},
        {"\\Windows\\Start Menu\\Programs\\", 18, 11},
        {"\\Windows\\Start Menu\\Games\\", 21, 14},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.path);
        TFolder* f = t.Find(r.path);
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(f->ID(), r.id);
        EXPECT_EQ(f->SystemFolder(), r.system);
        EXPECT_EQ(f->IsSystem(), r.system != 0);
    }
    EXPECT_EQ(t.folders.GetAllFolders().size(), 21u);
    EXPECT_EQ(t.folders.FindWindowsFolder(), t.Find("\\Windows\\"));
    EXPECT_EQ(t.folders.FindStartMenuFolder(), t.Find("\\Windows\\Start Menu\\"));
    // The root's record opens the tree: id 1, "\", no parent, not system, 3 children.
    EXPECT_EQ(std::vector<uint8_t>(s.Data().begin(), s.Data().begin() + 12),
              Bytes({0x02, 0x01, 0x06, 0x01, 0x5C, 0x02, 0x00, 0x08, 0x02, 0x00, 0x02, 0x03}));
}

TEST(Folders, SaveLoadRoundTripReproducesTheTree)
{
    ProjectTree t;
    TMemoryStream first;
    t.folders.SaveToStream(first);
    TFolderList before = t.folders.GetAllFolders();

    TFolders loaded;
    first.Seek(0);
    TraceRecorder trace;
    loaded.LoadFromStream(first);
    EXPECT_TRUE(trace.Messages().empty());
    EXPECT_EQ(first.Remaining(), 0u);

    TFolderList after = loaded.GetAllFolders();
    ASSERT_EQ(after.size(), before.size());
    for (size_t i = 0; i < after.size(); ++i) {
        EXPECT_EQ(after[i]->Name(), before[i]->Name());
        EXPECT_EQ(after[i]->ID(), before[i]->ID());
        EXPECT_EQ(after[i]->SystemFolder(), before[i]->SystemFolder());
        EXPECT_EQ(after[i]->IsSystem(), before[i]->IsSystem());
        EXPECT_EQ(after[i]->GetPath(), before[i]->GetPath());
        EXPECT_EQ(after[i]->SubFolderCount(), before[i]->SubFolderCount());
    }
    TMemoryStream second;
    loaded.SaveToStream(second);
    EXPECT_EQ(second.Data(), first.Data());
}

TEST(Folders, DevicePathsAndMacroPaths)
{
    ProjectTree t;
    TFolder* a = t.Find("\\Windows\\")->AddSubFolder(std::make_unique<TFolder>("A"));
    TFolder* b = a->AddSubFolder(std::make_unique<TFolder>("B"));
    TFolder* data = t.Find("\\My Documents\\")->AddSubFolder(std::make_unique<TFolder>("Data"));
    TFolder* x = t.folders.Root()->AddSubFolder(std::make_unique<TFolder>("X"));
    TFolder* y = x->AddSubFolder(std::make_unique<TFolder>("Y"));

    struct Row {
        const TFolder* folder;
        const char* path;
        const char* macro;
    };
    const Row rows[] = {
        {t.folders.Root(), "\\", ""},
        {t.programFiles, "\\Program Files\\", "%CE1%"},
        {t.Find("\\Program Files\\Games\\"), "\\Program Files\\Games\\", "%CE8%"},
        {t.Find("\\Windows\\Desktop\\"), "\\Windows\\Desktop\\", "%CE3%"},
        {t.Find("\\Windows\\Start Menu\\"), "\\Windows\\Start Menu\\", "%CE17%"},
        {t.Find("\\Windows\\Start Menu\\Programs\\"), "\\Windows\\Start Menu\\Programs\\", "%CE11%"},
        {t.Find("\\Windows\\Favorites\\"), "\\Windows\\Favorites\\", "%CE17%"},
        {t.app, "\\Program Files\\Co\\App\\", "%CE1%\\Co\\App"},
        {data, "\\My Documents\\Data\\", "%CE5%\\Data"},
        {b, "\\Windows\\A\\B\\", "%CE2%\\A\\B"},
        {x, "\\X\\", "\\X"},
        {y, "\\X\\Y\\", "\\X\\Y"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.path);
        ASSERT_NE(r.folder, nullptr);
        EXPECT_EQ(r.folder->GetPath(), r.path);
        EXPECT_EQ(r.folder->GetMacroPath(), r.macro);
    }
    // A folder on its own has no macro path and its name as path.
    TFolder lone("Lone", 0);
    EXPECT_EQ(lone.GetPath(), "Lone\\");
    EXPECT_EQ(lone.GetMacroPath(), "");
}

TEST(Folders, RightsAndIndexChecks)
{
    ProjectTree t;
    auto rights = [](const TFolder* f) {
        TFolderRights r = f->GetRights();
        return std::vector<bool>{r.AddSubFolder, r.Rename, r.Delete};
    };
    EXPECT_EQ(rights(t.folders.Root()), (std::vector<bool>{true, false, false}));
    EXPECT_EQ(rights(t.folders.FindWindowsFolder()), (std::vector<bool>{true, false, false}));
    EXPECT_EQ(rights(t.app), (std::vector<bool>{true, true, true}));
    TFolder lone("Lone");
    EXPECT_EQ(rights(&lone), (std::vector<bool>{true, false, false}));

    TraceRecorder trace;
    EXPECT_EQ(t.app->GetSubFolder(0), nullptr);
    EXPECT_EQ(t.programFiles->GetSubFolder(-1), nullptr);
    EXPECT_EQ(trace.Count("Index is out of bounds (Subfolders - get)"), 2);
}

TEST(Folders, SubscribingAndDetaching)
{
    ProjectTree t;
    TraceRecorder trace;
    Item a("a");
    a.SetFolder(t.app);
    t.app->Subscribe(&a);
    EXPECT_EQ(trace.Count("Subscriber already in the list"), 1);
    EXPECT_EQ(t.app->SubscriberCount(), 1);

    a.SetFolder(nullptr);
    EXPECT_EQ(trace.Count("Trying to set destination folder which is nil"), 1);
    EXPECT_EQ(a.GetFolder(), t.app);

    a.SetFolder(t.company);
    EXPECT_EQ(t.app->SubscriberCount(), 0);
    EXPECT_EQ(Names(t.company->Subscribers()), (std::vector<std::string>{"a"}));

    {
        Item gone("gone");
        gone.SetFolder(t.company);
    }
    EXPECT_EQ(Names(t.company->Subscribers()), (std::vector<std::string>{"a"}));
    {
        Item never("never");
    }
    EXPECT_EQ(trace.Count("File has no destination while destroying..hmmmm"), 1);
}

TEST(Folders, DeletionMovesSubscribersLastAttachedFirst)
{
    ProjectTree t;
    TFolder* root = t.folders.Root();
    TFolder* sub = t.app->AddSubFolder(std::make_unique<TFolder>("Sub"));
    TFolder* sub2 = t.app->AddSubFolder(std::make_unique<TFolder>("Sub2"));
    Item f1("f1"), f2("f2"), s1("s1"), s2("s2"), other("other");
    other.SetFolder(root);
    for (Item* i : {&f1, &f2})
        i->SetFolder(t.app);
    s1.SetFolder(sub);
    s2.SetFolder(sub2);
    for (Item* i : {&f1, &f2, &s1, &s2})
        i->SetEmergencyFolder(root);

    TraceRecorder trace;
    t.folders.DeleteFolder(t.app);
    EXPECT_TRUE(trace.Messages().empty());
    // The folder's own subscribers from the last to the first, then the
    // children from the last child to the first.
    EXPECT_EQ(Names(root->Subscribers()), (std::vector<std::string>{"other", "f2", "f1", "s2", "s1"}));
    EXPECT_EQ(t.company->SubFolderCount(), 0);
    for (Item* i : {&f1, &f2, &s1, &s2})
        EXPECT_EQ(i->GetFolder(), root);
}

TEST(Folders, DeletionWithoutUsableEmergencyFolderMovesToTheSurvivingParent)
{
    ProjectTree t;
    TFolder* sub = t.app->AddSubFolder(std::make_unique<TFolder>("Sub"));
    TFolder* deeper = sub->AddSubFolder(std::make_unique<TFolder>("Deeper"));
    Item none("none"), inside("inside"), outside("outside");
    none.SetFolder(deeper);
    inside.SetFolder(t.app);
    inside.SetEmergencyFolder(sub); // doomed as well
    // Attached elsewhere, but naming a doomed folder: that reference must not outlive it.
    outside.SetFolder(t.folders.Root());
    outside.SetEmergencyFolder(deeper);
    outside.SetDefaultFolder(sub);

    TraceRecorder trace;
    t.folders.DeleteFolder(t.app);
    EXPECT_EQ(trace.Count("No emergency folder spcecified"), 2);
    EXPECT_EQ(none.GetFolder(), t.company);
    EXPECT_EQ(inside.GetFolder(), t.company);
    EXPECT_EQ(inside.EmergencyFolder(), nullptr);
    EXPECT_EQ(outside.EmergencyFolder(), nullptr);
    EXPECT_EQ(outside.DefaultFolder(), nullptr);
    EXPECT_EQ(Names(t.company->Subscribers()), (std::vector<std::string>{"inside", "none"}));

    // Outside a deletion, no emergency folder means staying put.
    trace.Clear();
    none.MoveToEmergencyFolder();
    EXPECT_EQ(trace.Count("No emergency folder spcecified"), 1);
    EXPECT_EQ(none.GetFolder(), t.company);
}

TEST(Folders, DeletingTheRootOrAForeignFolderDoesNothing)
{
    ProjectTree t, other;
    t.folders.DeleteFolder(t.folders.Root());
    t.folders.DeleteFolder(other.app);
    t.folders.DeleteFolder(nullptr);
    EXPECT_EQ(t.folders.GetAllFolders().size(), 21u);
    EXPECT_EQ(other.company->SubFolderCount(), 1);
    // DeleteSubFolder goes the same way as a deletion from the root.
    Item i("i");
    i.SetFolder(t.app);
    i.SetEmergencyFolder(t.folders.Root());
    t.company->DeleteSubFolder(0);
    EXPECT_EQ(i.GetFolder(), t.folders.Root());
    EXPECT_EQ(t.folders.GetAllFolders().size(), 20u);
}

TEST(Folders, DiscardingATreeLeavesNoDanglingReferences)
{
    Item attached("attached");
    auto folders = std::make_unique<TFolders>();
    folders->CreateDefault();
    attached.SetFolder(folders->Root()->GetSubFolder(1));
    attached.SetEmergencyFolder(folders->Root());
    attached.SetDefaultFolder(folders->Root()->GetSubFolder(0));
    folders.reset();
    EXPECT_EQ(attached.GetFolder(), nullptr);
    EXPECT_EQ(attached.EmergencyFolder(), nullptr);
    EXPECT_EQ(attached.DefaultFolder(), nullptr);

    // ClearSubscribers empties the lists without moving anyone.
    ProjectTree t;
    Item a("a"), b("b");
    a.SetFolder(t.app);
    b.SetFolder(t.folders.Root());
    TraceRecorder trace;
    t.folders.Root()->ClearSubscribers();
    EXPECT_TRUE(trace.Messages().empty());
    EXPECT_EQ(t.app->SubscriberCount(), 0);
    EXPECT_EQ(t.folders.Root()->SubscriberCount(), 0);
    EXPECT_EQ(a.GetFolder(), nullptr);
}

TEST(Folders, FillTreeFiltersPocketFolders)
{
    ProjectTree t;
    FakeTreeDisplay display;
    t.folders.FillTree(display, nullptr, AllPlatforms);
    std::string full = display.Dump();
    EXPECT_EQ(full,
              "\\\n"
              "  Program Files\n"
              "    Accessories\n"
              "    Communication\n"
              "    Games\n"
              "    Co\n"
              "      App\n"
              "  Windows\n"
              "    Startup\n"
              "    Start Menu\n"
              "      Programs\n"
              "      Accessories\n"
              "      Communication\n"
              "      Games\n"
              "    Fonts\n"
              "    Favorites\n"
              "  My Documents\n");
    EXPECT_EQ(display.ClearCount(), 1);

    // Handheld platforms only: every folder, and a subfolder of a filtered
    // folder appears with it.
    t.Find("\\Windows\\Desktop\\")->AddSubFolder(std::make_unique<TFolder>("OnDesk"));
    t.folders.FillTree(display, nullptr, TPlatforms{plHPC, plHPCPro, plHPC2000});
    EXPECT_EQ(display.ClearCount(), 2);
    EXPECT_EQ(display.TopCount(), 1);
    std::string handheld = display.Dump();
    for (const char* name : {"Desktop", "OnDesk", "Pocket Outlook", "Office", "Recent"})
        EXPECT_NE(handheld.find(name), std::string::npos) << name;

    // One pocket platform is enough to filter; the subtree goes with its folder.
    t.folders.FillTree(display, nullptr, TPlatforms{plHPC, plWM2003});
    EXPECT_EQ(display.Dump().find("OnDesk"), std::string::npos);

    // Below an existing node nothing is cleared.
    TTreeDisplay::TNode top = display.TopNode(0);
    t.app->FillTree(display, top, AllPlatforms);
    EXPECT_EQ(display.ClearCount(), 3);
    EXPECT_EQ(display.ChildCount(top), 4);
}

TEST(Folders, FindTreeNodeSearchesDepthFirst)
{
    ProjectTree t;
    FakeTreeDisplay display;
    t.folders.FillTree(display, nullptr, AllPlatforms);
    TTreeDisplay::TNode root = display.TopNode(0);
    TTreeDisplay::TNode appNode = FindTreeNode(display, t.app, root);
    ASSERT_NE(appNode, nullptr);
    EXPECT_EQ(display.NodeObject(appNode), t.app);
    EXPECT_EQ(FindTreeNode(display, t.folders.Root(), root), root);
    // Filtered out, hence not found; nor from a null node.
    EXPECT_EQ(FindTreeNode(display, t.Find("\\Windows\\Desktop\\"), root), nullptr);
    EXPECT_EQ(FindTreeNode(display, t.app, nullptr), nullptr);
    // Searching from a node finds only its subtree.
    TTreeDisplay::TNode windowsNode = display.Child(root, 1);
    EXPECT_EQ(FindTreeNode(display, t.app, windowsNode), nullptr);
}

TEST(Folders, LoadingFollowsParentNumbers)
{
    // Root 1 with two nested children: B names the root, C names B although
    // it is nested in the root's record, D names an unknown folder.
    TFolders folders;
    EXPECT_EQ(
        LoadRecords(folders,
                    {{1, "\\", 0, 0, 3}, {2, "B", 1, 0, 0}, {3, "C", 2, 0, 0}, {4, "D", 99, 0, 1}, {5, "E", 4, 0, 0}}),
        1);
    TFolderList all = folders.GetAllFolders();
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[2]->GetPath(), "\\B\\C\\");
    EXPECT_EQ(FindFolderByID(all, 3), all[2]);
    EXPECT_EQ(FindFolderByID(all, 4), nullptr);
}

TEST(Folders, HostileRecordsNeverMakeCycles)
{
    // A folder naming itself, and one sharing its number with an earlier
    // folder: the lookup finds only earlier folders, the first match first.
    TFolders folders;
    EXPECT_EQ(
        LoadRecords(folders, {{1, "\\", 1, 0, 2}, {7, "Self", 7, 0, 0}, {1, "Twin", 1, 0, 1}, {1, "Kid", 1, 0, 0}}), 2);
    TFolderList all = folders.GetAllFolders();
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[1]->Name(), "Twin");
    EXPECT_EQ(all[2]->Name(), "Kid");
    EXPECT_EQ(all[2]->Parent(), folders.Root());
    EXPECT_EQ(folders.Root()->Parent(), nullptr);
    EXPECT_EQ(all[2]->GetPath(), "\\Kid\\");
}

TEST(Folders, BrokenDataFailsAndKeepsTheTree)
{
    auto load = [](const std::function<void(TStream&)>& write, TFolders& folders) {
        TMemoryStream s;
        write(s);
        s.Seek(0);
        return ErrorOf([&] { folders.LoadFromStream(s); });
    };
    TFolders folders;
    folders.CreateDefault();
    // A child count far beyond what the data holds.
    EXPECT_EQ(load([](TStream& s) { WriteRecord(s, {1, "\\", 0, 0, 2000000000}); }, folders), "Stream read error");
    EXPECT_EQ(load(
                  [](TStream& s) {
                      WriteRecord(s, {1, "\\", 0, 0, 1});
                      StreamWriteInteger(s, 2);
                  },
                  folders),
              "Stream read error");
    EXPECT_EQ(load([](TStream& s) { StreamWriteString(s, "not a number"); }, folders), "Invalid property value");
    EXPECT_EQ(folders.GetAllFolders().size(), 19u);

    // A system number outside the table makes an ordinary folder.
    ASSERT_EQ(load([](TStream& s) { WriteRecord(s, {1, "\\", 0, 200, 0}); }, folders), "");
    EXPECT_FALSE(folders.Root()->IsSystem());
    EXPECT_EQ(folders.Root()->SystemFolder(), 0);
}

TEST(Folders, DeepTreesDoNotExhaustTheStack)
{
    const int depth = 100000;
    TMemoryStream s;
    for (int i = 1; i <= depth; ++i)
        WriteRecord(s, {i, i == 1 ? "\\" : "d", i - 1, 0, i == depth ? 0 : 1});
    s.Seek(0);
    TFolders folders;
    folders.LoadFromStream(s);
    TFolderList all = folders.GetAllFolders();
    ASSERT_EQ(all.size(), size_t(depth));
    TFolder* leaf = all.back();
    EXPECT_EQ(leaf->GetPath().size(), size_t(1 + 2 * (depth - 1)));
    EXPECT_EQ(leaf->GetMacroPath().size(), size_t(2 * (depth - 1)));
    EXPECT_TRUE(folders.Root()->Contains(leaf));

    Item i("i");
    i.SetFolder(leaf);
    FakeTreeDisplay display;
    folders.FillTree(display, nullptr, AllPlatforms);
    EXPECT_EQ(FindTreeNode(display, leaf, display.TopNode(0)) != nullptr, true);

    TMemoryStream again;
    folders.SaveToStream(again);
    EXPECT_EQ(again.Data(), s.Data());

    folders.DeleteFolder(all[1]);
    EXPECT_EQ(i.GetFolder(), folders.Root());
    EXPECT_EQ(folders.GetAllFolders().size(), 1u);
}

}
