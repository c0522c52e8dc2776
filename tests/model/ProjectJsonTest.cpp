#include "model/ProjectJson.h"

#include "common/Exception.h"
#include "model/Shortcuts.h"
#include "support/SampleProject.h"

#include <gtest/gtest.h>

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
        ExpectRoundTrips(*MakeRandomProject(draw));
    }
    {
        SCOPED_TRACE("device signing");
        auto project = MakeRandomProject(7);
        project->Builds().Item(1)->SetSignForDevice(true);
        ExpectRoundTrips(*project);
        const std::string json = ProjectToJson(*project);
        // Written for the one build that signs, not for the other.
        const size_t at = json.find("\"signForDevice\": true");
        EXPECT_NE(at, std::string::npos);
        EXPECT_EQ(json.find("signForDevice"), json.rfind("signForDevice"));
    }
}

TEST(ProjectJson, NamesStandForNumbers)
{
    auto project = MakeRandomProject(7);
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
              "update older file\", \"Copy only if file exists\", \"Copy only if file does not exist\", \"Ask before "
              "replacing a newer file\"");
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
