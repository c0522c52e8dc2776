#include "support/CabInstalled.h"

#include "formats/CabReader.h"
#include "tools/cabinfo/CabInfo.h"

#include <algorithm>
#include <sstream>

namespace {

std::string Text(const std::vector<uint8_t>& bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

TInstalled Installed(const TCabReader& cab)
{
    const TSetupContents& c = cab.Setup();
    const TSetupDescription& s = c.FSetup;
    TInstalled installed;
    installed.FProcessor = s.FProcessor;
    std::ostringstream device;
    device << s.FAppName << "|" << s.FProvider << "|" << s.FProcessor << "|" << s.FVersionMinMajor << "."
           << s.FVersionMinMinor << "-" << s.FVersionMaxMajor << "." << s.FVersionMaxMinor << "|" << s.FBuildMin << "-"
           << s.FBuildMax;
    for (const std::string& name : s.FUnsupported)
        device << "|unsupported " << name;
    installed.FDevice = device.str();

    std::vector<std::string> lines;
    for (const TCabFile& file : cab.Files())
        lines.push_back("file " + ResolveDeviceMacro(c.DirectoryPath(file.FFile->FDirectoryId)) + "\\" +
                        file.FFile->FName + " " + std::to_string(file.FFile->FFlags) + " " +
                        Text(cab.ExtractToMemory(*file.FMember, 1 << 20)));
    for (const TSetupValue& v : s.FValues) {
        const TSetupHive* hive = c.Hive(v.FHiveId);
        std::string key = hive ? std::to_string(hive->FRoot) : "?";
        for (const std::string& part : hive ? hive->FPath : std::vector<std::string>())
            key += "\\" + part;
        lines.push_back("value " + key + " " + v.FName + " " + std::to_string(v.FFlags) + " " + Text(v.FData));
    }
    for (const TSetupLink& link : s.FLinks)
        lines.push_back("shortcut " + ResolveDeviceMacro(c.LinkFolder(link)) + " " + link.FPath.back() + " -> " +
                        c.LinkTarget(link));
    if (const TCabMember* dll = cab.SetupDll())
        lines.push_back("setup DLL " + Text(cab.ExtractToMemory(*dll, 1 << 20)));
    std::sort(lines.begin(), lines.end());
    for (const std::string& line : lines)
        installed.FThings += line + "\n";
    return installed;
}

} // namespace

TInstalled ReadInstalled(const std::string& cabPath)
{
    return Installed(TCabReader(cabPath));
}

TInstalled ReadInstalled(std::vector<uint8_t> cab, const std::string& name)
{
    return Installed(TCabReader(std::move(cab), name));
}
