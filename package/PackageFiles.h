#pragma once

// The small files of a package that the build writes itself, and the names
// it derives from the project and the build. B is the project's name (the
// project file name without its extension), W its work folder.

#include <string>
#include <vector>

class TBuild;
class TProject;

// W\B.CAB for the pair of all platforms and all processors, otherwise
// W\B.<suffix>.CAB; one per pair of the build, in pair order.
std::vector<std::string> GetCabFiles(const TProject& project, const TBuild& build);

// Writes tempDir\B.ini, the Application Manager file that names the CAB
// files (bare names, in the given order) and, when it exists, the icon.
// Returns its path.
std::string WriteAppManagerIni(const TProject& project, const TBuild& build, const std::vector<std::string>& cabFiles,
                               const std::string& tempDir);

// Writes tempDir\VI.INI, the index by which the setup program finds the
// resource file and the Application Manager file. Returns its path.
std::string WriteIndexFile(const TProject& project, const TBuild& build, const std::string& tempDir);

// The host path of the project's icon or setup image when it is set and the
// file exists; otherwise empty.
std::string ExistingProjectFile(const std::string& path);

// "Setup.exe" (the desktop setup wizard) for a build that shows a wizard
// page, "Deskstart.exe" (the launcher) for one that shows none.
std::string SetupProgramName(const TBuild& build);

// The folder name of a build: its name without / \ : * ? " < > |.
std::string BuildFolderName(const TBuild& build);
std::string BuildFolderName(const std::string& buildName);
// True when builds of these names put their packages into the same folder:
// "A/B" and "AB", or "Demo" and "demo" (Windows and many other file systems
// do not tell letter case apart in names).
bool SameBuildFolder(const std::string& buildName, const std::string& otherName);
// What the author is told when a build's package folder is taken by other.
std::string BuildFolderTakenMessage(const TBuild& other);
// False for a folder name that names no folder of its own below the work
// folder: empty, or only dots and blanks ("..", ". .").
bool IsUsableFolderName(const std::string& name);
