#include "import/InfImport.h"

#include "common/Exception.h"
#include "common/Paths.h"
#include "common/Platform.h"
#include "formats/InfFile.h"
#include "import/InfImportTargets.h"
#include "model/Project.h"

#include <algorithm>
#include <cstdio>
#include <set>
#include <map>
#include <unordered_map>
#include <unordered_set>

namespace {

std::string Quote(const std::string& text)
{
    return "\"" + text + "\"";
}

std::string Hex(uint32_t value)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08X", static_cast<unsigned>(value));
    return buf;
}

bool IsAbsoluteSource(const std::string& path)
{
    return (!path.empty() && IsPathDelimiter(path[0])) ||
           (path.size() > 1 && path[1] == ':' && std::isalpha(static_cast<unsigned char>(path[0])));
}

// The copy flags of a file line, the inverse of the writer's table: one
// copy-mode bit (or none: the device's default), the options, and what is
// left over.
struct TCopyFlags {
    int FMode = cmAskBeforeReplacingNewer;
    TFileOptions FOptions;
    uint32_t FUnknown = 0;
    bool FTwoModes = false;
};

TCopyFlags DecodeCopyFlags(uint32_t flags)
{
    static const std::pair<uint32_t, int> modes[] = {
        {0x40000000u, 0}, {0x20000000u, 1}, {0x00000400u, 2}, {0x00000010u, 3}};
    TCopyFlags result;
    bool found = false;
    for (const auto& [bit, mode] : modes) {
        if (!(flags & bit))
            continue;
        result.FTwoModes = result.FTwoModes || found;
        if (!found)
            result.FMode = mode;
        found = true;
    }
    if (flags & 0x80000000u)
        result.FOptions.Include(foShared);
    if (flags & 0x00000001u)
        result.FOptions.Include(foWarnIfSkipped);
    if (!(flags & 0x00000002u))
        result.FOptions.Include(foAllowSkip);
    result.FUnknown = flags & ~(0x80000000u | 0x40000000u | 0x20000000u | 0x400u | 0x10u | 0x1u | 0x2u);
    return result;
}

// Orders the items of several lists so that each list keeps its own order
// (a topological order of "comes right after" in any list); among items
// free to go, the one met first goes first. Lists that contradict each
// other cannot come from one project: the first item met breaks the tie.
std::vector<size_t> MergeOrders(const std::vector<std::vector<size_t>>& lists, size_t count)
{
    std::vector<std::vector<size_t>> next(count);
    std::vector<size_t> before(count, 0);
    for (const auto& list : lists)
        for (size_t i = 1; i < list.size(); ++i) {
            next[list[i - 1]].push_back(list[i]);
            ++before[list[i]];
        }
    std::set<size_t> ready; // items are numbered in the order met
    for (size_t item = 0; item < count; ++item)
        if (before[item] == 0)
            ready.insert(item);
    std::vector<size_t> order;
    std::vector<bool> done(count, false);
    for (size_t first = 0; order.size() < count;) {
        if (ready.empty()) {
            while (done[first])
                ++first;
            ready.insert(first);
        }
        size_t item = *ready.begin();
        ready.erase(ready.begin());
        if (done[item])
            continue;
        done[item] = true;
        order.push_back(item);
        for (size_t after : next[item])
            if (!done[after] && --before[after] == 0)
                ready.insert(after);
    }
    return order;
}

// Items met in the targets, each once, with the targets that list it and
// its place in each target's list.
template <typename Entry>
class TItems {
public:
    struct TItem {
        Entry FEntry;
        std::vector<size_t> FTargets;
    };
    explicit TItems(size_t targets) : FLists(targets), FGroupStarts(targets) {}

    // The same key twice in one target is two items (the same file placed
    // twice in one folder).
    size_t Add(size_t target, const std::string& key, Entry entry)
    {
        std::string counted = key + '\x1e' + std::to_string(++FCounts[std::to_string(target) + '\x1e' + key]);
        auto [it, fresh] = FIndex.emplace(counted, FItems.size());
        if (fresh)
            FItems.push_back({std::move(entry), {}});
        FItems[it->second].FTargets.push_back(target);
        FLists[target].push_back(it->second);
        return it->second;
    }
    // The items added to the target from now on form a group. A grouped
    // list tells less than its order: the builder writes one shortcut
    // section per folder, in the order the folders first occur, so only the
    // order within each group and the order of the groups' first items are
    // the project's.
    void StartGroup(size_t target) { FGroupStarts[target].push_back(FLists[target].size()); }
    std::vector<size_t> Order() const;
    const TItem& operator[](size_t i) const { return FItems[i]; }
    size_t Size() const { return FItems.size(); }
    const std::vector<size_t>& List(size_t target) const { return FLists[target]; }

private:
    std::vector<TItem> FItems;
    std::vector<std::vector<size_t>> FLists;
    std::vector<std::vector<size_t>> FGroupStarts; // positions in FLists
    std::unordered_map<std::string, size_t> FIndex;
    std::unordered_map<std::string, int> FCounts;
};

template <typename Entry>
std::vector<size_t> TItems<Entry>::Order() const
{
    std::vector<std::vector<size_t>> chains;
    for (size_t t = 0; t < FLists.size(); ++t) {
        const std::vector<size_t>& list = FLists[t];
        const std::vector<size_t>& starts = FGroupStarts[t];
        if (starts.empty()) {
            chains.push_back(list);
            continue;
        }
        std::vector<size_t> firsts;
        for (size_t g = 0; g < starts.size(); ++g) {
            size_t end = g + 1 < starts.size() ? starts[g + 1] : list.size();
            if (starts[g] == end)
                continue;
            chains.emplace_back(list.begin() + std::ptrdiff_t(starts[g]), list.begin() + std::ptrdiff_t(end));
            firsts.push_back(list[starts[g]]);
        }
        chains.push_back(std::move(firsts));
    }
    return MergeOrders(chains, FItems.size());
}

struct TFileEntry {
    std::string FFolder; // device path, %InstallDir% expanded
    bool FDefaultFolder = false;
    std::string FName; // on the device
    std::string FSourceDir;
    std::string FSourceName;
    TCopyFlags FFlags;
    int FLine = 0;
};

struct TShortcutEntry {
    std::string FName;
    std::string FFolder;
    std::string FTarget; // the device name of the file it starts
};

struct TValueEntry {
    std::string FHive;
    std::string FKeyPath;
    std::string FName;
    uint32_t FType = vtString;
    bool FNoClobber = false;
    std::string FString;
    uint32_t FDword = 0;
    std::vector<std::string> FStrings;
    std::vector<uint8_t> FBinary;
};

struct TDllEntry {
    std::string FName;
    std::string FSourceDir;
};

class TInfImporter {
public:
    TInfImporter(const TInfFile& inf, const std::string& infPath, const TInfImportOptions& options);
    TImportResult Run();

private:
    void ReadHeader();
    void ReadFiles(size_t t);
    void ReadFileLine(size_t t, const TInfLine& line, const std::string& folder,
                      std::vector<std::pair<std::string, TFileEntry>>& entries);
    // The lines of a section an install key names; a section the .inf
    // lacks is reported and gives nullptr.
    const std::vector<TInfLine>* NamedSection(const TInfTarget& target, const char* key, const std::string& section);
    void ReadShortcuts(size_t t);
    bool ShortcutTargetKnown(size_t t, const std::string& name, int line);
    TFile* ShortcutFile(const std::string& name, TProcessor processor) const;
    void ReadRegistry(size_t t);
    void ReadRegistryLine(size_t t, const TInfLine& line);
    bool ReadRegistryData(const TInfLine& line, const std::vector<std::string>& raw, const std::vector<bool>& quoted,
                          TValueEntry& value);
    void ReadSetupDll(size_t t);

    bool Destination(const std::string& section, int line, std::string& folder);
    bool ResolveSource(size_t t, const std::string& name, int line, std::string& dir);
    std::string SourceDir(const std::string& written) const;
    TFolder* FolderFor(const std::string& path, int line);
    std::string ExpandInstallDir(const std::string& path) const;

    void SettleSelfRegister();
    void MakeFiles();
    void PlaceFile(const TFileEntry& entry, TFile& file);
    void MakeShortcuts();
    void MakeValues();
    TRegKey* KeyFor(const std::string& hive, const std::string& path);
    void MakeValue(TRegKey& key, const TValueEntry& entry, TProcessor processor, TPlatforms platforms);
    void MakeSetupDlls();
    void DropUnusedNameFolders();
    TPlatforms PlatformsOf(const std::vector<size_t>& targets) const;
    // The targets of an item grouped as the model holds them: everything
    // under processor All when one of them is a section for every processor
    // (or, with everySection, when every section lists the item), otherwise
    // one group per processor. Files never take the second way: a file for
    // every processor makes a section of its own.
    std::vector<std::pair<TProcessor, std::vector<size_t>>> ByProcessor(const std::vector<size_t>& targets,
                                                                        bool everySection = true) const;

    const TInfFile& FInf;
    std::string FInfPath;
    std::string FInfDir;
    std::string FProjectPath;
    std::string FProjectDir;
    bool FPlaced = false;
    bool FEverySection = false;
    bool FSameFolder = false;
    std::vector<std::string> FSourcesToCome;
    std::string FInstallDir;
    std::unique_ptr<TProject> FProject;
    TImportReport FReport;
    std::vector<TImportCopy> FCopies;
    std::vector<TInfTarget> FTargets;
    TItems<TFileEntry> FFiles{0};
    TItems<TShortcutEntry> FShortcuts{0};
    TItems<TValueEntry> FValues{0};
    TItems<TDllEntry> FDlls{0};
    std::unordered_set<const TValue*> FFilledDefaults;
    // Per section and file name: the files of that name, and how many of
    // them CESelfRegister names.
    std::vector<std::pair<std::vector<size_t>, size_t>> FSelfRegisterGroups;
    std::vector<int> FSelfRegisters;
    int FShortcutCount = 0;
    int FValueCount = 0;
};

TInfImporter::TInfImporter(const TInfFile& inf, const std::string& infPath, const TInfImportOptions& options)
    : FInf(inf), FInfPath(ExpandFileName(infPath)), FInfDir(ExtractFilePath(FInfPath)),
      FProjectPath(options.FProjectPath.empty() ? ChangeFileExt(FInfPath, ".vip")
                                                : ExpandFileName(options.FProjectPath)),
      FProjectDir(ExtractFilePath(FProjectPath))
{
    // A project not placed yet (opened unsaved in the window) gets whole
    // paths: where it will be saved is not known.
    FPlaced = !options.FProjectPath.empty();
    FEverySection = options.FEverySectionIsEveryProcessor;
    FSourcesToCome = options.FSourcesToCome;
    FSameFolder = FPlaced && ExcludeTrailingPathDelimiter(FInfDir) == ExcludeTrailingPathDelimiter(FProjectDir);
    FTargets = InfTargets(inf, options.FLabels, FReport);
    FFiles = TItems<TFileEntry>(FTargets.size());
    FShortcuts = TItems<TShortcutEntry>(FTargets.size());
    FValues = TItems<TValueEntry>(FTargets.size());
    FDlls = TItems<TDllEntry>(FTargets.size());
}

TImportResult TInfImporter::Run()
{
    ReadHeader();
    // Every section's files first: a shortcut may start a file that only
    // another section installs.
    for (size_t t = 0; t < FTargets.size(); ++t)
        ReadFiles(t);
    for (size_t t = 0; t < FTargets.size(); ++t) {
        ReadShortcuts(t);
        ReadRegistry(t);
        ReadSetupDll(t);
    }
    SettleSelfRegister();
    MakeFiles();
    MakeShortcuts();
    MakeValues();
    MakeSetupDlls();
    DropUnusedNameFolders();
    const int files = FProject->Files().Count();
    const int dlls = FProject->SetupDlls().Count();
    FReport.SetSummary("Imported " + Quote(ExtractFileName(FInfPath)) + ": " + std::to_string(files) +
                       (files == 1 ? " file, " : " files, ") + std::to_string(FShortcutCount) +
                       (FShortcutCount == 1 ? " shortcut, " : " shortcuts, ") + std::to_string(FValueCount) +
                       (FValueCount == 1 ? " registry value, " : " registry values, ") + std::to_string(dlls) +
                       (dlls == 1 ? " setup DLL" : " setup DLLs") + ", from " + std::to_string(FTargets.size()) +
                       (FTargets.size() == 1 ? " device section." : " device sections."));
    return TImportResult{std::move(FProject), std::move(FReport), std::move(FCopies)};
}

void TInfImporter::ReadHeader()
{
    auto first = [&](const TInfLine* line) {
        std::vector<std::string> fields = line ? FInf.Fields(line->FValue, false) : std::vector<std::string>();
        return fields.empty() ? std::string() : fields.front();
    };
    const TInfLine* provider = FInf.Find("Version", "Provider");
    FProject = std::make_unique<TProject>(provider ? first(provider) : std::string("<none>"));
    FProject->SetProjectDir(FProjectDir);
    FProject->SetProjectFileName(ExtractFileName(FProjectPath));
    if (const TInfLine* appName = FInf.Find("CEStrings", "AppName")) {
        FProject->SetApplicationName(first(appName));
        FProject->AppFolder()->SetName(first(appName));
    } else {
        FReport.NotMapped(0, "[CEStrings] has no AppName; the application is called " + Quote(FProject->AppName()));
    }
    const TInfLine* installDir = FInf.Find("CEStrings", "InstallDir");
    if (!installDir) {
        FReport.Information(0, "[CEStrings] has no InstallDir; the default folder stays " +
                                   FProject->DefaultFolder()->GetPath());
        FInstallDir = FProject->DefaultFolder()->GetMacroPath();
        return;
    }
    FInstallDir = first(installDir);
    FProject->SetDefaultFolder(FolderFor(FInstallDir, installDir->FLineNo));
    FInstallDir = FProject->DefaultFolder()->GetMacroPath();
}

std::string TInfImporter::ExpandInstallDir(const std::string& path) const
{
    static const std::string macro = "%InstallDir%";
    if (path.size() >= macro.size() && SameText(path.substr(0, macro.size()), macro))
        return FInstallDir + path.substr(macro.size());
    return path;
}

TFolder* TInfImporter::FolderFor(const std::string& path, int line)
{
    const std::vector<std::string> parts = SplitDevicePath(path);
    TFolder* folder = FProject->Folders().Root();
    size_t i = 0;
    int number = 0;
    if (!parts.empty() && parts[0].size() > 4 && SameText(parts[0].substr(0, 3), "%CE") && parts[0].back() == '%' &&
        std::sscanf(parts[0].c_str() + 3, "%d", &number) == 1 && SystemFolderMacro(number) == UpperCase(parts[0])) {
        for (TFolder* f : FProject->Folders().GetAllFolders())
            if (f->IsSystem() && f->SystemFolder() == number) {
                folder = f;
                break;
            }
        i = 1;
    } else if (!parts.empty() && parts[0].front() == '%') {
        FReport.NotMapped(line, "the folder " + Quote(path) +
                                    " starts with a macro the device does not know; it is taken as a folder name");
    }
    for (; i < parts.size(); ++i) {
        TFolder* child = nullptr;
        for (int c = 0; c < folder->SubFolderCount() && !child; ++c)
            if (SameText(folder->GetSubFolder(c)->Name(), parts[i]))
                child = folder->GetSubFolder(c);
        folder = child ? child : folder->AddSubFolder(std::make_unique<TFolder>(parts[i], 0));
    }
    return folder;
}

bool TInfImporter::Destination(const std::string& section, int line, std::string& folder)
{
    const TInfLine* dest = FInf.Find("DestinationDirs", section);
    if (!dest)
        dest = FInf.Find("DestinationDirs", "DefaultDestDir");
    if (!dest) {
        FReport.NotMapped(line, "[" + section + "] has no folder in [DestinationDirs]; its entries are left out");
        return false;
    }
    std::vector<std::string> fields = FInf.Fields(dest->FValue, true);
    if (!fields.empty() && Trim(fields[0]) != "0")
        FReport.NotMapped(dest->FLineNo, "the directory ID " + fields[0] + " of [" + section +
                                             "] is no device folder; its path is taken as it stands");
    folder = ExpandInstallDir(fields.size() > 1 ? fields[1] : std::string());
    return true;
}

std::string TInfImporter::SourceDir(const std::string& written) const
{
    if (IsAbsoluteSource(written) || FSameFolder)
        return written;
    return ExcludeTrailingPathDelimiter(AppendPath(FInfDir, NormalizeHostPath(written)));
}

bool TInfImporter::ResolveSource(size_t t, const std::string& name, int line, std::string& dir)
{
    const TInfTarget& target = FTargets[t];
    auto file = target.FDiskFiles.find(LowerCase(name));
    if (file == target.FDiskFiles.end()) {
        FReport.NotMapped(line, Quote(name) + " is not listed in [SourceDisksFiles]; its source is taken from " +
                                    "the folder of the .inf");
        dir = SourceDir("");
        return false;
    }
    auto disk = target.FDiskNames.find(file->second.first);
    if (disk == target.FDiskNames.end()) {
        FReport.NotMapped(line,
                          "the source disk " + file->second.first + " of " + Quote(name) +
                              " is not listed in [SourceDisksNames]; its source is taken from the folder of the .inf");
        dir = SourceDir("");
        return false;
    }
    std::string written = disk->second;
    if (!file->second.second.empty())
        written = written.empty() ? file->second.second : written + "\\" + file->second.second;
    dir = SourceDir(written);
    return true;
}

void TInfImporter::ReadFiles(size_t t)
{
    const TInfTarget& target = FTargets[t];
    std::unordered_map<std::string, size_t> listed; // how often CESelfRegister names each file
    for (const std::string& name : target.InstallList(FInf, "CESelfRegister")) {
        ++listed[LowerCase(name)];
    }
    std::vector<std::pair<std::string, TFileEntry>> entries; // (key, entry) in line order
    for (const std::string& section : target.InstallList(FInf, "CopyFiles")) {
        const auto* lines = NamedSection(target, "CopyFiles", section);
        if (!lines)
            continue;
        std::string folder;
        if (!Destination(section, target.InstallLine("CopyFiles"), folder))
            continue;
        for (const TInfLine& line : *lines)
            ReadFileLine(t, line, folder, entries);
    }
    // The project's order, as [SourceDisksFiles] lists it: the k-th line of
    // a source name takes its k-th place there.
    std::unordered_map<std::string, size_t> used;
    std::vector<std::pair<size_t, size_t>> ranks; // (place, entry)
    for (size_t i = 0; i < entries.size(); ++i) {
        std::string name = LowerCase(entries[i].second.FSourceName);
        auto order = target.FDiskFileOrder.find(name);
        size_t k = used[name]++;
        size_t place = order == target.FDiskFileOrder.end() || order->second.empty()
                           ? SIZE_MAX
                           : order->second[std::min(k, order->second.size() - 1)];
        ranks.push_back({place, i});
    }
    std::stable_sort(ranks.begin(), ranks.end(), [](auto& a, auto& b) { return a.first < b.first; });
    for (const auto& [place, i] : ranks)
        FFiles.Add(t, entries[i].first, std::move(entries[i].second));
    // CESelfRegister names files by name, once per file that registers:
    // where it names fewer files than bear the name, which of them register
    // is settled with the other sections (SettleSelfRegister).
    std::unordered_map<std::string, std::vector<size_t>> named;
    for (size_t item : FFiles.List(t))
        named[LowerCase(FFiles[item].FEntry.FName)].push_back(item);
    for (const auto& [name, count] : listed) {
        auto items = named.find(name);
        if (items == named.end()) {
            FReport.NotMapped(target.InstallLine("CESelfRegister"),
                              "CESelfRegister names " + Quote(name) + ", which this device section does not install");
            continue;
        }
        FSelfRegisterGroups.push_back({items->second, count});
    }
    for (const auto& [name, items] : named)
        if (!listed.count(name))
            FSelfRegisterGroups.push_back({items, 0});
}

void TInfImporter::SettleSelfRegister()
{
    // -1: not known yet. Groups that name all or none of their files decide
    // for them; the others take the files known to register first, then
    // files not known yet, in the section's order.
    FSelfRegisters.assign(FFiles.Size(), -1);
    for (const auto& [items, count] : FSelfRegisterGroups)
        if (count == 0 || count >= items.size())
            for (size_t item : items)
                FSelfRegisters[item] = count == 0 ? 0 : 1;
    for (const auto& [items, count] : FSelfRegisterGroups) {
        size_t marked = 0;
        for (size_t item : items)
            marked += FSelfRegisters[item] == 1;
        for (size_t item : items)
            if (FSelfRegisters[item] == -1) {
                FSelfRegisters[item] = marked < count ? 1 : 0;
                marked += FSelfRegisters[item];
            }
    }
}

void TInfImporter::ReadFileLine(size_t t, const TInfLine& line, const std::string& folder,
                                std::vector<std::pair<std::string, TFileEntry>>& entries)
{
    std::vector<std::string> fields = FInf.Fields(line.FText, false);
    TFileEntry entry;
    entry.FName = fields.empty() ? std::string() : Trim(fields[0]);
    if (entry.FName.empty()) {
        FReport.NotMapped(line.FLineNo, "a file line that names no file");
        return;
    }
    entry.FSourceName = fields.size() > 1 && !fields[1].empty() ? fields[1] : entry.FName;
    uint32_t flags = 0;
    if (fields.size() > 3 && !fields[3].empty() && !ParseInfNumber(fields[3], flags))
        FReport.NotMapped(line.FLineNo, "the copy flags " + Quote(fields[3]) + " of " + Quote(entry.FName) +
                                            " are no number; the file is copied with none");
    entry.FFlags = DecodeCopyFlags(flags);
    if (entry.FFlags.FTwoModes)
        FReport.NotMapped(line.FLineNo, "the copy flags " + Hex(flags) + " of " + Quote(entry.FName) +
                                            " set more than one copy mode; the file keeps " +
                                            Quote(CopyModeName(entry.FFlags.FMode)));
    if (entry.FFlags.FUnknown)
        FReport.NotMapped(line.FLineNo, "the copy flags " + Hex(entry.FFlags.FUnknown) + " of " + Quote(entry.FName) +
                                            " have no copy option in the project");
    entry.FFolder = folder;
    entry.FDefaultFolder = SameText(folder, FInstallDir);
    entry.FLine = line.FLineNo;
    ResolveSource(t, entry.FSourceName, line.FLineNo, entry.FSourceDir);
    std::string key = entry.FFolder + '\x1f' + entry.FName + '\x1f' + entry.FSourceDir + '\x1f' + entry.FSourceName +
                      '\x1f' + std::to_string(entry.FFlags.FMode) + '\x1f' +
                      std::to_string(entry.FFlags.FOptions.Bits());
    entries.push_back({std::move(key), std::move(entry)});
}

const std::vector<TInfLine>* TInfImporter::NamedSection(const TInfTarget& target, const char* key,
                                                        const std::string& section)
{
    const auto* lines = FInf.Section(section);
    if (!lines)
        FReport.NotMapped(target.InstallLine(key),
                          std::string(key) + " names [" + section + "], which the .inf does not have");
    return lines;
}

void TInfImporter::ReadShortcuts(size_t t)
{
    const TInfTarget& target = FTargets[t];
    for (const std::string& section : target.InstallList(FInf, "CEShortcuts")) {
        const auto* lines = NamedSection(target, "CEShortcuts", section);
        if (!lines)
            continue;
        FShortcuts.StartGroup(t);
        std::string sectionFolder;
        bool hasFolder = false;
        for (const TInfLine& line : *lines) {
            std::vector<std::string> fields = FInf.Fields(line.FText, true);
            fields.resize(std::max<size_t>(fields.size(), 4));
            if (fields[0].empty() || (!Trim(fields[1]).empty() && Trim(fields[1]) != "0")) {
                FReport.NotMapped(line.FLineNo, "the shortcut " + Quote(fields[0]) +
                                                    " starts a folder; the project's shortcuts start files");
                continue;
            }
            std::string folder = ExpandInstallDir(fields[3]);
            if (fields[3].empty()) {
                if (!hasFolder && !Destination(section, line.FLineNo, sectionFolder))
                    break;
                hasFolder = true;
                folder = sectionFolder;
            }
            if (!ShortcutTargetKnown(t, fields[2], line.FLineNo)) {
                FReport.NotMapped(line.FLineNo, "the shortcut " + Quote(fields[0]) + " starts " + Quote(fields[2]) +
                                                    ", which the .inf does not install");
                continue;
            }
            FShortcuts.Add(t, fields[0] + '\x1f' + folder + '\x1f' + LowerCase(fields[2]),
                           TShortcutEntry{fields[0], folder, fields[2]});
        }
    }
}

bool TInfImporter::ShortcutTargetKnown(size_t t, const std::string& name, int line)
{
    auto named = [&](size_t item) { return SameText(FFiles[item].FEntry.FName, name); };
    const std::vector<size_t>& own = FFiles.List(t);
    if (std::any_of(own.begin(), own.end(), named))
        return true;
    // The builder writes a shortcut wherever its own platforms reach, even
    // where its file is not installed; the file is then one of another
    // section for the same processor.
    for (size_t item = 0; item < FFiles.Size(); ++item)
        for (size_t other : FFiles[item].FTargets)
            if (named(item) &&
                (FTargets[other].FProcessor == FTargets[t].FProcessor || FTargets[other].FProcessor == pAll)) {
                FReport.Information(line, "the shortcut starts " + Quote(name) +
                                              ", which this device section does not install (the CAB tool refuses "
                                              "that); it is kept for the sections that do");
                return true;
            }
    return false;
}

void TInfImporter::ReadSetupDll(size_t t)
{
    const TInfTarget& target = FTargets[t];
    std::vector<std::string> names = target.InstallList(FInf, "CESetupDLL");
    for (size_t i = 1; i < names.size(); ++i)
        FReport.NotMapped(target.InstallLine("CESetupDLL"),
                          "a second setup DLL " + Quote(names[i]) + "; a device section has one");
    if (names.empty())
        return;
    TDllEntry entry{names[0], std::string()};
    ResolveSource(t, names[0], target.InstallLine("CESetupDLL"), entry.FSourceDir);
    FDlls.Add(t, entry.FName + '\x1f' + entry.FSourceDir, entry);
}

void TInfImporter::ReadRegistry(size_t t)
{
    const TInfTarget& target = FTargets[t];
    for (const std::string& section : target.InstallList(FInf, "AddReg")) {
        const auto* lines = NamedSection(target, "AddReg", section);
        if (!lines)
            continue;
        for (const TInfLine& line : *lines)
            ReadRegistryLine(t, line);
    }
}

void TInfImporter::ReadRegistryLine(size_t t, const TInfLine& line)
{
    std::vector<bool> quoted;
    std::vector<std::string> raw = TInfFile::SplitFields(line.FText, &quoted);
    if (raw.size() < 4) {
        FReport.NotMapped(line.FLineNo, "a registry line without root, key, value name and flags");
        return;
    }
    TValueEntry value;
    value.FHive = RegistryHive(raw[0]);
    if (value.FHive.empty()) {
        FReport.NotMapped(line.FLineNo, "the registry root " + Quote(raw[0]) + " is none the device has");
        return;
    }
    value.FKeyPath = FInf.Substitute(raw[1], true);
    value.FName = FInf.Substitute(raw[2], true);
    uint32_t flags = 0;
    if (!raw[3].empty() && !ParseInfNumber(raw[3], flags)) {
        FReport.NotMapped(line.FLineNo, "the registry flags " + Quote(raw[3]) + " are no number");
        return;
    }
    value.FType = flags & 0x00010001u;
    value.FNoClobber = (flags & 0x2u) != 0;
    if (uint32_t other = flags & ~0x00010003u)
        FReport.NotMapped(line.FLineNo, "the registry flags " + Hex(other) + " of the value " + Quote(value.FName) +
                                            " have no counterpart in the project (a type or an action it lacks); " +
                                            "the value is kept without them");
    if (!ReadRegistryData(line, raw, quoted, value))
        return;
    std::string key = value.FHive + '\x1f' + value.FKeyPath + '\x1f' + value.FName + '\x1f' +
                      std::to_string(value.FType) + '\x1f' + (value.FNoClobber ? "1" : "0") + '\x1f' + value.FString +
                      '\x1f' + std::to_string(value.FDword) + '\x1f' +
                      std::string(value.FBinary.begin(), value.FBinary.end());
    for (const auto& s : value.FStrings)
        key += '\x1f' + s;
    FValues.Add(t, key, std::move(value));
}

bool TInfImporter::ReadRegistryData(const TInfLine& line, const std::vector<std::string>& raw,
                                    const std::vector<bool>& quoted, TValueEntry& value)
{
    std::vector<std::string> data;
    bool anyQuoted = false;
    for (size_t i = 4; i < raw.size(); ++i) {
        data.push_back(FInf.Substitute(raw[i], true));
        anyQuoted = anyQuoted || quoted[i];
    }
    switch (value.FType) {
    case vtString:
        if (data.size() > 1 && !anyQuoted)
            value.FString = Trim(FInf.Substitute(TInfFile::TextAfterField(line.FText, 4), true));
        else if (!data.empty())
            value.FString = data[0];
        if (data.size() > 1 && anyQuoted)
            FReport.NotMapped(line.FLineNo, "the string value " + Quote(value.FName) +
                                                " has more than one data field; the first is kept");
        return true;
    case vtMultiString:
        // The writer ends every string with a comma: the last field is empty.
        value.FStrings = data;
        if (!value.FStrings.empty() && value.FStrings.back().empty())
            value.FStrings.pop_back();
        return true;
    case vtBinary:
        for (const std::string& text : data) {
            uint32_t byte = 0;
            if (Trim(text).empty() && data.size() == 1)
                break;
            if (!ParseInfNumber("0x" + Trim(text), byte) || byte > 0xFF) {
                FReport.NotMapped(line.FLineNo, "the binary value " + Quote(value.FName) + " holds " + Quote(text) +
                                                    ", which is no byte; the value is left out");
                return false;
            }
            value.FBinary.push_back(uint8_t(byte));
        }
        return true;
    default:
        if (data.empty() || !ParseInfNumber(Trim(data[0]), value.FDword)) {
            FReport.NotMapped(line.FLineNo,
                              "the DWORD value " + Quote(value.FName) + " holds no number; the value is left out");
            return false;
        }
        return true;
    }
}

TPlatforms TInfImporter::PlatformsOf(const std::vector<size_t>& targets) const
{
    TPlatforms platforms;
    for (size_t t : targets)
        platforms = platforms + FTargets[t].FPlatforms;
    return platforms;
}

std::vector<std::pair<TProcessor, std::vector<size_t>>> TInfImporter::ByProcessor(const std::vector<size_t>& targets,
                                                                                  bool everySection) const
{
    std::vector<std::pair<TProcessor, std::vector<size_t>>> groups;
    for (size_t t : targets)
        if (FTargets[t].FProcessor == pAll || (everySection && targets.size() == FTargets.size()))
            return {{pAll, targets}};
    for (size_t t : targets) {
        auto group = std::find_if(groups.begin(), groups.end(),
                                  [&](const auto& g) { return g.first == FTargets[t].FProcessor; });
        if (group == groups.end())
            groups.push_back({FTargets[t].FProcessor, {t}});
        else
            group->second.push_back(t);
    }
    return groups;
}

void TInfImporter::MakeFiles()
{
    for (size_t item : FFiles.Order()) {
        const TFileEntry& entry = FFiles[item].FEntry;
        for (const auto& [processor, targets] : ByProcessor(FFiles[item].FTargets, FEverySection)) {
            auto file = std::make_unique<TFile>();
            file->SetProcessor(processor);
            file->SetPlatforms(PlatformsOf(targets));
            file->SetCopyMode(entry.FFlags.FMode);
            TFileOptions options = entry.FFlags.FOptions;
            if (FSelfRegisters[item] == 1)
                options.Include(foSelfRegister);
            file->SetOptions(options);
            PlaceFile(entry, *file);
            FProject->Files().Add(std::move(file));
        }
    }
}

void TInfImporter::PlaceFile(const TFileEntry& entry, TFile& file)
{
    file.SetEmergencyFolder(FProject->Folders().Root());
    if (entry.FDefaultFolder) {
        file.SetFolder(FProject->DefaultFolder());
        file.SetUseDefaultFolder(true);
    } else {
        file.SetFolder(FolderFor(entry.FFolder, entry.FLine));
    }
    file.SetFileName(entry.FName);
    file.SetSourceDir(entry.FSourceDir);
    if (entry.FName == entry.FSourceName) {
        file.SetFileName(entry.FSourceName);
        return;
    }
    // A project names a file by its source: a file installed under another
    // name becomes a copy under that name, in a folder of its own when two
    // different files share the name.
    const std::string filesFolder = ImportFilesFolder(FProjectPath);
    std::string sourceHost = NormalizeHostPath(entry.FSourceDir);
    if (!IsAbsoluteSource(entry.FSourceDir))
        sourceHost = AppendPath(FProjectDir, sourceHost);
    sourceHost = AppendPath(sourceHost, entry.FSourceName);
    const std::string base = FPlaced ? ExtractFileName(ExcludeTrailingPathDelimiter(filesFolder)) : filesFolder;
    std::string relative = base;
    std::string to = AppendPath(filesFolder, entry.FName);
    for (int n = 2;; ++n) {
        auto taken =
            std::find_if(FCopies.begin(), FCopies.end(), [&](const TImportCopy& c) { return SameText(c.FTo, to); });
        if (taken == FCopies.end() || taken->FFrom == sourceHost)
            break;
        relative = AppendPath(base, std::to_string(n));
        to = AppendPath(AppendPath(filesFolder, std::to_string(n)), entry.FName);
    }
    file.SetSourceDir(relative);
    if (std::none_of(FCopies.begin(), FCopies.end(), [&](const TImportCopy& c) { return c.FTo == to; })) {
        const bool exists = FileExists(HostFileName(sourceHost)) ||
                            std::find(FSourcesToCome.begin(), FSourcesToCome.end(), sourceHost) != FSourcesToCome.end();
        if (exists)
            FCopies.push_back({sourceHost, to});
        FReport.Information(entry.FLine, Quote(entry.FSourceName) + " is installed as " + Quote(entry.FName) +
                                             ": the project holds a copy under that name in " + Quote(relative) +
                                             (exists ? "" : " (the source is missing)"));
    }
}

TFile* TInfImporter::ShortcutFile(const std::string& name, TProcessor processor) const
{
    // A section names the file by its name alone: the file of that name for
    // the shortcut's processor, otherwise the one for every processor.
    TFile* any = nullptr;
    for (TFile* file : FProject->Files().ToList()) {
        if (!SameText(file->FileName(), name))
            continue;
        if (file->Processor() == processor)
            return file;
        if (file->Processor() == pAll && !any)
            any = file;
    }
    return any;
}

void TInfImporter::MakeShortcuts()
{
    for (size_t item : FShortcuts.Order()) {
        const TShortcutEntry& entry = FShortcuts[item].FEntry;
        for (const auto& [processor, targets] : ByProcessor(FShortcuts[item].FTargets, false)) {
            TFile* file = ShortcutFile(entry.FTarget, processor);
            if (!file)
                continue;
            auto shortcut = std::make_unique<TCEShortCut>();
            shortcut->SetName(entry.FName);
            shortcut->SetTarget(file);
            shortcut->SetPlatforms(PlatformsOf(targets));
            shortcut->SetEmergencyFolder(FProject->Folders().Root());
            shortcut->SetFolder(FolderFor(entry.FFolder, 0));
            FProject->Shortcuts().Add(std::move(shortcut));
            ++FShortcutCount;
        }
    }
}

TRegKey* TInfImporter::KeyFor(const std::string& hive, const std::string& path)
{
    TRegKey* key = nullptr;
    for (int i = 0; i < FProject->RegKeys().Count() && !key; ++i)
        if (SameText(FProject->RegKeys().Item(i)->ShortName(), hive))
            key = FProject->RegKeys().Item(i);
    if (!key)
        key = FProject->RegKeys().Add(std::make_unique<TRegKey>(true, RegistryHiveName(hive), hive));
    for (size_t start = 0; start <= path.size();) {
        size_t end = path.find('\\', start);
        if (end == std::string::npos)
            end = path.size();
        if (end > start) {
            std::string name = path.substr(start, end - start);
            TRegKey* child = nullptr;
            for (int c = 0; c < key->SubKeyCount() && !child; ++c)
                if (SameText(key->GetSubKey(c)->Name(), name))
                    child = key->GetSubKey(c);
            key = child ? child : key->AddSubKey(std::make_unique<TRegKey>(false, name, name));
        }
        start = end + 1;
    }
    return key;
}

void TInfImporter::MakeValues()
{
    // Keys first, in an order that keeps each device section's (the writer
    // lists a key's values together, parents before their subkeys), so that
    // the key tree lists them as the sections did.
    TItems<std::pair<std::string, std::string>> keys(FTargets.size());
    for (size_t t = 0; t < FTargets.size(); ++t) {
        std::string last;
        for (size_t item : FValues.List(t)) {
            const TValueEntry& v = FValues[item].FEntry;
            std::string path = UpperCase(v.FHive + "\\" + v.FKeyPath);
            if (path != last)
                keys.Add(t, path, {v.FHive, v.FKeyPath});
            last = path;
        }
    }
    std::unordered_map<std::string, TRegKey*> made;
    for (size_t item : keys.Order()) {
        const auto& [hive, path] = keys[item].FEntry;
        TRegKey*& key = made[UpperCase(hive + "\\" + path)];
        if (!key)
            key = KeyFor(hive, path);
    }
    for (size_t item : FValues.Order()) {
        const TValueEntry& entry = FValues[item].FEntry;
        TRegKey* key = made[UpperCase(entry.FHive + "\\" + entry.FKeyPath)];
        for (const auto& [processor, targets] : ByProcessor(FValues[item].FTargets)) {
            MakeValue(*key, entry, processor, PlatformsOf(targets));
            ++FValueCount;
        }
    }
}

void TInfImporter::MakeValue(TRegKey& key, const TValueEntry& entry, TProcessor processor, TPlatforms platforms)
{
    // An unnamed string is the key's default value, which every key has;
    // the first one the .inf sets fills it.
    TValue* value = nullptr;
    TValue* first = key.Values().Values().empty() ? nullptr : key.Values().Values().front().get();
    if (entry.FName.empty() && entry.FType == vtString && first && first->IsDefault() &&
        !FFilledDefaults.count(first)) {
        value = first;
        FFilledDefaults.insert(first);
    } else {
        auto fresh = std::make_unique<TValue>(entry.FType);
        fresh->SetName(entry.FName);
        value = key.Values().Add(std::move(fresh));
    }
    value->SetStringData(entry.FString);
    value->SetDwordData(entry.FDword);
    value->Strings() = entry.FStrings;
    value->BinaryData() = entry.FBinary;
    value->SetNoClobber(entry.FNoClobber);
    value->SetProcessor(processor);
    value->SetPlatforms(platforms);
}

void TInfImporter::MakeSetupDlls()
{
    // The writer takes the last setup DLL that fits a section: those for
    // every processor go first, so that one for a processor wins over them.
    std::vector<std::pair<TProcessor, std::vector<size_t>>> groups;
    std::vector<size_t> order;
    for (size_t item : FDlls.Order())
        for (auto& group : ByProcessor(FDlls[item].FTargets)) {
            groups.push_back(std::move(group));
            order.push_back(item);
        }
    for (bool forAll : {true, false})
        for (size_t i = 0; i < groups.size(); ++i) {
            if ((groups[i].first == pAll) != forAll)
                continue;
            auto dll = std::make_unique<TSetupDLL>();
            dll->SetFileName(FDlls[order[i]].FEntry.FName);
            dll->SetSourceDir(FDlls[order[i]].FEntry.FSourceDir);
            dll->SetProcessor(groups[i].first);
            dll->SetPlatforms(PlatformsOf(groups[i].second));
            FProject->SetupDlls().Add(std::move(dll));
        }
}

void TInfImporter::DropUnusedNameFolders()
{
    // The new project's "Program Files\<company>\<application>" folders stay
    // only when the .inf uses them.
    auto unused = [&](TFolder* folder) {
        return folder && folder != FProject->DefaultFolder() && folder->SubFolderCount() == 0 &&
               folder->SubscriberCount() == 0;
    };
    if (unused(FProject->AppFolder())) {
        FProject->Folders().DeleteFolder(FProject->AppFolder());
        FProject->SetAppFolder(nullptr);
    }
    if (unused(FProject->CompanyFolder())) {
        FProject->Folders().DeleteFolder(FProject->CompanyFolder());
        FProject->SetCompanyFolder(nullptr);
    }
}

}

TImportResult ImportInf(const TInfFile& inf, const std::string& infPath, const TInfImportOptions& options)
{
    return TInfImporter(inf, infPath, options).Run();
}

TImportResult ImportInfFile(const std::string& infPath, const TInfImportOptions& options)
{
    TInfFile inf;
    inf.LoadFromFile(infPath);
    return ImportInf(inf, infPath, options);
}

std::string ImportFilesFolder(const std::string& projectPath)
{
    return AppendPath(ExtractFilePath(projectPath), ChangeFileExt(ExtractFileName(projectPath), "") + " files");
}

void MakeImportCopies(const std::vector<TImportCopy>& copies)
{
    for (const TImportCopy& copy : copies) {
        if (!ForceDirectories(ExtractFilePath(copy.FTo)))
            throw Exception("Cannot create the folder \"" + ExtractFilePath(copy.FTo) + "\"");
        const std::vector<uint8_t> bytes = ReadFileBytes(HostFileName(copy.FFrom));
        WriteFileAtomic(copy.FTo, bytes.data(), bytes.size());
    }
}
