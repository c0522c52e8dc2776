#include "model/ProjectJson.h"

#include "common/AnsiText.h"
#include "common/Exception.h"
#include "common/Paths.h"
#include "common/Platform.h"
#include "model/ProjectJsonFormat.h"
#include "model/Shortcuts.h"

#include <cstdio>
#include <initializer_list>
#include <unordered_map>

using ProjectJsonFormat::DevicePath;
using ProjectJsonFormat::kDefaultFolderWord;
using ProjectJsonFormat::kFormatName;
using ProjectJsonFormat::kFormatVersion;
using ProjectJsonFormat::kSetupTypeNames;
using ProjectJsonFormat::kSfxModeNames;

namespace {

// A value of the document with its JSON path, so that every complaint can
// say where it is.
class TNode {
public:
    TNode(const TJson& json, std::string path) : FJson(json), FPath(std::move(path)) {}

    const std::string& Path() const { return FPath; }
    const TJson& Json() const { return FJson; }

    [[noreturn]] void Fail(const std::string& what) const { throw Exception(FPath + ": " + what); }

    // An object whose fields are all among the given names.
    void ExpectObject(std::initializer_list<const char*> fields) const
    {
        if (!FJson.is_object())
            Fail("expected an object");
        for (const auto& [key, value] : FJson.items()) {
            bool known = false;
            for (const char* field : fields)
                known = known || key == field;
            if (!known)
                Fail("unknown field \"" + key + "\"");
        }
    }

    bool Has(const char* key) const { return FJson.contains(key); }

    TNode Field(const char* key) const
    {
        if (!FJson.contains(key))
            Fail("the field \"" + std::string(key) + "\" is missing");
        return TNode(FJson.at(key), FPath + "." + key);
    }

    std::vector<TNode> Elements() const
    {
        if (!FJson.is_array())
            Fail("expected an array");
        std::vector<TNode> elements;
        elements.reserve(FJson.size());
        for (size_t i = 0; i < FJson.size(); ++i)
            elements.emplace_back(FJson[i], FPath + "[" + std::to_string(i) + "]");
        return elements;
    }

    std::string Utf8String() const
    {
        if (!FJson.is_string())
            Fail("expected a string");
        return FJson.get<std::string>();
    }

    // Model texts are Windows-1252.
    std::string Text() const
    {
        std::string ansi;
        char32_t bad = 0;
        if (!Utf8ToAnsi(Utf8String(), ansi, &bad)) {
            char code[16];
            std::snprintf(code, sizeof code, "U+%04X", unsigned(bad));
            Fail(std::string("the character ") + code + " has no place in the Windows-1252 code page");
        }
        return ansi;
    }

    bool Boolean() const
    {
        if (!FJson.is_boolean())
            Fail("expected true or false");
        return FJson.get<bool>();
    }

    // One of a list of names; the complaint lists them.
    int Choice(const std::vector<std::string>& names, const char* what) const
    {
        std::string text = Utf8String();
        for (size_t i = 0; i < names.size(); ++i)
            if (names[i] == text)
                return static_cast<int>(i);
        std::string expected;
        for (const std::string& name : names)
            expected += (expected.empty() ? "\"" : ", \"") + name + "\"";
        Fail("unknown " + std::string(what) + " \"" + text + "\"; expected one of " + expected);
    }

private:
    const TJson& FJson;
    std::string FPath;
};

std::vector<std::string> PlatformNames()
{
    std::vector<std::string> names;
    for (TPlatform platform : PlatformList)
        names.push_back(PlatformToName(platform));
    return names;
}

// The platform at an index of PlatformNames(), with "All Platforms" after them.
TPlatform PlatformAt(int index)
{
    return index < PlatformCount ? PlatformList[index] : plAll;
}

std::vector<std::string> ProcessorNames()
{
    std::vector<std::string> names;
    for (int i = 0; i < ProcessorCount; ++i)
        names.push_back(ProcessorToName(static_cast<TProcessor>(i)));
    return names;
}

TPlatforms ReadPlatforms(const TNode& node)
{
    if (node.Json().is_string()) {
        if (node.Json().get<std::string>() != PlatformToName(plAll))
            node.Fail("expected \"" + PlatformToName(plAll) + "\" or an array of platform names");
        return AllPlatforms;
    }
    TPlatforms platforms;
    const auto names = PlatformNames();
    for (const TNode& element : node.Elements())
        platforms.Include(PlatformAt(element.Choice(names, "platform")));
    return platforms;
}

TProcessor ReadProcessor(const TNode& node)
{
    return static_cast<TProcessor>(node.Choice(ProcessorNames(), "processor"));
}

// "\Program Files\Co" and "\Program Files\Co\" name the same folder.
std::string FolderKey(std::string path)
{
    if (path.empty() || path.front() != '\\')
        path.insert(path.begin(), '\\');
    if (path.back() != '\\')
        path += '\\';
    return path;
}

// A path split as the editors split a chosen file: the folder keeps its
// trailing delimiter. Either delimiter splits, whatever the host.
void SplitSource(const std::string& source, std::string& dir, std::string& name)
{
    const size_t cut = source.find_last_of("\\/");
    dir = cut == std::string::npos ? std::string() : source.substr(0, cut + 1);
    name = cut == std::string::npos ? source : source.substr(cut + 1);
}

// The source folder and file name of a file or setup DLL from its "source",
// which must name a file.
template <typename T>
void ReadSource(const TNode& item, T& object)
{
    std::string dir, name;
    SplitSource(item.Field("source").Text(), dir, name);
    if (name.empty())
        item.Field("source").Fail("expected the path of a file, not of a folder");
    object.SetSourceDir(dir);
    object.SetFileName(name);
}

class TImport {
public:
    explicit TImport(std::unique_ptr<TProject> project) : FProject(std::move(project)) {}

    std::unique_ptr<TProject> Run(const TNode& root)
    {
        root.ExpectObject({"format", "version", "applicationName", "companyName", "workFolder", "iconFile",
                           "setupImage", "folders", "companyFolder", "applicationFolder", "defaultFolder", "files",
                           "shortcuts", "setupDlls", "registry", "builds"});
        if (root.Field("format").Utf8String() != kFormatName)
            root.Field("format").Fail(std::string("expected \"") + kFormatName + "\"");
        const TNode version = root.Field("version");
        if (!version.Json().is_number_integer() || version.Json().get<int64_t>() != kFormatVersion)
            version.Fail("expected " + std::to_string(kFormatVersion) +
                         "; this builder reads no other version of the format");

        FProject->SetIconFile(OptionalText(root, "iconFile"));
        FProject->SetApplicationName(root.Field("applicationName").Text());
        FProject->SetCompanyName(root.Field("companyName").Text());
        FProject->SetProjectDir(OptionalText(root, "workFolder"));
        FProject->SetSetupImage(OptionalText(root, "setupImage"));

        ReadFolders(root.Field("folders"));
        FProject->SetCompanyFolder(OptionalFolder(root, "companyFolder"));
        FProject->SetAppFolder(OptionalFolder(root, "applicationFolder"));
        FProject->SetDefaultFolder(OptionalFolder(root, "defaultFolder"));

        if (root.Has("files"))
            ReadFiles(root.Field("files"));
        if (root.Has("shortcuts"))
            ReadShortcuts(root.Field("shortcuts"));
        if (root.Has("setupDlls"))
            ReadSetupDlls(root.Field("setupDlls"));
        ReadRegistry(root.Field("registry"));
        if (root.Has("builds"))
            ReadBuilds(root.Field("builds"));
        return std::move(FProject);
    }

private:
    static std::string OptionalText(const TNode& node, const char* key)
    {
        return node.Has(key) ? node.Field(key).Text() : std::string();
    }

    TFolder* Folder(const TNode& node) const
    {
        auto it = FFolders.find(FolderKey(node.Text()));
        if (it == FFolders.end())
            node.Fail("no folder " + FolderKey(node.Utf8String()) + " in \"folders\"");
        return it->second;
    }

    TFolder* OptionalFolder(const TNode& node, const char* key) const
    {
        if (!node.Has(key) || node.Field(key).Json().is_null())
            return nullptr;
        return Folder(node.Field(key));
    }

    void ReadFolders(const TNode& list)
    {
        TFolder* root = FProject->Folders().Root();
        // The new project's own tree and folder marks give way to the listed ones.
        FProject->SetCompanyFolder(nullptr);
        FProject->SetAppFolder(nullptr);
        FProject->SetDefaultFolder(nullptr);
        while (root->SubFolderCount() > 0)
            root->DeleteSubFolder(root->SubFolderCount() - 1);
        FFolders.emplace("\\", root);

        const int macroCount = SystemFolderCount;
        for (const TNode& item : list.Elements()) {
            item.ExpectObject({"path", "system"});
            const TNode pathNode = item.Field("path");
            const std::string path = FolderKey(pathNode.Text());
            if (path == "\\")
                pathNode.Fail("the root folder \\ is always there and is not listed");
            if (path.find("\\\\") != std::string::npos)
                pathNode.Fail("a folder path has no empty names");
            const std::string parentPath = path.substr(0, path.rfind('\\', path.size() - 2) + 1);
            auto parent = FFolders.find(parentPath);
            if (parent == FFolders.end())
                pathNode.Fail("the parent folder " + parentPath + " must be listed before " + path);
            if (FFolders.count(path))
                pathNode.Fail("the folder " + path + " is listed twice");
            int system = 0;
            if (item.Has("system")) {
                std::vector<std::string> macros;
                for (int n = 1; n < macroCount; ++n)
                    macros.push_back(SystemFolderMacro(n));
                system = item.Field("system").Choice(macros, "system folder") + 1;
            }
            const std::string name = path.substr(parentPath.size(), path.size() - parentPath.size() - 1);
            TFolder* folder = parent->second->AddSubFolder(std::make_unique<TFolder>(name, system));
            FFolders.emplace(path, folder);
        }
    }

    static std::vector<std::string> CopyModeNames()
    {
        std::vector<std::string> names;
        for (int i = 0; i < CopyModeCount; ++i)
            names.push_back(CopyModeName(i));
        return names;
    }

    static std::vector<std::string> FileOptionNames()
    {
        std::vector<std::string> names;
        for (int i = 0; i < FileOptionCount; ++i)
            names.push_back(FileOptionName(static_cast<TFileOption>(i)));
        return names;
    }

    // "folder" and "ownFolder" of a file.
    void ReadFileFolder(const TNode& item, TFile& file) const
    {
        const TNode folder = item.Field("folder");
        if (folder.Json().is_string() && folder.Json().get<std::string>() == kDefaultFolderWord) {
            file.SetUseDefaultFolder(true);
            TFolder* own = item.Has("ownFolder") ? Folder(item.Field("ownFolder")) : FProject->DefaultFolder();
            if (own)
                file.SetFolder(own);
        } else {
            if (item.Has("ownFolder"))
                item.Field("ownFolder").Fail("only a file whose folder is \"default\" has an own folder");
            file.SetFolder(Folder(folder));
        }
    }

    void ReadFiles(const TNode& list)
    {
        const auto copyModes = CopyModeNames();
        const auto optionNames = FileOptionNames();

        for (const TNode& item : list.Elements()) {
            item.ExpectObject({"source", "folder", "ownFolder", "platforms", "processor", "copyMode", "options"});
            auto file = std::make_unique<TFile>();
            ReadSource(item, *file);
            ReadFileFolder(item, *file);
            file->SetPlatforms(ReadPlatforms(item.Field("platforms")));
            file->SetProcessor(ReadProcessor(item.Field("processor")));
            file->SetCopyMode(item.Has("copyMode") ? item.Field("copyMode").Choice(copyModes, "copy mode") : 0);
            TFileOptions options;
            if (item.Has("options"))
                for (const TNode& option : item.Field("options").Elements())
                    options.Include(static_cast<TFileOption>(option.Choice(optionNames, "file option")));
            file->SetOptions(options);

            TFile* added = FProject->Files().Add(std::move(file));
            FFilesByPath[DevicePath(*added, *FProject)].push_back(added);
        }
    }

    TFile* ShortcutTarget(const TNode& item) const
    {
        const TNode targetNode = item.Field("target");
        const std::string path = targetNode.Text();
        auto it = FFilesByPath.find(path);
        if (it == FFilesByPath.end())
            targetNode.Fail("no file of \"files\" goes to " + targetNode.Utf8String());
        std::vector<TFile*> candidates = it->second;
        if (item.Has("targetProcessor")) {
            const TProcessor processor = ReadProcessor(item.Field("targetProcessor"));
            std::erase_if(candidates, [processor](const TFile* f) { return f->Processor() != processor; });
            if (candidates.empty())
                item.Field("targetProcessor").Fail("no file for this processor goes to " + targetNode.Utf8String());
        }
        if (item.Has("targetOccurrence")) {
            const TNode occurrence = item.Field("targetOccurrence");
            if (!occurrence.Json().is_number_integer() || occurrence.Json().get<int64_t>() < 1 ||
                occurrence.Json().get<int64_t>() > static_cast<int64_t>(candidates.size()))
                occurrence.Fail("expected a number from 1 to " + std::to_string(candidates.size()));
            return candidates[static_cast<size_t>(occurrence.Json().get<int64_t>() - 1)];
        }
        if (candidates.size() > 1)
            targetNode.Fail(std::to_string(candidates.size()) + " files go to " + targetNode.Utf8String() +
                            "; say which with \"targetProcessor\" or \"targetOccurrence\"");
        return candidates.front();
    }

    void ReadShortcuts(const TNode& list)
    {
        for (const TNode& item : list.Elements()) {
            item.ExpectObject({"name", "target", "targetProcessor", "targetOccurrence", "folder", "platforms"});
            auto shortcut = std::make_unique<TCEShortCut>();
            shortcut->SetName(item.Field("name").Text());
            shortcut->SetTarget(ShortcutTarget(item));
            if (item.Has("platforms"))
                shortcut->SetPlatforms(ReadPlatforms(item.Field("platforms")));
            shortcut->SetFolder(Folder(item.Field("folder")));
            FProject->Shortcuts().Add(std::move(shortcut));
        }
    }

    void ReadSetupDlls(const TNode& list)
    {
        for (const TNode& item : list.Elements()) {
            item.ExpectObject({"source", "platforms", "processor"});
            auto dll = std::make_unique<TSetupDLL>();
            ReadSource(item, *dll);
            dll->SetPlatforms(ReadPlatforms(item.Field("platforms")));
            dll->SetProcessor(ReadProcessor(item.Field("processor")));
            FProject->SetupDlls().Add(std::move(dll));
        }
    }

    static std::vector<uint8_t> ReadHex(const TNode& node)
    {
        const std::string text = node.Utf8String();
        std::vector<uint8_t> bytes;
        int high = -1;
        for (char c : text) {
            if (c == ' ')
                continue;
            int digit = c >= '0' && c <= '9'   ? c - '0'
                        : c >= 'a' && c <= 'f' ? c - 'a' + 10
                        : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                               : -1;
            if (digit < 0)
                node.Fail("expected bytes as pairs of hex digits (\"01 A2 FF\")");
            if (high < 0) {
                high = digit;
            } else {
                bytes.push_back(static_cast<uint8_t>(high * 16 + digit));
                high = -1;
            }
        }
        if (high >= 0)
            node.Fail("expected bytes as pairs of hex digits; the last digit has no partner");
        return bytes;
    }

    // "data" of a registry value of the given type.
    static void ReadValueData(const TNode& data, uint32_t type, TValue& value)
    {
        switch (type) {
        case vtString: value.SetStringData(data.Text()); break;
        case vtMultiString:
            for (const TNode& line : data.Elements())
                value.Strings().push_back(line.Text());
            break;
        case vtDWord:
            if (!data.Json().is_number_unsigned() || data.Json().get<uint64_t>() > 0xFFFFFFFFu)
                data.Fail("expected a whole number from 0 to 4294967295");
            value.SetDwordData(static_cast<uint32_t>(data.Json().get<uint64_t>()));
            break;
        case vtBinary: value.BinaryData() = ReadHex(data); break;
        }
    }

    static std::unique_ptr<TValue> ReadValue(const TNode& item)
    {
        item.ExpectObject({"default", "name", "type", "data", "platforms", "processor", "noClobber"});
        const std::vector<std::string> types = {ValueTypeToName(vtString), ValueTypeToName(vtBinary),
                                                ValueTypeToName(vtMultiString), ValueTypeToName(vtDWord)};
        const uint32_t codes[] = {vtString, vtBinary, vtMultiString, vtDWord};
        const uint32_t type = codes[item.Field("type").Choice(types, "registry type")];
        auto value = std::make_unique<TValue>(type);
        const bool isDefault = item.Has("default") && item.Field("default").Boolean();
        if (isDefault) {
            if (item.Has("name"))
                item.Field("name").Fail("the default value has no name");
            if (type != vtString)
                item.Field("type").Fail("the default value is always of type REG_SZ");
            value->SetIsDefault(true);
        } else {
            value->SetName(item.Field("name").Text());
        }
        ReadValueData(item.Field("data"), type, *value);
        if (item.Has("platforms"))
            value->SetPlatforms(ReadPlatforms(item.Field("platforms")));
        if (item.Has("processor"))
            value->SetProcessor(ReadProcessor(item.Field("processor")));
        if (item.Has("noClobber"))
            value->SetNoClobber(item.Field("noClobber").Boolean());
        return value;
    }

    void ReadRegistry(const TNode& list)
    {
        FProject->RegKeys().Clear();
        std::unordered_map<std::string, TRegKey*> keys;
        for (const TNode& item : list.Elements()) {
            item.ExpectObject({"path", "system", "shortName", "values"});
            const TNode pathNode = item.Field("path");
            const std::string path = pathNode.Text();
            if (path.empty() || path.front() == '\\' || path.back() == '\\' || path.find("\\\\") != std::string::npos)
                pathNode.Fail("expected key names joined by \\, without a leading or trailing one");
            if (keys.count(path))
                pathNode.Fail("the key " + path + " is listed twice");
            const size_t cut = path.rfind('\\');
            const std::string name = cut == std::string::npos ? path : path.substr(cut + 1);
            const bool system = item.Has("system") && item.Field("system").Boolean();
            const std::string shortName = item.Has("shortName") ? item.Field("shortName").Text() : name;
            auto key = std::make_unique<TRegKey>(system, name, shortName);
            if (item.Has("values")) {
                key->Values().Values().clear();
                for (const TNode& value : item.Field("values").Elements())
                    key->Values().Add(ReadValue(value));
            }
            TRegKey* added;
            if (cut == std::string::npos) {
                added = FProject->RegKeys().Add(std::move(key));
            } else {
                auto parent = keys.find(path.substr(0, cut));
                if (parent == keys.end())
                    pathNode.Fail("the parent key " + path.substr(0, cut) + " must be listed before " + path);
                added = parent->second->AddSubKey(std::move(key));
            }
            keys.emplace(path, added);
        }
    }

    static std::unique_ptr<TPlatformProcPair> ReadPair(const TNode& node)
    {
        const std::string text = node.Utf8String();
        const size_t cut = text.find(" / ");
        if (cut == std::string::npos)
            node.Fail("expected \"Platform / Processor\", for example \"Pocket PC / StrongARM\"");
        auto names = PlatformNames();
        names.push_back(PlatformToName(plAll));
        const TJson platformText = text.substr(0, cut), processorText = text.substr(cut + 3);
        const int platform = TNode(platformText, node.Path()).Choice(names, "platform");
        const int processor = TNode(processorText, node.Path()).Choice(ProcessorNames(), "processor");
        return std::make_unique<TPlatformProcPair>(PlatformAt(platform), static_cast<TProcessor>(processor));
    }

    static int32_t ReadLanguage(const TNode& node)
    {
        const std::string name = node.Utf8String();
        for (const TLanguageRow& row : LanguageTable())
            if (name == row.Name)
                return row.Id;
        node.Fail("unknown language \"" + name + "\"; the names are those of the Languages tab, such as \"English\"");
    }

    // "languages" and "defaultLanguage" of a build.
    static void ReadBuildLanguages(const TNode& item, TBuild& build)
    {
        if (item.Has("languages"))
            for (const TNode& language : item.Field("languages").Elements()) {
                const int32_t id = ReadLanguage(language);
                if (build.Languages().Find(id))
                    language.Fail("the language is listed twice");
                build.Languages().Add(id);
            }
        if (item.Has("defaultLanguage")) {
            const TNode node = item.Field("defaultLanguage");
            const int32_t id = ReadLanguage(node);
            if (!build.Languages().Find(id))
                node.Fail("the default language must be one of the build's \"languages\"");
            build.SetDefaultLanguage(id);
        } else {
            build.SetDefaultLanguage(0);
        }
    }

    static std::unique_ptr<TBuild> ReadBuild(const TNode& item)
    {
        item.ExpectObject({"name", "pairs", "languages", "defaultLanguage", "allInOne", "setupType", "selfExtractor",
                           "welcomePage", "licencePage", "finishPage", "signForDevice"});
        auto build = std::make_unique<TBuild>();
        build->SetName(item.Field("name").Text());
        for (const TNode& pair : item.Field("pairs").Elements())
            build->AddPair(ReadPair(pair));
        ReadBuildLanguages(item, *build);
        auto flag = [&](const char* key, bool fallback) {
            return item.Has(key) ? item.Field(key).Boolean() : fallback;
        };
        build->SetAllInOne(flag("allInOne", false));
        if (item.Has("setupType"))
            build->SetSetupType(static_cast<uint8_t>(
                item.Field("setupType").Choice({kSetupTypeNames[0], kSetupTypeNames[1]}, "setup type")));
        if (item.Has("selfExtractor"))
            build->SetSfxMode(
                item.Field("selfExtractor").Choice({kSfxModeNames[0], kSfxModeNames[1]}, "self-extractor mode"));
        build->SetShowWelcome(flag("welcomePage", true));
        build->SetShowEULA(flag("licencePage", true));
        build->SetShowFinish(flag("finishPage", true));
        build->SetSignForDevice(flag("signForDevice", false));
        return build;
    }

    void ReadBuilds(const TNode& list)
    {
        FProject->Builds().Clear();
        for (const TNode& item : list.Elements())
            FProject->Builds().Add(ReadBuild(item));
    }

    std::unique_ptr<TProject> FProject;
    std::unordered_map<std::string, TFolder*> FFolders;
    std::unordered_map<std::string, std::vector<TFile*>> FFilesByPath;
};

}

std::unique_ptr<TProject> ProjectFromJson(const std::string& text, const std::string& defaultCompany)
{
    TJson document;
    try {
        document = TJson::parse(text);
    } catch (const TJson::exception& e) {
        // The parser's own text names the line and column, or the number it
        // cannot hold ("1e999" overflows while parsing).
        std::string what = e.what();
        if (what.rfind("[json.exception.", 0) == 0 && what.find("] ") != std::string::npos)
            what = what.substr(what.find("] ") + 2);
        throw Exception("The project text is not valid JSON: " + what);
    }
    TImport import(std::make_unique<TProject>(defaultCompany));
    return import.Run(TNode(document, "$"));
}

bool IsJsonProjectPath(const std::string& path)
{
    return SameText(ExtractFileExt(path), ".json");
}

std::unique_ptr<TProject> OpenAnyProjectFile(const std::string& path, const std::string& defaultCompany)
{
    if (!IsJsonProjectPath(path))
        return OpenProjectFile(path, defaultCompany);
    const std::vector<uint8_t> bytes = ReadFileBytes(path);
    auto project = ProjectFromJson(std::string(bytes.begin(), bytes.end()), defaultCompany);
    const std::string full = ExpandFileName(path);
    project->SetProjectDir(ExtractFilePath(full));
    project->SetProjectFileName(ChangeFileExt(ExtractFileName(full), ".vip"));
    return project;
}
