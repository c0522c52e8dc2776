#pragma once

// The CAB Wizard .inf text of a project: a header, one [DestinationDirs]
// section, and per device section (one platform/processor target) the blocks
// that list files, source folders, shortcuts, the setup DLL and registry
// entries. A device section is recognised by the readers of this text
// through a line containing "[CEDevice".

#include "package/DeviceSection.h"
#include "package/DeviceSectionPlan.h"

#include <string>
#include <vector>

class TProject;

// Appends the whole .inf text of the project, planned afresh. Fails, before
// anything is appended, when a name, path or registry text holds a
// character the .inf cannot carry unchanged.
void WriteInf(const TProject& project, TStringList& lines);
// The same from a plan of this project, for a caller that reads the plan
// as well.
void WriteInf(const TProject& project, const TDeviceSectionPlan& plan, TStringList& lines);

// Replaces the install folder's macro path by "%InstallDir%" in the
// destination lines (registry and source lines keep the full path).
void ReplaceInstallDir(TStringList& lines, const std::string& installPath);
