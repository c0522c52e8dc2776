// Writes the example project "Demo" into a folder: the project file, its
// texts file with the languages English and German, their licences and the
// small placeholder files it installs. examples/Demo is this program's
// output; the test "demo_example_current" checks that it still is.
//
//   MakeDemo <output folder> <Resources.ini> <EULA_Neutral.rtf>
//
// Source folders are stored relative to the project folder, so the example
// builds wherever it is copied (the headless build reads them from there).

#include "GermanTexts.h"

#include "common/Exception.h"
#include "common/Paths.h"
#include "common/Platform.h"
#include "model/Project.h"
#include "model/ProjectJson.h"
#include "storage/LanguageManager.h"
#include "storage/RichText.h"
#include "storage/uScramble.h"

#include <iostream>
#include <string>
#include <vector>

namespace {

constexpr int32_t English = 9;
constexpr int32_t German = 7;

std::string ReadText(const std::string& path)
{
    std::vector<uint8_t> bytes = ReadFileBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

void WriteText(const std::string& folder, const std::string& name, const std::string& text)
{
    std::string path = AppendPath(folder, name);
    if (!ForceDirectories(ExtractFilePath(path)))
        throw Exception("Cannot create the folder of " + path);
    WriteFileAtomic(path, text);
}

// Stands in for a device program: recognisable bytes of a plausible size.
std::string Placeholder(const std::string& what, size_t size)
{
    std::string text = "Placeholder for " + what + " of the Demo example; not a real program.\r\n";
    std::string data;
    while (data.size() < size)
        data += text;
    data.resize(size);
    return data;
}

TFile* AddFile(TProject& project, const std::string& dir, const std::string& name, TPlatforms platforms,
               TProcessor processor, TFolder* folder)
{
    auto file = std::make_unique<TFile>();
    file->SetSourceDir(dir);
    file->SetFileName(name);
    file->SetPlatforms(platforms);
    file->SetProcessor(processor);
    file->SetFolder(folder);
    return project.Files().Add(std::move(file));
}

void AddBuild(TProject& project, const std::string& name, bool pages, int32_t sfxMode,
              std::initializer_list<int32_t> languages, int32_t defaultLanguage)
{
    auto build = std::make_unique<TBuild>();
    build->SetName(name);
    build->AddPair(std::make_unique<TPlatformProcPair>(plPPC300, pStrongARM));
    build->AddPair(std::make_unique<TPlatformProcPair>(plPPC300, pHitachiSH3));
    for (int32_t language : languages)
        build->Languages().Add(language);
    build->SetDefaultLanguage(defaultLanguage);
    build->SetShowWelcome(pages);
    build->SetShowEULA(pages);
    build->SetShowFinish(pages);
    build->SetSfxMode(sfxMode);
    project.Builds().Add(std::move(build));
}

void WriteProject(const std::string& out)
{
    TProject project("Example Software");
    project.SetApplicationName("Demo Viewer");
    project.AppFolder()->SetName("Demo Viewer");
    project.SetProjectFileName("Demo.vip");
    project.SetIconFile("Demo.ico");

    TFolder* app = project.AppFolder();
    TPlatforms pocket;
    pocket.Include(plPPC300);
    TFile* arm = AddFile(project, "Payload\\ARM", "viewer.exe", pocket, pStrongARM, app);
    AddFile(project, "Payload\\SH3", "viewer.exe", pocket, pHitachiSH3, app);
    AddFile(project, "Payload\\Common", "readme.txt", AllPlatforms, pAll, app);
    AddFile(project, "Payload\\Common", "sample.vwd", AllPlatforms, pAll, app);

    auto shortcut = std::make_unique<TCEShortCut>();
    shortcut->SetName("Demo Viewer");
    shortcut->SetTarget(arm);
    shortcut->SetPlatforms(pocket);
    shortcut->SetFolder(project.Folders().FindStartMenuFolder());
    project.Shortcuts().Add(std::move(shortcut));

    TRegKey* machine = project.RegKeys().Item(2);
    TRegKey* software = machine->AddSubKey(std::make_unique<TRegKey>(false, "Software", "Software"));
    TRegKey* company = software->AddSubKey(std::make_unique<TRegKey>(false, "Example Software", "Example Software"));
    TRegKey* key = company->AddSubKey(std::make_unique<TRegKey>(false, "Demo Viewer", "Demo Viewer"));
    auto path = std::make_unique<TValue>(vtString);
    path->SetName("DataFile");
    path->SetStringData("\\Program Files\\Example Software\\Demo Viewer\\sample.vwd");
    key->Values().Add(std::move(path));
    auto zoom = std::make_unique<TValue>(vtDWord);
    zoom->SetName("Zoom");
    zoom->SetDwordData(100);
    key->Values().Add(std::move(zoom));

    // One package with the wizard's pages in two languages, one that hands
    // the CAB files straight to the Application Manager.
    AddBuild(project, "Pocket PC", true, 1, {English, German}, German);
    AddBuild(project, "Pocket PC Silent", false, 0, {English}, English);

    SaveProjectFile(project, AppendPath(out, "Demo.vip"));
    // The same project as text, the worked example of the JSON format.
    WriteFileAtomic(AppendPath(out, "Demo.json"), ProjectToJson(project));
}

void WriteTexts(const std::string& out, const std::string& resourcesIni)
{
    std::string path = AppendPath(out, "Demo_res.dat");
    DeleteFileIfExists(path);
    TScrambeledMemIniFile texts(path);
    texts.SetStrings(SplitIniLines(ReadText(resourcesIni)));
    TLanguageManager languages;
    languages.LoadLanguages(&texts);
    languages.AddLanguage(German, English);
    for (const auto& [key, text] : GermanWizardTexts)
        texts.WriteString("German", key, text);
    texts.UpdateFile();
}

// The German licence as the builder's licence editor writes it: a bold
// heading, bold section titles, a bulleted list and the accented letters of
// the language.
TRichDocument GermanLicence()
{
    auto run = [](const std::string& text, bool bold = false, int32_t halfPoints = 20) {
        TRichRun r;
        r.Text = text;
        r.FontName = "Arial";
        r.HalfPoints = halfPoints;
        r.Bold = bold;
        return r;
    };
    auto paragraph = [](std::vector<TRichRun> runs, TRichAlign align = TRichAlign::Left, bool bullet = false) {
        TRichParagraph p;
        p.Align = align;
        p.Bullet = bullet;
        p.Runs = std::move(runs);
        return p;
    };
    TRichDocument licence;
    auto& p = licence.Paragraphs;
    p.push_back(paragraph({run("ENDBENUTZER-LIZENZVERTRAG", true, 24)}, TRichAlign::Center));
    p.push_back(paragraph({}));
    p.push_back(
        paragraph({run("Bitte lesen Sie diesen Vertrag sorgfältig, bevor Sie %AppName% installieren. Mit der "
                       "Installation, dem Kopieren oder der sonstigen Nutzung von %AppName% erklären Sie sich "
                       "mit seinen Bedingungen einverstanden. Wenn Sie nicht zustimmen, installieren und "
                       "nutzen Sie %AppName% nicht.")}));
    p.push_back(paragraph({}));
    p.push_back(paragraph({run("1. Lizenz.", true),
                           run(" %CompanyName% gewährt Ihnen das nicht ausschließliche, nicht übertragbare Recht, "
                               "%AppName% auf den Geräten zu installieren und zu nutzen, die Ihnen gehören oder die "
                               "Sie verwalten.")}));
    p.push_back(paragraph({}));
    p.push_back(paragraph({run("2. Einschränkungen.", true), run(" Sie dürfen %AppName% nicht")}));
    p.push_back(paragraph({run("vermieten, verleasen, verkaufen oder weitergeben;")}, TRichAlign::Left, true));
    p.push_back(paragraph({run("zurückentwickeln, dekompilieren oder disassemblieren, soweit das für Sie geltende "
                               "Recht dies nicht ausdrücklich erlaubt.")},
                          TRichAlign::Left, true));
    p.push_back(paragraph({}));
    p.push_back(paragraph({run("3. Eigentum.", true),
                           run(" %AppName% wird lizenziert, nicht verkauft. %CompanyName% behält alle Rechte, die "
                               "dieser Vertrag Ihnen nicht ausdrücklich einräumt.")}));
    p.push_back(paragraph({}));
    p.push_back(paragraph({run("4. Keine Gewährleistung.", true),
                           run(" %AppName% wird „wie besehen“ und ohne jede Gewährleistung bereitgestellt. "
                               "%CompanyName% gewährleistet nicht, dass es fehlerfrei ist oder Ihren Anforderungen "
                               "genügt.")}));
    p.push_back(paragraph({}));
    p.push_back(paragraph({run("5. Haftungsbeschränkung.", true),
                           run(" Soweit das Gesetz es zulässt, haftet %CompanyName% nicht für Schäden, die aus der "
                               "Nutzung oder der Unmöglichkeit der Nutzung von %AppName% entstehen.")}));
    p.push_back(paragraph({}));
    p.push_back(paragraph({run("6. Beendigung.", true),
                           run(" Diese Lizenz endet, wenn Sie ihre Bedingungen nicht einhalten. Sie müssen dann alle "
                               "Kopien von %AppName% entfernen.")}));
    licence.Normalize();
    return licence;
}

void WriteLicences(const std::string& out, const std::string& neutralRtf)
{
    std::string neutral = ReadText(neutralRtf);
    WriteText(out, "EULA_Neutral.txt", neutral);
    WriteText(out, "EULA_English.txt", neutral);
    WriteText(out, "EULA_German.txt", WriteRtf(GermanLicence()));
}

void WritePayload(const std::string& out)
{
    WriteText(out, "Payload/ARM/viewer.exe", Placeholder("the StrongARM program", 24576));
    WriteText(out, "Payload/SH3/viewer.exe", Placeholder("the SH3 program", 20480));
    WriteText(out, "Payload/Common/readme.txt",
              "Demo Viewer\r\n\r\nThe example project of Veltrin Installer. The programs are placeholders.\r\n");
    WriteText(out, "Payload/Common/sample.vwd", Placeholder("a sample document", 4096));
    // A 16x16 icon of one colour, 32 bits per pixel.
    std::string icon("\0\0\1\0\1\0\x10\x10\0\0\1\0\x20\0\x68\x04\0\0\x16\0\0\0", 22);
    std::string header("\x28\0\0\0\x10\0\0\0\x20\0\0\0\1\0\x20\0\0\0\0\0\0\x04\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0",
                       40);
    std::string pixels;
    for (int i = 0; i < 256; ++i)
        pixels += std::string("\xC0\x70\x20\xFF", 4);
    icon += header + pixels + std::string(64, '\0');
    WriteText(out, "Demo.ico", icon);
}

}

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::cerr << "usage: MakeDemo <output folder> <Resources.ini> <EULA_Neutral.rtf>\n";
        return 2;
    }
    try {
        std::string out = argv[1];
        if (!ForceDirectories(out))
            throw Exception("Cannot create " + out);
        WriteProject(out);
        WriteTexts(out, argv[2]);
        WriteLicences(out, argv[3]);
        WritePayload(out);
    } catch (const std::exception& e) {
        std::cerr << e.what() << "\n";
        return 1;
    }
    return 0;
}
