#pragma once

#include <string>
#include <vector>

class TBuild;
class TProject;
class TScrambeledMemIniFile;

// Writes the setup resource file of one build: the wizard texts of the
// build's languages and of "Neutral" from the project's texts file, then
// "[General]" with the build's wizard settings, scrambled. The file is
// tempDir + <project name> + "_res.DAT".
//
// Returns the resource file's path, then the licence files the package
// carries beside it: the project folder's "EULA_<language>.txt" for each
// language of the build in build order, then "EULA_Neutral.txt". The
// licences are listed whether they exist or not.
//
// A file that cannot be written raises "Cannot create file <path>".
std::vector<std::string> WriteResourceFile(const TProject& project, const TBuild& build,
                                           const TScrambeledMemIniFile& textsFile, const std::string& tempDir);
