#include "tools/cabwiz/CabBuilder.h"

#include "common/Numbers.h"
#include "common/Paths.h"
#include "common/Platform.h"
#include "formats/FormatChoices.h"
#include "formats/MemberName.h"

#include <algorithm>
#include <cstdlib>

namespace {

// IDs from FirstDestinationLineId to 65535 (DefaultDestDir's ID 1 counted among them).
constexpr size_t MaxDirectories = 0xFFFF - FormatChoices::FirstDestinationLineId + 1;

std::string Quote(const std::string& text)
{
    return "\"" + text + "\"";
}

// A decimal number or "0x" and hexadecimal digits that fits 32 bits.
bool ParseNumber(const std::string& text, uint32_t& value)
{
    std::optional<uint32_t> number = ParseUInt32(Trim(text));
    if (!number)
        return false;
    value = *number;
    return true;
}

// "3.00" gives 3 and 0, "2.11" 2 and 11, "4.2" 4 and 2: the digits after the
// dot are read as one decimal number.
bool ParseVersion(const std::string& text, uint32_t& major, uint32_t& minor)
{
    std::string t = Trim(text);
    size_t dot = t.find('.');
    minor = 0;
    if (!ParseNumber(t.substr(0, dot), major) || t.compare(0, 2, "0x") == 0)
        return false;
    if (dot == std::string::npos || dot + 1 == t.size())
        return true;
    std::string after = t.substr(dot + 1);
    return after.find_first_not_of("0123456789") == std::string::npos && ParseNumber(after, minor);
}

std::string PathKey(const std::vector<std::string>& parts)
{
    std::string key;
    for (const auto& p : parts)
        key += LowerCase(p) + '\\';
    return key;
}

bool IsAbsoluteHostPath(const std::string& path)
{
    return (!path.empty() && IsPathDelimiter(path[0])) || (path.size() >= 2 && path[1] == ':');
}

bool HasMacro(const std::string& text)
{
    size_t open = text.find('%');
    if (open == std::string::npos)
        return false;
    size_t close = text.find('%', open + 1);
    return close != std::string::npos && close > open + 1;
}

bool ParseHexByte(const std::string& text, uint8_t& byte)
{
    std::string t = Trim(text);
    if (t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X'))
        t = t.substr(2);
    uint32_t v = 0;
    if (t.empty() || t.size() > 2 || !ParseNumber("0x" + t, v))
        return false;
    byte = uint8_t(v);
    return true;
}

// The hive number of a registry root ("HKLM", "HKEY_LOCAL_MACHINE", ...), or
// 0 for an unknown one.
uint16_t RegistryRoot(const std::string& name)
{
    // clang-format off
    static const std::pair<const char*, uint16_t> roots[] = {
        {"HKCR", 1}, {"HKEY_CLASSES_ROOT", 1}, {"HKCU", 2}, {"HKEY_CURRENT_USER", 2},
        {"HKLM", 3}, {"HKEY_LOCAL_MACHINE", 3}, {"HKU", 4}, {"HKEY_USERS", 4}};
    // clang-format on
    uint16_t root = 0;
    for (const auto& r : roots)
        if (SameText(name, r.first))
            root = r.second;
    return root;
}

} // namespace

TCabBuilder::TCabBuilder(const TInfFile* inf, std::string infDir, std::string label)
    : FInf(inf), FInfDir(std::move(infDir)), FLabel(std::move(label))
{
}

std::string TCabBuilder::FirstField(const std::string& value, bool keepInstallDir) const
{
    std::vector<std::string> fields = FInf->Fields(value, keepInstallDir);
    return fields.empty() ? std::string() : fields.front();
}

std::string TCabBuilder::LabeledName(const std::string& base) const
{
    return FLabel.empty() ? base : base + "." + FLabel;
}

std::vector<const std::vector<TInfLine>*> TCabBuilder::PlainAndLabeled(const std::string& base) const
{
    std::vector<const std::vector<TInfLine>*> result;
    if (const auto* plain = FInf->Section(base))
        result.push_back(plain);
    if (!FLabel.empty())
        if (const auto* labeled = FInf->Section(LabeledName(base)))
            result.push_back(labeled);
    return result;
}

const std::vector<TInfLine>* TCabBuilder::ListSection(const std::string& name)
{
    // The vendor's tool builds without a listed section, as it does without
    // an empty one; a warning names it.
    const auto* lines = FInf->Section(name);
    if (!lines)
        FWarnings.push_back("Section [" + name + "] is missing");
    else if (lines->empty())
        FWarnings.push_back("Section [" + name + "] has no data");
    return lines;
}

std::vector<std::string> TCabBuilder::InstallList(const std::string& key) const
{
    std::vector<std::string> names;
    auto it = FDefaultInstall.find(LowerCase(key));
    if (it == FDefaultInstall.end())
        return names;
    for (auto& name : FInf->Fields(it->second, false))
        if (!name.empty())
            names.push_back(name);
    return names;
}

bool TCabBuilder::Build()
{
    ReadVersionAndStrings();
    ReadDevice();

    auto install = PlainAndLabeled("DefaultInstall");
    if (install.empty())
        Error("Section [" + LabeledName("DefaultInstall") + "] is missing");
    for (const auto* lines : install)
        for (const auto& line : *lines)
            if (line.FHasKey)
                FDefaultInstall[LowerCase(line.FKey)] = line.FValue;

    ReadSourceDisks();
    ReadFiles();
    ReadSelfRegister();
    ReadShortcuts();
    ReadRegistry();
    ReadSetupDll();
    NumberDirectories();
    return FErrors.empty();
}

void TCabBuilder::ReadVersionAndStrings()
{
    if (!FInf->Section("Version")) {
        Error("Section [Version] is missing");
        return;
    }
    const TInfLine* signature = FInf->Find("Version", "Signature");
    std::string sig = signature ? FirstField(signature->FValue, false) : std::string();
    if (!SameText(sig, "$Windows NT$") && !SameText(sig, "$Windows 95$") && !SameText(sig, "$Chicago$"))
        Error("[Version] Signature must be \"$Windows NT$\"");
    const TInfLine* ceSignature = FInf->Find("Version", "CESignature");
    if (!ceSignature || !SameText(FirstField(ceSignature->FValue, false), "$Windows CE$"))
        Error("[Version] CESignature must be \"$Windows CE$\"");
    if (const TInfLine* provider = FInf->Find("Version", "Provider"))
        FSetup.FProvider = FirstField(provider->FValue, false);
    else
        FWarnings.push_back("[Version] has no Provider");

    const TInfLine* appName = FInf->Find("CEStrings", "AppName");
    if (!appName || appName->FValue.empty())
        Error("[CEStrings] AppName is missing");
    else
        FSetup.FAppName = FirstField(appName->FValue, false);

    FSetup.FWord16 = FormatChoices::HeaderWord16;
    if (!FInf->Find("CEStrings", "InstallDir"))
        FWarnings.push_back("[CEStrings] InstallDir is missing");
}

void TCabBuilder::ReadDevice()
{
    std::map<std::string, std::string> keys;
    for (const auto* lines : PlainAndLabeled("CEDevice")) {
        for (const auto& line : *lines) {
            if (!line.FHasKey)
                continue;
            if (SameText(line.FKey, "UnsupportedPlatforms")) {
                // The labeled list adds to the plain one.
                for (auto name : FInf->Fields(line.FValue, false))
                    if (!name.empty())
                        FSetup.FUnsupported.push_back(FormatChoices::UpperCaseUnsupportedNames ? UpperCase(name)
                                                                                               : name);
            } else {
                keys[LowerCase(line.FKey)] = line.FValue;
            }
        }
    }
    auto number = [&](const char* key, uint32_t& value) {
        auto it = keys.find(LowerCase(key));
        if (it != keys.end() && !ParseNumber(FirstField(it->second, false), value))
            Error(std::string("[CEDevice] ") + key + " is not a number: " + it->second);
    };
    auto version = [&](const char* key, uint32_t& major, uint32_t& minor) {
        auto it = keys.find(LowerCase(key));
        if (it != keys.end() && !ParseVersion(FirstField(it->second, false), major, minor))
            Error(std::string("[CEDevice] ") + key + " is not a version number: " + it->second);
    };
    number("ProcessorType", FSetup.FProcessor);
    version("VersionMin", FSetup.FVersionMinMajor, FSetup.FVersionMinMinor);
    version("VersionMax", FSetup.FVersionMaxMajor, FSetup.FVersionMaxMinor);
    number("BuildMin", FSetup.FBuildMin);
    number("BuildMax", FSetup.FBuildMax);
}

void TCabBuilder::ReadSourceDisks()
{
    // The plain sections may be missing when every device section has a
    // label; the labeled entries win on a clash.
    for (const auto* lines : PlainAndLabeled("SourceDisksNames"))
        for (const auto& line : *lines)
            if (line.FHasKey)
                FDiskNames[Trim(line.FKey)] = FInf->Fields(line.FValue, false);
    for (const auto* lines : PlainAndLabeled("SourceDisksFiles"))
        for (const auto& line : *lines)
            if (line.FHasKey)
                FDiskFiles[LowerCase(FInf->Substitute(line.FKey, false))] = FInf->Fields(line.FValue, false);
}

bool TCabBuilder::ResolveSource(const std::string& name, std::string& path)
{
    auto file = FDiskFiles.find(LowerCase(name));
    if (file == FDiskFiles.end()) {
        Error("File " + Quote(name) + " is not listed in [" + LabeledName("SourceDisksFiles") + "]");
        return false;
    }
    std::string disk = file->second.empty() ? std::string() : Trim(file->second[0]);
    auto names = FDiskNames.find(disk);
    if (names == FDiskNames.end()) {
        Error("Source disk " + disk + " of file " + Quote(name) + " is not listed in [" +
              LabeledName("SourceDisksNames") + "]");
        return false;
    }
    std::string folder = names->second.size() > 3 ? NormalizeHostPath(names->second[3]) : std::string();
    if (!IsAbsoluteHostPath(folder))
        folder = folder.empty() ? FInfDir : AppendPath(FInfDir, folder);
    if (file->second.size() > 1 && !file->second[1].empty())
        folder = AppendPath(folder, NormalizeHostPath(file->second[1]));
    path = HostFileName(AppendPath(folder, NormalizeHostPath(name)));
    if (!FileExists(path)) {
        Error("Source file " + Quote(path) + " does not exist");
        return false;
    }
    return true;
}

bool TCabBuilder::ReadDestination(const std::string& section, bool keepInstallDir, std::string& path,
                                  const TInfLine** usedLine)
{
    const TInfLine* line = FInf->Find("DestinationDirs", section);
    if (!line)
        line = FInf->Find("DestinationDirs", "DefaultDestDir");
    if (!line) {
        Error("Section [" + section + "] has no destination in [DestinationDirs]");
        return false;
    }
    std::vector<std::string> fields = FInf->Fields(line->FValue, keepInstallDir);
    path = fields.size() > 1 ? fields[1] : std::string();
    if (usedLine)
        *usedLine = line;
    return true;
}

uint16_t TCabBuilder::DirectoryId(const TInfLine* line, const std::string& path)
{
    // One string for the whole path, as written (an absolute folder keeps
    // its leading "\\"); the device root is the empty list.
    std::string whole = path;
    while (whole.size() > 1 && whole.back() == '\\')
        whole.pop_back();
    if (whole == "\\")
        whole.clear();
    uint16_t& number = line ? FLineDirs[line] : FFolderDirs[LowerCase(whole)];
    if (number == 0) {
        if (FUsedDirs.size() == MaxDirectories) {
            Error("Too many destination folders: a CAB file holds at most " + std::to_string(MaxDirectories));
            return 1;
        }
        FUsedDirs.push_back(TUsedDirectory{line, {}});
        if (!whole.empty())
            FUsedDirs.back().FPath.push_back(whole);
        number = uint16_t(FUsedDirs.size());
    }
    return number;
}

void TCabBuilder::NumberDirectories()
{
    // DefaultDestDir gets its entry whether a section falls back to it or not.
    const TInfLine* defaultDest = FInf->Find("DestinationDirs", "DefaultDestDir");
    if (defaultDest) {
        std::vector<std::string> fields = FInf->Fields(defaultDest->FValue, false);
        DirectoryId(defaultDest, fields.size() > 1 ? fields[1] : std::string());
    }
    // The lines in their order, then the folders no line names, then
    // DefaultDestDir.
    std::vector<uint16_t> order;
    if (const auto* lines = FInf->Section("DestinationDirs"))
        for (const auto& line : *lines)
            if (auto it = FLineDirs.find(&line); it != FLineDirs.end() && it->second && &line != defaultDest)
                order.push_back(it->second);
    for (size_t i = 0; i < FUsedDirs.size(); ++i)
        if (!FUsedDirs[i].FLine)
            order.push_back(uint16_t(i + 1));
    if (defaultDest && FLineDirs[defaultDest]) // not when the table was full
        order.push_back(FLineDirs[defaultDest]);

    std::vector<uint16_t> ids(FUsedDirs.size() + 1, 0); // by number of use
    size_t next = FormatChoices::FirstDestinationLineId;
    for (uint16_t number : order) {
        const TUsedDirectory& used = FUsedDirs[number - 1];
        ids[number] = used.FLine == defaultDest && defaultDest ? FormatChoices::DefaultDestDirId : uint16_t(next++);
        FSetup.FDirectories.push_back(TSetupDirectory{used.FPath, ids[number]});
    }
    for (auto& file : FSetup.FFiles)
        file.FDirectoryId = ids[file.FDirectoryId];
    for (auto& link : FSetup.FLinks) {
        link.FDirectoryId = ids[link.FDirectoryId];
        if (!link.FTargetIsFile)
            link.FTarget = ids[link.FTarget]; // 0, %InstallDir%, stays 0
    }
}

void TCabBuilder::ReadFiles()
{
    for (const auto& section : InstallList("CopyFiles")) {
        const auto* lines = ListSection(section);
        if (!lines)
            continue;
        std::string destination;
        const TInfLine* destinationLine = nullptr;
        if (!ReadDestination(section, false, destination, &destinationLine))
            continue;
        // A section without files uses no DIRS entry.
        uint16_t dirId = lines->empty() ? 0 : DirectoryId(destinationLine, destination);
        for (const auto& line : *lines) {
            std::vector<std::string> fields = FInf->Fields(line.FText, false);
            std::string target = fields.empty() ? std::string() : fields[0];
            std::string source = fields.size() > 1 && !fields[1].empty() ? fields[1] : target;
            uint32_t flags = 0;
            if (target.empty()) {
                Error("Section [" + section + "] line " + std::to_string(line.FLineNo) + " names no file");
                continue;
            }
            if (target.find_first_of("\\/") != std::string::npos) {
                Error("File name " + Quote(target) + " holds a path; a device file name cannot");
                continue;
            }
            if (fields.size() > 3 && !fields[3].empty() && !ParseNumber(fields[3], flags)) {
                Error("File " + Quote(target) + " has invalid copy flags " + fields[3]);
                continue;
            }
            std::string path;
            if (!ResolveSource(source, path)) {
                FSkippedFiles.insert(LowerCase(target));
                continue;
            }
            if (FFiles.size() == MaxNumberedFiles) {
                Error("Too many files: a CAB file holds at most " + std::to_string(MaxNumberedFiles));
                return;
            }
            FFiles.push_back(TCabSourceFile{MemberName(ExtractFileName(source), int(FFiles.size() + 1)), path});
            TSetupFile file;
            file.FDirectoryId = dirId;
            file.FUnknown = FormatChoices::FilesUnknownIsFileId ? uint16_t(FFiles.size()) : 0;
            file.FFlags = flags;
            file.FName = target;
            FSetup.FFiles.push_back(file);
        }
    }
}

void TCabBuilder::ReadSelfRegister()
{
    for (const auto& name : InstallList("CESelfRegister")) {
        bool found = false;
        for (auto& file : FSetup.FFiles)
            if (SameText(file.FName, name)) {
                file.FFlags |= FormatChoices::SelfRegisterFlag;
                found = true;
            }
        // A file left out for an error was reported once already.
        if (!found && !FSkippedFiles.count(LowerCase(name)))
            FWarnings.push_back("CESelfRegister names " + Quote(name) + ", which is not installed");
    }
}

void TCabBuilder::ReadShortcuts()
{
    for (const auto& section : InstallList("CEShortcuts")) {
        const auto* lines = ListSection(section);
        if (!lines)
            continue;
        for (const auto& line : *lines)
            ReadShortcut(line, section);
    }
}

void TCabBuilder::ReadShortcut(const TInfLine& line, const std::string& section)
{
    std::vector<std::string> fields = FInf->Fields(line.FText, true);
    fields.resize(std::max<size_t>(fields.size(), 4));
    const std::string& name = fields[0];
    if (name.empty() || name.find_first_of("\\/") != std::string::npos) {
        Error("Section [" + section + "] line " + std::to_string(line.FLineNo) + ": invalid shortcut name " +
              Quote(name));
        return;
    }
    std::string where = fields[3];
    const TInfLine* whereLine = nullptr; // none for a folder of the shortcut's own
    if (where.empty() && !ReadDestination(section, true, where, &whereLine))
        return;

    TSetupLink link;
    if (!ReadShortcutFolder(name, where, whereLine, link))
        return;
    std::string linkName = name;
    if (FormatChoices::AppendLnkToShortcutNames &&
        (linkName.size() < 4 || !SameText(linkName.substr(linkName.size() - 4), ".lnk")))
        linkName += ".lnk";
    link.FPath.push_back(linkName);
    if (ReadShortcutTarget(name, Trim(fields[1]), fields[2], link))
        FSetup.FLinks.push_back(link);
}

bool TCabBuilder::ReadShortcutFolder(const std::string& name, const std::string& where, const TInfLine* whereLine,
                                     TSetupLink& link)
{
    // The device knows a shortcut's folder only as a standard
    // folder or the install folder, plus folders below it.
    std::vector<std::string> parts = SplitDevicePath(where);
    std::string base = parts.empty() ? std::string() : parts.front();
    int number = 0;
    if (SameText(base, "%InstallDir%"))
        link.FBase = 0;
    else if (base.size() > 4 && SameText(base.substr(0, 3), "%CE") && base.back() == '%' &&
             base.find_first_not_of("0123456789", 3) == base.size() - 1 &&
             (number = std::atoi(base.c_str() + 3)) >= 1 && number <= 17)
        link.FBase = uint16_t(number);
    else {
        Error("Shortcut " + Quote(name) + ": its folder " + Quote(where) +
              " does not start with %CE1%..%CE17% or %InstallDir%");
        return false;
    }
    // Like the vendor's tool: the folder gets a DIRS entry of its own
    // and the shortcut names it, with base 0.
    link.FBase = 0;
    link.FDirectoryId = DirectoryId(whereLine, FInf->Substitute(where, false));
    return true;
}

bool TCabBuilder::ReadShortcutTarget(const std::string& name, const std::string& type, const std::string& target,
                                     TSetupLink& link)
{
    if (type.empty() || type == "0") {
        link.FTargetIsFile = true;
        size_t i = 0;
        while (i < FSetup.FFiles.size() && !SameText(FSetup.FFiles[i].FName, target))
            ++i;
        if (i == FSetup.FFiles.size() && FSkippedFiles.count(LowerCase(target)))
            return false; // its file's error was reported already
        if (i == FSetup.FFiles.size()) {
            Error("Shortcut " + Quote(name) + ": target file " + Quote(target) + " is not installed by this CAB file");
            return false;
        }
        link.FTarget = uint16_t(i + 1);
        return true;
    }
    link.FTargetIsFile = false;
    std::string folder;
    if (SameText(target, "%InstallDir%"))
        link.FTarget = 0;
    else if (const TInfLine* line = nullptr;
             FInf->Find("DestinationDirs", target) && ReadDestination(target, false, folder, &line))
        link.FTarget = DirectoryId(line, folder);
    else {
        Error("Shortcut " + Quote(name) + ": target folder " + Quote(target) +
              " is not a section of [DestinationDirs]");
        return false;
    }
    return true;
}

void TCabBuilder::ReadRegistry()
{
    for (const auto& section : InstallList("AddReg")) {
        if (const auto* lines = ListSection(section))
            for (const auto& line : *lines)
                ReadRegistryLine(line, section);
    }
}

void TCabBuilder::ReadRegistryLine(const TInfLine& line, const std::string& section)
{
    std::string where = "Section [" + section + "] line " + std::to_string(line.FLineNo) + ": ";
    std::vector<bool> quoted;
    std::vector<std::string> raw = TInfFile::SplitFields(line.FText, &quoted);
    if (raw.size() < 4) {
        Error(where + "a registry line needs a root, key, value name and flags");
        return;
    }
    uint16_t root = RegistryRoot(raw[0]);
    if (root == 0) {
        Error(where + "unknown registry root " + Quote(raw[0]));
        return;
    }
    std::vector<std::string> keyPath = SplitDevicePath(FInf->Substitute(raw[1], true));
    TSetupValue value;
    value.FName = FInf->Substitute(raw[2], true);
    if (!raw[3].empty() && !ParseNumber(raw[3], value.FFlags)) {
        Error(where + "invalid registry flags " + Quote(raw[3]));
        return;
    }
    if (!ReadRegistryData(line, where, quoted, raw, value))
        return;
    if (value.FName.size() + 1 + value.FData.size() > 0xFFFF) {
        Error(where + "registry value " + Quote(value.FName) + " is too long for a CAB file");
        return;
    }
    value.FHiveId = HiveId(root, keyPath);
    FSetup.FValues.push_back(std::move(value));
}

bool TCabBuilder::ReadRegistryData(const TInfLine& line, const std::string& where, const std::vector<bool>& quoted,
                                   const std::vector<std::string>& raw, TSetupValue& value)
{
    std::vector<std::string> data;
    for (size_t i = 4; i < raw.size(); ++i)
        data.push_back(FInf->Substitute(raw[i], true));

    switch (value.FFlags & 0x00010001) {
    case 0x00000000: { // REG_SZ
        std::string text = RegistryStringData(line, where, quoted, data);
        value.FData.assign(text.begin(), text.end());
        value.FData.push_back(0);
        value.FSubstitute = HasMacro(text);
        return true;
    }
    case 0x00010000: // REG_MULTI_SZ
        for (const auto& s : data) {
            if (s.empty())
                continue;
            value.FData.insert(value.FData.end(), s.begin(), s.end());
            value.FData.push_back(0);
            value.FSubstitute = value.FSubstitute || HasMacro(s);
        }
        value.FData.push_back(0);
        return true;
    case 0x00000001: // REG_BINARY
        for (const auto& s : data) {
            uint8_t byte = 0;
            if (Trim(s).empty() && data.size() == 1)
                break;
            if (!ParseHexByte(s, byte)) {
                Error(where + "invalid byte " + Quote(s) + " in binary value " + Quote(value.FName));
                return false;
            }
            value.FData.push_back(byte);
        }
        return true;
    default: { // REG_DWORD
        uint32_t number = 0;
        if (data.empty() || !ParseNumber(data[0], number)) {
            Error(where + "invalid number for DWORD value " + Quote(value.FName));
            return false;
        }
        for (int i = 0; i < 4; ++i)
            value.FData.push_back(uint8_t(number >> (8 * i)));
        return true;
    }
    }
}

std::string TCabBuilder::RegistryStringData(const TInfLine& line, const std::string& where,
                                            const std::vector<bool>& quoted, const std::vector<std::string>& data)
{
    bool anyQuoted = false;
    for (size_t i = 4; i < quoted.size(); ++i)
        anyQuoted = anyQuoted || quoted[i];
    if (data.size() == 1)
        return data[0];
    if (data.size() > 1 && !anyQuoted)
        // The builder writes string data as it stands, commas included.
        return Trim(FInf->Substitute(TInfFile::TextAfterField(line.FText, 4), true));
    if (data.size() > 1) {
        FWarnings.push_back(where + "extra data fields of a string value are ignored");
        return data[0];
    }
    return std::string();
}

uint16_t TCabBuilder::HiveId(uint16_t root, const std::vector<std::string>& keyPath)
{
    std::string hiveKey = std::to_string(root) + ":" + PathKey(keyPath);
    auto it = FHiveIds.find(hiveKey);
    if (it == FHiveIds.end()) {
        FSetup.FHives.push_back(TSetupHive{root, keyPath});
        it = FHiveIds.emplace(hiveKey, uint16_t(FSetup.FHives.size())).first;
    }
    return it->second;
}

void TCabBuilder::ReadSetupDll()
{
    std::vector<std::string> names = InstallList("CESetupDLL");
    if (names.empty())
        return;
    std::string path;
    if (ResolveSource(names[0], path))
        FSetupDll = TCabSourceFile{MemberName(ExtractFileName(names[0]), 999), path};
}
