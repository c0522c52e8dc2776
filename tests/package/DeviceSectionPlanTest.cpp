#include "package/DeviceSectionPlan.h"

#include "model/Files.h"
#include "model/Folders.h"
#include "model/Project.h"
#include "model/RegistryKeys.h"
#include "model/Shortcuts.h"
#include "package/InfParser.h"
#include "package/InfWriter.h"
#include "support/SampleProject.h"

#include <gtest/gtest.h>

namespace {

template <typename T>
std::vector<std::string> Names(const std::vector<const T*>& list)
{
    std::vector<std::string> names;
    for (const T* item : list) {
        if constexpr (std::is_same_v<T, TFile>)
            names.push_back(item->FileName());
        else
            names.push_back(item->Name());
    }
    return names;
}

TEST(DeviceSectionPlan, FilesForMatchesPlatformAndProcessor)
{
    TProject project;
    AddProjectFile(project, "/src", "a", {plHPC}, pAll);
    AddProjectFile(project, "/src", "b", {plHPC, plPPC300}, pStrongARM);
    struct Row {
        TPlatform platform;
        TProcessor processor;
        std::vector<std::string> expected;
    };
    // clang-format off
    const Row rows[] = {
        {plPPC300, pStrongARM, {"b"}},
        {plHPC, pMIPSR4000, {"a"}},
        {plAll, pStrongARM, {"a", "b"}},
        {plWM2003, pStrongARM, {}},
        {plHPC, pAll, {"a"}},
    };
    // clang-format on
    for (const Row& r : rows)
        EXPECT_EQ(Names(FilesFor(project.Files(), r.platform, r.processor)), r.expected)
            << int(r.platform) << "/" << int(r.processor);
}

TEST(DeviceSectionPlan, ShortcutsForUseTheirOwnPlatformsAndTheTargetsProcessor)
{
    TProject project;
    TFile* arm = AddProjectFile(project, "/src", "arm.exe", AllPlatforms, pStrongARM);
    TFile* any = AddProjectFile(project, "/src", "any.exe", AllPlatforms, pAll);
    TFile* gone = AddProjectFile(project, "/src", "gone.exe", AllPlatforms, pAll);
    auto add = [&](const std::string& name, TFile* target, TPlatforms platforms) {
        auto s = std::make_unique<TCEShortCut>();
        s->SetName(name);
        s->SetTarget(target);
        s->SetPlatforms(platforms);
        project.Shortcuts().Add(std::move(s));
    };
    add("s1", arm, {plPPC300});
    add("s2", any, {plHPC, plPPC300});
    add("s3", arm, {plHPC});
    add("orphan", gone, AllPlatforms);
    // The file list alone leaves the shortcut without a target.
    project.Files().Remove(gone);
    const TCEShortcuts& shortcuts = project.Shortcuts();
    EXPECT_EQ(Names(ShortcutsFor(shortcuts, plPPC300, pStrongARM)), (std::vector<std::string>{"s1", "s2"}));
    EXPECT_EQ(Names(ShortcutsFor(shortcuts, plHPC, pMIPSR4000)), (std::vector<std::string>{"s2"}));
    EXPECT_EQ(Names(ShortcutsFor(shortcuts, plAll, pStrongARM)), (std::vector<std::string>{"s1", "s2", "s3"}));
    EXPECT_TRUE(ShortcutsFor(shortcuts, plWM2003, pStrongARM).empty());
}

TEST(DeviceSectionPlan, SetupDllForPicksTheLastFit)
{
    TSetupDlls dlls;
    auto add = [&](const std::string& name, TProcessor processor, TPlatforms platforms) {
        auto d = std::make_unique<TSetupDLL>();
        d->SetFileName(name);
        d->SetProcessor(processor);
        d->SetPlatforms(platforms);
        return dlls.Add(std::move(d));
    };
    EXPECT_EQ(SetupDllFor(plAll, pStrongARM, dlls), nullptr);
    TSetupDLL* hpcArm = add("hpc.dll", pStrongARM, {plHPC});
    // Sections ask with plAll: the platform set does not narrow the choice.
    EXPECT_EQ(SetupDllFor(plAll, pStrongARM, dlls), hpcArm);
    EXPECT_EQ(SetupDllFor(plPPC300, pStrongARM, dlls), nullptr);
    EXPECT_EQ(SetupDllFor(plAll, pMIPSR4000, dlls), nullptr);
    add("first.dll", pAll, AllPlatforms);
    TSetupDLL* second = add("second.dll", pAll, AllPlatforms);
    for (TProcessor p : {pStrongARM, pMIPSR4000, pAll})
        EXPECT_EQ(SetupDllFor(plAll, p, dlls), second);
    TSetupDLL* mips = add("mips.dll", pMIPSR4000, AllPlatforms);
    EXPECT_EQ(SetupDllFor(plAll, pMIPSR4000, dlls), mips);
    EXPECT_EQ(SetupDllFor(plAll, pStrongARM, dlls), second);
}

TEST(DeviceSectionPlan, KeysForListsParentsBeforeDescendants)
{
    auto key = [](const std::string& name, std::initializer_list<TProcessor> values) {
        auto k = std::make_unique<TRegKey>(false, name, name);
        k->Values().Values().clear(); // no default value: only the listed ones count
        for (TProcessor p : values) {
            auto v = std::make_unique<TValue>(vtString);
            v->SetProcessor(p);
            v->SetStringData("x");
            k->Values().Add(std::move(v));
        }
        return k;
    };
    TRegKey::TList top;
    TRegKey* a = top.emplace_back(key("A", {pAll})).get();
    TRegKey* a1 = a->AddSubKey(key("A1", {pStrongARM}));
    a1->AddSubKey(key("A1x", {pMIPSR4000}));
    a1->AddSubKey(key("A1y", {pAll}));
    a->AddSubKey(key("A2", {}));
    TRegKey* b = top.emplace_back(key("B", {})).get(); // nothing itself, but its child has
    b->AddSubKey(key("B1", {pStrongARM}));

    auto names = [&](TProcessor p) {
        std::string out;
        for (const TRegKey* k : KeysFor(plAll, p, top))
            out += k->Name() + " ";
        return out;
    };
    EXPECT_EQ(names(pStrongARM), "A A1 A1y B1 ");
    EXPECT_EQ(names(pMIPSR4000), "A A1x A1y ");
    EXPECT_TRUE(KeysFor(plAll, pStrongARM, TRegKey::TList{}).empty());
}

// The plan reads the project and changes nothing in it: a file that uses
// the default folder goes to the install folder in the plan only.
TEST(DeviceSectionPlan, PlanningLeavesTheProjectAsItWas)
{
    TProject project;
    TFolder* elsewhere = project.Folders().Root()->AddSubFolder(std::make_unique<TFolder>("Elsewhere"));
    TFile* file = AddProjectFile(project, "/src", "a.exe", AllPlatforms, pAll, elsewhere);
    file->SetUseDefaultFolder(true);
    TFile* own = AddProjectFile(project, "/src", "b.exe", AllPlatforms, pAll, elsewhere);

    TDeviceSectionPlan plan = PlanDeviceSections(project);
    ASSERT_EQ(plan.FDeviceSections.size(), 1u);
    const TDeviceSection& section = *plan.FDeviceSections[0];
    EXPECT_EQ(section.FolderOf(*file), project.DefaultFolder());
    EXPECT_EQ(section.FolderOf(*own), elsewhere);
    ASSERT_EQ(section.FileDirs().size(), 2u);
    EXPECT_EQ(section.FileDirs()[0].FFolder, project.DefaultFolder());
    EXPECT_EQ(section.FileDirs()[1].FFolder, elsewhere);

    TStringList lines;
    WriteInf(project, plan, lines);
    EXPECT_EQ(file->GetFolder(), elsewhere);
    EXPECT_EQ(file->DefaultFolder(), nullptr);
    EXPECT_EQ(elsewhere->SubscriberCount(), 2);

    // A project without an install folder keeps every file in its own.
    project.SetDefaultFolder(nullptr);
    TDeviceSectionPlan bare = PlanDeviceSections(project);
    EXPECT_EQ(bare.FDeviceSections[0]->FolderOf(*file), elsewhere);
}

// Two plans of one project are independent values: the second does not
// touch the sections of the first.
TEST(DeviceSectionPlan, EachPlanOwnsItsSections)
{
    TProject project;
    AddProjectFile(project, "/src", "a.exe", {plPPC300}, pStrongARM);
    TDeviceSectionPlan first = PlanDeviceSections(project);
    AddProjectFile(project, "/src", "b.exe", {plPPC300}, pMIPSR4000);
    TDeviceSectionPlan second = PlanDeviceSections(project);
    ASSERT_EQ(first.FDeviceSections.size(), 1u);
    EXPECT_EQ(first.FDeviceSections[0]->Suffix(), "PPC300_2577");
    EXPECT_EQ(first.FDeviceSections[0]->Files().size(), 1u);
    ASSERT_EQ(second.FDeviceSections.size(), 2u);
    EXPECT_NE(second.FDeviceSections[0]->Suffix(), second.FDeviceSections[1]->Suffix());
}

// The build reads its targets off the plan; they must be the ones a reader
// of the written .inf finds, for every target a section can have.
TEST(DeviceSectionPlan, ParserReadsTheSameTargetsFromThePlanAsFromTheLines)
{
    for (int pl = 0; pl <= plAll; ++pl) {
        for (int pr = 0; pr < ProcessorCount; ++pr) {
            TProject project;
            TPlatforms platforms = pl == plAll ? AllPlatforms : TPlatforms{TPlatform(pl)};
            AddProjectFile(project, "/src", "a.exe", platforms, TProcessor(pr));
            TDeviceSectionPlan plan = PlanDeviceSections(project);
            TStringList lines;
            WriteInf(project, plan, lines);

            std::vector<std::unique_ptr<TPlatformProcPair>> fromPlan, fromLines;
            TInfParser::Parse(plan, fromPlan);
            TInfParser parser;
            parser.SetLines(lines);
            parser.Parse(fromLines);
            ASSERT_EQ(fromPlan.size(), fromLines.size()) << pl << "/" << pr;
            ASSERT_FALSE(fromPlan.empty());
            for (size_t i = 0; i < fromPlan.size(); ++i) {
                EXPECT_EQ(fromPlan[i]->FPlatform, fromLines[i]->FPlatform) << pl << "/" << pr;
                EXPECT_EQ(fromPlan[i]->FProcessor, fromLines[i]->FProcessor) << pl << "/" << pr;
            }
        }
    }
}

}

// For signing, every .exe and .dll is staged (and marked to sign) and every
// setup DLL gets a copy of its own name; two setup DLLs of one name from
// different folders do not share a copy.
TEST(DeviceSectionPlan, SigningStagesProgramsAndSetupDlls)
{
    TProject project;
    project.SetProjectDir("/work/");
    project.SetProjectFileName("P.vip");
    AddProjectFile(project, "/src", "app.EXE", AllPlatforms, pStrongARM);
    AddProjectFile(project, "/src", "lib.dll", AllPlatforms, pHitachiSH3);
    AddProjectFile(project, "/src", "readme.txt", AllPlatforms, pAll);
    for (auto [dir, processor] : {std::pair{"/arm", pStrongARM}, std::pair{"/sh3", pHitachiSH3}}) {
        auto dll = std::make_unique<TSetupDLL>();
        dll->SetFileName("setup.dll");
        dll->SetSourceDir(dir);
        dll->SetProcessor(processor);
        project.SetupDlls().Add(std::move(dll));
    }
    EXPECT_TRUE(PlanDeviceSections(project).FStagedFiles.empty());

    const TDeviceSectionPlan plan = PlanDeviceSections(project, true);
    std::vector<std::string> staged;
    for (const TStagedFile& file : plan.FStagedFiles) {
        staged.push_back(file.FName + (file.FSetupDll ? " (setup DLL)" : ""));
        EXPECT_TRUE(file.FSign) << file.FName;
    }
    EXPECT_EQ(staged, (std::vector<std::string>{"My_Application_lib.dll", "My_Application_app.EXE",
                                                "setup.dll (setup DLL)", "2/setup.dll (setup DLL)"}));
    std::vector<std::string> lines;
    WriteInf(project, plan, lines);
    // The SH3 section comes first and its setup DLL takes the staging folder.
    for (const char* line : {"2=,\"SourceDisk2\",,/work/P.staged", "2=,\"SourceDisk2\",,/work/P.staged/2",
                             "\"setup.dll\" = 2", "\"app.EXE\",\"My_Application_app.EXE\",,0x40000002"})
        EXPECT_NE(std::find(lines.begin(), lines.end(), line), lines.end()) << line;
}
