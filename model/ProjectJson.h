#pragma once

#include "model/Project.h"

#include <memory>
#include <string>

// A project as JSON text, for version control, review and scripted builds.
// It holds everything the binary project file holds, with names where the
// file has numbers: folders by device path, files and shortcuts by the
// folder they go to, platforms, processors, types and languages by their
// display names. Record numbers are never written; the binary save assigns
// them afresh. The layout is described in docs/project-json.md.

// UTF-8 text with keys in a fixed order and two-space indentation, ending
// in a line break: the same project always gives the same text. Throws
// Exception when the project holds something the text form cannot name
// (a folder path that two folders share, an unknown registry type, ...).
std::string ProjectToJson(TProject& project);
// The text of a project kept as a JSON file: as above, with no work folder,
// since the folder the file lies in is the work folder (OpenAnyProjectFile),
// so that the file reads the same in every checkout of a repository.
std::string ProjectToJsonFile(TProject& project);

// Reads a project from its JSON text. Every failure throws an Exception
// whose message locates the problem: the parser's line and column for
// malformed text, or the JSON path of the offending value ("$.files[2].
// processor") and what was expected there.
std::unique_ptr<TProject> ProjectFromJson(const std::string& text, const std::string& defaultCompany = "<none>");

// True for a path whose extension is ".json" (any letter case).
bool IsJsonProjectPath(const std::string& path);

// Opens a project file of either form. For a JSON project the project file
// name becomes the name of the binary project beside it ("Demo.json" acts
// as "Demo.vip"), so that its texts file, licences and package names are
// the same ones.
std::unique_ptr<TProject> OpenAnyProjectFile(const std::string& path, const std::string& defaultCompany = "<none>");
