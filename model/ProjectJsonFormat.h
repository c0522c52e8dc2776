#pragma once

// The names and fixed words of a project's JSON text, and the device path
// that files and shortcuts are matched by, shared by the writer
// (ProjectJsonWriter.cpp) and the reader (ProjectJsonReader.cpp).

#include "model/Project.h"

#include <nlohmann/json.hpp>

#include <string>

using TJson = nlohmann::ordered_json;

namespace ProjectJsonFormat {

inline const char* const kFormatName = "Veltrin Installer project";
inline constexpr int kFormatVersion = 1;
inline const char* const kDefaultFolderWord = "default";

inline const char* const kSetupTypeNames[] = {"Normal", "Modern"};
inline const char* const kSfxModeNames[] = {"No User Interface", "Show Extraction Progress"};

// The folder a file goes to, computed from the project rather than from the
// file's own default-folder reference, which only a build sets.
inline const TFolder* EffectiveFolder(const TFile& file, const TProject& project)
{
    return file.UseDefaultFolder() && project.DefaultFolder() ? project.DefaultFolder() : file.AttachedFolder();
}

inline std::string DevicePath(const TFile& file, const TProject& project)
{
    const TFolder* folder = EffectiveFolder(file, project);
    return (folder ? folder->GetPath() : std::string()) + file.FileName();
}

} // namespace ProjectJsonFormat
