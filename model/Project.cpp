#include "model/Project.h"

#include "common/Exception.h"
#include "common/Paths.h"
#include "common/Platform.h"
#include "model/ValueEncoding.h"

namespace {

constexpr int32_t kFormatVersion = 2;
// Written only when the project names a Windows Mobile 5.0 or later platform
// (or exactly the eight earlier ones): a reader of format 2 would keep such
// platform numbers without knowing them, so it is made to refuse the file.
constexpr int32_t kLaterPlatformsVersion = 3;
// Written only when a build signs for the device: each build then carries
// the flag, which a reader of format 3 would take for the next field.
constexpr int32_t kDeviceSigningVersion = 4;

int32_t FolderID(const TFolder* folder)
{
    return folder ? folder->ID() : 0;
}

bool ValuesNeedLaterReader(const TRegKey& key)
{
    for (int i = 0; i < key.Values().Count(); ++i)
        if (NeedsLaterPlatformReader(key.Values().Item(i)->Platforms()))
            return true;
    for (int i = 0; i < key.SubKeyCount(); ++i)
        if (ValuesNeedLaterReader(*key.GetSubKey(i)))
            return true;
    return false;
}

template <typename List>
bool ItemsNeedLaterReader(const List& list)
{
    for (int i = 0; i < list.Count(); ++i)
        if (NeedsLaterPlatformReader(list.Item(i)->Platforms()))
            return true;
    return false;
}

bool NeedsLaterReader(const TProject& project)
{
    if (ItemsNeedLaterReader(project.Files()) || ItemsNeedLaterReader(project.Shortcuts()) ||
        ItemsNeedLaterReader(project.SetupDlls()))
        return true;
    for (int i = 0; i < project.RegKeys().Count(); ++i)
        if (ValuesNeedLaterReader(*project.RegKeys().Item(i)))
            return true;
    for (int b = 0; b < project.Builds().Count(); ++b)
        for (int p = 0; p < project.Builds().Item(b)->PairCount(); ++p)
            if (LaterPlatforms.Contains(project.Builds().Item(b)->GetPair(p)->FPlatform))
                return true;
    return false;
}

}

TProject::TProject(const std::string& defaultCompany)
    : FAppName("My Application"), FCompanyName(defaultCompany), FFolders(std::make_unique<TFolders>()),
      FFiles(std::make_unique<TFiles>()), FShortcuts(std::make_unique<TCEShortcuts>()),
      FSetupDlls(std::make_unique<TSetupDlls>()), FRegKeys(TRegKeys::CreateDefault()),
      FBuilds(std::make_unique<TBuilds>())
{
    FFolders->CreateDefault();
    TFolder* programFiles = FFolders->Root()->GetSubFolder(0);
    FCompanyFolder = programFiles->AddSubFolder(std::make_unique<TFolder>(FCompanyName, 0));
    FAppFolder = FCompanyFolder->AddSubFolder(std::make_unique<TFolder>(FAppName, 0));
    FDefaultFolder = FAppFolder;
}

TProject::~TProject()
{
    // Shortcuts and files subscribe to folders and shortcuts point at files:
    // they go before what they refer to.
    FShortcuts.reset();
    FFiles.reset();
}

void TProject::SetApplicationName(const std::string& name)
{
    FAppName = name;
    if (FAppFolder && !FAppFolder->IsSystem() && FAppFolder->Parent() && FOnApplicationNameChange)
        FOnApplicationNameChange(*this);
}

void TProject::SetCompanyName(const std::string& name)
{
    FCompanyName = name;
    if (FCompanyFolder && !FCompanyFolder->IsSystem() && FCompanyFolder->Parent() && FOnCompanyNameChange)
        FOnCompanyNameChange(*this);
}

void TProject::SetDefaultFolder(TFolder* folder)
{
    FDefaultFolder = folder;
    if (FOnDefaultFolderChange)
        FOnDefaultFolderChange(*this);
}

void TProject::SetIconFile(const std::string& file)
{
    FIconFile = file;
    if (FOnIconFileChange)
        FOnIconFileChange(*this);
}

std::string TProject::ProjectFileNameFor(const std::string& name)
{
    // Compared exactly: "X.VIP" is saved as X.VIP.vip, as it always was.
    return ExtractFileExt(name) == ".vip" ? name : name + ".vip";
}

std::string TProject::GetProjectName() const
{
    return ChangeFileExt(FProjectFileName, "");
}

std::string TProject::GetResourceFileName() const
{
    return AppendPath(FProjectDir, ChangeFileExt(FProjectFileName, "")) + "_res.dat";
}

std::vector<TFile*> TProject::GetMissingFiles() const
{
    std::vector<TFile*> missing;
    for (TFile* file : FFiles->ToList())
        if (!FileExists(HostFileName(file->GetHostSourcePath())))
            missing.push_back(file);
    return missing;
}

void TProject::RemoveFiles(const std::vector<TFile*>& files)
{
    // Each search runs over every shortcut; most files have none.
    for (TFile* file : files)
        if (file->ShortcutCount() > 0)
            FShortcuts->RemoveTargeting(file);
    FFiles->Remove(files);
}

void TProject::SaveToStream(TStream& stream)
{
    const bool signing = FBuilds->AnySignsForDevice();
    StreamWriteInteger(stream, signing                   ? kDeviceSigningVersion
                               : NeedsLaterReader(*this) ? kLaterPlatformsVersion
                                                         : kFormatVersion);
    StreamWriteString(stream, FIconFile);
    StreamWriteString(stream, FAppName);
    StreamWriteString(stream, FCompanyName);
    StreamWriteString(stream, FProjectDir);
    FFolders->SaveToStream(stream);
    StreamWriteInteger(stream, FolderID(FDefaultFolder));
    StreamWriteInteger(stream, FolderID(FCompanyFolder));
    StreamWriteInteger(stream, FolderID(FAppFolder));
    FFiles->SaveToStream(stream);
    FShortcuts->SaveToStream(stream);
    FSetupDlls->SaveToStream(stream);
    FRegKeys->SaveToStream(stream);
    FBuilds->SaveToStream(stream, signing);
    StreamWriteString(stream, FSetupImage);
}

void TProject::LoadFromStream(TStream& stream)
{
    int32_t version = StreamReadInteger(stream);
    if (version > kDeviceSigningVersion)
        throw Exception("Unknown file format!");
    SetIconFile(StreamReadString(stream));
    SetApplicationName(StreamReadString(stream));
    SetCompanyName(StreamReadString(stream));
    SetProjectDir(StreamReadString(stream));

    // Everything that refers to the old tree goes first.
    FShortcuts = std::make_unique<TCEShortcuts>();
    FFiles = std::make_unique<TFiles>();
    FDefaultFolder = FCompanyFolder = FAppFolder = nullptr;
    if (FFolders->Root())
        FFolders->Root()->ClearSubscribers();
    auto folders = std::make_unique<TFolders>();
    folders->LoadFromStream(stream);
    FFolders = std::move(folders);
    TFolderList folderList = FFolders->GetAllFolders();

    int32_t defaultID = StreamReadInteger(stream);
    int32_t companyID = StreamReadInteger(stream);
    int32_t appID = StreamReadInteger(stream);
    SetDefaultFolder(FindFolderByID(folderList, defaultID));
    SetCompanyFolder(FindFolderByID(folderList, companyID));
    SetAppFolder(FindFolderByID(folderList, appID));

    FFiles->LoadFromStream(stream, folderList);
    FShortcuts->LoadFromStream(stream, folderList, FFiles->ToList());
    auto dlls = std::make_unique<TSetupDlls>();
    dlls->LoadFromStream(stream);
    FSetupDlls = std::move(dlls);
    auto keys = std::make_unique<TRegKeys>();
    keys->LoadFromStream(stream);
    FRegKeys = std::move(keys);
    auto builds = std::make_unique<TBuilds>();
    builds->LoadFromStream(stream, version >= kDeviceSigningVersion);
    FBuilds = std::move(builds);
    if (version > 1)
        FSetupImage = StreamReadString(stream);
}

std::unique_ptr<TProject> OpenProjectFile(const std::string& path, const std::string& defaultCompany)
{
    TMemoryStream stream(ReadFileBytes(path));
    auto project = std::make_unique<TProject>(defaultCompany);
    project->LoadFromStream(stream);
    std::string full = ExpandFileName(path);
    project->SetProjectDir(ExtractFilePath(full));
    project->SetProjectFileName(ExtractFileName(full));
    return project;
}

void SaveProjectFile(TProject& project, const std::string& path)
{
    TMemoryStream stream;
    project.SaveToStream(stream);
    WriteFileAtomic(path, stream.Data().data(), stream.Data().size());
}
