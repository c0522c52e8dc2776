#include "import/InfImportTargets.h"

#include "common/Exception.h"
#include "common/Paths.h"
#include "formats/InfFile.h"

#include <algorithm>

namespace {

const char* const LabelledBases[] = {"CEDevice", "DefaultInstall", "SourceDisksNames", "SourceDisksFiles"};

struct TVersion {
    uint32_t FMajor = 0;
    uint32_t FMinor = 0;
    bool operator<=(const TVersion& o) const { return FMajor < o.FMajor || (FMajor == o.FMajor && FMinor <= o.FMinor); }
    bool operator==(const TVersion& o) const { return FMajor == o.FMajor && FMinor == o.FMinor; }
};

bool ParseVersion(const std::string& text, TVersion& version)
{
    std::string t = Trim(text);
    size_t dot = t.find('.');
    if (!ParseInfNumber(t.substr(0, dot), version.FMajor))
        return false;
    version.FMinor = 0;
    return dot == std::string::npos || ParseInfNumber(t.substr(dot + 1), version.FMinor);
}

std::string VersionText(const TVersion& v)
{
    return std::to_string(v.FMajor) + "." + (v.FMinor < 10 ? "0" : "") + std::to_string(v.FMinor);
}

// The sections of a base name that apply to the target: the plain one, then
// the labelled one.
std::vector<const std::vector<TInfLine>*> PlainAndLabelled(const TInfFile& inf, const std::string& base,
                                                           const std::string& label)
{
    std::vector<const std::vector<TInfLine>*> sections;
    if (const auto* plain = inf.Section(base))
        sections.push_back(plain);
    if (!label.empty())
        if (const auto* labelled = inf.Section(base + "." + label))
            sections.push_back(labelled);
    return sections;
}

std::string FirstField(const TInfFile& inf, const std::string& value)
{
    std::vector<std::string> fields = inf.Fields(value, false);
    return fields.empty() ? std::string() : Trim(fields.front());
}

// What the [CEDevice] sections of a target say.
struct TDeviceKeys {
    std::map<std::string, const TInfLine*> FKeys; // lower-case key
    std::vector<std::string> FUnsupported;
    int FUnsupportedLine = 0;
};

TDeviceKeys ReadDeviceKeys(const TInfFile& inf, const std::string& label)
{
    TDeviceKeys keys;
    for (const auto* lines : PlainAndLabelled(inf, "CEDevice", label))
        for (const TInfLine& line : *lines) {
            if (!line.FHasKey)
                continue;
            if (SameText(line.FKey, "UnsupportedPlatforms")) {
                // The labelled list adds to the plain one, as for the CAB tool.
                for (const std::string& name : inf.Fields(line.FValue, false))
                    if (!Trim(name).empty())
                        keys.FUnsupported.push_back(Trim(name));
                keys.FUnsupportedLine = line.FLineNo;
            } else {
                keys.FKeys[LowerCase(line.FKey)] = &line;
            }
        }
    return keys;
}

bool SameList(const std::vector<std::string>& names, const std::string& written)
{
    std::vector<std::string> own = TInfFile::SplitFields(written);
    return own.size() == names.size() &&
           std::equal(own.begin(), own.end(), names.begin(), [](auto& a, auto& b) { return SameText(a, b); });
}

void ReadProcessor(const TInfFile& inf, const TDeviceKeys& keys, TInfTarget& target, TImportReport& report)
{
    auto it = keys.FKeys.find("processortype");
    if (it == keys.FKeys.end())
        return;
    std::string code = FirstField(inf, it->second->FValue);
    uint32_t number = 0;
    if (!code.empty() && ParseInfNumber(code, number) && CodeToProcessor(std::to_string(number), target.FProcessor))
        return;
    target.FProcessor = pAll;
    report.NotMapped(it->second->FLineNo,
                     "the processor type " + code + " is none the project knows; the files are for every processor");
}

// The build limit the .inf gives, as the builder writes its own ("" for
// none, or for what IDEs always write: no limit at all).
std::string BuildLimit(const TInfFile& inf, const TDeviceKeys& keys, const char* key, uint32_t unlimited)
{
    auto it = keys.FKeys.find(key);
    if (it == keys.FKeys.end())
        return std::string();
    uint32_t value = 0;
    if (!ParseInfNumber(FirstField(inf, it->second->FValue), value))
        return Trim(it->second->FValue);
    return value == unlimited ? std::string() : std::to_string(value);
}

void ReadBuildLimits(const TInfFile& inf, const TDeviceKeys& keys, const TInfTarget& target, TImportReport& report)
{
    // A platform that has a build limit of its own (Windows Mobile 6.5) was
    // chosen by it; no limit needs no place in the project.
    const bool single = target.FPlatforms.Count() == 1;
    TPlatform platform = plAll;
    for (TPlatform p : PlatformList)
        if (single && target.FPlatforms.Contains(p))
            platform = p;
    for (const auto& [key, unlimited] : {std::pair<const char*, uint32_t>{"buildmin", 0}, {"buildmax", 0xE0000000u}}) {
        auto it = keys.FKeys.find(key);
        const std::string limit = BuildLimit(inf, keys, key, unlimited);
        const std::string own = platform == plAll                ? std::string()
                                : std::string(key) == "buildmin" ? PlatformBuildMin(platform)
                                                                 : PlatformBuildMax(platform);
        if (it == keys.FKeys.end() || limit == own)
            continue;
        report.NotMapped(it->second->FLineNo,
                         it->second->FKey + "=" + it->second->FValue + " is not kept: the project has no build limits");
    }
}

// The platforms whose range the .inf's range contains; where none is
// contained, those it overlaps. The report says where that differs from the
// .inf's own range.
TPlatforms PlatformsInRange(const TVersion& min, const TVersion& max, int line, TImportReport& report)
{
    TPlatforms contained, overlapping;
    TVersion low{~0u, ~0u}, high;
    for (TPlatform p : PlatformList) {
        TVersion pmin, pmax;
        ParseVersion(PlatformVersionMin(p), pmin);
        ParseVersion(PlatformVersionMax(p), pmax);
        if (min <= pmin && pmax <= max) {
            contained.Include(p);
            low = pmin <= low ? pmin : low;
            high = high <= pmax ? pmax : high;
        }
        if (min <= pmax && pmin <= max)
            overlapping.Include(p);
    }
    std::string range = "the version range " + VersionText(min) + " to " + VersionText(max);
    auto names = [](TPlatforms platforms) {
        std::string text;
        for (TPlatform p : PlatformList)
            if (platforms.Contains(p))
                text += (text.empty() ? "" : ", ") + PlatformToName(p);
        return text;
    };
    if (contained.Count() == 0 && overlapping.Count() > 0) {
        report.NotMapped(line,
                         range + " holds no platform of the project whole; it is widened to " + names(overlapping));
        return overlapping;
    }
    if (contained.Count() == 0) {
        report.NotMapped(line, range + " meets no platform of the project; the files are for every platform");
        return AllPlatforms;
    }
    if (!(low == min) || !(high == max))
        report.Information(line, range + " is narrowed to the platforms it holds: " + names(contained));
    return contained;
}

void ReadPlatforms(const TInfFile& inf, const TDeviceKeys& keys, TInfTarget& target, TImportReport& report)
{
    auto minKey = keys.FKeys.find("versionmin"), maxKey = keys.FKeys.find("versionmax");
    bool hasMin = minKey != keys.FKeys.end(), hasMax = maxKey != keys.FKeys.end();
    TVersion min, max{~0u, ~0u};
    int line = hasMin ? minKey->second->FLineNo : hasMax ? maxKey->second->FLineNo : keys.FUnsupportedLine;
    if ((hasMin && !ParseVersion(FirstField(inf, minKey->second->FValue), min)) ||
        (hasMax && !ParseVersion(FirstField(inf, maxKey->second->FValue), max))) {
        report.NotMapped(line, "the version range is no pair of version numbers; the files are for every platform");
        return;
    }
    if (!hasMin && !hasMax && keys.FUnsupported.empty())
        return;
    // The builder's own sections name one platform exactly.
    // Windows Mobile 6 and 6.5 share their versions and differ by BuildMin.
    const std::string buildMin = BuildLimit(inf, keys, "buildmin", 0);
    for (TPlatform p : PlatformList) {
        TVersion pmin, pmax;
        ParseVersion(PlatformVersionMin(p), pmin);
        ParseVersion(PlatformVersionMax(p), pmax);
        if (hasMin && hasMax && pmin == min && pmax == max && SameList(keys.FUnsupported, PlatformUnsupportedList(p)) &&
            buildMin == PlatformBuildMin(p)) {
            target.FPlatforms = TPlatforms{p};
            return;
        }
    }
    if (!keys.FUnsupported.empty())
        report.NotMapped(keys.FUnsupportedLine,
                         "UnsupportedPlatforms is not kept: the platforms are chosen by "
                         "the version range, each with the list the builder writes for it");
    target.FPlatforms = PlatformsInRange(min, max, line, report);
}

void ReadInstallAndDisks(const TInfFile& inf, TInfTarget& target)
{
    for (const auto* lines : PlainAndLabelled(inf, "DefaultInstall", target.FLabel))
        for (const TInfLine& line : *lines)
            if (line.FHasKey)
                target.FInstall[LowerCase(line.FKey)] = &line;
    for (const auto* lines : PlainAndLabelled(inf, "SourceDisksNames", target.FLabel))
        for (const TInfLine& line : *lines)
            if (line.FHasKey) {
                std::vector<std::string> fields = inf.Fields(line.FValue, false);
                target.FDiskNames[Trim(line.FKey)] = fields.size() > 3 ? fields[3] : std::string();
            }
    size_t place = 0;
    for (const auto* lines : PlainAndLabelled(inf, "SourceDisksFiles", target.FLabel))
        for (const TInfLine& line : *lines)
            if (line.FHasKey) {
                std::vector<std::string> fields = inf.Fields(line.FValue, false);
                std::string name = LowerCase(inf.Substitute(line.FKey, false));
                target.FDiskFiles[name] = {fields.empty() ? std::string() : Trim(fields[0]),
                                           fields.size() > 1 ? fields[1] : std::string()};
                target.FDiskFileOrder[name].push_back(place++);
            }
}

std::vector<std::string> LabelsOf(const TInfFile& inf)
{
    std::vector<std::string> labels;
    for (const std::string& name : inf.SectionNames())
        for (const char* base : LabelledBases) {
            std::string prefix = std::string(base) + ".";
            if (name.size() <= prefix.size() || !SameText(name.substr(0, prefix.size()), prefix))
                continue;
            std::string label = name.substr(prefix.size());
            if (std::none_of(labels.begin(), labels.end(), [&](auto& l) { return SameText(l, label); }))
                labels.push_back(label);
        }
    return labels;
}

// The plain sections make a target of their own when nothing is labelled,
// or when every label lists its own files: then the plain CopyFiles serves
// no labelled CAB file (the builder's layout for files of every platform
// and processor).
bool PlainIsTarget(const TInfFile& inf, const std::vector<std::string>& labels)
{
    if (labels.empty())
        return true;
    if (!inf.Find("DefaultInstall", "CopyFiles"))
        return false;
    return std::all_of(labels.begin(), labels.end(),
                       [&](const std::string& l) { return inf.Find("DefaultInstall." + l, "CopyFiles") != nullptr; });
}

}

std::vector<std::string> TInfTarget::InstallList(const TInfFile& inf, const std::string& key) const
{
    std::vector<std::string> names;
    auto it = FInstall.find(LowerCase(key));
    if (it != FInstall.end())
        for (const std::string& name : inf.Fields(it->second->FValue, false))
            if (!Trim(name).empty())
                names.push_back(Trim(name));
    return names;
}

int TInfTarget::InstallLine(const std::string& key) const
{
    auto it = FInstall.find(LowerCase(key));
    return it == FInstall.end() ? 0 : it->second->FLineNo;
}

std::vector<TInfTarget> InfTargets(const TInfFile& inf, const std::vector<std::string>& labels, TImportReport& report)
{
    const TInfLine* signature = inf.Find("Version", "CESignature");
    if (!inf.Section("Version") || !signature || !SameText(FirstField(inf, signature->FValue), "$Windows CE$"))
        throw Exception("This is no CAB Wizard .inf: [Version] has no CESignature = \"$Windows CE$\"");
    std::vector<std::string> all = LabelsOf(inf);
    std::vector<std::string> chosen = labels;
    for (const std::string& label : labels)
        if (std::none_of(all.begin(), all.end(), [&](auto& l) { return SameText(l, label); }))
            throw Exception("The .inf has no section labelled \"" + label + "\" (such as [CEDevice." + label + "])");
    if (labels.empty()) {
        if (PlainIsTarget(inf, all))
            chosen.insert(chosen.begin(), std::string());
        chosen.insert(chosen.end(), all.begin(), all.end());
    }
    std::vector<TInfTarget> targets;
    for (const std::string& label : chosen) {
        TInfTarget& target = targets.emplace_back();
        target.FLabel = label;
        TDeviceKeys keys = ReadDeviceKeys(inf, label);
        ReadProcessor(inf, keys, target, report);
        ReadPlatforms(inf, keys, target, report);
        ReadBuildLimits(inf, keys, target, report);
        ReadInstallAndDisks(inf, target);
    }
    return targets;
}

bool ParseInfNumber(const std::string& text, uint32_t& value)
{
    std::string t = Trim(text);
    int base = 10;
    if (t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')) {
        t = t.substr(2);
        base = 16;
    }
    if (t.empty() || t.size() > (base == 16 ? 8u : 10u))
        return false;
    uint64_t result = 0;
    for (char c : t) {
        int digit = c >= '0' && c <= '9' ? c - '0'
                    : base == 16 && std::isxdigit(static_cast<unsigned char>(c))
                        ? std::tolower(static_cast<unsigned char>(c)) - 'a' + 10
                        : -1;
        if (digit < 0)
            return false;
        result = result * uint64_t(base) + uint64_t(digit);
    }
    if (result > 0xFFFFFFFFu)
        return false;
    value = uint32_t(result);
    return true;
}

std::string RegistryHive(const std::string& root)
{
    static const std::pair<const char*, const char*> hives[] = {
        {"HKLM", "HKEY_LOCAL_MACHINE"}, {"HKCU", "HKEY_CURRENT_USER"}, {"HKCR", "HKEY_CLASSES_ROOT"}};
    for (const auto& [hive, name] : hives)
        if (SameText(Trim(root), hive) || SameText(Trim(root), name))
            return hive;
    return std::string();
}

std::string RegistryHiveName(const std::string& hive)
{
    if (SameText(hive, "HKLM"))
        return "HKEY_LOCAL_MACHINE";
    if (SameText(hive, "HKCU"))
        return "HKEY_CURRENT_USER";
    return "HKEY_CLASSES_ROOT";
}
