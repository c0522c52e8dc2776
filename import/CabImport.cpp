#include "import/CabImport.h"

#include "common/Exception.h"
#include "common/Paths.h"
#include "common/Platform.h"
#include "formats/InfFile.h"
#include "import/InfImportTargets.h"
#include "model/Platforms.h"
#include "model/Project.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>
#include <unordered_map>

// The CABs are described as one .inf, a labelled device section per CAB,
// and that .inf goes through the .inf import: the platforms, copy flags,
// registry types and device folders map as they do for a written .inf, and
// files that every CAB installs alike become one file for every processor.

namespace {

std::string InfQuote(const std::string& text)
{
    std::string quoted = "\"";
    for (char c : text)
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

std::string Hex32(uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", unsigned(value));
    return text;
}

std::string Version(uint32_t major, uint32_t minor)
{
    return std::to_string(major) + "." + (minor < 10 ? "0" : "") + std::to_string(minor);
}

std::string Join(const std::vector<std::string>& parts)
{
    std::string text;
    for (const std::string& part : parts)
        text += (text.empty() ? "" : "\\") + part;
    return text;
}

// A member's content, to tell files of one name apart without holding them.
struct TContent {
    uint64_t FHash = 1469598103934665603ull;
    uint64_t FSize = 0;
    bool operator<(const TContent& other) const
    {
        return FHash != other.FHash ? FHash < other.FHash : FSize < other.FSize;
    }
    bool operator==(const TContent& other) const { return FHash == other.FHash && FSize == other.FSize; }
};

TContent ContentOf(const TCabReader& cab, const TCabMember& member)
{
    TContent content;
    cab.Extract(member, [&](const uint8_t* data, size_t size) {
        for (size_t i = 0; i < size; ++i)
            content.FHash = (content.FHash ^ data[i]) * 1099511628211ull;
        content.FSize += size;
    });
    return content;
}

// One member the project uses: the name it gets and where it came from.
struct TPlaced {
    size_t FCab = 0;
    const TCabMember* FMember = nullptr;
    std::string FName;
    TContent FContent;
    std::string FSubfolder; // below the files folder; empty: the folder itself
    // The name the .inf gives its source: FName, but for a second file of
    // one name in one CAB a staged name, since [SourceDisksFiles] names each
    // source once. The .inf import makes that one a copy under FName.
    std::string FSourceName;
};

const char* const SetupDllName = "setup.dll";

class TCabImporter {
public:
    TCabImporter(const std::vector<std::string>& paths, const std::string& projectPath);
    TCabImport Run();

private:
    void ReadCab(size_t c);
    void PlaceMembers();
    void Line(const std::string& text, const std::string& about = std::string());
    void WriteHeader();
    void WriteDeviceSection(size_t c);
    void WriteFiles(size_t c);
    void WriteRegistry(size_t c);
    void WriteShortcuts(size_t c);
    std::string DirectoryText(size_t c, uint16_t id) const;
    std::string InstallRelative(size_t c, const std::string& path) const;
    void WriteSourceDisks(size_t c);
    std::string Label(size_t c) const { return "cab" + std::to_string(c + 1); }
    std::string MemberPath(const TPlaced& placed) const;
    void TakeCopies(std::vector<TImportCopy> copies);
    TImportReport Report(const TImportReport& inner) const;

    std::string FProjectPath, FFilesFolder;
    TCabImport FImport;
    TImportReport FReport; // what the .inf cannot carry
    std::vector<TPlaced> FPlaced;
    std::vector<std::vector<size_t>> FFilesOf; // per CAB: FPlaced of each file
    std::vector<size_t> FDllOf; // per CAB: FPlaced of its setup DLL, SIZE_MAX for none
    std::string FInf;
    std::vector<std::string> FAbout; // per .inf line (from 1): the member or CAB it comes from
    std::set<size_t> FStagedLines; // .inf lines of files under a staged source name
    std::map<std::string, std::string> FDestinations; // section -> device folder
};

TCabImporter::TCabImporter(const std::vector<std::string>& paths, const std::string& projectPath)
    : FProjectPath(ExpandFileName(projectPath)), FFilesFolder(ImportFilesFolder(FProjectPath))
{
    for (const std::string& path : paths)
        FImport.FCabs.push_back(std::make_unique<TCabReader>(path));
    FAbout.push_back(std::string());
}

void TCabImporter::ReadCab(size_t c)
{
    const TCabReader& cab = *FImport.FCabs[c];
    std::vector<size_t> files;
    std::set<std::string> names;
    for (const TCabFile& file : cab.Files())
        names.insert(LowerCase(file.FFile->FName));
    std::set<std::string> sources;
    for (const TCabFile& file : cab.Files()) {
        const std::string& name = file.FFile->FName;
        std::string source = name;
        for (int n = 2; !sources.insert(LowerCase(source)).second || (source != name && names.count(LowerCase(source)));
             ++n)
            source = std::to_string(n) + "_" + name;
        files.push_back(FPlaced.size());
        FPlaced.push_back({c, file.FMember, name, ContentOf(cab, *file.FMember), std::string(), source});
    }
    FFilesOf.push_back(std::move(files));
    FDllOf.push_back(SIZE_MAX);
    if (const TCabMember* dll = cab.SetupDll()) {
        FDllOf.back() = FPlaced.size();
        FPlaced.push_back({c, dll, SetupDllName, ContentOf(cab, *dll), std::string(), SetupDllName});
        FReport.Information(0, cab.Name() + ", member " + dll->FName + ": the setup DLL is saved as " +
                                   InfQuote(SetupDllName) + ", since a CAB does not keep its name");
    }
    for (const TCabMember* other : cab.OtherMembers())
        FReport.NotMapped(0, cab.Name() + ", member " + other->FName + ": a member the project cannot hold");
}

// Files of one name with one content share one copy; where the CABs hold
// different files of one name, each goes into a folder named after its
// CAB's processor.
void TCabImporter::PlaceMembers()
{
    std::map<std::string, std::vector<size_t>> byName;
    for (size_t i = 0; i < FPlaced.size(); ++i)
        byName[LowerCase(FPlaced[i].FName)].push_back(i);
    for (const auto& [name, placed] : byName) {
        std::map<TContent, std::string> folders;
        for (size_t i : placed)
            folders.emplace(FPlaced[i].FContent, std::string());
        if (folders.size() == 1)
            continue;
        std::set<std::string> used;
        for (size_t i : placed) {
            std::string& folder = folders[FPlaced[i].FContent];
            if (folder.empty()) {
                TProcessor processor = pAll;
                CodeToProcessor(std::to_string(FImport.FCabs[FPlaced[i].FCab]->Setup().FSetup.FProcessor), processor);
                std::string base = processor == pAll ? Label(FPlaced[i].FCab) : ProcessorToName(processor);
                folder = base;
                for (int n = 2; used.count(LowerCase(folder)); ++n)
                    folder = base + " " + std::to_string(n);
                used.insert(LowerCase(folder));
            }
            FPlaced[i].FSubfolder = folder;
        }
    }
}

void TCabImporter::Line(const std::string& text, const std::string& about)
{
    FInf += text + "\n";
    FAbout.push_back(about);
}

void TCabImporter::WriteHeader()
{
    const TSetupDescription& first = FImport.FCabs[0]->Setup().FSetup;
    Line("[Version]");
    Line("Signature=\"$Windows NT$\"");
    Line("Provider=" + InfQuote(first.FProvider));
    Line("CESignature=\"$Windows CE$\"");
    Line("[CEStrings]");
    Line("AppName=" + InfQuote(first.FAppName));
    const TSetupContents& setup = FImport.FCabs[0]->Setup();
    std::string installDir = setup.DirectoryPath(uint16_t(first.FWord16));
    Line("InstallDir=" + InfQuote(installDir.empty() ? "%CE1%\\" + first.FAppName : installDir));
    for (size_t c = 1; c < FImport.FCabs.size(); ++c) {
        const TSetupDescription& other = FImport.FCabs[c]->Setup().FSetup;
        if (other.FAppName != first.FAppName || other.FProvider != first.FProvider)
            FReport.NotMapped(0, FImport.FCabs[c]->Name() + ": the application " + InfQuote(other.FAppName) + " of " +
                                     InfQuote(other.FProvider) + " is imported as " + InfQuote(first.FAppName) +
                                     " of " + InfQuote(first.FProvider));
    }
}

void TCabImporter::WriteDeviceSection(size_t c)
{
    const TCabReader& cab = *FImport.FCabs[c];
    const TSetupDescription& s = cab.Setup().FSetup;
    const std::string about = cab.Name() + ", member " + cab.Member(0)->FName;
    Line("[CEDevice." + Label(c) + "]");
    if (s.FProcessor)
        Line("ProcessorType=" + std::to_string(s.FProcessor), about);
    if (!s.FUnsupported.empty()) {
        std::string names;
        for (const std::string& name : s.FUnsupported)
            names += (names.empty() ? "" : ",") + InfQuote(name);
        Line("UnsupportedPlatforms=" + names, about);
    }
    if (s.FVersionMinMajor || s.FVersionMinMinor)
        Line("VersionMin=" + Version(s.FVersionMinMajor, s.FVersionMinMinor), about);
    if (s.FVersionMaxMajor || s.FVersionMaxMinor)
        Line("VersionMax=" + Version(s.FVersionMaxMajor, s.FVersionMaxMinor), about);
    if (s.FBuildMin)
        Line("BuildMin=" + Hex32(s.FBuildMin), about);
    if (s.FBuildMax)
        Line("BuildMax=" + Hex32(s.FBuildMax), about);
}

std::string TCabImporter::DirectoryText(size_t c, uint16_t id) const
{
    return InstallRelative(c, FImport.FCabs[c]->Setup().DirectoryPath(id));
}

// A device path below the install folder as the .inf writes it, so that the
// files there go into the project's default folder.
std::string TCabImporter::InstallRelative(size_t c, const std::string& path) const
{
    const TSetupContents& setup = FImport.FCabs[c]->Setup();
    std::string installDir = setup.DirectoryPath(uint16_t(setup.FSetup.FWord16));
    if (!installDir.empty() && SameText(path, installDir))
        return "%InstallDir%";
    if (!installDir.empty() && path.size() > installDir.size() && path[installDir.size()] == '\\' &&
        SameText(path.substr(0, installDir.size()), installDir))
        return "%InstallDir%" + path.substr(installDir.size());
    return path;
}

// One CopyFiles section per device folder, in the order the setup file
// first names each folder.
void TCabImporter::WriteFiles(size_t c)
{
    const TCabReader& cab = *FImport.FCabs[c];
    const TSetupContents& setup = cab.Setup();
    std::vector<uint16_t> folders;
    for (const TSetupFile& file : setup.FSetup.FFiles)
        if (std::find(folders.begin(), folders.end(), file.FDirectoryId) == folders.end())
            folders.push_back(file.FDirectoryId);
    std::string list;
    for (uint16_t id : folders) {
        std::string section = "Files." + Label(c) + "." + std::to_string(id);
        list += (list.empty() ? "" : ",") + section;
        FDestinations[section] = DirectoryText(c, id);
        Line("[" + section + "]");
        for (size_t f = 0; f < setup.FSetup.FFiles.size(); ++f) {
            const TSetupFile& file = setup.FSetup.FFiles[f];
            if (file.FDirectoryId != id)
                continue;
            const TPlaced& placed = FPlaced[FFilesOf[c][f]];
            const bool staged = placed.FSourceName != placed.FName;
            if (staged)
                FStagedLines.insert(FAbout.size());
            Line(InfQuote(file.FName) + "," + (staged ? InfQuote(placed.FSourceName) : "") + ",," +
                     Hex32(file.FFlags & ~0x10000000u),
                 cab.Name() + ", member " + placed.FMember->FName + " (" + file.FName + ")");
        }
    }
    std::string selfRegister;
    for (size_t f = 0; f < setup.FSetup.FFiles.size(); ++f)
        if (setup.FSetup.FFiles[f].FFlags & 0x10000000u)
            selfRegister += (selfRegister.empty() ? "" : ",") + InfQuote(setup.FSetup.FFiles[f].FName);
    Line("[DefaultInstall." + Label(c) + "]");
    Line("CopyFiles=" + list);
    if (!selfRegister.empty())
        Line("CESelfRegister=" + selfRegister);
    if (FDllOf[c] != SIZE_MAX)
        Line("CESetupDLL=" + InfQuote(SetupDllName));
    if (!setup.FSetup.FValues.empty())
        Line("AddReg=Reg." + Label(c));
    if (!setup.FSetup.FLinks.empty())
        Line("CEShortcuts=Links." + Label(c));
}

std::string ValueData(const TSetupValue& v)
{
    const std::vector<uint8_t>& d = v.FData;
    std::string text;
    switch (v.FFlags & 0x00010001) {
    case 0x00000000: return InfQuote(std::string(d.begin(), std::find(d.begin(), d.end(), 0)));
    case 0x00010000:
        for (auto at = d.begin(); at != d.end() && *at != 0;) {
            auto nul = std::find(at, d.end(), 0);
            text += (text.empty() ? "" : ",") + InfQuote(std::string(at, nul));
            at = nul == d.end() ? nul : nul + 1;
        }
        return text;
    case 0x00000001:
        for (uint8_t byte : d) {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%02X", unsigned(byte));
            text += (text.empty() ? "" : ",") + std::string(hex);
        }
        return text;
    default: {
        uint32_t number = 0;
        for (size_t i = 0; i < 4 && i < d.size(); ++i)
            number |= uint32_t(d[i]) << (8 * i);
        return Hex32(number);
    }
    }
}

void TCabImporter::WriteRegistry(size_t c)
{
    const TCabReader& cab = *FImport.FCabs[c];
    const TSetupContents& setup = cab.Setup();
    if (setup.FSetup.FValues.empty())
        return;
    static const char* const roots[] = {"", "HKCR", "HKCU", "HKLM"};
    const std::string about = cab.Name() + ", member " + cab.Member(0)->FName;
    Line("[Reg." + Label(c) + "]");
    for (const TSetupValue& v : setup.FSetup.FValues) {
        const TSetupHive* hive = setup.Hive(v.FHiveId);
        if (!hive || hive->FRoot < 1 || hive->FRoot > 3) {
            FReport.NotMapped(0, about + ": the registry value " + InfQuote(v.FName) +
                                     (hive ? " of HKEY_USERS" : " of an unknown key") + " is not kept");
            continue;
        }
        Line(std::string(roots[hive->FRoot]) + "," + InfQuote(Join(hive->FPath)) + "," + InfQuote(v.FName) + "," +
                 Hex32(v.FFlags) + "," + ValueData(v),
             about);
    }
}

void TCabImporter::WriteShortcuts(size_t c)
{
    const TCabReader& cab = *FImport.FCabs[c];
    const TSetupContents& setup = cab.Setup();
    if (setup.FSetup.FLinks.empty())
        return;
    const std::string about = cab.Name() + ", member " + cab.Member(0)->FName;
    Line("[Links." + Label(c) + "]");
    for (const TSetupLink& link : setup.FSetup.FLinks) {
        std::string name = link.FPath.empty() ? std::string() : link.FPath.back();
        if (name.size() > 4 && SameText(name.substr(name.size() - 4), ".lnk"))
            name.resize(name.size() - 4);
        std::string folder = InstallRelative(c, setup.LinkFolder(link));
        if (link.FPath.size() > 1)
            folder += "\\" + Join(std::vector<std::string>(link.FPath.begin(), link.FPath.end() - 1));
        std::string target;
        if (link.FTargetIsFile) {
            const TSetupFile* file = setup.File(link.FTarget);
            target = ",0," + InfQuote(file ? file->FName : std::string());
        } else if (link.FTarget == 0) {
            target = ",1,%InstallDir%";
        } else {
            std::string section = "Folder." + Label(c) + "." + std::to_string(link.FTarget);
            FDestinations[section] = DirectoryText(c, link.FTarget);
            target = ",1," + section;
        }
        Line(InfQuote(name) + target + "," + InfQuote(folder), about);
    }
}

void TCabImporter::WriteSourceDisks(size_t c)
{
    std::map<std::string, int> disks; // subfolder -> disk
    std::vector<size_t> placed = FFilesOf[c];
    placed.push_back(FDllOf[c]);
    for (size_t i : placed)
        if (i != SIZE_MAX)
            disks.emplace(FPlaced[i].FSubfolder, 0);
    int number = 0;
    Line("[SourceDisksNames." + Label(c) + "]");
    for (auto& [folder, disk] : disks) {
        disk = ++number;
        Line(std::to_string(disk) + "=," + InfQuote("Disk" + std::to_string(disk)) + ",," + InfQuote(folder));
    }
    Line("[SourceDisksFiles." + Label(c) + "]");
    for (size_t i : placed)
        if (i != SIZE_MAX)
            Line(InfQuote(FPlaced[i].FSourceName) + "=" + std::to_string(disks[FPlaced[i].FSubfolder]));
}

// The notes of the .inf import name the CAB and member each line came
// from: the .inf is made here, so its line numbers mean nothing to a user.
TImportReport TCabImporter::Report(const TImportReport& inner) const
{
    TImportReport report;
    std::string names;
    for (const auto& cab : FImport.FCabs)
        names += (names.empty() ? "" : ", ") + cab->Name();
    std::string summary = inner.Summary();
    size_t colon = summary.find(": "), from = summary.rfind(", from ");
    summary = "Imported " + names + summary.substr(colon, from == std::string::npos ? std::string::npos : from - colon);
    const size_t cabs = FImport.FCabs.size();
    report.SetSummary(summary + ", from " + std::to_string(cabs) + (cabs == 1 ? " CAB file." : " CAB files."));
    auto add = [&](TImportNote::TKind kind, const std::string& text) {
        if (kind == TImportNote::NotMapped)
            report.NotMapped(0, text);
        else
            report.Information(0, text);
    };
    for (const TImportNote& note : FReport.Notes())
        add(note.FKind, note.FText);
    for (const TImportNote& note : inner.Notes()) {
        std::string about = note.FLine > 0 && size_t(note.FLine) < FAbout.size() ? FAbout[note.FLine] : "";
        // The staged name is the import's own; what the user needs is where
        // the second file of the name went.
        static const std::string copied = "the project holds a copy under that name in ";
        size_t in = note.FText.find(copied);
        if (FStagedLines.count(size_t(note.FLine)) && in != std::string::npos) {
            add(note.FKind, about + ": another file of this name in the CAB; the project holds it in " +
                                note.FText.substr(in + copied.size()));
            continue;
        }
        add(note.FKind, about.empty() ? note.FText : about + ": " + note.FText);
    }
    return report;
}

TCabImport TCabImporter::Run()
{
    for (size_t c = 0; c < FImport.FCabs.size(); ++c)
        ReadCab(c);
    PlaceMembers();
    WriteHeader();
    for (size_t c = 0; c < FImport.FCabs.size(); ++c) {
        WriteDeviceSection(c);
        WriteFiles(c);
        WriteRegistry(c);
        WriteShortcuts(c);
        WriteSourceDisks(c);
    }
    Line("[DestinationDirs]");
    for (const auto& [section, folder] : FDestinations)
        Line(section + "=0," + InfQuote(folder));
    TInfFile inf;
    inf.LoadFromText(FInf);
    TInfImportOptions options{{}, FProjectPath, FImport.FCabs.size() > 1, {}};
    for (const TPlaced& placed : FPlaced)
        if (placed.FSourceName != placed.FName)
            options.FSourcesToCome.push_back(MemberPath(placed));
    TImportResult result = ImportInf(inf, AppendPath(FFilesFolder, "import.inf"), options);
    FImport.FResult.FProject = std::move(result.FProject);
    FImport.FResult.FReport = Report(result.FReport);
    for (const TPlaced& placed : FPlaced)
        FImport.FExtractions.push_back({FImport.FCabs[placed.FCab].get(), placed.FMember, MemberPath(placed)});
    TakeCopies(std::move(result.FCopies));
    return std::move(FImport);
}

std::string TCabImporter::MemberPath(const TPlaced& placed) const
{
    const std::string folder = placed.FSubfolder.empty() ? FFilesFolder : AppendPath(FFilesFolder, placed.FSubfolder);
    return AppendPath(folder, placed.FSourceName);
}

// The .inf import copies a file under a staged source name to its own name;
// the member goes straight to that copy's place instead, so that nothing
// but the project's sources is written.
void TCabImporter::TakeCopies(std::vector<TImportCopy> copies)
{
    for (const TImportCopy& copy : copies) {
        std::vector<TCabExtraction>& all = FImport.FExtractions;
        auto staged =
            std::find_if(all.begin(), all.end(), [&](const TCabExtraction& e) { return e.FTo == copy.FFrom; });
        if (staged == all.end())
            throw Exception("The import has no member for \"" + copy.FFrom + "\"");
        all.push_back({staged->FCab, staged->FMember, copy.FTo});
    }
    for (const TImportCopy& copy : copies)
        FImport.FExtractions.erase(std::remove_if(FImport.FExtractions.begin(), FImport.FExtractions.end(),
                                                  [&](const TCabExtraction& e) { return e.FTo == copy.FFrom; }),
                                   FImport.FExtractions.end());
}

} // namespace

TCabImport ImportCabs(const std::vector<std::string>& cabPaths, const std::string& projectPath)
{
    return TCabImporter(cabPaths, projectPath).Run();
}

void WriteCabImportFiles(const TCabImport& import)
{
    std::set<std::string> written;
    for (const TCabExtraction& extraction : import.FExtractions) {
        if (!written.insert(extraction.FTo).second)
            continue;
        if (!ForceDirectories(ExtractFilePath(extraction.FTo)))
            throw Exception("Cannot create the folder \"" + ExtractFilePath(extraction.FTo) + "\"");
        extraction.FCab->ExtractToFile(*extraction.FMember, extraction.FTo);
    }
}
