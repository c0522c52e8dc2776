#include "model/Files.h"

#include "common/Exception.h"
#include "common/Paths.h"
#include "model/Shortcuts.h"
#include "model/ValueEncoding.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

TFile* AddFile(TFiles& files, const std::string& name, TPlatforms platforms, TProcessor processor,
               TFolder* folder = nullptr)
{
    auto file = std::make_unique<TFile>();
    file->SetFileName(name);
    file->SetPlatforms(platforms);
    file->SetProcessor(processor);
    if (folder)
        file->SetFolder(folder);
    return files.Add(std::move(file));
}

std::vector<std::string> Names(const TFiles::TList& list)
{
    std::vector<std::string> names;
    for (TFile* f : list)
        names.push_back(f->FileName());
    return names;
}

// A tree, files, shortcuts and setup DLLs written and read the way a project
// does it: tree first, then files, then what refers to files.
struct Project {
    Project()
    {
        folders.CreateDefault();
        app = folders.Root()->GetSubFolder(0)->AddSubFolder(std::make_unique<TFolder>("App"));
    }
    TMemoryStream Save()
    {
        TMemoryStream s;
        folders.SaveToStream(s);
        files.SaveToStream(s);
        shortcuts.SaveToStream(s);
        dlls.SaveToStream(s);
        s.Seek(0);
        return s;
    }
    void Load(TStream& s)
    {
        folders.LoadFromStream(s);
        TFolderList all = folders.GetAllFolders();
        files.LoadFromStream(s, all);
        shortcuts.LoadFromStream(s, all, files.ToList());
        dlls.LoadFromStream(s);
    }
    // Declared first so that the objects naming its folders go before it.
    TFolders folders;
    TFolder* app;
    TFiles files;
    TCEShortcuts shortcuts;
    TSetupDlls dlls;
};

TEST(Files, WhatTheFilesShareAndUse)
{
    TFiles files;
    AddFile(files, "a", {plHPC}, pAll);
    AddFile(files, "b", {plHPC, plPPC300}, pStrongARM);
    EXPECT_EQ(files.CommonPlatforms(), TPlatforms{plHPC});
    EXPECT_EQ(files.AllPlatforms(), (TPlatforms{plHPC, plPPC300}));
    EXPECT_TRUE(files.CommonProcessors().Empty());
    EXPECT_EQ(files.AllProcessors(), (TProcessors{pAll, pStrongARM}));

    TFiles same;
    AddFile(same, "x", {plHPC}, pAll);
    AddFile(same, "y", {plPPC2K}, pAll);
    EXPECT_EQ(same.CommonProcessors(), TProcessors{pAll});
    EXPECT_TRUE(same.CommonPlatforms().Empty());

    TFiles empty;
    EXPECT_EQ(empty.CommonPlatforms(), AllPlatforms);
    EXPECT_TRUE(empty.AllPlatforms().Empty());
    EXPECT_EQ(empty.CommonProcessors(), AllProcessorsSet);
    EXPECT_TRUE(empty.AllProcessors().Empty());
}

TEST(Files, EnumerationAndRemoval)
{
    TFiles files;
    TFile* f = nullptr;
    EXPECT_FALSE(files.First(f));
    EXPECT_EQ(f, nullptr);
    TFile* a = AddFile(files, "a", AllPlatforms, pAll);
    TFile* b = AddFile(files, "b", AllPlatforms, pAll);
    TFile* c = AddFile(files, "c", AllPlatforms, pAll);
    std::string seen;
    for (bool ok = files.First(f); ok; ok = files.Next(f))
        seen += f->FileName();
    EXPECT_EQ(seen, "abc");
    EXPECT_EQ(f, nullptr);

    TFiles other;
    TFile* foreign = AddFile(other, "foreign", AllPlatforms, pAll);
    files.Remove(foreign);
    files.Remove(b);
    EXPECT_EQ(Names(files.ToList()), (std::vector<std::string>{"a", "c"}));
    files.Remove(TFiles::TList{c, a, foreign});
    EXPECT_EQ(files.Count(), 0);
    EXPECT_EQ(other.Count(), 1);
}

TEST(Files, RemovingATargetFileNeverLeavesAShortcutOnFreedMemory)
{
    Project p;
    TFile* kept = AddFile(p.files, "kept.exe", AllPlatforms, pAll, p.app);
    TFile* gone = AddFile(p.files, "gone.exe", AllPlatforms, pAll, p.app);
    TFile* alsoGone = AddFile(p.files, "alsogone.exe", AllPlatforms, pAll, p.app);
    for (TFile* target : {kept, gone, gone, alsoGone}) {
        auto s = std::make_unique<TCEShortCut>();
        s->SetName("to " + target->FileName());
        s->SetTarget(target);
        s->SetFolder(p.app);
        p.shortcuts.Add(std::move(s));
    }
    EXPECT_EQ(gone->ShortcutCount(), 2);

    // What the project's removal does: drop the dependent shortcuts, then the file.
    EXPECT_EQ(p.shortcuts.RemoveTargeting(gone), 2);
    p.files.Remove(gone);
    EXPECT_EQ(p.shortcuts.Count(), 2);

    // The file list on its own: the shortcut survives without a target.
    TCEShortCut* orphan = p.shortcuts.Item(1);
    p.files.Remove(alsoGone);
    EXPECT_EQ(orphan->Target(), nullptr);

    // Saving leaves it out, so the project still loads.
    TraceRecorder trace;
    TMemoryStream s = p.Save();
    EXPECT_EQ(trace.Count("Shortcut without target file not saved"), 1);
    Project q;
    q.Load(s);
    ASSERT_EQ(q.shortcuts.Count(), 1);
    EXPECT_EQ(q.shortcuts.Item(0)->Target()->FileName(), "kept.exe");

    EXPECT_EQ(p.shortcuts.RemoveWithoutTarget(), 1);
    EXPECT_EQ(p.shortcuts.Count(), 1);
    // A shortcut that goes first leaves no trace in its file.
    p.shortcuts.Remove(p.shortcuts.Item(0));
    EXPECT_EQ(kept->ShortcutCount(), 0);
}

TEST(Files, SaveRenumbersAndRecordsHaveTheirLayout)
{
    Project p;
    TFile* a = AddFile(p.files, "a.exe", {plHPC}, pAll, p.app);
    a->SetID(7);
    a->SetSourceDir("C:\\Src\\");
    a->SetOptions({foShared, foAllowSkip});
    a->SetCopyMode(3);
    a->SetUseDefaultFolder(true);
    AddFile(p.files, "b", AllPlatforms, pStrongARM, p.app)->SetID(3);
    AddFile(p.files, "c", AllPlatforms, pStrongARM, p.app)->SetID(5);

    TMemoryStream tree;
    p.folders.SaveToStream(tree);
    TMemoryStream s;
    p.files.SaveToStream(s);
    std::vector<int32_t> ids;
    for (TFile* f : p.files.ToList())
        ids.push_back(f->ID());
    EXPECT_EQ(ids, (std::vector<int32_t>{1, 2, 3}));

    TMemoryStream expected;
    StreamWriteInteger(expected, 3);
    StreamWriteInteger(expected, 1);
    StreamWriteString(expected, "a.exe");
    StreamWriteString(expected, "C:\\Src");
    StreamWriteInteger(expected, p.app->ID());
    StreamWriteInteger(expected, pAll);
    StreamWritePlatforms(expected, {plHPC});
    StreamWriteInteger(expected, 3);
    expected.WriteBuffer(Bytes({0x02, 0x02, 0x02, 0x00, 0x02, 0x03}).data(), 6); // options {0, 3}
    StreamWriteBoolean(expected, true);
    ASSERT_GE(s.Data().size(), expected.Data().size());
    EXPECT_EQ(HexDump(std::vector<uint8_t>(s.Data().begin(), s.Data().begin() + expected.Data().size())),
              HexDump(expected.Data()));
}

TEST(Files, RoundTripOfEveryRecordType)
{
    Project p;
    TFile* a = AddFile(p.files, "app.exe", {plHPC, plWM2003}, pMIPSR4000, p.app);
    a->SetSourceDir("C:\\Work\\Bin\\");
    a->SetOptions({foSelfRegister, foWarnIfSkipped});
    a->SetCopyMode(2);
    TFile* b = AddFile(p.files, "caf\xE9.txt", {plPPC2K}, pAll, p.folders.Root());
    b->SetSourceDir("/home/author/data");
    b->SetUseDefaultFolder(true);
    auto shortcut = std::make_unique<TCEShortCut>();
    shortcut->SetName("App");
    shortcut->SetTarget(a);
    shortcut->SetPlatforms({plHPC, plPPC300}); // differs from its target's
    shortcut->SetFolder(p.folders.FindStartMenuFolder());
    p.shortcuts.Add(std::move(shortcut));
    auto dll = std::make_unique<TSetupDLL>();
    dll->SetFileName("setup.dll");
    dll->SetSourceDir("C:\\Dll\\");
    dll->SetProcessor(pHitachiSH3);
    dll->SetPlatforms({plPPC211});
    p.dlls.Add(std::move(dll));

    TMemoryStream first = p.Save();
    Project q;
    TraceRecorder trace;
    q.Load(first);
    EXPECT_TRUE(trace.Messages().empty());
    EXPECT_EQ(first.Remaining(), 0u);

    ASSERT_EQ(q.files.Count(), 2);
    TFile* qa = q.files.Item(0);
    EXPECT_EQ(qa->FileName(), "app.exe");
    EXPECT_EQ(qa->SourceDir(), "C:\\Work\\Bin");
    EXPECT_EQ(qa->GetSourcePath(), a->GetSourcePath());
    EXPECT_EQ(qa->GetDevicePath(), "\\Program Files\\App\\app.exe");
    EXPECT_EQ(qa->Platforms(), (TPlatforms{plHPC, plWM2003}));
    EXPECT_EQ(qa->Processor(), pMIPSR4000);
    EXPECT_EQ(qa->CopyMode(), 2);
    EXPECT_EQ(qa->Options(), (TFileOptions{foSelfRegister, foWarnIfSkipped}));
    EXPECT_FALSE(qa->UseDefaultFolder());
    TFile* qb = q.files.Item(1);
    EXPECT_EQ(qb->FileName(), "caf\xE9.txt");
    EXPECT_EQ(qb->SourceDir(), "/home/author/data");
    EXPECT_TRUE(qb->UseDefaultFolder());
    EXPECT_EQ(qb->GetFolder(), q.folders.Root());

    ASSERT_EQ(q.shortcuts.Count(), 1);
    TCEShortCut* qs = q.shortcuts.Item(0);
    EXPECT_EQ(qs->Name(), "App");
    EXPECT_EQ(qs->Target(), qa);
    EXPECT_EQ(qs->Platforms(), (TPlatforms{plHPC, plPPC300}));
    EXPECT_EQ(qs->GetFolder(), q.folders.FindStartMenuFolder());

    ASSERT_EQ(q.dlls.Count(), 1);
    TSetupDLL* qd = q.dlls.Item(0);
    EXPECT_EQ(qd->SourceDir(), "C:\\Dll\\");
    EXPECT_EQ(qd->GetSourcePath(), "C:\\Dll\\setup.dll");
    EXPECT_EQ(qd->Processor(), pHitachiSH3);
    EXPECT_EQ(qd->Platforms(), TPlatforms{plPPC211});

    TMemoryStream second = q.Save();
    EXPECT_EQ(second.Data(), first.Data());
}

TEST(Files, SourceDirectoriesAndHostPaths)
{
    struct Row {
        const char* stored;
        const char* sourceDir;
    };
    const Row rows[] = {
        {"C:\\Src\\", "C:\\Src"},
        {"C:\\Src", "C:\\Src"},
        {"C:\\Src\\\\", "C:\\Src\\"}, // only one separator goes
        {"/home/a/src/", "/home/a/src"},
        {"/", "/"},
        {"", ""},
    };
    for (const Row& r : rows) {
        TFile f;
        f.SetSourceDir(r.stored);
        EXPECT_EQ(f.GetSourceDir(), r.sourceDir) << r.stored;
    }
    TFile f;
    f.SetFileName("app.exe");
    f.SetSourceDir("C:\\Work\\Bin\\");
    const std::string expected = NormalizeHostPath("C:\\Work\\Bin") + PathDelim + "app.exe";
    EXPECT_EQ(f.GetHostSourcePath(), expected);
    f.SetSourceDir("C:\\Work\\Bin");
    EXPECT_EQ(f.GetHostSourcePath(), expected);
    EXPECT_EQ(f.GetHostSourcePath().find(PathDelim == '/' ? '\\' : '/'), std::string::npos);

    TSetupDLL d;
    d.SetFileName("setup.dll");
    d.SetSourceDir("C:\\Dll\\");
    EXPECT_EQ(d.GetSourcePath(), "C:\\Dll\\setup.dll");
    EXPECT_EQ(d.GetHostSourcePath(), NormalizeHostPath("C:\\Dll") + PathDelim + "setup.dll");
}

TEST(Files, DefaultsFoldersAndTargets)
{
    Project p;
    TFile f;
    EXPECT_EQ(f.Processor(), pStrongARM);
    EXPECT_TRUE(f.Platforms().Empty());
    f.SetFolder(p.app);
    f.SetFileName("a.exe");
    f.SetUseDefaultFolder(true);
    EXPECT_EQ(f.GetFolder(), p.app);
    f.SetDefaultFolder(p.folders.Root());
    EXPECT_EQ(f.GetFolder(), p.folders.Root());
    EXPECT_EQ(f.GetDevicePath(), "\\a.exe");
    f.SetUseDefaultFolder(false);
    EXPECT_EQ(f.GetDevicePath(), "\\Program Files\\App\\a.exe");

    TCEShortCut s;
    EXPECT_EQ(s.Platforms(), AllPlatforms);
    EXPECT_EQ(s.Target(), nullptr);
    f.SetPlatforms({plHPC});
    s.SetTarget(&f);
    EXPECT_EQ(s.Platforms(), TPlatforms{plHPC});

    TSetupDLL d;
    EXPECT_EQ(d.Processor(), pStrongARM);
    EXPECT_EQ(d.Platforms(), AllPlatforms);
}

TEST(Files, UnknownNumbersWhileLoading)
{
    // A file whose folder number names no folder, and a shortcut whose folder
    // number names none: both load unattached.
    TFolders folders;
    folders.CreateDefault();
    TMemoryStream s;
    StreamWriteInteger(s, 1);
    StreamWriteInteger(s, 4);
    StreamWriteString(s, "a.exe");
    StreamWriteString(s, "C:\\Src");
    StreamWriteInteger(s, 999);
    StreamWriteInteger(s, pAll);
    StreamWritePlatforms(s, AllPlatforms);
    StreamWriteInteger(s, 0);
    StreamWriteInteger(s, 2);
    StreamWriteInteger(s, 1);
    StreamWriteInteger(s, 200); // beyond the one-byte set
    StreamWriteBoolean(s, false);
    // Shortcuts: one naming file 4 and folder 999.
    StreamWriteInteger(s, 1);
    StreamWriteString(s, "sc");
    StreamWriteInteger(s, 4);
    StreamWritePlatforms(s, {plHPC});
    StreamWriteInteger(s, 999);
    s.Seek(0);

    TraceRecorder trace;
    TFiles files;
    files.LoadFromStream(s, folders.GetAllFolders());
    EXPECT_EQ(trace.Count("Can not find the destination folder of a file!"), 1);
    ASSERT_EQ(files.Count(), 1);
    EXPECT_EQ(files.Item(0)->GetFolder(), nullptr);
    EXPECT_EQ(files.Item(0)->ID(), 4);
    EXPECT_EQ(files.Item(0)->Options(), TFileOptions{foSelfRegister});

    TCEShortcuts shortcuts;
    shortcuts.LoadFromStream(s, folders.GetAllFolders(), files.ToList());
    EXPECT_EQ(trace.Count("Trying to set destination folder which is nil"), 1);
    ASSERT_EQ(shortcuts.Count(), 1);
    EXPECT_EQ(shortcuts.Item(0)->GetFolder(), nullptr);
    EXPECT_EQ(shortcuts.Item(0)->Target(), files.Item(0));

    // A target number that names no file fails the load, and the list stays.
    TMemoryStream bad;
    StreamWriteInteger(bad, 1);
    StreamWriteString(bad, "lost");
    StreamWriteInteger(bad, 5);
    StreamWritePlatforms(bad, AllPlatforms);
    StreamWriteInteger(bad, 1);
    bad.Seek(0);
    EXPECT_EQ(ErrorOf([&] { shortcuts.LoadFromStream(bad, folders.GetAllFolders(), files.ToList()); }),
              "Can not find the target file of the shortcut \"lost\"");
    EXPECT_EQ(shortcuts.Count(), 1);
}

TEST(Files, BrokenRecordsFailCleanly)
{
    TFolders folders;
    folders.CreateDefault();
    auto loadFiles = [&](const std::function<void(TStream&)>& write, TFiles& files) {
        TMemoryStream s;
        write(s);
        s.Seek(0);
        return ErrorOf([&] { files.LoadFromStream(s, folders.GetAllFolders()); });
    };
    auto record = [](TStream& s, int processor, int copyMode) {
        StreamWriteInteger(s, 1);
        StreamWriteString(s, "f");
        StreamWriteString(s, "d");
        StreamWriteInteger(s, 1);
        StreamWriteInteger(s, processor);
        StreamWritePlatforms(s, AllPlatforms);
        StreamWriteInteger(s, copyMode);
        StreamWriteInteger(s, 0);
        StreamWriteBoolean(s, false);
    };
    TFiles files;
    EXPECT_EQ(loadFiles([](TStream& s) { StreamWriteInteger(s, 2000000000); }, files), "Stream read error");
    EXPECT_EQ(loadFiles(
                  [&](TStream& s) {
                      StreamWriteInteger(s, 2);
                      record(s, 1, 0);
                  },
                  files),
              "Stream read error");
    EXPECT_EQ(loadFiles(
                  [&](TStream& s) {
                      StreamWriteInteger(s, 1);
                      record(s, 13, 0);
                  },
                  files),
              "Invalid property value");
    EXPECT_EQ(loadFiles(
                  [&](TStream& s) {
                      StreamWriteInteger(s, 1);
                      record(s, 0, CopyModeCount);
                  },
                  files),
              "Invalid property value");
    EXPECT_EQ(files.Count(), 0);
    // Nothing read stays subscribed to the tree.
    EXPECT_EQ(folders.Root()->SubscriberCount(), 0);

    TSetupDlls dlls;
    TMemoryStream s;
    StreamWriteInteger(s, 100000);
    StreamWriteString(s, "x.dll");
    s.Seek(0);
    EXPECT_EQ(ErrorOf([&] { dlls.LoadFromStream(s); }), "Stream read error");
    EXPECT_EQ(dlls.Count(), 0);
}

TEST(Files, EditorsComeFromTheUserInterface)
{
    TraceRecorder trace;
    TFile f;
    TCEShortCut s;
    TSetupDLL d;
    EXPECT_FALSE(f.Edit(nullptr));
    EXPECT_FALSE(s.Edit(nullptr));
    EXPECT_FALSE(d.Edit());
    EXPECT_EQ(trace.Messages().size(), 3u);

    auto previous = TFile::SetEditor([](TFile& file, TProject*) {
        file.SetFileName("edited");
        return true;
    });
    auto previousDll = TSetupDLL::SetEditor([](TSetupDLL&) { return false; });
    EXPECT_TRUE(f.Edit(nullptr));
    EXPECT_EQ(f.FileName(), "edited");
    EXPECT_FALSE(d.Edit());
    EXPECT_EQ(trace.Messages().size(), 3u);
    TFile::SetEditor(previous);
    TSetupDLL::SetEditor(previousDll);
    EXPECT_FALSE(f.Edit(nullptr));
}

}
