#include "package/DeviceSectionPlan.h"

#include "common/AnsiText.h"
#include "common/Paths.h"
#include "model/Files.h"
#include "model/Folders.h"
#include "model/Project.h"
#include "model/RegistryKeys.h"
#include "model/Shortcuts.h"

#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace {

bool FitsPlatform(TPlatform platform, TPlatforms platforms)
{
    return platform == plAll || platforms.Contains(platform);
}

bool FitsProcessor(TProcessor processor, TProcessor own)
{
    return own == processor || own == pAll;
}

bool HasFilesFor(const TFiles& files, TPlatform platform, TProcessor processor)
{
    for (int i = 0; i < files.Count(); ++i) {
        const TFile* file = files.Item(i);
        if (FitsPlatform(platform, file->Platforms()) && FitsProcessor(processor, file->Processor()))
            return true;
    }
    return false;
}

// The Windows Mobile 5.0 and later platforms some file is meant for by name.
// A file for all platforms reaches those devices through the sections of the
// earlier platforms (Windows Mobile 2003 has no upper version), so it alone
// does not add sections for them, and projects made before they existed
// keep their .inf.
TPlatforms NamedLaterPlatforms(const TFiles& files)
{
    TPlatforms named;
    for (int i = 0; i < files.Count(); ++i)
        if (files.Item(i)->Platforms() != AllPlatforms)
            named = named + (files.Item(i)->Platforms() * LaterPlatforms);
    return named;
}

std::vector<std::pair<TPlatform, TProcessor>> Targets(const TFiles& files)
{
    std::vector<std::pair<TPlatform, TProcessor>> targets;
    TProcessors used = files.AllProcessors();
    if (files.CommonPlatforms() == AllPlatforms) {
        TProcessors common = files.CommonProcessors();
        TProcessors listed = common.Count() == 1 ? common : used;
        for (int p = 0; p < ProcessorCount; ++p)
            if (listed.Contains(TProcessor(p)))
                targets.emplace_back(plAll, TProcessor(p));
        return targets;
    }
    TPlatforms platforms = files.AllPlatforms() - LaterPlatforms + NamedLaterPlatforms(files);
    for (TPlatform pl : PlatformList) {
        if (!platforms.Contains(pl))
            continue;
        for (int p = 0; p < ProcessorCount; ++p)
            if (used.Contains(TProcessor(p)) && HasFilesFor(files, pl, TProcessor(p)))
                targets.emplace_back(pl, TProcessor(p));
    }
    return targets;
}

// FilesFor of each target, in one pass over the files: a large project's
// files do not stay in the cache between one target's pass and the next.
std::vector<std::vector<const TFile*>> FilesForTargets(const TFiles& files,
                                                       const std::vector<std::pair<TPlatform, TProcessor>>& targets)
{
    std::vector<std::vector<const TFile*>> lists(targets.size());
    for (int i = 0; i < files.Count(); ++i) {
        const TFile* file = files.Item(i);
        for (size_t t = 0; t < targets.size(); ++t)
            if (FitsPlatform(targets[t].first, file->Platforms()) &&
                FitsProcessor(targets[t].second, file->Processor()))
                lists[t].push_back(file);
    }
    return lists;
}

// For each file of the section: whether another file of its name (as
// Windows compares names) comes from another source, or, for signing, it is
// a program or DLL.
std::vector<bool> CollidingFiles(const TDeviceSection& section, bool forSigning)
{
    const auto& files = section.Files();
    std::unordered_map<std::string, std::string> sourceOf; // folded name -> first source
    std::unordered_set<std::string> colliding;
    for (const TFile* file : files) {
        std::string name = FoldAnsiCase(file->FileName());
        auto [it, added] = sourceOf.emplace(name, file->GetHostSourcePath());
        if (!added && it->second != file->GetHostSourcePath())
            colliding.insert(name);
    }
    std::vector<bool> result;
    for (const TFile* file : files)
        result.push_back(colliding.count(FoldAnsiCase(file->FileName())) > 0 ||
                         (forSigning && IsSignableName(file->FileName())));
    return result;
}

// The device folder's own name in letters, digits and "_" ("de", "Program_Files").
std::string StagingPrefix(const TFolder* folder)
{
    std::string prefix = folder ? folder->Name() : std::string();
    for (char& c : prefix)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-'))
            c = '_';
    return prefix.empty() ? std::string("_") : prefix;
}

// Gives each colliding file the name "<folder>_<name>" ("<folder>~2_<name>"
// and on where that is taken) for its copy. A copy's name differs from every
// name a section lists by itself and from every other copy's, so no
// [SourceDisksFiles] entry and no file of the staging folder serves two
// sources; one source under one name is copied once.
void StageCollidingFiles(const TProject& project, TDeviceSectionPlan& plan, bool forSigning)
{
    std::vector<std::vector<bool>> colliding;
    std::unordered_set<std::string> taken; // folded names listed by themselves
    bool any = false;
    for (const auto& section : plan.FDeviceSections) {
        colliding.push_back(CollidingFiles(*section, forSigning));
        for (size_t i = 0; i < section->Files().size(); ++i) {
            if (!colliding.back()[i])
                taken.insert(FoldAnsiCase(section->Files()[i]->FileName()));
            any = any || colliding.back()[i];
        }
        if (section->SetupDLL())
            taken.insert(FoldAnsiCase(section->SetupDLL()->FileName()));
    }
    if (!any)
        return;
    plan.FStagingDir = StagingDir(project);
    std::unordered_map<std::string, size_t> copies; // folded name -> index in FStagedFiles
    for (size_t s = 0; s < plan.FDeviceSections.size(); ++s) {
        TDeviceSection& section = *plan.FDeviceSections[s];
        std::vector<std::string> names(section.Files().size());
        for (size_t i = 0; i < names.size(); ++i) {
            if (!colliding[s][i])
                continue;
            const TFile* file = section.Files()[i];
            std::string prefix = StagingPrefix(section.FolderOf(*file));
            for (int n = 1; names[i].empty(); ++n) {
                std::string name = prefix + (n > 1 ? "~" + std::to_string(n) : "") + "_" + file->FileName();
                std::string folded = FoldAnsiCase(name);
                if (taken.count(folded))
                    continue;
                auto [it, added] = copies.emplace(folded, plan.FStagedFiles.size());
                if (added)
                    plan.FStagedFiles.push_back({name, file, nullptr, forSigning && IsSignableName(file->FileName())});
                else if (plan.FStagedFiles[it->second].FFile->GetHostSourcePath() != file->GetHostSourcePath())
                    continue;
                names[i] = name;
            }
        }
        section.SetStagedNames(std::move(names), plan.FStagingDir);
    }
}

// Every setup DLL a section installs gets a copy of its own name: in the
// staging folder, or in a numbered folder there when another setup DLL of
// that name came first (the CAB tool takes a setup DLL by its own name).
void StageSetupDlls(TDeviceSectionPlan& plan)
{
    std::unordered_map<const TSetupDLL*, std::string> subfolderOf;
    std::unordered_set<std::string> taken; // folded "<subfolder>/<name>"
    for (const auto& section : plan.FDeviceSections) {
        const TSetupDLL* dll = section->SetupDLL();
        if (!dll)
            continue;
        auto [it, added] = subfolderOf.emplace(dll, std::string());
        if (added) {
            for (int n = 2; !taken.insert(FoldAnsiCase(it->second + "/" + dll->FileName())).second; ++n)
                it->second = std::to_string(n);
            plan.FStagedFiles.push_back({AppendPath(it->second, dll->FileName()), nullptr, dll, true});
        }
        section->SetSetupDllSourceDir(AppendPath(plan.FStagingDir, it->second));
    }
}

} // namespace

bool IsSignableName(const std::string& name)
{
    const std::string ext = UpperCase(ExtractFileExt(name));
    return ext == ".EXE" || ext == ".DLL";
}

std::string StagingDir(const TProject& project)
{
    return AppendPath(project.ProjectDir(), project.GetProjectName() + ".staged");
}

TDeviceSectionPlan PlanDeviceSections(const TProject& project, bool forSigning)
{
    TDeviceSectionPlan plan;
    auto targets = Targets(project.Files());
    auto files = FilesForTargets(project.Files(), targets);
    for (size_t t = 0; t < targets.size(); ++t) {
        auto [platform, processor] = targets[t];
        auto section = std::make_unique<TDeviceSection>(platform, processor);
        section->SetProject(&project);
        section->SetFiles(std::move(files[t]));
        section->SetShortcuts(ShortcutsFor(project.Shortcuts(), platform, processor));
        section->SetRegKeys(KeysFor(platform, processor, project.RegKeys().Keys()));
        // A setup DLL is chosen by processor only: the section's platform
        // does not narrow the choice.
        section->SetSetupDLL(SetupDllFor(plAll, processor, project.SetupDlls()));
        plan.FDeviceSections.push_back(std::move(section));
    }
    StageCollidingFiles(project, plan, forSigning);
    if (forSigning) {
        plan.FStagingDir = StagingDir(project);
        StageSetupDlls(plan);
    }
    return plan;
}

std::vector<const TFile*> FilesFor(const TFiles& files, TPlatform platform, TProcessor processor)
{
    std::vector<const TFile*> list;
    for (int i = 0; i < files.Count(); ++i) {
        const TFile* file = files.Item(i);
        if (FitsPlatform(platform, file->Platforms()) && FitsProcessor(processor, file->Processor()))
            list.push_back(file);
    }
    return list;
}

std::vector<const TCEShortCut*> ShortcutsFor(const TCEShortcuts& shortcuts, TPlatform platform, TProcessor processor)
{
    std::vector<const TCEShortCut*> list;
    for (int i = 0; i < shortcuts.Count(); ++i) {
        const TCEShortCut* shortcut = shortcuts.Item(i);
        // A shortcut whose file left the project has no processor and
        // nothing to start.
        if (!shortcut->Target())
            continue;
        if (FitsPlatform(platform, shortcut->Platforms()) && FitsProcessor(processor, shortcut->Target()->Processor()))
            list.push_back(shortcut);
    }
    return list;
}

std::vector<const TRegKey*> KeysFor(TPlatform platform, TProcessor processor,
                                    const std::vector<std::unique_ptr<TRegKey>>& keys)
{
    std::vector<const TRegKey*> list;
    // Pre-order over the branches, children in order: a stack of the lists
    // still being walked and the position in each.
    std::vector<std::pair<const TRegKey::TList*, size_t>> stack{{&keys, 0}};
    while (!stack.empty()) {
        auto& [level, next] = stack.back();
        if (next == level->size()) {
            stack.pop_back();
            continue;
        }
        const TRegKey* key = (*level)[next++].get();
        if (key->MatchesTarget(platform, processor))
            list.push_back(key);
        if (!key->SubKeys().empty())
            stack.push_back({&key->SubKeys(), 0});
    }
    return list;
}

const TSetupDLL* SetupDllFor(TPlatform platform, TProcessor processor, const TSetupDlls& dlls)
{
    for (int i = dlls.Count(); i-- > 0;) {
        const TSetupDLL* dll = dlls.Item(i);
        if (FitsPlatform(platform, dll->Platforms()) && FitsProcessor(processor, dll->Processor()))
            return dll;
    }
    return nullptr;
}
