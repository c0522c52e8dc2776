#include "ProgramCheck.h"

#include <algorithm>
#include <cctype>
#include <set>

namespace {

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}

const char* const kSupportedOs[][2] = {
    {"{e2011457-1546-43c5-a5fe-008deee3d3f0}", "Windows Vista"},
    {"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", "Windows 7"},
    {"{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", "Windows 8"},
    {"{1f676c76-80e1-4239-95bb-83d0f6d0da78}", "Windows 8.1"},
    {"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}", "Windows 10 and 11"},
};

void CheckManifest(const TPeImage& image, std::vector<std::string>& problems)
{
    const TPeResource* manifest = image.Resource(kPeResourceManifest, 1);
    if (!manifest) {
        problems.push_back("no application manifest (RT_MANIFEST 1)");
        return;
    }
    std::string text(manifest->Data.begin(), manifest->Data.end());
    auto need = [&](const std::string& what, const std::string& why) {
        if (text.find(what) == std::string::npos)
            problems.push_back("the manifest lacks " + why + " (" + what + ")");
    };
    need("requestedExecutionLevel level=\"asInvoker\"", "the asInvoker execution level");
    need("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"", "the Common Controls 6 dependency");
    need("<dpiAware", "DPI awareness");
    for (const auto& os : kSupportedOs)
        need(std::string("<supportedOS Id=\"") + os[0] + "\"", os[1] + std::string(" as a supported OS"));
}

void CheckVersion(const TPeImage& image, std::vector<std::string>& problems)
{
    const TPeResource* version = image.Resource(kPeResourceVersion, 1);
    if (!version) {
        problems.push_back("no version resource");
        return;
    }
    std::map<std::string, std::string> strings;
    try {
        strings = VersionStrings(version->Data);
    } catch (const TPeError& e) {
        problems.push_back(std::string("broken version resource: ") + e.what());
        return;
    }
    for (const char* key : {"ProductName", "CompanyName", "FileDescription", "FileVersion"})
        if (strings[key].empty())
            problems.push_back(std::string("the version resource has no ") + key);
}

} // namespace

bool IsSystemDll(const std::string& name)
{
    static const std::set<std::string> kSystem = {
        "kernel32.dll", "user32.dll",  "gdi32.dll",   "advapi32.dll", "comctl32.dll", "comdlg32.dll",
        "shell32.dll",  "shlwapi.dll", "ole32.dll",   "oleaut32.dll", "msvcrt.dll",   "version.dll",
        "uuid.dll",     "ws2_32.dll",  "winmm.dll",   "imm32.dll",
    };
    return kSystem.count(Lower(name)) != 0;
}

std::vector<std::string> ShippedProgramProblems(const TPeImage& image, const TShippedProgram& expected)
{
    std::vector<std::string> problems;
    if (image.Machine() != expected.Machine)
        problems.push_back("built for machine " + std::to_string(image.Machine()) + ", not " +
                           std::to_string(expected.Machine));
    if (image.IsPe32Plus() != (expected.Machine == kPeMachineAmd64))
        problems.push_back(image.IsPe32Plus() ? "a PE32+ file" : "a PE32 file");
    uint16_t subsystem = expected.Gui ? kPeSubsystemGui : kPeSubsystemConsole;
    if (image.Subsystem() != subsystem)
        problems.push_back("subsystem " + std::to_string(image.Subsystem()) + " instead of " +
                           std::to_string(subsystem));
    for (const TPeImport& import : image.Imports())
        if (!IsSystemDll(import.Dll))
            problems.push_back("imports " + import.Dll + ", which Windows does not have");
    CheckManifest(image, problems);
    CheckVersion(image, problems);
    if (!image.Resource(kPeResourceIconGroup, 1))
        problems.push_back("no application icon (RT_GROUP_ICON 1)");
    return problems;
}
