#include "package/InfWriter.h"

#include "common/DebugTrace.h"
#include "common/Exception.h"
#include "common/Paths.h"
#include "model/Files.h"
#include "model/Folders.h"
#include "model/Project.h"
#include "model/RegistryKeys.h"
#include "model/Shortcuts.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <unordered_map>
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

// An .inf reader ends an unquoted field at a comma, a semicolon starts a
// comment, a double quote opens a quoted field, blanks around a field are
// layout, a backslash at the end of a line joins the next line, and "%key%"
// is replaced from [Strings]. Texts are written so that they come back
// unchanged: a field in double quotes with its quotes doubled, and every
// percent sign doubled. Only a line break or another control character
// cannot be carried at all.
const char* CharacterName(char c)
{
    return c == '\r' || c == '\n' ? "a line break" : "a control character";
}

void CheckInfText(const std::string& text, const std::string& what)
{
    for (char c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            throw Exception(what + " contains " + CharacterName(c) +
                            ", which the .inf file cannot carry. Please change it and build again.");
}

// The length of the device macro ("%CE1%" .. "%CE17%", "%InstallDir%") that
// starts at pos, or 0. The CAB tool leaves those for the device to resolve,
// so they stay single in every text.
size_t DeviceMacroLength(const std::string& text, size_t pos)
{
    static const std::string InstallDir = "%InstallDir%";
    if (text.compare(pos, InstallDir.size(), InstallDir) == 0)
        return InstallDir.size();
    if (text.compare(pos, 3, "%CE") != 0)
        return 0;
    size_t close = text.find('%', pos + 3);
    if (close == std::string::npos || close == pos + 3 || close > pos + 5 ||
        text.find_first_not_of("0123456789", pos + 3) != close)
        return 0;
    int number = std::atoi(text.c_str() + pos + 3);
    return number >= 1 && number <= 17 ? close + 1 - pos : 0;
}

std::string DoublePercent(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (size_t macro = text[i] == '%' ? DeviceMacroLength(text, i) : 0) {
            out.append(text, i, macro);
            i += macro - 1;
            continue;
        }
        out += text[i];
        if (text[i] == '%')
            out += '%';
    }
    return out;
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool NeedsQuotes(const std::string& text)
{
    return !text.empty() && (text.find_first_of("\",;") != std::string::npos || text.back() == '\\' ||
                             IsBlank(text.front()) || IsBlank(text.back()));
}

// A field that is always quoted: names and registry keys.
std::string Quoted(const std::string& text)
{
    std::string out = "\"";
    for (char c : DoublePercent(text)) {
        out += c;
        if (c == '"')
            out += '"';
    }
    return out + "\"";
}

// A field that stays bare unless its text needs the quotes; a text without
// the characters above is written as it stands.
std::string Field(const std::string& text)
{
    return NeedsQuotes(text) ? Quoted(text) : DoublePercent(text);
}

// A device path ("%CE1%\Firm\App", "\Data"): a field like any other, whose
// leading macro stays a macro.
std::string PathField(const std::string& macroPath)
{
    return Field(macroPath);
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
    default: break;
    }
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08X", flags);
    return buf;
}

TDeviceSection::TDeviceSection(TPlatform platform, TProcessor processor)
    : FPlatform(platform), FProcessor(processor)
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

void TDeviceSection::SetFiles(std::vector<TFile*> files)
{
    FFiles = std::move(files);
    FFileDirs.clear();
    TFolder* installFolder = FProject ? FProject->DefaultFolder() : nullptr;
    std::unordered_set<const TFolder*> seenDirs;
    for (TFile* file : FFiles) {
        file->SetDefaultFolder(installFolder);
        TFolder* folder = file->GetFolder();
        if (seenDirs.insert(folder).second)
            FFileDirs.push_back({folder, SectionName("Files" + std::to_string(FFileDirs.size() + 1))});
    }

    // Source disks are numbered in sorted order (letter case ignored), except
    // that a folder first met with the last file stands at the end: the list
    // is sorted before each file is looked at, and a newcomer is appended.
    std::vector<std::string> folders;
    std::unordered_set<std::string> seen;
    bool lastIsNewcomer = false;
    for (TFile* file : FFiles) {
        lastIsNewcomer = seen.insert(FoldCase(file->GetSourceDir())).second;
        if (lastIsNewcomer)
            folders.push_back(file->GetSourceDir());
    }
    auto caseLess = [](const std::string& a, const std::string& b) { return FoldCase(a) < FoldCase(b); };
    std::stable_sort(folders.begin(), lastIsNewcomer ? folders.end() - 1 : folders.end(), caseLess);
    FSourceDisks.clear();
    FDiskNumbers.clear();
    for (size_t i = 0; i < folders.size(); ++i) {
        FSourceDisks.push_back({folders[i], int32_t(i)});
        FDiskNumbers.emplace(FoldCase(folders[i]), int(i) + 1);
    }
}

void TDeviceSection::SetShortcuts(std::vector<TCEShortCut*> shortcuts)
{
    FShortcuts = std::move(shortcuts);
    FShortcutDirs.clear();
    std::unordered_set<const TFolder*> seen;
    for (TCEShortCut* shortcut : FShortcuts) {
        TFolder* folder = shortcut->GetFolder();
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
    return FSetupDLL ? WithoutTrailingBackslash(FSetupDLL->SourceDir()) : std::string();
}

TStringList TDeviceSection::DestinationDirLines() const
{
    TStringList lines;
    for (const auto* list : {&FFileDirs, &FShortcutDirs})
        for (const auto& dir : *list)
            lines.push_back(dir.FName + "=0," + PathField(dir.FFolder ? dir.FFolder->GetMacroPath() : std::string()));
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
    }
    return lines;
}

TStringList TDeviceSection::SourceDisksNamesLines() const
{
    TStringList lines{"[" + SectionName("SourceDisksNames") + "]"};
    auto line = [](int n, const std::string& path) {
        std::string num = std::to_string(n);
        return num + "=,\"SourceDisk" + num + "\",," + Field(path);
    };
    for (const auto& disk : FSourceDisks)
        lines.push_back(line(disk.FIndex + 1, disk.FPath));
    if (FSetupDLL && SourceDiskNumber(SetupDllSourceDir()) == 0)
        lines.push_back(line(int(FSourceDisks.size()) + 1, SetupDllSourceDir()));
    return lines;
}

TStringList TDeviceSection::SourceDisksFilesLines() const
{
    TStringList lines{"[" + SectionName("SourceDisksFiles") + "]"};
    for (TFile* file : FFiles) {
        int n = SourceDiskNumber(file->GetSourceDir());
        if (n == 0) {
            DebugTrace("No ID for file");
            continue;
        }
        lines.push_back(Quoted(file->FileName()) + " = " + std::to_string(n));
    }
    if (FSetupDLL) {
        int n = SourceDiskNumber(SetupDllSourceDir());
        if (n == 0)
            n = int(FSourceDisks.size()) + 1;
        lines.push_back(Quoted(FSetupDLL->FileName()) + " = " + std::to_string(n));
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
        lines.push_back("CESetupDLL = " + Field(FSetupDLL->FileName()));
    if (!FRegKeys.empty())
        lines.push_back("AddReg = " + SectionName("AddRegistry"));
    names.clear();
    for (TFile* file : FFiles)
        if (file->Options().Contains(foSelfRegister))
            names.push_back(Quoted(file->FileName()));
    if (!names.empty())
        lines.push_back("CESelfRegister=" + Join(names, ","));
    return lines;
}

TStringList TDeviceSection::FileSectionLines() const
{
    // Files grouped by destination in one pass; each group keeps file order.
    std::unordered_map<const TFolder*, std::vector<const TFile*>> byFolder;
    for (TFile* file : FFiles)
        byFolder[file->GetFolder()].push_back(file);
    TStringList lines;
    for (const auto& dir : FFileDirs) {
        lines.push_back("[" + dir.FName + "]");
        for (const TFile* file : byFolder[dir.FFolder])
            lines.push_back(Quoted(file->FileName()) + ",,," + CopyFlagsText(*file));
        lines.emplace_back();
    }
    return lines;
}

TStringList TDeviceSection::ShortcutSectionLines() const
{
    std::unordered_map<const TFolder*, std::vector<const TCEShortCut*>> byFolder;
    for (TCEShortCut* shortcut : FShortcuts)
        byFolder[shortcut->GetFolder()].push_back(shortcut);
    TStringList lines;
    for (const auto& dir : FShortcutDirs) {
        lines.push_back("[" + dir.FName + "]");
        for (const TCEShortCut* shortcut : byFolder[dir.FFolder])
            lines.push_back(Quoted(shortcut->Name()) + ",0," +
                            Field(shortcut->Target() ? shortcut->Target()->FileName() : std::string()));
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
        std::string head = key->GetHive() + "," + Quoted(key->GetKeyPath()) + ", ";
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
                data = Field(value->StringData());
            } else if (value->Type() == vtMultiString) {
                data.clear();
                for (const auto& text : value->Strings())
                    data += Field(text) + ",";
            }
            lines.push_back(head + Quoted(value->Name()) + "," + value->GetFlagsText() + ", " + data);
        }
    }
    return lines;
}

void PlanDeviceSections(TFiles& files, TCEShortcuts& shortcuts, TSetupDlls& setupDlls, TRegKeys& regKeys,
                        TProject& project)
{
    files.SetShortcuts(&shortcuts);
    files.SetRegKeys(&regKeys);
    std::vector<std::pair<TPlatform, TProcessor>> targets;
    TProcessors used = files.AllProcessors();
    if (files.CommonPlatforms() == AllPlatforms) {
        TProcessors common = files.CommonProcessors();
        if (common.Count() == 1) {
            for (int p = 0; p < ProcessorCount; ++p)
                if (common.Contains(TProcessor(p)))
                    targets.emplace_back(plAll, TProcessor(p));
        } else {
            for (int p = 0; p < ProcessorCount; ++p)
                if (used.Contains(TProcessor(p)))
                    targets.emplace_back(plAll, TProcessor(p));
        }
    } else {
        TPlatforms platforms = files.AllPlatforms();
        for (int pl = 0; pl < PlatformCount; ++pl) {
            if (!platforms.Contains(TPlatform(pl)))
                continue;
            for (int p = 0; p < ProcessorCount; ++p)
                if (used.Contains(TProcessor(p)) && !files.FilesFor(TPlatform(pl), TProcessor(p)).empty())
                    targets.emplace_back(TPlatform(pl), TProcessor(p));
        }
    }

    TDeviceSectionList& sections = files.DeviceSections();
    sections.clear();
    for (auto [platform, processor] : targets) {
        TDeviceSectionPtr section(new TDeviceSection(platform, processor), [](TDeviceSection* s) { delete s; });
        section->SetProject(&project);
        section->SetFiles(files.FilesFor(platform, processor));
        section->SetShortcuts(files.ShortcutsFor(platform, processor));
        section->SetRegKeys(TFiles::KeysFor(platform, processor, regKeys.Keys()));
        section->SetSetupDLL(TFiles::SetupDllFor(plAll, processor, setupDlls));
        sections.push_back(std::move(section));
    }
}

namespace {

// Every text the .inf will carry, checked before a line is written.
void CheckProject(TProject& project, const TDeviceSectionList& sections)
{
    CheckInfText(project.CompanyName(), "The company name \"" + project.CompanyName() + "\"");
    CheckInfText(project.AppName(), "The application name \"" + project.AppName() + "\"");
    std::unordered_set<const void*> checked;
    auto checkFolder = [&](const TFolder* folder) {
        for (const TFolder* f = folder; f && checked.insert(f).second; f = f->Parent())
            CheckInfText(f->Name(), "The device folder \"" + f->GetPath() + "\"");
    };
    if (project.DefaultFolder())
        checkFolder(project.DefaultFolder());
    for (const auto& section : sections) {
        for (const TFile* file : section->Files()) {
            if (!checked.insert(file).second)
                continue;
            CheckInfText(file->FileName(), "The file name \"" + file->FileName() + "\"");
            CheckInfText(file->GetSourceDir(), 
                         "The source folder \"" + file->GetSourceDir() + "\" of the file \"" + file->FileName() + "\"");
            checkFolder(file->GetFolder());
        }
        for (const auto& dir : section->ShortcutDirs())
            checkFolder(dir.FFolder);
        if (const TSetupDLL* dll = section->SetupDLL(); dll && checked.insert(dll).second) {
            CheckInfText(dll->FileName(), "The setup DLL name \"" + dll->FileName() + "\"");
            CheckInfText(dll->SourceDir(), 
                         "The source folder \"" + dll->SourceDir() + "\" of the setup DLL \"" + dll->FileName() + "\"");
        }
    }
}

void CheckShortcutsAndKeys(TCEShortcuts& shortcuts, const std::vector<TRegKey*>& keys)
{
    for (TCEShortCut* shortcut : shortcuts.ToList()) {
        CheckInfText(shortcut->Name(), "The shortcut name \"" + shortcut->Name() + "\"");
        if (shortcut->Target())
            CheckInfText(shortcut->Target()->FileName(), 
                         "The file name \"" + shortcut->Target()->FileName() + "\" of the shortcut \"" +
                             shortcut->Name() + "\"");
    }
    for (const TRegKey* key : keys) {
        std::string where = key->GetHive() + "\\" + key->GetKeyPath();
        CheckInfText(key->GetKeyPath(), "The registry key \"" + where + "\"");
        for (const auto& value : key->Values().Values()) {
            std::string what = "The registry value \"" + value->GetDisplayName() + "\" of the key \"" + where + "\"";
            CheckInfText(value->Name(), what);
            if (value->Type() == vtString)
                CheckInfText(value->StringData(), what);
            else if (value->Type() == vtMultiString)
                for (const auto& s : value->Strings())
                    CheckInfText(s, what);
        }
    }
}

}

void WriteInf(TProject& project, TStringList& lines)
{
    PlanDeviceSections(project.Files(), project.Shortcuts(), project.SetupDlls(), project.RegKeys(), project);
    const TDeviceSectionList& sections = project.Files().DeviceSections();

    CheckProject(project, sections);
    std::vector<TRegKey*> usedKeys;
    {
        std::unordered_set<const TRegKey*> seen;
        for (const auto& section : sections)
            for (TRegKey* key : section->RegKeys())
                if (seen.insert(key).second)
                    usedKeys.push_back(key);
    }
    CheckShortcutsAndKeys(project.Shortcuts(), usedKeys);

    std::string installDir = project.DefaultFolder() ? project.DefaultFolder()->GetMacroPath() : std::string();
    TStringList out = {
        "[Version]",
        "Signature = \"$Windows NT$\"",
        "Provider = " + Quoted(project.CompanyName()),
        "CESignature = \"$Windows CE$\"",
        "",
        "[CEStrings]",
        "AppName = " + Quoted(project.AppName()),
        "InstallDir=" + (installDir.empty() ? std::string("\\") : PathField(installDir)),
        "",
        "[DestinationDirs]",
    };
    auto append = [&out](TStringList block) {
        out.insert(out.end(), std::make_move_iterator(block.begin()), std::make_move_iterator(block.end()));
    };
    for (const auto& section : sections)
        append(section->DestinationDirLines());
    out.emplace_back();
    for (const auto& section : sections) {
        for (TStringList block : {section->CEDeviceLines(), section->SourceDisksNamesLines(),
                                  section->SourceDisksFilesLines(), section->DefaultInstallLines(),
                                  section->FileSectionLines(), section->ShortcutSectionLines(),
                                  section->AddRegistryLines()}) {
            append(std::move(block));
            out.emplace_back();
        }
    }
    lines.insert(lines.end(), std::make_move_iterator(out.begin()), std::make_move_iterator(out.end()));
}

void ReplaceInstallDir(TStringList& lines, const std::string& installPath)
{
    if (installPath.empty())
        return;
    // The path as the writer puts it into a field (quotes inside a quoted
    // field doubled too, which only a quoted field can hold).
    std::string written = PathField(installPath);
    if (written.size() >= 2 && written.front() == '"')
        written = written.substr(1, written.size() - 2);
    static const char* const kKeep[] = {"InstallDir=", "=,\"SourceDisk", "HKCU", "HKLM", "HKCR"};
    // Only a field that starts with the install path and goes on below it
    // (or ends there) is in the install folder: "%CE1%\App Tools" is a
    // sibling, "%CE1%\Data" is no folder "\Data" of the device root.
    auto startsField = [](const std::string& line, size_t pos) {
        if (pos > 0 && line[pos - 1] == '"')
            --pos;
        while (pos > 0 && IsBlank(line[pos - 1]))
            --pos;
        return pos > 0 && (line[pos - 1] == ',' || line[pos - 1] == '=');
    };
    auto endsFolder = [](const std::string& line, size_t end) {
        while (end < line.size() && IsBlank(line[end]))
            ++end;
        if (end == line.size() || line[end] == '\\' || line[end] == ',')
            return true;
        return line[end] == '"' && (end + 1 == line.size() || line[end + 1] != '"');
    };
    for (auto& line : lines) {
        bool keep = false;
        for (const char* k : kKeep)
            keep = keep || line.find(k) != std::string::npos;
        if (keep)
            continue;
        for (size_t pos = line.find(written); pos != std::string::npos; pos = line.find(written, pos + 1)) {
            if (startsField(line, pos) && endsFolder(line, pos + written.size())) {
                line.replace(pos, written.size(), "%InstallDir%");
                break;
            }
        }
    }
}
