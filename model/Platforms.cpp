#include "model/Platforms.h"

namespace {

struct PlatformInfo {
    const char* name;
    const char* code;
    const char* caption;
    const char* unsupported;
    const char* versionMin;
    const char* versionMax;
    const char* buildMin = "";
    const char* buildMax = "";
};

// Windows Mobile 5.0 and later (docs/platforms.md): "HPC","JUPITER" and the
// upper bound 6.999 as Microsoft's own redistributables for these devices
// write them; 6 and 6.5 are both CE 5.2 and only the build tells them apart.
constexpr const char* kLaterUnsupported = "\"HPC\",\"JUPITER\"";

constexpr PlatformInfo kPlatforms[] = {
    {"Handheld PC", "HPC", "Handheld PC", "\"Palm PC\",\"Jupiter\",\"PocketPC\"", "2.00", "2.00"},
    {"Handheld PC Pro", "HPCPro", "Handheld PC Pro", "\"HPC\",\"Palm PC\",\"PocketPC\"", "2.11", "2.11"},
    {"Palm Size PC 2.01", "PPC201", "Palm-size PC 2.01", "\"HPC\",\"Jupiter\"", "2.01", "2.10"},
    {"Palm Size PC 2.11", "PPC211", "Palm-size PC 2.11", "\"HPC\",\"Jupiter\"", "2.11", "2.11"},
    {"Pocket PC", "PPC300", "PocketPC", "\"HPC\",\"Jupiter\"", "3.00", "100.00"},
    {"Handhel PC 2000", "HPC2000", "Handheld PC 2000", "\"HPC\",\"Palm PC\"", "3.00", "100.00"},
    {"Pocket PC 2002", "PPC2K", "PocketPC 2002", "\"HPC\",\"Jupiter\",\"Palm PC2\"", "3.00", "100.00"},
    {"Windows Mobile 2003", "WM2003", "Windows Mobile 2003", "\"HPC\",\"Jupiter\",\"Palm PC2\"", "4.2", "100.00"},
    {"All Platforms", "", "", "", "2.00", "3.00"},
    {"Windows Mobile 5.0", "WM5", "Windows Mobile 5.0", kLaterUnsupported, "5.0", "6.999"},
    {"Windows Mobile 6", "WM6", "Windows Mobile 6 Classic / Professional", kLaterUnsupported, "5.2", "6.999"},
    {"Windows Mobile 6.5", "WM65", "Windows Mobile 6.5 / Embedded Handheld", kLaterUnsupported, "5.2", "6.999",
     "21234"},
};

struct ProcessorInfo {
    const char* name;
    const char* code;
};

// clang-format off
constexpr ProcessorInfo kProcessors[] = {
    {"All", ""},
    {"ARM720", "1824"},
    {"ARM820", "2080"},
    {"ARM920", "2336"},
    {"CEF", "0"},
    {"Hitachi SH3", "10003"},
    {"Hitachi SH4", "10005"},
    {"i486", "486"},
    {"i586", "586"},
    {"MIPS R2000", "2000"},
    {"MIPS R3000", "3000"},
    {"MIPS R4000", "4000"},
    {"StrongARM", "2577"},
};
// clang-format on

const PlatformInfo* Platform(TPlatform p)
{
    return p <= plWM65 ? &kPlatforms[p] : nullptr;
}

const ProcessorInfo* Processor(TProcessor p)
{
    return p < ProcessorCount ? &kProcessors[p] : nullptr;
}

// The enumerator of the row in [first, end) with exactly this code; the
// empty code stands for `all`.
template <typename T, typename Info>
bool CodeToEnumerator(const std::string& code, const Info* rows, int first, int end, T all, T& result)
{
    if (code.empty()) {
        result = all;
        return true;
    }
    for (int i = first; i < end; ++i) {
        if (code == rows[i].code) {
            result = static_cast<T>(i);
            return true;
        }
    }
    return false;
}

}

// clang-format off
std::string PlatformToName(TPlatform p) { auto i = Platform(p); return i ? i->name : ""; }
std::string PlatformToCode(TPlatform p) { auto i = Platform(p); return i ? i->code : ""; }
std::string PlatformToCaption(TPlatform p) { auto i = Platform(p); return i ? i->caption : ""; }
std::string PlatformUnsupportedList(TPlatform p) { auto i = Platform(p); return i ? i->unsupported : ""; }
std::string PlatformVersionMin(TPlatform p) { auto i = Platform(p); return i ? i->versionMin : ""; }
std::string PlatformVersionMax(TPlatform p) { auto i = Platform(p); return i ? i->versionMax : ""; }
std::string PlatformBuildMin(TPlatform p) { auto i = Platform(p); return i ? i->buildMin : ""; }
std::string PlatformBuildMax(TPlatform p) { auto i = Platform(p); return i ? i->buildMax : ""; }
// clang-format on

bool CodeToPlatform(const std::string& code, TPlatform& platform)
{
    // The "All Platforms" row's code is the empty one, which stands for plAll.
    return CodeToEnumerator(code, kPlatforms, 0, plWM65 + 1, plAll, platform);
}

// clang-format off
std::string ProcessorToName(TProcessor p) { auto i = Processor(p); return i ? i->name : ""; }
std::string ProcessorToCode(TProcessor p) { auto i = Processor(p); return i ? i->code : ""; }
// clang-format on

bool CodeToProcessor(const std::string& code, TProcessor& processor)
{
    // The first row is "All", whose code is the empty one.
    return CodeToEnumerator(code, kProcessors, 1, ProcessorCount, pAll, processor);
}

std::string ValueTypeToName(uint32_t type)
{
    switch (type) {
    case vtString: return "REG_SZ";
    case vtBinary: return "REG_BINARY";
    case vtMultiString: return "REG_MULTI_SZ";
    case vtDWord: return "REG_DWORD";
    default: return "";
    }
}

std::string SystemFolderText(int number)
{
    if (number == 0)
        return "Not System";
    return SystemFolderMacro(number);
}

std::string SystemFolderMacro(int number)
{
    if (number < 1 || number >= SystemFolderCount)
        return "";
    return "%CE" + std::to_string(number) + "%";
}
