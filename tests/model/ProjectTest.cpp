#include "model/Project.h"

#include "common/Exception.h"
#include "common/Paths.h"
#include "common/Platform.h"
#include "model/ValueEncoding.h"
#include "support/SampleProject.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

std::vector<uint8_t> Save(TProject& project)
{
    TMemoryStream s;
    project.SaveToStream(s);
    return s.Data();
}

std::unique_ptr<TProject> Load(const std::vector<uint8_t>& data)
{
    TMemoryStream s(data);
    auto project = std::make_unique<TProject>("Other");
    project->LoadFromStream(s);
    return project;
}

TEST(Project, NewProjectDefaultsAndLeadingBytes)
{
    TProject project("Firm");
    EXPECT_EQ(project.AppName(), "My Application");
    EXPECT_EQ(project.CompanyName(), "Firm");
    EXPECT_EQ(project.DefaultFolder(), project.AppFolder());
    EXPECT_EQ(project.DefaultFolder()->GetMacroPath(), "%CE1%\\Firm\\My Application");
    EXPECT_EQ(project.RegKeys().Count(), 3);

    auto data = Save(project);
    std::vector<uint8_t> expected = {0x02, 0x02, 0x06, 0x00, 0x06, 0x0E};
    for (char c : std::string("My Application"))
        expected.push_back(uint8_t(c));
    expected.insert(expected.end(), {0x06, 0x04, 'F', 'i', 'r', 'm', 0x06, 0x00});
    expected.insert(expected.end(), {0x02, 0x01, 0x06, 0x01, 0x5C, 0x02, 0x00, 0x08, 0x02, 0x00, 0x02, 0x03});
    ASSERT_GE(data.size(), expected.size());
    EXPECT_EQ(HexDump(std::vector<uint8_t>(data.begin(), data.begin() + expected.size())), HexDump(expected));

    // Default, company and application folder numbers follow the tree.
    TMemoryStream s(data);
    StreamReadInteger(s);
    for (int i = 0; i < 4; ++i)
        StreamReadString(s);
    TFolders tree;
    tree.LoadFromStream(s);
    EXPECT_EQ(StreamReadInteger(s), 11);
    EXPECT_EQ(StreamReadInteger(s), 10);
    EXPECT_EQ(StreamReadInteger(s), 11);
}

TEST(Project, SaveLoadSaveGivesTheSameBytes)
{
    TempDir tmp;
    auto project = MakeRichProject(tmp.Path());
    project->SetProjectDir(tmp.Path());
    auto first = Save(*project);
    auto loaded = Load(first);
    EXPECT_EQ(loaded->AppName(), "Viewer");
    EXPECT_EQ(loaded->CompanyName(), "Firm");
    EXPECT_EQ(loaded->Files().Count(), 4);
    EXPECT_EQ(loaded->Shortcuts().Count(), 1);
    EXPECT_EQ(loaded->Shortcuts().Item(0)->Target(), loaded->Files().Item(0));
    EXPECT_EQ(loaded->SetupDlls().Count(), 1);
    EXPECT_EQ(loaded->Builds().Count(), 2);
    EXPECT_EQ(loaded->SetupImage(), project->SetupImage());
    EXPECT_EQ(loaded->DefaultFolder()->GetMacroPath(), "%CE1%\\Firm\\Viewer");
    EXPECT_EQ(loaded->CompanyFolder()->Name(), "Firm");
    EXPECT_EQ(HexDump(Save(*loaded)), HexDump(first));
    // Saving twice without change is deterministic.
    EXPECT_EQ(HexDump(Save(*project)), HexDump(first));
}

TEST(Project, VersionsDecideWhatIsRead)
{
    // A version above 4 fails before anything else is read: the rest is junk.
    TMemoryStream v5(Bytes({0x02, 0x05, 0xFF, 0xFF}));
    TProject p5;
    EXPECT_EQ(ErrorOf([&] { p5.LoadFromStream(v5); }), "Unknown file format!");
    EXPECT_EQ(v5.Position(), 2u);

    // Version 1 is version 2 without the setup image at the end.
    TProject project("Firm");
    project.SetSetupImage("x.bmp");
    auto data = Save(project);
    data[1] = 0x01;
    data.resize(data.size() - 7); // the string 06 05 "x.bmp"
    auto loaded = Load(data);
    EXPECT_EQ(loaded->SetupImage(), "");
    EXPECT_EQ(loaded->AppName(), "My Application");
}

// Format 3 is written only when a set or a build names a Windows Mobile 5.0 or
// later platform, or lists exactly the eight earlier ones (which format 2
// reads as "All Platforms"); readers of format 2 refuse it. Format 4, with
// each build's device signing flag, only when a build signs for the device.
TEST(Project, LaterPlatformsAndDeviceSigningRoundTripAndRaiseTheFormat)
{
    struct TRow {
        TPlatforms fileSet;
        TPlatform pair;
        bool sign;
        uint8_t version;
    };
    const TRow rows[] = {
        {AllPlatforms, plPPC2K, false, 2},       {TPlatforms{plHPC, plWM2003}, plAll, false, 2},
        {TPlatforms{plWM65}, plPPC2K, false, 3}, {TPlatforms{plPPC2K, plWM5, plWM6}, plPPC2K, false, 3},
        {LegacyAllPlatforms, plPPC2K, false, 3}, {AllPlatforms, plWM6, false, 3},
        {AllPlatforms, plPPC2K, true, 4},        {TPlatforms{plWM5}, plWM6, true, 4},
    };
    for (const TRow& row : rows) {
        TProject project("Firm");
        AddProjectFile(project, "/src", "a.exe", row.fileSet, pStrongARM);
        for (bool sign : {false, row.sign}) {
            auto build = std::make_unique<TBuild>();
            build->AddPair(std::make_unique<TPlatformProcPair>(row.pair, pAll));
            build->SetSignForDevice(sign);
            project.Builds().Add(std::move(build));
        }
        auto data = Save(project);
        EXPECT_EQ(data[1], row.version) << row.fileSet.Bits();
        auto loaded = Load(data);
        EXPECT_EQ(loaded->Files().Item(0)->Platforms(), row.fileSet);
        EXPECT_EQ(loaded->Builds().Item(0)->GetPair(0)->FPlatform, row.pair);
        EXPECT_FALSE(loaded->Builds().Item(0)->SignForDevice());
        EXPECT_EQ(loaded->Builds().Item(1)->SignForDevice(), row.sign);
        EXPECT_EQ(HexDump(Save(*loaded)), HexDump(data));
    }
}

TEST(Project, NamesDerivedFromTheFileName)
{
    TProject project;
    project.SetProjectFileName("MyApp.vip");
    EXPECT_EQ(project.GetProjectName(), "MyApp");
    project.SetProjectFileName("NoDot");
    EXPECT_EQ(project.GetProjectName(), "NoDot");
    project.SetProjectFileName("a.VIP.vip");
    EXPECT_EQ(project.GetProjectName(), "a.VIP");

    std::string dir = AppendPath(GetTempDir(), "my.vip.files");
    project.SetProjectDir(IncludeTrailingPathDelimiter(dir));
    project.SetProjectFileName("a.vip");
    EXPECT_EQ(project.GetResourceFileName(), AppendPath(dir, "a_res.dat"));
}

TEST(Project, NotificationsFireOnlyWithAListenerAndAnOrdinaryFolder)
{
    TProject project;
    int app = 0, company = 0, folder = 0, icon = 0;
    project.SetApplicationName("No listener yet");
    project.SetOnApplicationNameChange([&](TProject&) { ++app; });
    project.SetOnCompanyNameChange([&](TProject&) { ++company; });
    project.SetOnDefaultFolderChange([&](TProject&) { ++folder; });
    project.SetOnIconFileChange([&](TProject&) { ++icon; });
    project.SetApplicationName("A");
    project.SetCompanyName("C");
    project.SetDefaultFolder(project.Folders().Root());
    project.SetIconFile("i.ico");
    EXPECT_EQ(app, 1);
    EXPECT_EQ(company, 1);
    EXPECT_EQ(folder, 1);
    EXPECT_EQ(icon, 1);

    // The application folder was deleted and its parent took its place: the
    // company folder is ordinary, so that still notifies; a system folder does not.
    project.SetAppFolder(project.CompanyFolder());
    project.SetApplicationName("B");
    EXPECT_EQ(app, 2);
    project.SetAppFolder(project.Folders().Root()->GetSubFolder(0));
    project.SetApplicationName("C");
    EXPECT_EQ(app, 2);
    EXPECT_EQ(project.AppName(), "C");
}

TEST(Project, RemovingFilesTakesTheirShortcutsAlong)
{
    TempDir tmp;
    auto project = MakeRichProject(tmp.Path());
    TFile* target = project->Shortcuts().Item(0)->Target();
    project->RemoveFiles({target});
    EXPECT_EQ(project->Files().Count(), 3);
    EXPECT_EQ(project->Shortcuts().Count(), 0);
    auto loaded = Load(Save(*project));
    EXPECT_EQ(loaded->Files().Count(), 3);
}

TEST(Project, MissingFilesAreThoseWhoseSourceIsAbsent)
{
    TempDir tmp;
    auto project = MakeRichProject(tmp.Path());
    ForceDirectories(tmp.File("bin"));
    tmp.Write("bin/viewer.exe", "x");
    tmp.Write("bin/readme.txt", "x");
    auto missing = project->GetMissingFiles();
    ASSERT_EQ(missing.size(), 2u);
    EXPECT_EQ(missing[0]->FileName(), "viewer_sh3.exe");
    EXPECT_EQ(missing[1]->FileName(), "helper.dll");
    tmp.Write("bin/viewer_sh3.exe", "x");
    ForceDirectories(tmp.File("lib"));
    tmp.Write("lib/helper.dll", "x");
    EXPECT_TRUE(project->GetMissingFiles().empty());
}

TEST(Project, OpenTakesFolderAndNameFromThePathAndSavesAtomically)
{
    TempDir tmp;
    auto project = MakeRichProject(tmp.Path());
    project->SetProjectDir("C:\\Elsewhere\\");
    std::string path = tmp.File("Demo.vip");
    SaveProjectFile(*project, path);
    auto opened = OpenProjectFile(path);
    EXPECT_EQ(opened->ProjectDir(), tmp.Path());
    EXPECT_EQ(opened->ProjectFileName(), "Demo.vip");
    EXPECT_EQ(opened->GetResourceFileName(), tmp.File("Demo_res.dat"));

    // A failed save leaves the previous file whole.
    auto before = tmp.Read("Demo.vip");
    EXPECT_THROW(SaveProjectFile(*opened, tmp.File("no/such/dir/Demo.vip")), Exception);
    EXPECT_EQ(tmp.Read("Demo.vip"), before);

    EXPECT_NE(ErrorOf([&] { OpenProjectFile(tmp.File("missing.vip")); }).find("missing.vip"), std::string::npos);
}

// Damaged project files: every cut and many flipped bytes end in one of the
// reader's messages, never a crash (the suite also runs this under
// AddressSanitizer).
TEST(Project, DamagedFilesFailWithTheReadersMessagesOnly)
{
    TempDir tmp;
    auto project = MakeRichProject(tmp.Path());
    auto data = Save(*project);
    auto allowed = [](const std::string& m) {
        return m == "Stream read error" || m == "Invalid property value" || m == "Unknown file format!" ||
               m.rfind("Can not find the target file of the shortcut", 0) == 0 ||
               m == "Registry keys are nested too deeply";
    };
    for (size_t cut = 0; cut < data.size(); ++cut) {
        std::string m = ErrorOf([&] { Load(std::vector<uint8_t>(data.begin(), data.begin() + cut)); });
        EXPECT_EQ(m, "Stream read error") << "cut at " << cut;
    }
    uint32_t salt = 12345;
    auto next = [&salt] { return salt = salt * 1103515245u + 12345u; };
    int failures = 0;
    for (int round = 0; round < 3000; ++round) {
        auto damaged = data;
        int flips = 1 + next() % 3;
        for (int i = 0; i < flips; ++i)
            damaged[(next() >> 8) % damaged.size()] ^= uint8_t(1u << ((next() >> 4) % 8));
        std::string m = ErrorOf([&] { Load(damaged); });
        if (!m.empty()) {
            ++failures;
            EXPECT_TRUE(allowed(m)) << m;
        }
    }
    EXPECT_GT(failures, 100); // most damage is noticed
}

}
