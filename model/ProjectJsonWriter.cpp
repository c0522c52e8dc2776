#include "model/ProjectJson.h"

#include "common/AnsiText.h"
#include "common/Exception.h"
#include "model/ProjectJsonFormat.h"
#include "model/Shortcuts.h"

#include <cstdio>
#include <map>
#include <unordered_map>

using ProjectJsonFormat::DevicePath;
using ProjectJsonFormat::kDefaultFolderWord;
using ProjectJsonFormat::kFormatName;
using ProjectJsonFormat::kFormatVersion;
using ProjectJsonFormat::kSetupTypeNames;
using ProjectJsonFormat::kSfxModeNames;

namespace {

std::string Utf8(const std::string& ansi)
{
    return AnsiToUtf8(ansi);
}

// Device path of a folder as the editors show it: "\Program Files\Games\".
// Folder names holding a backslash would make the path ambiguous.
class TFolderPaths {
public:
    explicit TFolderPaths(TFolders& folders)
    {
        for (TFolder* folder : folders.GetAllFolders()) {
            if (folder != folders.Root() && folder->Name().find('\\') != std::string::npos)
                throw Exception("The device folder \"" + folder->Name() +
                                "\" has a backslash in its name; the text form names folders by path");
            auto [it, added] = FSeen.emplace(folder->GetPath(), folder);
            if (!added)
                throw Exception("Two device folders have the path " + folder->GetPath() +
                                "; rename one so that the text form can tell them apart");
        }
    }

    static TJson Of(const TFolder* folder) { return folder ? TJson(Utf8(folder->GetPath())) : TJson(nullptr); }

private:
    std::unordered_map<std::string, TFolder*> FSeen;
};

TJson PlatformsJson(TPlatforms platforms)
{
    if (platforms == AllPlatforms)
        return PlatformToName(plAll);
    TJson list = TJson::array();
    for (int i = 0; i < 16; ++i)
        if (platforms.ContainsOrdinal(static_cast<unsigned>(i)) && !IsRealPlatform(static_cast<unsigned>(i)))
            throw Exception("A platform set holds the unknown platform number " + std::to_string(i));
    for (TPlatform platform : PlatformList)
        if (platforms.Contains(platform))
            list.push_back(PlatformToName(platform));
    return list;
}

TJson ProcessorJson(TProcessor processor)
{
    if (processor >= ProcessorCount)
        throw Exception("Unknown processor number " + std::to_string(int(processor)));
    return ProcessorToName(processor);
}

// Source folder and name joined with the delimiter the folder already uses
// (a backslash when it has none), so that the text is the same on every host.
std::string SourcePath(const std::string& dir, const std::string& name)
{
    if (dir.empty())
        return name;
    if (dir.back() == '\\' || dir.back() == '/')
        return dir + name;
    const size_t last = dir.find_last_of("\\/");
    return dir + (last == std::string::npos ? '\\' : dir[last]) + name;
}

std::string HexText(const std::vector<uint8_t>& bytes)
{
    std::string text;
    text.reserve(bytes.size() * 3);
    char buf[4];
    for (size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(buf, sizeof buf, i ? " %02X" : "%02X", bytes[i]);
        text += buf;
    }
    return text;
}

TJson FoldersJson(TProject& project)
{
    TJson list = TJson::array();
    // Depth first, each folder before its children and children in their
    // order, so that a reader can append every folder to a parent it knows.
    std::vector<const TFolder*> stack;
    if (const TFolder* root = project.Folders().Root())
        for (int i = root->SubFolderCount() - 1; i >= 0; --i)
            stack.push_back(root->GetSubFolder(i));
    while (!stack.empty()) {
        const TFolder* folder = stack.back();
        stack.pop_back();
        for (int i = folder->SubFolderCount() - 1; i >= 0; --i)
            stack.push_back(folder->GetSubFolder(i));
        TJson item;
        item["path"] = Utf8(folder->GetPath());
        if (folder->SystemFolder() != 0)
            item["system"] = SystemFolderMacro(folder->SystemFolder());
        list.push_back(std::move(item));
    }
    return list;
}

// One item per object, as itemJson writes it; an object it gives null for
// is left out.
template <typename T, typename ItemJson>
TJson ListJson(const std::vector<T*>& objects, ItemJson itemJson)
{
    TJson list = TJson::array();
    for (const T* object : objects) {
        TJson item = itemJson(*object);
        if (!item.is_null())
            list.push_back(std::move(item));
    }
    return list;
}

TJson FilesJson(TProject& project)
{
    return ListJson(project.Files().ToList(), [&project](const TFile& file) {
        TJson item;
        item["source"] = Utf8(SourcePath(file.GetSourceDir(), file.FileName()));
        if (file.UseDefaultFolder()) {
            item["folder"] = kDefaultFolderWord;
            // The folder the file sat in before it followed the default
            // folder; the file goes back there when it stops following it.
            if (file.AttachedFolder() != project.DefaultFolder())
                item["ownFolder"] = TFolderPaths::Of(file.AttachedFolder());
        } else {
            item["folder"] = TFolderPaths::Of(file.AttachedFolder());
        }
        item["platforms"] = PlatformsJson(file.Platforms());
        item["processor"] = ProcessorJson(file.Processor());
        item["copyMode"] = CopyModeName(file.CopyMode());
        TJson options = TJson::array();
        for (int i = 0; i < FileOptionCount; ++i)
            if (file.Options().Contains(static_cast<TFileOption>(i)))
                options.push_back(FileOptionName(static_cast<TFileOption>(i)));
        item["options"] = std::move(options);
        return item;
    });
}

TJson ShortcutsJson(TProject& project)
{
    // Several files may share a device path (one per processor, say): the
    // processor, and failing that the position among them, picks one.
    std::unordered_map<std::string, std::vector<const TFile*>> byPath;
    for (const TFile* file : project.Files().ToList())
        byPath[DevicePath(*file, project)].push_back(file);

    return ListJson(project.Shortcuts().ToList(), [&](const TCEShortCut& shortcut) {
        const TFile* target = shortcut.Target();
        if (!target)
            return TJson(); // a shortcut without a target is not saved either
        TJson item;
        item["name"] = Utf8(shortcut.Name());
        const std::string path = DevicePath(*target, project);
        item["target"] = Utf8(path);
        const auto& candidates = byPath[path];
        if (candidates.size() > 1) {
            item["targetProcessor"] = ProcessorJson(target->Processor());
            int occurrence = 0, total = 0;
            for (const TFile* file : candidates) {
                if (file->Processor() != target->Processor())
                    continue;
                ++total;
                if (file == target)
                    occurrence = total;
            }
            if (total > 1)
                item["targetOccurrence"] = occurrence;
        }
        item["folder"] = TFolderPaths::Of(shortcut.GetFolder());
        item["platforms"] = PlatformsJson(shortcut.Platforms());
        return item;
    });
}

TJson SetupDllsJson(TProject& project)
{
    return ListJson(project.SetupDlls().ToList(), [](const TSetupDLL& dll) {
        TJson item;
        item["source"] = Utf8(SourcePath(dll.SourceDir(), dll.FileName()));
        item["platforms"] = PlatformsJson(dll.Platforms());
        item["processor"] = ProcessorJson(dll.Processor());
        return item;
    });
}

bool IsUntouchedDefault(const TValue& value)
{
    return value.IsDefault() && value.Type() == vtString && value.StringData().empty() &&
           value.Platforms() == AllPlatforms && value.Processor() == pAll && !value.NoClobber();
}

// The data of a value of a known type.
TJson ValueDataJson(const TValue& value)
{
    switch (value.Type()) {
    case vtString: return Utf8(value.StringData());
    case vtMultiString: {
        TJson lines = TJson::array();
        for (const std::string& line : value.Strings())
            lines.push_back(Utf8(line));
        return lines;
    }
    case vtDWord: return value.DwordData();
    case vtBinary: return HexText(value.BinaryData());
    }
    return TJson();
}

TJson ValueJson(const TValue& value, const std::string& keyPath)
{
    TJson item;
    if (value.IsDefault())
        item["default"] = true;
    else
        item["name"] = Utf8(value.Name());
    const std::string type = ValueTypeToName(value.Type());
    if (type.empty())
        throw Exception("The registry value \"" + value.GetDisplayName() + "\" of " + keyPath +
                        " has the unknown type " + std::to_string(value.Type()));
    item["type"] = type;
    item["data"] = ValueDataJson(value);
    if (value.Platforms() != AllPlatforms)
        item["platforms"] = PlatformsJson(value.Platforms());
    if (value.Processor() != pAll)
        item["processor"] = ProcessorJson(value.Processor());
    if (value.NoClobber())
        item["noClobber"] = true;
    return item;
}

void KeyJson(const TRegKey& key, const std::string& parentPath, TJson& list,
             std::map<std::string, const TRegKey*>& seen)
{
    if (key.Name().find('\\') != std::string::npos)
        throw Exception("The registry key \"" + key.Name() +
                        "\" has a backslash in its name; the text form names keys by path");
    const std::string path = parentPath.empty() ? key.Name() : parentPath + "\\" + key.Name();
    if (!seen.emplace(path, &key).second)
        throw Exception("Two registry keys have the path " + path +
                        "; rename one so that the text form can tell them apart");
    TJson item;
    item["path"] = Utf8(path);
    if (key.IsSystem())
        item["system"] = true;
    if (key.ShortName() != key.Name())
        item["shortName"] = Utf8(key.ShortName());
    const auto& values = key.Values().Values();
    if (!(values.size() == 1 && IsUntouchedDefault(*values.front()))) {
        TJson valueList = TJson::array();
        for (const auto& value : values)
            valueList.push_back(ValueJson(*value, path));
        item["values"] = std::move(valueList);
    }
    list.push_back(std::move(item));
    for (const auto& sub : key.SubKeys())
        KeyJson(*sub, path, list, seen);
}

TJson RegistryJson(TProject& project)
{
    TJson list = TJson::array();
    std::map<std::string, const TRegKey*> seen;
    for (const auto& key : project.RegKeys().Keys())
        KeyJson(*key, std::string(), list, seen);
    return list;
}

std::string KnownLanguageName(int32_t language, const std::string& build)
{
    for (const TLanguageRow& row : LanguageTable())
        if (row.Id == language)
            return row.Name;
    throw Exception("The build \"" + build + "\" has the unknown language " + std::to_string(language));
}

TJson BuildJson(const TBuild& build)
{
    TJson item;
    item["name"] = Utf8(build.Name());
    TJson pairs = TJson::array();
    for (int p = 0; p < build.PairCount(); ++p) {
        const TPlatformProcPair* pair = build.GetPair(p);
        if (pair->FPlatform != plAll && !IsRealPlatform(pair->FPlatform))
            throw Exception("The build \"" + build.Name() + "\" has the unknown platform number " +
                            std::to_string(int(pair->FPlatform)));
        pairs.push_back(PlatformToName(pair->FPlatform) + " / " + ProcessorJson(pair->FProcessor).get<std::string>());
    }
    item["pairs"] = std::move(pairs);
    TJson languages = TJson::array();
    for (int l = 0; l < build.Languages().Count(); ++l)
        languages.push_back(KnownLanguageName(build.Languages().Items(l)->FLanguage, build.Name()));
    item["languages"] = std::move(languages);
    if (build.Languages().Count() > 0)
        item["defaultLanguage"] = KnownLanguageName(build.DefaultLanguage(), build.Name());
    item["allInOne"] = build.AllInOne();
    if (build.SetupType() > 1)
        throw Exception("The build \"" + build.Name() + "\" has the unknown setup type " +
                        std::to_string(build.SetupType()));
    item["setupType"] = kSetupTypeNames[build.SetupType()];
    if (build.SfxMode() < 0 || build.SfxMode() > 1)
        throw Exception("The build \"" + build.Name() + "\" has the unknown self-extractor mode " +
                        std::to_string(build.SfxMode()));
    item["selfExtractor"] = kSfxModeNames[build.SfxMode()];
    item["welcomePage"] = build.ShowWelcome();
    item["licencePage"] = build.ShowEULA();
    item["finishPage"] = build.ShowFinish();
    // Only when set, so that the JSON of every project without it stays as it was.
    if (build.SignForDevice())
        item["signForDevice"] = true;
    return item;
}

TJson BuildsJson(TProject& project)
{
    TJson list = TJson::array();
    for (int i = 0; i < project.Builds().Count(); ++i)
        list.push_back(BuildJson(*project.Builds().GetBuild(i)));
    return list;
}

}

std::string ProjectToJson(TProject& project)
{
    TFolderPaths folderCheck(project.Folders());
    TJson root;
    root["format"] = kFormatName;
    root["version"] = kFormatVersion;
    root["applicationName"] = Utf8(project.AppName());
    root["companyName"] = Utf8(project.CompanyName());
    root["workFolder"] = Utf8(project.ProjectDir());
    root["iconFile"] = Utf8(project.IconFile());
    root["setupImage"] = Utf8(project.SetupImage());
    root["folders"] = FoldersJson(project);
    root["companyFolder"] = TFolderPaths::Of(project.CompanyFolder());
    root["applicationFolder"] = TFolderPaths::Of(project.AppFolder());
    root["defaultFolder"] = TFolderPaths::Of(project.DefaultFolder());
    root["files"] = FilesJson(project);
    root["shortcuts"] = ShortcutsJson(project);
    root["setupDlls"] = SetupDllsJson(project);
    root["registry"] = RegistryJson(project);
    root["builds"] = BuildsJson(project);
    return root.dump(2) + "\n";
}
