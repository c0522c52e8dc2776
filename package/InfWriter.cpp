#include "package/InfWriter.h"

#include "model/Files.h"
#include "model/Folders.h"
#include "model/Project.h"
#include "model/RegistryKeys.h"
#include "model/Shortcuts.h"
#include "package/InfFields.h"

#include <unordered_set>

namespace {

// Every text the .inf will carry, checked before a line is written.
void CheckProject(const TProject& project, const TDeviceSectionPlan& plan)
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
    if (!plan.FStagedFiles.empty())
        CheckInfText(plan.FStagingDir, "The staging folder \"" + plan.FStagingDir + "\"");
    for (const auto& section : plan.FDeviceSections) {
        for (const TFile* file : section->Files()) {
            if (!checked.insert(file).second)
                continue;
            CheckInfText(file->FileName(), "The file name \"" + file->FileName() + "\"");
            CheckInfText(file->GetSourceDir(),
                         "The source folder \"" + file->GetSourceDir() + "\" of the file \"" + file->FileName() + "\"");
            checkFolder(section->FolderOf(*file));
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

void CheckShortcutsAndKeys(const TCEShortcuts& shortcuts, const std::vector<const TRegKey*>& keys)
{
    for (TCEShortCut* shortcut : shortcuts.ToList()) {
        CheckInfText(shortcut->Name(), "The shortcut name \"" + shortcut->Name() + "\"");
        if (shortcut->Target())
            CheckInfText(shortcut->Target()->FileName(), "The file name \"" + shortcut->Target()->FileName() +
                                                             "\" of the shortcut \"" + shortcut->Name() + "\"");
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

void WriteInf(const TProject& project, TStringList& lines)
{
    WriteInf(project, PlanDeviceSections(project), lines);
}

void WriteInf(const TProject& project, const TDeviceSectionPlan& plan, TStringList& lines)
{
    const auto& sections = plan.FDeviceSections;
    CheckProject(project, plan);
    std::vector<const TRegKey*> usedKeys;
    {
        std::unordered_set<const TRegKey*> seen;
        for (const auto& section : sections)
            for (const TRegKey* key : section->RegKeys())
                if (seen.insert(key).second)
                    usedKeys.push_back(key);
    }
    CheckShortcutsAndKeys(project.Shortcuts(), usedKeys);

    std::string installDir = project.DefaultFolder() ? project.DefaultFolder()->GetMacroPath() : std::string();
    // The blocks are gathered first and moved into lines once: a large
    // project's .inf has hundreds of thousands of lines, and growing the list
    // block by block copied them over and over.
    std::vector<TStringList> blocks;
    blocks.push_back({
        "[Version]",
        "Signature = \"$Windows NT$\"",
        "Provider = " + InfQuoted(project.CompanyName()),
        "CESignature = \"$Windows CE$\"",
        "",
        "[CEStrings]",
        "AppName = " + InfQuoted(project.AppName()),
        "InstallDir=" + (installDir.empty() ? std::string("\\") : InfField(installDir)),
        "",
        "[DestinationDirs]",
    });
    for (const auto& section : sections)
        blocks.push_back(section->DestinationDirLines());
    blocks.push_back({""});
    auto addBlock = [&blocks](TStringList block) {
        block.emplace_back();
        blocks.push_back(std::move(block));
    };
    for (const auto& section : sections) {
        addBlock(section->CEDeviceLines());
        addBlock(section->SourceDisksNamesLines());
        addBlock(section->SourceDisksFilesLines());
        addBlock(section->DefaultInstallLines());
        addBlock(section->FileSectionLines());
        addBlock(section->ShortcutSectionLines());
        addBlock(section->AddRegistryLines());
    }
    size_t total = lines.size();
    for (const auto& block : blocks)
        total += block.size();
    lines.reserve(total);
    for (auto& block : blocks)
        lines.insert(lines.end(), std::make_move_iterator(block.begin()), std::make_move_iterator(block.end()));
}

void ReplaceInstallDir(TStringList& lines, const std::string& installPath)
{
    if (installPath.empty())
        return;
    // The path as the writer puts it into a field (quotes inside a quoted
    // field doubled too, which only a quoted field can hold).
    std::string written = InfField(installPath);
    if (written.size() >= 2 && written.front() == '"')
        written = written.substr(1, written.size() - 2);
    static const char* const kKeep[] = {"InstallDir=", "=,\"SourceDisk", "HKCU", "HKLM", "HKCR"};
    // Only a field that starts with the install path and goes on below it
    // (or ends there) is in the install folder: "%CE1%\App Tools" is a
    // sibling, "%CE1%\Data" is no folder "\Data" of the device root.
    auto startsField = [](const std::string& line, size_t pos) {
        if (pos > 0 && line[pos - 1] == '"')
            --pos;
        while (pos > 0 && IsInfBlank(line[pos - 1]))
            --pos;
        return pos > 0 && (line[pos - 1] == ',' || line[pos - 1] == '=');
    };
    auto endsFolder = [](const std::string& line, size_t end) {
        while (end < line.size() && IsInfBlank(line[end]))
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
