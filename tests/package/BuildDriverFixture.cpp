#include "BuildDriverFixture.h"

#include "common/Exception.h"
#include "common/Paths.h"
#include "common/Platform.h"
#include "formats/SfxArchive.h"
#include "formats/SfxLayout.h"
#include "storage/uScramble.h"
#include "support/MemorySource.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

std::string ReadAll(const std::string& path)
{
    std::vector<uint8_t> bytes = ReadFileBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

}

std::string TTestProgramDir::BuiltProgramDir()
{
    const char* dir = std::getenv("VI_PROGRAM_DIR");
    return dir ? dir : "";
}

TTestProgramDir::TTestProgramDir()
{
    FDir.Write("Setup.exe", "stand-in for the setup wizard");
    FDir.Write("Deskstart.exe", "stand-in for the launcher");
    ForceDirectories(FDir.File("Tools"));
    const std::string tools = AppendPath(BuiltProgramDir(), "Tools");
    for (const char* tool : {"CABWIZ.exe", "makesfx.exe"})
        fs::create_symlink(AppendPath(tools, tool), FDir.File(std::string("Tools/") + tool));
}

void TTestProgramDir::UseFailingCabWiz(const std::string& errorFileText)
{
    std::string script = "#!/bin/sh\nprintf '" + errorFileText + "' > errors.txt\n";
    fs::remove(FDir.File("Tools/CABWIZ.exe"));
    FDir.Write("Tools/CABWIZ.exe", script);
    fs::permissions(FDir.File("Tools/CABWIZ.exe"), fs::perms::owner_all);
}

void TTestProgramDir::Remove(const std::string& name)
{
    fs::remove(FDir.File(name));
}

bool TRecordingCallbacks::ChooseBuilds(const TPairList& pairs, std::vector<TBuild*>& chosen)
{
    for (const auto& pair : pairs)
        FPairsSeen.push_back(std::make_unique<TPlatformProcPair>(*pair));
    if (FChoice == Cancel)
        return false;
    if (FChoice == ChooseAll)
        for (int i = 0; i < FProject->Builds().Count(); ++i)
            chosen.push_back(FProject->Builds().GetBuild(i));
    return true;
}

void TRecordingCallbacks::ArchiveProgress(const std::string& fileName, int percent)
{
    EXPECT_EQ(FOpenProgress, 1) << "progress outside the archive step";
    EXPECT_GE(percent, 0);
    EXPECT_LE(percent, 100);
    if (FProgressFiles.empty() || FProgressFiles.back() != fileName)
        FProgressFiles.push_back(fileName);
}

std::vector<std::string> TPackage::Names() const
{
    std::vector<std::string> names;
    for (const auto& entry : Entries)
        names.push_back(entry.first);
    return names;
}

std::string TPackage::Content(const std::string& name) const
{
    for (const auto& entry : Entries)
        if (entry.first == name)
            return entry.second;
    return "<not in the package>";
}

TPackage ReadPackage(const std::string& path)
{
    // Read the way the stub reads itself, so signed packages read too.
    TMemorySource file(ReadAll(path));
    const TSfxLayout layout = TSfxLayout::Read(file);
    TPackage result;
    result.Settings = layout.Settings;
    TMemorySource source(ReadAll(path).substr(layout.ArchiveStart, layout.ArchiveSize));
    TSfxArchive archive(source);
    for (const TSfxEntry& entry : archive.Entries()) {
        std::string content;
        archive.Extract(entry, [&](const uint8_t* data, size_t count) {
            content.append(reinterpret_cast<const char*>(data), count);
        });
        result.Entries.emplace_back(entry.Name, content);
    }
    return result;
}

std::unique_ptr<TProject> MakeTestProject(const std::string& workDir)
{
    auto project = std::make_unique<TProject>("Firm");
    project->SetApplicationName("Viewer");
    project->SetProjectFileName("Demo.vip");
    project->SetProjectDir(IncludeTrailingPathDelimiter(workDir));
    const std::string src = AppendPath(workDir, "src");
    ForceDirectories(AppendPath(src, "arm"));
    ForceDirectories(AppendPath(src, "sh3"));
    WriteFileAtomic(AppendPath(AppendPath(src, "arm"), "app.exe"), std::string(3000, 'A'));
    WriteFileAtomic(AppendPath(AppendPath(src, "sh3"), "app.exe"), std::string(2000, 'S'));
    WriteFileAtomic(AppendPath(src, "readme.txt"), "read me\r\n");
    WriteFileAtomic(AppendPath(workDir, "EULA_English.txt"), "{\\rtf1 English}");
    WriteFileAtomic(AppendPath(workDir, "EULA_Neutral.txt"), "{\\rtf1 Neutral}");

    TPlatforms pocket;
    pocket.Include(plPPC300);
    auto add = [&](const std::string& dir, const std::string& name, TPlatforms platforms, TProcessor processor) {
        auto file = std::make_unique<TFile>();
        file->SetSourceDir(dir);
        file->SetFileName(name);
        file->SetPlatforms(platforms);
        file->SetProcessor(processor);
        file->SetFolder(project->AppFolder());
        project->Files().Add(std::move(file));
    };
    add(AppendPath(src, "arm"), "app.exe", pocket, pStrongARM);
    add(AppendPath(src, "sh3"), "app.exe", pocket, pHitachiSH3);
    add(src, "readme.txt", AllPlatforms, pAll);

    for (bool pages : {true, false}) {
        auto build = std::make_unique<TBuild>();
        build->SetName(pages ? "Pocket / All" : "Silent");
        build->AddPair(std::make_unique<TPlatformProcPair>(plPPC300, pStrongARM));
        build->AddPair(std::make_unique<TPlatformProcPair>(plPPC300, pHitachiSH3));
        build->Languages().Add(9);
        build->SetDefaultLanguage(9);
        build->SetShowWelcome(pages);
        build->SetShowEULA(pages);
        build->SetShowFinish(pages);
        build->SetSfxMode(pages ? 1 : 0);
        project->Builds().Add(std::move(build));
    }
    return project;
}

std::string WriteTestTexts(const std::string& workDir)
{
    std::string path = AppendPath(workDir, "Demo_res.dat");
    WriteFileAtomic(path, ScrambleText("[Neutral]\r\n1.String1=Hello\r\n\r\n[English]\r\n1.String1=Welcome\r\n"));
    return path;
}
