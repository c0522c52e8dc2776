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

// Functions that the system DLLs of Windows XP SP3 do not export, which a
// toolchain or a careless call pulls in: a program importing one of them
// does not start on XP at all ("The procedure entry point ... could not be
// located"). Calls that need them must look them up at run time.
const std::set<std::string>& NewerThanXp()
{
    // clang-format off
    static const std::set<std::string> kNames = {
        // kernel32, Vista and later
        "kernel32.dll!AcquireSRWLockExclusive", "kernel32.dll!AcquireSRWLockShared", "kernel32.dll!CancelIoEx",
        "kernel32.dll!CancelSynchronousIo", "kernel32.dll!CompareStringEx", "kernel32.dll!CompareStringOrdinal",
        "kernel32.dll!CreateEventExW", "kernel32.dll!CreateMutexExW", "kernel32.dll!CreateSemaphoreExW",
        "kernel32.dll!CreateSymbolicLinkA", "kernel32.dll!CreateSymbolicLinkW", "kernel32.dll!FlsAlloc",
        "kernel32.dll!FlsFree", "kernel32.dll!FlsGetValue", "kernel32.dll!FlsSetValue",
        "kernel32.dll!GetCurrentProcessorNumber", "kernel32.dll!GetErrorMode",
        "kernel32.dll!GetFileInformationByHandleEx", "kernel32.dll!GetFinalPathNameByHandleA",
        "kernel32.dll!GetFinalPathNameByHandleW", "kernel32.dll!GetLocaleInfoEx", "kernel32.dll!GetProductInfo",
        "kernel32.dll!GetQueuedCompletionStatusEx", "kernel32.dll!GetTickCount64",
        "kernel32.dll!GetUserDefaultLocaleName", "kernel32.dll!InitializeConditionVariable",
        "kernel32.dll!InitializeCriticalSectionEx", "kernel32.dll!InitializeSRWLock",
        "kernel32.dll!InitOnceBeginInitialize", "kernel32.dll!InitOnceComplete",
        "kernel32.dll!InitOnceExecuteOnce", "kernel32.dll!LCMapStringEx", "kernel32.dll!LocaleNameToLCID",
        "kernel32.dll!QueryFullProcessImageNameA", "kernel32.dll!QueryFullProcessImageNameW",
        "kernel32.dll!ReleaseSRWLockExclusive", "kernel32.dll!ReleaseSRWLockShared",
        "kernel32.dll!SetFileInformationByHandle", "kernel32.dll!SleepConditionVariableCS",
        "kernel32.dll!SleepConditionVariableSRW", "kernel32.dll!TryAcquireSRWLockExclusive",
        "kernel32.dll!TryAcquireSRWLockShared", "kernel32.dll!WakeAllConditionVariable",
        "kernel32.dll!WakeConditionVariable",
        // kernel32, Windows 7 and later
        "kernel32.dll!AddDllDirectory", "kernel32.dll!RemoveDllDirectory", "kernel32.dll!SetDefaultDllDirectories",
        "kernel32.dll!SetThreadErrorMode",
        // kernel32, Windows 8 and later
        "kernel32.dll!CreateFile2", "kernel32.dll!GetSystemTimePreciseAsFileTime", "kernel32.dll!WaitOnAddress",
        "kernel32.dll!WakeByAddressAll", "kernel32.dll!WakeByAddressSingle",
        // advapi32
        "advapi32.dll!RegDeleteTreeA", "advapi32.dll!RegDeleteTreeW", "advapi32.dll!RegGetValueA",
        "advapi32.dll!RegGetValueW", "advapi32.dll!RegSetKeyValueW",
        // user32
        "user32.dll!AddClipboardFormatListener", "user32.dll!ChangeWindowMessageFilter",
        "user32.dll!ChangeWindowMessageFilterEx", "user32.dll!GetDpiForWindow", "user32.dll!IsProcessDPIAware",
        "user32.dll!SetProcessDPIAware", "user32.dll!SetProcessDpiAwarenessContext",
        "user32.dll!ShutdownBlockReasonCreate",
        // shell32, comctl32
        "shell32.dll!SHGetKnownFolderPath", "comctl32.dll!TaskDialog", "comctl32.dll!TaskDialogIndirect",
    };
    // clang-format on
    return kNames;
}

} // namespace

bool ImportNewerThanXp(const std::string& dll, const std::string& function)
{
    return NewerThanXp().count(Lower(dll) + "!" + function) != 0;
}

bool IsSystemDll(const std::string& name)
{
    // clang-format off
    static const std::set<std::string> kSystem = {
        "kernel32.dll", "user32.dll",  "gdi32.dll",   "advapi32.dll", "comctl32.dll", "comdlg32.dll",
        "shell32.dll",  "shlwapi.dll", "ole32.dll",   "oleaut32.dll", "msvcrt.dll",   "version.dll",
        "uuid.dll",     "ws2_32.dll",  "winmm.dll",   "imm32.dll",
    };
    // clang-format on
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
    // Windows XP refuses to start a program that asks for a later Windows
    // (the default of newer linkers is 6.0); 5.01 is XP's own.
    if (image.SubsystemVersion() != std::pair<uint16_t, uint16_t>{5, 1})
        problems.push_back("subsystem version " + std::to_string(image.SubsystemVersion().first) + "." +
                           std::to_string(image.SubsystemVersion().second) + " instead of 5.01");
    // Otherwise a terminal server gives the program a per-user copy of the
    // Windows folder, where the Application Manager is not found.
    if (!(image.DllCharacteristics() & kPeTerminalServerAware))
        problems.push_back("not terminal-server aware");
    for (const TPeImport& import : image.Imports()) {
        if (!IsSystemDll(import.Dll))
            problems.push_back("imports " + import.Dll + ", which Windows does not have");
        for (const std::string& function : import.Functions)
            if (ImportNewerThanXp(import.Dll, function))
                problems.push_back("imports " + function + " from " + import.Dll + ", which Windows XP does not have");
    }
    CheckManifest(image, problems);
    CheckVersion(image, problems);
    if (!image.Resource(kPeResourceIconGroup, 1))
        problems.push_back("no application icon (RT_GROUP_ICON 1)");
    return problems;
}

std::set<std::string> SwitchNames(const std::vector<uint8_t>& bytes)
{
    std::set<std::string> names;
    auto isNameChar = [](uint8_t c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_'; };
    for (size_t width : {1, 2}) {
        // Character k of a text starting at start; 0 past the end, and for
        // a UTF-16 unit outside ASCII.
        auto at = [&](size_t start, size_t k) -> uint8_t {
            size_t p = start + k * width;
            if (p + width > bytes.size() || (width == 2 && bytes[p + 1] != 0))
                return 0;
            return bytes[p];
        };
        for (size_t start = 0; start < bytes.size(); ++start) {
            if (at(start, 0) != 'V' || at(start, 1) != 'I' || at(start, 2) != '_')
                continue;
            std::string name = "VI_";
            for (size_t k = 3; isNameChar(at(start, k)); ++k)
                name += char(at(start, k));
            if (name.size() >= 6)
                names.insert(name);
        }
    }
    return names;
}
