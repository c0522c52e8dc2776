#pragma once

// Which device sections the .inf of a project has, and what each of them
// lists. The plan is made afresh for every .inf; the .inf writer writes it
// and TInfParser reads the build targets off it. It points into the project
// and is valid while the project stays unchanged.

#include "model/Platforms.h"
#include "package/DeviceSection.h"

#include <memory>
#include <vector>

class TCEShortcuts;
class TFiles;
class TProject;
class TSetupDlls;

// A copy the build makes before the CAB tool runs.
struct TStagedFile {
    std::string FName; // in the staging folder, perhaps in a folder of its own there
    const TFile* FFile = nullptr; // whose source is copied, or null for a setup DLL; not owned
    const TSetupDLL* FSetupDll = nullptr; // the setup DLL copied, when FFile is null
    // A program or DLL that a build signing for the device signs on the copy.
    bool FSign = false;
};

struct TDeviceSectionPlan {
    // One section per target, in the order the .inf lists them.
    std::vector<std::unique_ptr<TDeviceSection>> FDeviceSections;
    // A section lists its files' sources by name, so different files of one
    // name (in different device folders) are copied under names of their
    // own into the staging folder: each copy once, none when no section
    // has such files.
    std::string FStagingDir;
    std::vector<TStagedFile> FStagedFiles;
};

// One section per target that the project's files make up: a single
// section for every platform when each file suits all of them (one per
// processor used, or just the one all files share), otherwise one per
// platform and processor that has files. Platforms and processors in
// ascending order.
// For a build that signs for the device, every .exe and .dll file and every
// setup DLL is staged as well (the copy is the one signed), so that the
// author's files stay as they are.
TDeviceSectionPlan PlanDeviceSections(const TProject& project, bool forSigning = false);

// True for a file name a build signing for the device signs: .exe and .dll.
bool IsSignableName(const std::string& name);

// The folder the build stages copies in: "<project name>.staged" in the
// work folder, beside the .inf.
std::string StagingDir(const TProject& project);

// The selections a section is made from. plAll matches every platform; an
// object for pAll matches every processor.
std::vector<const TFile*> FilesFor(const TFiles& files, TPlatform platform, TProcessor processor);
// A shortcut counts by its own platforms and its target's processor; one
// without a target has neither.
std::vector<const TCEShortCut*> ShortcutsFor(const TCEShortcuts& shortcuts, TPlatform platform, TProcessor processor);
// The keys of the tree that have something for the target, parents before
// their descendants.
std::vector<const TRegKey*> KeysFor(TPlatform platform, TProcessor processor,
                                    const std::vector<std::unique_ptr<TRegKey>>& keys);
// The last setup DLL that fits, or null.
const TSetupDLL* SetupDllFor(TPlatform platform, TProcessor processor, const TSetupDlls& dlls);
