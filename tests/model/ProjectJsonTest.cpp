#include "model/ProjectJson.h"

#include "common/Exception.h"
#include "model/Shortcuts.h"
#include "support/SampleProject.h"

#include <gtest/gtest.h>

#include <random>

namespace {

std::string SaveBytes(TProject& project)
{
    TMemoryStream stream;
    project.SaveToStream(stream);
    return std::string(stream.Data().begin(), stream.Data().end());
}

// The binary file read back as a project opened from disk would be, but
// with the stored work folder kept.
std::unique_ptr<TProject> Reload(const std::string& bytes)
{
    TMemoryStream stream(std::vector<uint8_t>(bytes.begin(), bytes.end()));
    auto project = std::make_unique<TProject>();
    project->LoadFromStream(stream);
    return project;
}

// .vip -> JSON -> .vip gives the same bytes, JSON -> .vip -> JSON the same text.
void ExpectRoundTrips(TProject& project)
{
    const std::string bytes = SaveBytes(project);
    auto loaded = Reload(bytes);
    const std::string json = ProjectToJson(*loaded);
    auto imported = ProjectFromJson(json);
    EXPECT_EQ(SaveBytes(*imported), bytes) << json;
    auto again = Reload(SaveBytes(*imported));
    EXPECT_EQ(ProjectToJson(*again), json);
}

// Projects with something of every kind, drawn at random: nested and system
// folders, files that follow the default folder after it moved, files that
// share a device path, shortcuts to them, setup DLLs, registry keys of every
// value type, builds.
std::unique_ptr<TProject> RandomProject(unsigned draw)
{
    std::mt19937 rng(draw);
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    auto project = std::make_unique<TProject>("Firm " + std::to_string(draw));
    project->SetApplicationName(draw % 2 ? "Caf\xE9 Viewer" : "Viewer");
    project->SetProjectDir(draw % 3 ? "C:\\Work\\" : "");
    project->SetIconFile(draw % 2 ? "app.ico" : "");
    project->SetSetupImage(draw % 4 ? "" : "C:\\img\\setup.bmp");

    std::vector<TFolder*> folders = project->Folders().GetAllFolders();
    for (int i = 0; i < 6; ++i) {
        TFolder* parent = folders[static_cast<size_t>(pick(static_cast<int>(folders.size())))];
        folders.push_back(parent->AddSubFolder(std::make_unique<TFolder>("Sub " + std::to_string(i))));
    }
    TFolder* oldDefault = project->DefaultFolder();
    if (draw % 2)
        project->SetDefaultFolder(folders.back());

    std::vector<TFile*> files;
    const std::string names[] = {"app.exe", "readme.txt", "data.bin"};
    for (int i = 0; i < 8; ++i) {
        TPlatforms platforms = TPlatforms::FromBits(uint16_t(pick(0x1000))) * AllPlatforms;
        platforms.Include(PlatformList[pick(PlatformCount)]);
        if (i == 0)
            platforms = AllPlatforms;
        TFile* file = AddProjectFile(*project, i % 2 ? "C:\\src\\" : "src\\sub", names[i % 3], platforms,
                                     static_cast<TProcessor>(pick(ProcessorCount)),
                                     folders[static_cast<size_t>(pick(static_cast<int>(folders.size())))]);
        file->SetUseDefaultFolder(pick(2) == 0);
        if (file->UseDefaultFolder() && i % 3 == 0)
            file->SetFolder(oldDefault);
        file->SetCopyMode(pick(CopyModeCount));
        file->SetOptions(TFileOptions::FromBits(uint16_t(pick(16))));
        files.push_back(file);
    }
    // Two files with one device path and one processor: only their order
    // tells them apart.
    for (int i = 0; i < 2; ++i) {
        TFile* twin =
            AddProjectFile(*project, "twin" + std::to_string(i), "twin.dll", AllPlatforms, pStrongARM, folders[1]);
        files.push_back(twin);
    }
    for (int i = 0; i < 5; ++i) {
        auto shortcut = std::make_unique<TCEShortCut>();
        shortcut->SetName("Shortcut " + std::to_string(i));
        shortcut->SetTarget(i == 0 ? files.back() : files[static_cast<size_t>(pick(static_cast<int>(files.size())))]);
        shortcut->SetPlatforms(TPlatforms::FromBits(uint16_t(1 + pick(255))));
        shortcut->SetFolder(folders[static_cast<size_t>(pick(static_cast<int>(folders.size())))]);
        project->Shortcuts().Add(std::move(shortcut));
    }
    for (int i = 0; i < 2; ++i) {
        auto dll = std::make_unique<TSetupDLL>();
        dll->SetFileName("setup" + std::to_string(i) + ".dll");
        dll->SetSourceDir(i ? "C:\\dlls\\" : "");
        dll->SetProcessor(static_cast<TProcessor>(pick(ProcessorCount)));
        dll->SetPlatforms(TPlatforms::FromBits(uint16_t(1 + pick(255))));
        project->SetupDlls().Add(std::move(dll));
    }

    TRegKey* parent = project->RegKeys().Item(2);
    for (int depth = 0; depth < 3; ++depth) {
        // A renamed key keeps the name it was created with as its short name.
        parent = parent->AddSubKey(std::make_unique<TRegKey>(false, "Key " + std::to_string(depth),
                                                             depth == 1 ? "New Key" : "Key " + std::to_string(depth)));
        const uint32_t types[] = {vtString, vtBinary, vtMultiString, vtDWord};
        for (uint32_t type : types) {
            auto value = std::make_unique<TValue>(type);
            value->SetName("Value " + std::to_string(type));
            value->SetStringData("text \"quoted\" %AppName%");
            value->SetDwordData(rng());
            value->Strings() = {"one", "", "three"};
            value->BinaryData() = {0x00, 0x7F, 0x80, 0xFF};
            value->SetPlatforms(TPlatforms::FromBits(uint16_t(1 + pick(255))));
            value->SetProcessor(static_cast<TProcessor>(pick(ProcessorCount)));
            value->SetNoClobber(pick(2) == 0);
            parent->Values().Add(std::move(value));
        }
        if (depth == 2)
            parent->Values().Item(0)->SetStringData("set default");
    }

    for (int i = 0; i < 2; ++i) {
        auto build = std::make_unique<TBuild>();
        build->SetName("Build " + std::to_string(i));
        build->AddPair(std::make_unique<TPlatformProcPair>(plPPC2K, pStrongARM));
        build->AddPair(std::make_unique<TPlatformProcPair>(static_cast<TPlatform>(pick(PlatformCount + 1)), pAll));
        if (i == 0) {
            build->Languages().Add(9);
            build->Languages().Add(7);
            build->SetDefaultLanguage(7);
        }
        build->SetAllInOne(i == 1);
        build->SetSetupType(uint8_t(pick(2)));
        build->SetSfxMode(pick(2));
        build->SetShowWelcome(pick(2) == 0);
        build->SetShowEULA(pick(2) == 0);
        build->SetShowFinish(pick(2) == 0);
        project->Builds().Add(std::move(build));
    }
    return project;
}

TEST(ProjectJson, RoundTripsOfSampleAndGeneratedProjects)
{
    {
        SCOPED_TRACE("new project");
        TProject project("Firm");
        ExpectRoundTrips(project);
    }
    {
        SCOPED_TRACE("rich sample");
        ExpectRoundTrips(*MakeRichProject("C:\\Sources"));
    }
    {
        SCOPED_TRACE("field orders");
        ExpectRoundTrips(*MakeFieldOrdersProject("C:\\Work\\Field Orders.vip"));
    }
    for (unsigned draw = 1; draw <= 40; ++draw) {
        SCOPED_TRACE("draw " + std::to_string(draw));
        ExpectRoundTrips(*RandomProject(draw));
    }
}

TEST(ProjectJson, NamesStandForNumbers)
{
    auto project = RandomProject(7);
    const std::string json = ProjectToJson(*project);
    EXPECT_NE(json.find("\"path\": \"\\\\Program Files\\\\\",\n      \"system\": \"%CE1%\""), std::string::npos)
        << json;
    EXPECT_NE(json.find("\"HKEY_LOCAL_MACHINE\\\\Key 0\""), std::string::npos);
    EXPECT_NE(json.find("\"Pocket PC 2002 / StrongARM\""), std::string::npos);
    EXPECT_NE(json.find("\"defaultLanguage\": \"German\""), std::string::npos);
    EXPECT_NE(json.find("\"data\": \"00 7F 80 FF\""), std::string::npos);
    EXPECT_NE(json.find("\"targetOccurrence\""), std::string::npos);
    EXPECT_EQ(json.find("\"id\""), std::string::npos);
    // Windows-1252 text is written as UTF-8.
    EXPECT_NE(json.find("Caf\xC3\xA9 Viewer"), std::string::npos);
}

// The smallest document a script might write.
std::string Minimal(bool withCompanyFolder = true)
{
    return std::string(R"({"format": "Veltrin Installer project", "version": 1,
  "applicationName": "App", "companyName": "Co",
  "folders": [{"path": "\\Program Files", "system": "%CE1%"}, )") +
           (withCompanyFolder ? R"({"path": "\\Program Files\\Co"}, )" : "") + R"({"path": "\\Program Files\\Co\\App"}],
  "defaultFolder": "\\Program Files\\Co\\App",
  "files": [{"source": "C:\\src\\app.exe", "folder": "default", "platforms": "All Platforms", "processor": "StrongARM"}],
  "registry": [{"path": "HKEY_LOCAL_MACHINE", "system": true, "shortName": "HKLM"}]})";
}

std::string ImportError(const std::string& text)
{
    try {
        ProjectFromJson(text);
    } catch (const Exception& e) {
        return e.Message();
    }
    return "(no error)";
}

TEST(ProjectJson, ImportsAHandWrittenDocumentWithDefaults)
{
    // "\Program Files\Co" is missing, so the application folder's parent is unknown.
    EXPECT_EQ(ImportError(Minimal(false)),
              "$.folders[1].path: the parent folder \\Program Files\\Co\\ must be listed before "
              "\\Program Files\\Co\\App\\");

    auto project = ProjectFromJson(Minimal());
    ASSERT_EQ(project->Files().Count(), 1);
    const TFile* file = project->Files().Item(0);
    EXPECT_EQ(file->GetSourceDir(), "C:\\src");
    EXPECT_EQ(file->FileName(), "app.exe");
    EXPECT_TRUE(file->UseDefaultFolder());
    EXPECT_EQ(file->AttachedFolder(), project->DefaultFolder());
    EXPECT_EQ(project->DefaultFolder()->GetMacroPath(), "%CE1%\\Co\\App");
    EXPECT_EQ(file->CopyMode(), 0);
    EXPECT_EQ(project->RegKeys().Count(), 1);
    EXPECT_EQ(project->RegKeys().Item(0)->Values().Count(), 1); // the default value
    EXPECT_EQ(project->Builds().Count(), 0);
}

TEST(ProjectJson, ImportErrorsSayWhereAndWhat)
{
    const std::string fixed = Minimal();
    auto withFixed = [&](const std::string& from, const std::string& to) {
        std::string text = fixed;
        size_t at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        return text.replace(at, from.size(), to);
    };

    // A number too large for the parser is refused like malformed text.
    EXPECT_EQ(ImportError("{\"version\": 1e999}"),
              "The project text is not valid JSON: number overflow parsing '1e999'");
    EXPECT_NE(ImportError("{\"format\": \n  \"x\",, }").find("line 2, column 7"), std::string::npos)
        << ImportError("{\"format\": \n  \"x\",, }");
    EXPECT_EQ(ImportError(withFixed("\"All Platforms\"", "[\"Pocket PC\", \"Pocket PC 2005\"]")),
              "$.files[0].platforms[1]: unknown platform \"Pocket PC 2005\"; expected one of \"Handheld PC\", "
              "\"Handheld PC Pro\", \"Palm Size PC 2.01\", \"Palm Size PC 2.11\", \"Pocket PC\", \"Handhel PC 2000\", "
              "\"Pocket PC 2002\", \"Windows Mobile 2003\", \"Windows Mobile 5.0\", \"Windows Mobile 6\", "
              "\"Windows Mobile 6.5\"");
    EXPECT_EQ(ImportError(withFixed("\"folder\": \"default\"", "\"folder\": \"\\\\Nowhere\"")),
              "$.files[0].folder: no folder \\Nowhere\\ in \"folders\"");
    EXPECT_EQ(ImportError(withFixed("\"registry\"",
                                    "\"shortcuts\": [{\"name\": \"S\", \"target\": "
                                    "\"\\\\Program Files\\\\Co\\\\App\\\\other.exe\", \"folder\": "
                                    "\"\\\\\"}], \"registry\"")),
              "$.shortcuts[0].target: no file of \"files\" goes to \\Program Files\\Co\\App\\other.exe");
    EXPECT_EQ(ImportError(withFixed("\"shortName\": \"HKLM\"",
                                    "\"shortName\": \"HKLM\", \"values\": [{\"name\": \"v\", \"type\": "
                                    "\"REG_QWORD\", \"data\": 1}]")),
              "$.registry[0].values[0].type: unknown registry type \"REG_QWORD\"; expected one of \"REG_SZ\", "
              "\"REG_BINARY\", \"REG_MULTI_SZ\", \"REG_DWORD\"");
    EXPECT_EQ(ImportError(withFixed("\"processor\": \"StrongARM\"", "\"processor\": \"StrongARM\", \"procesor\": 1")),
              "$.files[0]: unknown field \"procesor\"");
    EXPECT_EQ(ImportError(withFixed("\"processor\": \"StrongARM\"", "\"procesor\": \"StrongARM\"")),
              "$.files[0]: unknown field \"procesor\"");
    EXPECT_EQ(ImportError(withFixed(", \"processor\": \"StrongARM\"", "")),
              "$.files[0]: the field \"processor\" is missing");
    EXPECT_EQ(ImportError(withFixed("\"applicationName\": \"App\"", "\"applicationName\": \"App \xE4\xB8\xAD\"")),
              "$.applicationName: the character U+4E2D has no place in the Windows-1252 code page");
    EXPECT_EQ(ImportError(withFixed("\"version\": 1", "\"version\": 2")),
              "$.version: expected 1; this builder reads no other version of the format");
    EXPECT_EQ(ImportError(withFixed("\"registry\"",
                                    "\"builds\": [{\"name\": \"B\", \"pairs\": [\"Pocket PC\"]}], "
                                    "\"registry\"")),
              "$.builds[0].pairs[0]: expected \"Platform / Processor\", for example \"Pocket PC / StrongARM\"");
    EXPECT_EQ(ImportError(withFixed("\"registry\"",
                                    "\"builds\": [{\"name\": \"B\", \"pairs\": [], \"languages\": "
                                    "[\"English\"], \"defaultLanguage\": \"German\"}], \"registry\"")),
              "$.builds[0].defaultLanguage: the default language must be one of the build's \"languages\"");
    EXPECT_EQ(ImportError(withFixed("\"registry\"",
                                    "\"builds\": [{\"name\": \"B\", \"pairs\": [], \"languages\": "
                                    "[\"Klingon\"]}], \"registry\"")),
              "$.builds[0].languages[0]: unknown language \"Klingon\"; the names are those of the Languages tab, such "
              "as \"English\"");
    EXPECT_EQ(ImportError(withFixed("\"%CE1%\"", "\"%CE18%\"")).substr(0, 61),
              "$.folders[0].system: unknown system folder \"%CE18%\"; expected");
    EXPECT_EQ(ImportError(withFixed("\"processor\": \"StrongARM\"",
                                    "\"processor\": \"StrongARM\", \"copyMode\": \"Sometimes\"")),
              "$.files[0].copyMode: unknown copy mode \"Sometimes\"; expected one of \"Always copy file\", \"Always "
              "update older file\", \"Copy only if file exists\", \"Copy only if file does not exist\"");
    EXPECT_EQ(ImportError(withFixed(
                  "\"registry\": [{\"path\": \"HKEY_LOCAL_MACHINE\", \"system\": true, \"shortName\": \"HKLM\"}]",
                  "\"registry\": 5")),
              "$.registry: expected an array");
}

TEST(ProjectJson, ExportRefusesWhatItCannotName)
{
    TProject project("Co");
    TFolder* programFiles = project.Folders().Root()->GetSubFolder(0);
    programFiles->AddSubFolder(std::make_unique<TFolder>("Co"));
    try {
        ProjectToJson(project);
        FAIL() << "two folders with one path were exported";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(),
                  "Two device folders have the path \\Program Files\\Co\\; rename one so that the "
                  "text form can tell them apart");
    }
}

}
