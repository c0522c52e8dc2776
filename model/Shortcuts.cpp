#include "model/Shortcuts.h"

#include "common/DebugTrace.h"
#include "common/Exception.h"
#include "common/Paths.h"
#include "model/EditorHook.h"
#include "model/ValueEncoding.h"

#include <utility>

// --- TCEShortCut -----------------------------------------------------------

TCEShortCut::~TCEShortCut()
{
    if (FTarget)
        FTarget->FShortcuts.erase(this);
}

void TCEShortCut::SetTarget(TFile* file)
{
    if (FTarget)
        FTarget->FShortcuts.erase(this);
    FTarget = file;
    if (file) {
        file->FShortcuts.insert(this);
        FPlatforms = file->Platforms();
    }
}

bool TCEShortCut::Edit(TProject* project)
{
    return TEditorHook<TShortcutEditor>::Run("shortcut", *this, project);
}

TShortcutEditor TCEShortCut::SetEditor(TShortcutEditor editor)
{
    return TEditorHook<TShortcutEditor>::Install(std::move(editor));
}

void TCEShortCut::SaveToStream(TStream& stream) const
{
    StreamWriteString(stream, FName);
    StreamWriteInteger(stream, FTarget ? FTarget->ID() : 0);
    StreamWritePlatforms(stream, FPlatforms);
    StreamWriteInteger(stream, GetFolder() ? GetFolder()->ID() : 0);
}

void TCEShortCut::LoadFromStream(TStream& stream, const TIdIndex<TFolder>& folders, const TIdIndex<TFile>& files)
{
    FName = StreamReadString(stream);
    TFile* target = files.Find(StreamReadInteger(stream));
    if (!target)
        throw Exception("Can not find the target file of the shortcut \"" + FName + "\"");
    SetTarget(target);
    FPlatforms = StreamReadPlatforms(stream);
    // An unknown number leaves the shortcut unattached; SetFolder traces it.
    SetFolder(folders.Find(StreamReadInteger(stream)));
}

// --- TCEShortcuts ----------------------------------------------------------

TCEShortcuts::~TCEShortcuts()
{
    while (!FItems.empty())
        FItems.pop_back();
}

int TCEShortcuts::RemoveTargeting(const TFile* file)
{
    if (!file)
        return 0;
    size_t before = FItems.size();
    std::erase_if(FItems, [file](const auto& s) { return s->Target() == file; });
    return static_cast<int>(before - FItems.size());
}

int TCEShortcuts::RemoveWithoutTarget()
{
    size_t before = FItems.size();
    std::erase_if(FItems, [](const auto& s) { return s->Target() == nullptr; });
    return static_cast<int>(before - FItems.size());
}

void TCEShortcuts::SaveToStream(TStream& stream) const
{
    int32_t count = 0;
    for (auto& s : FItems)
        count += s->Target() != nullptr;
    StreamWriteInteger(stream, count);
    for (auto& s : FItems) {
        if (s->Target())
            s->SaveToStream(stream);
        else
            DebugTrace("Shortcut without target file not saved");
    }
}

void TCEShortcuts::LoadFromStream(TStream& stream, const TFolderList& folders, const TFiles::TList& files)
{
    TIdIndex<TFolder> folderIndex(folders);
    TIdIndex<TFile> fileIndex(files);
    LoadItems(stream, [&](TStream& from) {
        auto shortcut = std::make_unique<TCEShortCut>();
        shortcut->LoadFromStream(from, folderIndex, fileIndex);
        return shortcut;
    });
}

// --- TSetupDLL -------------------------------------------------------------

std::string TSetupDLL::GetSourcePath() const
{
    return FSourceDir + FFileName;
}

std::string TSetupDLL::GetHostSourcePath() const
{
    // AppendPath also copes with a directory stored without its separator.
    return AppendPath(NormalizeHostPath(FSourceDir), FFileName);
}

bool TSetupDLL::Edit()
{
    return TEditorHook<TSetupDllEditor>::Run("setup DLL", *this);
}

TSetupDllEditor TSetupDLL::SetEditor(TSetupDllEditor editor)
{
    return TEditorHook<TSetupDllEditor>::Install(std::move(editor));
}

void TSetupDLL::SaveToStream(TStream& stream) const
{
    StreamWriteString(stream, FFileName);
    StreamWriteString(stream, FSourceDir);
    StreamWriteInteger(stream, FProcessor);
    StreamWritePlatforms(stream, FPlatforms);
}

void TSetupDLL::LoadFromStream(TStream& stream)
{
    FFileName = StreamReadString(stream);
    FSourceDir = StreamReadString(stream);
    FProcessor = StreamReadProcessor(stream);
    FPlatforms = StreamReadPlatforms(stream);
}

// --- TSetupDlls ------------------------------------------------------------

void TSetupDlls::LoadFromStream(TStream& stream)
{
    LoadItems(stream, [](TStream& from) {
        auto dll = std::make_unique<TSetupDLL>();
        dll->LoadFromStream(from);
        return dll;
    });
}
