#include "package/PackageFiles.h"

#include "common/AnsiText.h"
#include "common/Exception.h"
#include "common/Paths.h"
#include "common/Platform.h"
#include "model/Builds.h"
#include "model/Project.h"

namespace {

void WriteTextFile(const std::string& path, const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    try {
        WriteFileAtomic(path, text);
    } catch (const Exception&) {
        throw Exception("Cannot create file " + path);
    }
}

}

std::vector<std::string> GetCabFiles(const TProject& project, const TBuild& build)
{
    std::vector<std::string> files;
    std::string base = AppendPath(project.ProjectDir(), project.GetProjectName());
    for (int i = 0; i < build.PairCount(); ++i) {
        std::string suffix = build.GetPair(i)->GetPairName();
        files.push_back(base + (suffix.empty() ? "" : "." + suffix) + ".CAB");
    }
    return files;
}

std::string ExistingProjectFile(const std::string& path)
{
    if (Trim(path).empty())
        return std::string();
    std::string host = HostFileName(NormalizeHostPath(path));
    return FileExists(host) ? host : std::string();
}

std::string WriteAppManagerIni(const TProject& project, const TBuild&, const std::vector<std::string>& cabFiles,
                               const std::string& tempDir)
{
    const std::string base = project.GetProjectName();
    std::vector<std::string> lines{"[CEAppManager]",
                                   "Version = 1.0",
                                   "Component = " + base,
                                   "",
                                   "[" + base + "]",
                                   "Description = " + project.CompanyName() + "'s " + project.AppName(),
                                   ""};
    std::string icon = ExistingProjectFile(project.IconFile());
    if (!icon.empty()) {
        // The .ini is Windows-1252 text, like the project's own name of the icon.
        lines.push_back("IconFile = " + ExtractFileName(NormalizeHostPath(project.IconFile())));
        lines.push_back("");
    }
    std::string cabs;
    for (const std::string& cab : cabFiles)
        cabs += (cabs.empty() ? "" : ",") + ExtractFileName(cab);
    lines.push_back("CabFiles = " + cabs);

    std::string path = AppendPath(tempDir, base + ".ini");
    WriteTextFile(path, lines);
    return path;
}

std::string WriteIndexFile(const TProject& project, const TBuild&, const std::string& tempDir)
{
    const std::string base = project.GetProjectName();
    // The resource file is packed as <B>_res.DAT; the index names it in lower
    // case, which the Windows file system does not tell apart.
    std::string path = AppendPath(tempDir, "VI.INI");
    WriteTextFile(path, {"[Setup Info]", "Res_file = " + base + "_res.dat", "ini_file = " + base + ".ini"});
    return path;
}

std::string SetupProgramName(const TBuild& build)
{
    return build.ShowsAnyScreen() ? "Setup.exe" : "Deskstart.exe";
}

std::string BuildFolderName(const TBuild& build)
{
    return BuildFolderName(build.Name());
}

std::string BuildFolderName(const std::string& buildName)
{
    return StripFileNameChars(buildName);
}

bool SameBuildFolder(const std::string& buildName, const std::string& otherName)
{
    return FoldAnsiCase(BuildFolderName(buildName)) == FoldAnsiCase(BuildFolderName(otherName));
}

std::string BuildFolderTakenMessage(const TBuild& other)
{
    return "The build \"" + other.Name() + "\" already makes its package in the folder \"" + BuildFolderName(other) +
           "\". Please choose another name.";
}

bool IsUsableFolderName(const std::string& name)
{
    return name.find_first_not_of(". \t") != std::string::npos;
}
