#include "package/DeviceSection.h"

#include "common/DebugTrace.h"
#include "common/Paths.h"
#include "model/Files.h"
#include "model/Folders.h"
#include "model/Project.h"
#include "model/RegistryKeys.h"
#include "model/Shortcuts.h"
#include "package/InfFields.h"

#include <algorithm>
#include <cstdio>
#include <unordered_set>

namespace {

std::string FoldCase(const std::string& s)
{
    return UpperCase(s);
}

std::string WithoutTrailingBackslash(const std::string& s)
{
    if (!s.empty() && (s.back() == '\\' || s.back() == '/'))
        return s.substr(0, s.size() - 1);
    return s;
}

std::string Join(const std::vector<std::string>& items, const char* separator)
{
    std::string out;
    for (size_t i = 0; i < items.size(); ++i) {
        if (i)
            out += separator;
        out += items[i];
    }
    return out;
}

}

std::string SectionSuffix(TPlatform platform, TProcessor processor)
{
    std::string pl = PlatformToCode(platform);
    std::string pr = ProcessorToCode(processor);
    if (!pl.empty() && !pr.empty())
        return pl + "_" + pr;
    return pl.empty() ? pr : pl;
}

std::string CopyFlagsText(const TFile& file)
{
    uint32_t flags = 0;
    auto options = file.Options();
    if (options.Contains(foShared))
        flags |= 0x80000000u;
    if (options.Contains(foWarnIfSkipped))
        flags |= 0x00000001u;
    if (!options.Contains(foAllowSkip))
        flags |= 0x00000002u;
    switch (file.CopyMode()) {
    case 0: flags |= 0x40000000u; break;
    case 1: flags |= 0x20000000u; break;
    case 2: flags |= 0x00000400u; break;
    case 3: flags |= 0x00000010u; break;
    // The device's own default, which asks before it replaces a newer file.
    case cmAskBeforeReplacingNewer: break;
    default: break;
    }
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08X", flags);
    return buf;
}

TDeviceSection::TDeviceSection(TPlatform platform, TProcessor processor) : FPlatform(platform), FProcessor(processor)
{
}

std::string TDeviceSection::Suffix() const
{
    return SectionSuffix(FPlatform, FProcessor);
}

std::string TDeviceSection::SectionName(const std::string& base) const
{
    std::string suffix = Suffix();
    return suffix.empty() ? base : base + "." + suffix;
}

const TFolder* TDeviceSection::FolderOf(const TFile& file) const
{
    if (file.UseDefaultFolder() && FProject && FProject->DefaultFolder())
        return FProject->DefaultFolder();
    return file.GetFolder();
}

void TDeviceSection::SetFiles(std::vector<const TFile*> files)
{
    FFiles = std::move(files);
    FFileDirs.clear();
    FFileDirOf.clear();
    std::unordered_map<const TFolder*, size_t> dirIndex;
    for (const TFile* file : FFiles) {
        const TFolder* folder = FolderOf(*file);
        auto [it, newcomer] = dirIndex.emplace(folder, FFileDirs.size());
        if (newcomer)
            FFileDirs.push_back({folder, SectionName("Files" + std::to_string(FFileDirs.size() + 1))});
        FFileDirOf.push_back(it->second);
    }
    FStagedNames.clear();
    LayOutSourceDisks();
}

void TDeviceSection::SetStagedNames(std::vector<std::string> names, std::string stagingDir)
{
    FStagedNames = std::move(names);
    FStagingDir = std::move(stagingDir);
    LayOutSourceDisks();
}

void TDeviceSection::LayOutSourceDisks()
{
    // Source disks are numbered in sorted order (letter case ignored), except
    // that a folder first met with the last file stands at the end: the list
    // is sorted before each file is looked at, and a newcomer is appended.
    // Each folder is case-folded once; the sort compares the folded keys.
    std::vector<std::string> folders;
    std::vector<std::string> keys;
    std::vector<size_t> fileFolder; // each file's position in folders
    std::unordered_map<std::string, size_t> seen;
    bool lastIsNewcomer = false;
    for (size_t i = 0; i < FFiles.size(); ++i) {
        if (IsStaged(i)) {
            fileFolder.push_back(0); // its disk is the staging folder's
            continue;
        }
        std::string folder = FFiles[i]->GetSourceDir();
        auto [it, newcomer] = seen.emplace(FoldCase(folder), folders.size());
        lastIsNewcomer = newcomer;
        if (newcomer) {
            folders.push_back(std::move(folder));
            keys.push_back(it->first);
        }
        fileFolder.push_back(it->second);
    }
    std::vector<size_t> order(folders.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), lastIsNewcomer ? order.end() - 1 : order.end(),
                     [&keys](size_t a, size_t b) { return keys[a] < keys[b]; });
    std::vector<int> diskOf(folders.size());
    FSourceDisks.clear();
    FDiskNumbers.clear();
    for (size_t i = 0; i < order.size(); ++i) {
        FSourceDisks.push_back({folders[order[i]], int32_t(i)});
        FDiskNumbers.emplace(keys[order[i]], int(i) + 1);
        diskOf[order[i]] = int(i) + 1;
    }
    FFileDisks.clear();
    for (size_t i = 0; i < FFiles.size(); ++i)
        FFileDisks.push_back(IsStaged(i) ? 0 : diskOf[fileFolder[i]]);
}

int TDeviceSection::StagingDiskNumber() const
{
    bool dllDisk = FSetupDLL && SourceDiskNumber(SetupDllSourceDir()) == 0;
    return int(FSourceDisks.size()) + (dllDisk ? 2 : 1);
}

void TDeviceSection::SetShortcuts(std::vector<const TCEShortCut*> shortcuts)
{
    FShortcuts = std::move(shortcuts);
    FShortcutDirs.clear();
    std::unordered_set<const TFolder*> seen;
    for (const TCEShortCut* shortcut : FShortcuts) {
        const TFolder* folder = shortcut->GetFolder();
        if (seen.insert(folder).second)
            FShortcutDirs.push_back({folder, SectionName("Shortcuts" + std::to_string(FShortcutDirs.size()))});
    }
}

int TDeviceSection::SourceDiskNumber(const std::string& folder) const
{
    auto it = FDiskNumbers.find(FoldCase(folder));
    return it == FDiskNumbers.end() ? 0 : it->second;
}

std::string TDeviceSection::SetupDllSourceDir() const
{
    if (!FSetupDLL)
        return std::string();
    return WithoutTrailingBackslash(FSetupDllDir.empty() ? FSetupDLL->SourceDir() : FSetupDllDir);
}

TStringList TDeviceSection::DestinationDirLines() const
{
    TStringList lines;
    for (const auto* list : {&FFileDirs, &FShortcutDirs})
        for (const auto& dir : *list)
            lines.push_back(dir.FName + "=0," + InfField(dir.FFolder ? dir.FFolder->GetMacroPath() : std::string()));
    return lines;
}

TStringList TDeviceSection::CEDeviceLines() const
{
    TStringList lines{"[" + SectionName("CEDevice") + "]"};
    if (FProcessor != pAll)
        lines.push_back("ProcessorType = " + ProcessorToCode(FProcessor) + "    ;" + ProcessorToName(FProcessor));
    if (FPlatform != plAll) {
        lines.push_back("UnsupportedPlatforms = " + PlatformUnsupportedList(FPlatform));
        lines.push_back("VersionMin=" + PlatformVersionMin(FPlatform));
        lines.push_back("VersionMax=" + PlatformVersionMax(FPlatform));
        if (std::string build = PlatformBuildMin(FPlatform); !build.empty())
            lines.push_back("BuildMin=" + build);
        if (std::string build = PlatformBuildMax(FPlatform); !build.empty())
            lines.push_back("BuildMax=" + build);
    }
    return lines;
}

TStringList TDeviceSection::SourceDisksNamesLines() const
{
    TStringList lines{"[" + SectionName("SourceDisksNames") + "]"};
    auto line = [](int n, const std::string& path) {
        std::string num = std::to_string(n);
        return num + "=,\"SourceDisk" + num + "\",," + InfField(path);
    };
    for (const auto& disk : FSourceDisks)
        lines.push_back(line(disk.FIndex + 1, disk.FPath));
    if (FSetupDLL && SourceDiskNumber(SetupDllSourceDir()) == 0)
        lines.push_back(line(int(FSourceDisks.size()) + 1, SetupDllSourceDir()));
    if (std::any_of(FStagedNames.begin(), FStagedNames.end(), [](const std::string& n) { return !n.empty(); }))
        lines.push_back(line(StagingDiskNumber(), FStagingDir));
    return lines;
}

TStringList TDeviceSection::SourceDisksFilesLines() const
{
    TStringList lines{"[" + SectionName("SourceDisksFiles") + "]"};
    for (size_t i = 0; i < FFiles.size(); ++i) {
        const TFile* file = FFiles[i];
        // The staging folder's disk follows the setup DLL's, which may be set last.
        int n = IsStaged(i) ? StagingDiskNumber() : FFileDisks[i];
        if (n == 0) {
            DebugTrace("No ID for file");
            continue;
        }
        lines.push_back(InfQuoted(IsStaged(i) ? FStagedNames[i] : file->FileName()) + " = " + std::to_string(n));
    }
    if (FSetupDLL) {
        int n = SourceDiskNumber(SetupDllSourceDir());
        if (n == 0)
            n = int(FSourceDisks.size()) + 1;
        lines.push_back(InfQuoted(FSetupDLL->FileName()) + " = " + std::to_string(n));
    }
    return lines;
}

TStringList TDeviceSection::DefaultInstallLines() const
{
    TStringList lines{"[" + SectionName("DefaultInstall") + "]"};
    std::vector<std::string> names;
    for (const auto& dir : FFileDirs)
        names.push_back(dir.FName);
    lines.push_back("CopyFiles = " + Join(names, ", "));
    if (!FShortcutDirs.empty()) {
        names.clear();
        for (const auto& dir : FShortcutDirs)
            names.push_back(dir.FName);
        lines.push_back("CEShortcuts = " + Join(names, ", "));
    }
    if (FSetupDLL)
        lines.push_back("CESetupDLL = " + InfField(FSetupDLL->FileName()));
    if (!FRegKeys.empty())
        lines.push_back("AddReg = " + SectionName("AddRegistry"));
    names.clear();
    for (const TFile* file : FFiles)
        if (file->Options().Contains(foSelfRegister))
            names.push_back(InfQuoted(file->FileName()));
    if (!names.empty())
        lines.push_back("CESelfRegister=" + Join(names, ","));
    return lines;
}

TStringList TDeviceSection::FileSectionLines() const
{
    // Files grouped by destination in one pass; each group keeps file order.
    std::vector<std::vector<size_t>> byDir(FFileDirs.size());
    for (size_t i = 0; i < FFiles.size(); ++i)
        byDir[FFileDirOf[i]].push_back(i);
    TStringList lines;
    for (size_t d = 0; d < FFileDirs.size(); ++d) {
        lines.push_back("[" + FFileDirs[d].FName + "]");
        for (size_t i : byDir[d]) {
            const TFile& file = *FFiles[i];
            std::string source = IsStaged(i) ? InfQuoted(FStagedNames[i]) : std::string();
            lines.push_back(InfQuoted(file.FileName()) + "," + source + ",," + CopyFlagsText(file));
        }
        lines.emplace_back();
    }
    return lines;
}

TStringList TDeviceSection::ShortcutSectionLines() const
{
    std::unordered_map<const TFolder*, std::vector<const TCEShortCut*>> byFolder;
    for (const TCEShortCut* shortcut : FShortcuts)
        byFolder[shortcut->GetFolder()].push_back(shortcut);
    TStringList lines;
    for (const auto& dir : FShortcutDirs) {
        lines.push_back("[" + dir.FName + "]");
        for (const TCEShortCut* shortcut : byFolder[dir.FFolder])
            lines.push_back(InfQuoted(shortcut->Name()) + ",0," +
                            InfField(shortcut->Target() ? shortcut->Target()->FileName() : std::string()));
        lines.emplace_back();
    }
    return lines;
}

TStringList TDeviceSection::AddRegistryLines() const
{
    TStringList lines;
    if (FRegKeys.empty())
        return lines;
    lines.push_back("[" + SectionName("AddRegistry") + "]");
    for (const TRegKey* key : FRegKeys) {
        std::string head = key->GetHive() + "," + InfQuoted(key->GetKeyPath()) + ", ";
        for (const auto& value : key->Values().Values()) {
            if (FPlatform != plAll && !value->Platforms().Contains(FPlatform))
                continue;
            if (value->Processor() != FProcessor && value->Processor() != pAll)
                continue;
            std::string data = value->GetDataText();
            if (value->IsDefault() && data.empty())
                continue;
            if (value->Type() == vtDWord) {
                data = "0x" + data;
            } else if (value->Type() == vtString) {
                data = InfField(value->StringData());
            } else if (value->Type() == vtMultiString) {
                data.clear();
                for (const auto& text : value->Strings())
                    data += InfField(text) + ",";
            }
            lines.push_back(head + InfQuoted(value->Name()) + "," + value->GetFlagsText() + ", " + data);
        }
    }
    return lines;
}
