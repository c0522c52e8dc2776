#include "tools/cabinfo/CabInfo.h"

#include "common/AnsiText.h"
#include "common/Exception.h"
#include "formats/CabReader.h"
#include "formats/CabSignature.h"
#include "formats/FormatChoices.h"
#include "model/Files.h"
#include "model/Folders.h"
#include "model/RegistryValues.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>
#include <ostream>

using nlohmann::ordered_json;

namespace {

const char* const Usage =
    "Usage: veltrin-cabinfo [--json] [--members] CAB...\n"
    "Lists what Windows CE CAB files install: application, provider, processor,\n"
    "versions, files with their device folders and copy flags, registry values,\n"
    "shortcuts, the setup DLL and who signed the CAB file.\n"
    "  --json     one JSON array, one object per CAB file (see the man page)\n"
    "  --members  the raw cabinet members instead\n"
    "  --help     this text\n"
    "  --version  the version\n"
    "Exit status: 0 all listed, 1 a CAB file is damaged, 2 a bad command line.\n";

// The folder each %CEn% macro stands for: the first folder of the model's
// standard tree with that number ("\Program Files" for 1).
const std::map<int, std::string>& MacroFolders()
{
    static const std::map<int, std::string> folders = [] {
        std::map<int, std::string> result;
        TFolders tree;
        tree.CreateDefault();
        for (const TFolder* folder : tree.GetAllFolders()) {
            std::string path = folder->GetPath();
            if (path.size() > 1)
                path.pop_back(); // "\Program Files\" -> "\Program Files"
            if (folder->SystemFolder() > 0)
                result.emplace(folder->SystemFolder(), path);
        }
        return result;
    }();
    return folders;
}

std::string Utf8(const std::string& ansi)
{
    return AnsiToUtf8(ansi);
}

std::string Join(const std::vector<std::string>& parts, const char* separator)
{
    std::string text;
    for (size_t i = 0; i < parts.size(); ++i)
        text += (i ? separator : "") + parts[i];
    return text;
}

std::string Hex32(uint32_t value)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%08X", value);
    return buffer;
}

std::string ProcessorName(uint32_t code)
{
    if (code == 0)
        return "any";
    for (int p = 1; p < ProcessorCount; ++p)
        if (ProcessorToCode(TProcessor(p)) == std::to_string(code))
            return ProcessorToName(TProcessor(p));
    return "unknown";
}

const char* RootName(uint16_t root)
{
    static const char* const names[] = {"HKCR", "HKCU", "HKLM", "HKU"};
    return root >= 1 && root <= 4 ? names[root - 1] : "?";
}

const char* CompressionName(int compression)
{
    static const char* const names[] = {"stored", "MSZIP", "Quantum", "LZX"};
    return compression >= 0 && compression < 4 ? names[compression] : "unknown";
}

} // namespace

std::string ResolveDeviceMacro(const std::string& path)
{
    if (path.empty())
        return "\\";
    if (path.compare(0, 3, "%CE") != 0)
        return path;
    size_t end = path.find('%', 3);
    if (end == std::string::npos || end == 3 || end > 5 || path.find_first_not_of("0123456789", 3) != end)
        return path;
    auto it = MacroFolders().find(std::stoi(path.substr(3, end - 3)));
    return it == MacroFolders().end() ? path : it->second + path.substr(end + 1);
}

std::vector<std::string> CopyFlagNames(uint32_t flags)
{
    struct TBit {
        uint32_t Bit;
        std::string Name;
    };
    const TBit modes[] = {{0x40000000, CopyModeName(0)},
                          {0x20000000, CopyModeName(1)},
                          {0x00000400, CopyModeName(2)},
                          {0x00000010, CopyModeName(3)}};
    const TBit options[] = {{0x80000000, FileOptionName(foShared)},
                            {FormatChoices::SelfRegisterFlag, FileOptionName(foSelfRegister)},
                            {0x00000001, FileOptionName(foWarnIfSkipped)}};
    std::vector<std::string> names;
    uint32_t known = 0x00000002;
    for (const TBit& mode : modes)
        if (flags & mode.Bit)
            names.push_back(mode.Name);
    // No copy-mode bit: the device's own default.
    if (names.empty())
        names.push_back(CopyModeName(cmAskBeforeReplacingNewer));
    for (const TBit& option : options)
        if (flags & option.Bit)
            names.push_back(option.Name);
    if (!(flags & 0x00000002))
        names.push_back(FileOptionName(foAllowSkip));
    for (const TBit& bit : modes)
        known |= bit.Bit;
    for (const TBit& bit : options)
        known |= bit.Bit;
    if (flags & ~known)
        names.push_back(Hex32(flags & ~known));
    return names;
}

namespace {

// A registry value's data as the Registry tab shows it.
std::string ValueDataText(const TSetupValue& v)
{
    TValue value(v.FFlags & 0x00010001);
    const std::vector<uint8_t>& d = v.FData;
    switch (value.Type()) {
    case vtString: value.SetStringData(std::string(d.begin(), std::find(d.begin(), d.end(), 0))); break;
    case vtMultiString:
        for (auto at = d.begin(); at != d.end() && *at != 0;) {
            auto nul = std::find(at, d.end(), 0);
            value.Strings().emplace_back(at, nul);
            at = nul == d.end() ? nul : nul + 1;
        }
        break;
    case vtBinary: value.BinaryData() = d; break;
    default: {
        uint32_t number = 0;
        for (size_t i = 0; i < 4 && i < d.size(); ++i)
            number |= uint32_t(d[i]) << (8 * i);
        value.SetDwordData(number);
    }
    }
    return value.GetDataText();
}

// Device paths as users know them: the install folder and the %CEn% macros
// resolved to folder names.
class TPaths {
public:
    explicit TPaths(const TSetupContents& setup) : FSetup(setup)
    {
        const TSetupDirectory* installDir = setup.Directory(uint16_t(setup.FSetup.FWord16));
        if (installDir)
            FInstallDir = setup.DirectoryPath(uint16_t(setup.FSetup.FWord16));
    }
    std::string Resolve(std::string path) const
    {
        const std::string macro = "%InstallDir%";
        if (path.compare(0, macro.size(), macro) == 0 && FInstallDir)
            path = *FInstallDir + path.substr(macro.size());
        return Utf8(ResolveDeviceMacro(path));
    }
    std::string Directory(uint16_t id) const { return Resolve(FSetup.DirectoryPath(id)); }
    static std::string Below(const std::string& folder, const std::string& name)
    {
        return folder == "\\" ? folder + name : folder + "\\" + name;
    }

private:
    const TSetupContents& FSetup;
    std::optional<std::string> FInstallDir;
};

ordered_json DescribeHeader(const TCabReader& cab)
{
    const TSetupDescription& s = cab.Setup().FSetup;
    ordered_json d;
    d["cab"] = Utf8(cab.Name());
    d["appName"] = Utf8(s.FAppName);
    d["provider"] = Utf8(s.FProvider);
    d["processor"] = s.FProcessor;
    d["processorName"] = ProcessorName(s.FProcessor);
    d["versionMin"] = std::to_string(s.FVersionMinMajor) + "." + std::to_string(s.FVersionMinMinor);
    d["versionMax"] = std::to_string(s.FVersionMaxMajor) + "." + std::to_string(s.FVersionMaxMinor);
    d["buildMin"] = s.FBuildMin;
    d["buildMax"] = s.FBuildMax;
    d["unsupportedPlatforms"] = ordered_json::array();
    for (const std::string& name : s.FUnsupported)
        d["unsupportedPlatforms"].push_back(Utf8(name));
    return d;
}

ordered_json DescribeFiles(const TCabReader& cab, const TPaths& paths)
{
    ordered_json files = ordered_json::array();
    for (const TCabFile& f : cab.Files()) {
        ordered_json file;
        file["path"] = TPaths::Below(paths.Directory(f.FFile->FDirectoryId), Utf8(f.FFile->FName));
        file["size"] = f.FMember->FSize;
        file["flags"] = f.FFile->FFlags;
        file["flagNames"] = CopyFlagNames(f.FFile->FFlags);
        file["member"] = Utf8(f.FMember->FName);
        files.push_back(std::move(file));
    }
    return files;
}

ordered_json DescribeRegistry(const TSetupContents& setup)
{
    ordered_json values = ordered_json::array();
    for (const TSetupValue& v : setup.FSetup.FValues) {
        const TSetupHive* hive = setup.Hive(v.FHiveId);
        ordered_json value;
        value["hive"] = RootName(hive->FRoot);
        value["key"] = Utf8(Join(hive->FPath, "\\"));
        value["name"] = Utf8(v.FName);
        value["type"] = ValueTypeToName(v.FFlags & 0x00010001);
        value["data"] = Utf8(ValueDataText(v));
        value["keepExisting"] = (v.FFlags & 0x00000002) != 0;
        value["flags"] = v.FFlags;
        values.push_back(std::move(value));
    }
    return values;
}

ordered_json DescribeShortcuts(const TSetupContents& setup, const TPaths& paths)
{
    ordered_json links = ordered_json::array();
    for (const TSetupLink& l : setup.FSetup.FLinks) {
        ordered_json link;
        link["folder"] = paths.Resolve(setup.LinkFolder(l));
        link["name"] = Utf8(l.FPath.back());
        link["target"] = paths.Resolve(setup.LinkTarget(l));
        links.push_back(std::move(link));
    }
    return links;
}

ordered_json MemberJson(const TCabMember& m)
{
    ordered_json member;
    // Names flagged as UTF-8 in the cabinet are so already.
    member["name"] = (m.FAttributes & 0x80) ? m.FName : Utf8(m.FName);
    member["size"] = m.FSize;
    return member;
}

// Whether the CAB carries an Authenticode signature and whose: the
// subject of the signer's certificate, or null when the block is unreadable.
void DescribeSignature(const std::string& path, ordered_json& d)
{
    const std::optional<TCabSignature> signature = ReadCabSignature(path);
    d["signed"] = signature.has_value();
    d["signer"] = signature && signature->Problem.empty() ? ordered_json(signature->Subject) : ordered_json();
    if (signature && !signature->Problem.empty())
        d["signatureProblem"] = signature->Problem;
}

ordered_json Describe(const TCabReader& cab, const std::string& path)
{
    const TSetupContents& setup = cab.Setup();
    TPaths paths(setup);
    ordered_json d = DescribeHeader(cab);
    d["files"] = DescribeFiles(cab, paths);
    d["registry"] = DescribeRegistry(setup);
    d["shortcuts"] = DescribeShortcuts(setup, paths);
    d["setupDll"] = cab.SetupDll() ? MemberJson(*cab.SetupDll()) : ordered_json();
    d["otherMembers"] = ordered_json::array();
    for (const TCabMember* m : cab.OtherMembers())
        d["otherMembers"].push_back(MemberJson(*m));
    DescribeSignature(path, d);
    return d;
}

ordered_json DescribeMembers(const TCabReader& cab)
{
    ordered_json d;
    d["cab"] = Utf8(cab.Name());
    d["members"] = ordered_json::array();
    for (const TCabMember& m : cab.Members()) {
        ordered_json member = MemberJson(m);
        member["compression"] = CompressionName(m.FCompression);
        d["members"].push_back(std::move(member));
    }
    return d;
}

std::string Str(const ordered_json& j)
{
    return j.get<std::string>();
}

std::string Count(const char* what, const ordered_json& list)
{
    return std::string("  ") + what + " (" + std::to_string(list.size()) + "):\n";
}

void WriteText(std::ostream& out, const ordered_json& d)
{
    out << Str(d["cab"]) << "\n";
    out << "  Application: " << Str(d["appName"]) << "\n  Provider: " << Str(d["provider"]) << "\n";
    out << "  Processor: " << Str(d["processorName"]) << " (" << d["processor"].get<uint32_t>() << ")\n";
    out << "  Versions: " << Str(d["versionMin"]) << " to " << Str(d["versionMax"]) << "\n";
    out << "  Builds: " << Hex32(d["buildMin"].get<uint32_t>()) << " to " << Hex32(d["buildMax"].get<uint32_t>())
        << "\n";
    std::string unsupported = Join(d["unsupportedPlatforms"].get<std::vector<std::string>>(), ", ");
    out << "  Unsupported platforms: " << (unsupported.empty() ? "none" : unsupported) << "\n";
    out << Count("Files", d["files"]);
    for (const auto& f : d["files"])
        out << "    " << Str(f["path"]) << "  " << f["size"].get<uint32_t>() << " bytes  "
            << Hex32(f["flags"].get<uint32_t>()) << " " << Join(f["flagNames"].get<std::vector<std::string>>(), ", ")
            << "\n";
    out << Count("Registry values", d["registry"]);
    for (const auto& v : d["registry"]) {
        std::string name = Str(v["name"]).empty() ? "(Default)" : Str(v["name"]);
        out << "    " << Str(v["hive"]) << "\\" << Str(v["key"]) << "  " << name << "  " << Str(v["type"]) << "  "
            << Str(v["data"]) << (v["keepExisting"].get<bool>() ? "  (keeps the device's value)" : "") << "\n";
    }
    out << Count("Shortcuts", d["shortcuts"]);
    for (const auto& l : d["shortcuts"])
        out << "    " << TPaths::Below(Str(l["folder"]), Str(l["name"])) << " -> " << Str(l["target"]) << "\n";
    if (d["setupDll"].is_null())
        out << "  Setup DLL: none\n";
    else
        out << "  Setup DLL: " << Str(d["setupDll"]["name"]) << " (" << d["setupDll"]["size"].get<uint32_t>()
            << " bytes)\n";
    for (const auto& m : d["otherMembers"])
        out << "  Other member: " << Str(m["name"]) << " (" << m["size"].get<uint32_t>() << " bytes)\n";
    if (!d["signed"].get<bool>())
        out << "  Signature: none\n";
    else if (d["signer"].is_null())
        out << "  Signature: unreadable (" << Str(d["signatureProblem"]) << ")\n";
    else
        out << "  Signed by: " << Str(d["signer"]) << "\n";
}

void WriteMembersText(std::ostream& out, const ordered_json& d)
{
    out << Str(d["cab"]) << "\n";
    for (const auto& m : d["members"])
        out << "  " << Str(m["name"]) << "  " << m["size"].get<uint32_t>() << "  " << Str(m["compression"]) << "\n";
}

struct TOptions {
    bool Json = false;
    bool Members = false;
    std::vector<std::string> Cabs;
};

// -1 to go on; otherwise the exit status of a run that ends here.
int ReadOptions(const std::vector<std::string>& args, TOptions& options, std::ostream& out, std::ostream& err)
{
    bool filesOnly = false;
    for (const std::string& arg : args) {
        if (filesOnly || arg.empty() || arg[0] != '-' || arg == "-")
            options.Cabs.push_back(arg);
        else if (arg == "--")
            filesOnly = true;
        else if (arg == "--help" || arg == "-h") {
            out << Usage;
            return 0;
        } else if (arg == "--version") {
            out << "veltrin-cabinfo (Veltrin Installer) " << VI_VERSION << "\n";
            return 0;
        } else if (arg == "--json")
            options.Json = true;
        else if (arg == "--members")
            options.Members = true;
        else {
            err << "veltrin-cabinfo: unknown option " << arg << "\nTry 'veltrin-cabinfo --help'.\n";
            return 2;
        }
    }
    if (options.Cabs.empty()) {
        err << "veltrin-cabinfo: no CAB file given\nTry 'veltrin-cabinfo --help'.\n";
        return 2;
    }
    return -1;
}

} // namespace

int RunCabInfo(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    TOptions options;
    if (int status = ReadOptions(args, options, out, err); status >= 0)
        return status;
    int status = 0;
    ordered_json all = ordered_json::array();
    for (size_t i = 0; i < options.Cabs.size(); ++i) {
        ordered_json d;
        try {
            TCabReader cab(options.Cabs[i]);
            // Every member is unpacked to nowhere first, so that a damaged
            // CAB file is reported as such rather than listed.
            cab.Verify();
            d = options.Members ? DescribeMembers(cab) : Describe(cab, options.Cabs[i]);
        } catch (const Exception& e) {
            err << "veltrin-cabinfo: " << e.what() << "\n";
            status = 1;
            continue;
        }
        if (options.Json)
            all.push_back(std::move(d));
        else {
            if (i > 0)
                out << "\n";
            options.Members ? WriteMembersText(out, d) : WriteText(out, d);
        }
    }
    if (options.Json)
        out << all.dump(2) << "\n";
    return status;
}
