#include "package/DeviceSectionPlan.h"

#include "model/Files.h"
#include "model/Project.h"
#include "model/RegistryKeys.h"
#include "model/Shortcuts.h"

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
    TPlatforms platforms = files.AllPlatforms();
    for (int pl = 0; pl < PlatformCount; ++pl) {
        if (!platforms.Contains(TPlatform(pl)))
            continue;
        for (int p = 0; p < ProcessorCount; ++p)
            if (used.Contains(TProcessor(p)) && HasFilesFor(files, TPlatform(pl), TProcessor(p)))
                targets.emplace_back(TPlatform(pl), TProcessor(p));
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

}

TDeviceSectionPlan PlanDeviceSections(const TProject& project)
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
