#include "model/Shortcuts.h"

#include "common/DebugTrace.h"
#include "common/Exception.h"
#include "common/Paths.h"
#include "model/ValueEncoding.h"

#include <utility>

namespace {

TShortcutEditor& ShortcutEditor()
{
    static TShortcutEditor editor;
    return editor;
}

TSetupDllEditor& SetupDllEditor()
{
    static TSetupDllEditor editor;
    return editor;
}

// First/Next over an owning list, as the file list does it.
template <typename T>
bool EnumFirst(const std::vector<std::unique_ptr<T>>& list, int& cursor, T*& item)
{
    if (list.empty()) {
        item = nullptr;
        return false;
    }
    item = list[0].get();
    cursor = 1;
    return true;
}

template <typename T>
bool EnumNext(const std::vector<std::unique_ptr<T>>& list, int& cursor, T*& item)
{
    if (cursor < 0 || size_t(cursor) >= list.size()) {
        item = nullptr;
        return false;
    }
    item = list[cursor++].get();
    return true;
}

template <typename T>
void EraseItem(std::vector<std::unique_ptr<T>>& list, const T* item)
{
    for (auto it = list.begin(); it != list.end(); ++it)
        if (it->get() == item) {
            list.erase(it);
            return;
        }
}

}

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
    if (!ShortcutEditor()) {
        DebugTrace("No shortcut editor installed");
        return false;
    }
    return ShortcutEditor()(*this, project);
}

TShortcutEditor TCEShortCut::SetEditor(TShortcutEditor editor)
{
    return std::exchange(ShortcutEditor(), std::move(editor));
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
    while (!FShortcuts.empty())
        FShortcuts.pop_back();
}

TCEShortCut* TCEShortcuts::Add(std::unique_ptr<TCEShortCut> shortcut)
{
    FShortcuts.push_back(std::move(shortcut));
    return FShortcuts.back().get();
}

void TCEShortcuts::Remove(TCEShortCut* shortcut)
{
    EraseItem(FShortcuts, shortcut);
}

int TCEShortcuts::RemoveTargeting(const TFile* file)
{
    if (!file)
        return 0;
    size_t before = FShortcuts.size();
    std::erase_if(FShortcuts, [file](const auto& s) { return s->Target() == file; });
    return static_cast<int>(before - FShortcuts.size());
}

int TCEShortcuts::RemoveWithoutTarget()
{
    size_t before = FShortcuts.size();
    std::erase_if(FShortcuts, [](const auto& s) { return s->Target() == nullptr; });
    return static_cast<int>(before - FShortcuts.size());
}

TCEShortcuts::TList TCEShortcuts::ToList() const
{
    TList list;
    list.reserve(FShortcuts.size());
    for (auto& s : FShortcuts)
        list.push_back(s.get());
    return list;
}

bool TCEShortcuts::First(TCEShortCut*& shortcut)
{
    return EnumFirst(FShortcuts, FCursor, shortcut);
}

bool TCEShortcuts::Next(TCEShortCut*& shortcut)
{
    return EnumNext(FShortcuts, FCursor, shortcut);
}

void TCEShortcuts::SaveToStream(TStream& stream) const
{
    int32_t count = 0;
    for (auto& s : FShortcuts)
        count += s->Target() != nullptr;
    StreamWriteInteger(stream, count);
    for (auto& s : FShortcuts) {
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
    int32_t count = StreamReadInteger(stream);
    std::vector<std::unique_ptr<TCEShortCut>> read;
    for (int32_t i = 0; i < count; ++i) {
        auto shortcut = std::make_unique<TCEShortCut>();
        shortcut->LoadFromStream(stream, folderIndex, fileIndex);
        read.push_back(std::move(shortcut));
    }
    for (auto& s : read)
        FShortcuts.push_back(std::move(s));
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
    if (!SetupDllEditor()) {
        DebugTrace("No setup DLL editor installed");
        return false;
    }
    return SetupDllEditor()(*this);
}

TSetupDllEditor TSetupDLL::SetEditor(TSetupDllEditor editor)
{
    return std::exchange(SetupDllEditor(), std::move(editor));
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

TSetupDLL* TSetupDlls::Add(std::unique_ptr<TSetupDLL> dll)
{
    FSetupDlls.push_back(std::move(dll));
    return FSetupDlls.back().get();
}

void TSetupDlls::Remove(TSetupDLL* dll)
{
    EraseItem(FSetupDlls, dll);
}

TSetupDlls::TList TSetupDlls::ToList() const
{
    TList list;
    list.reserve(FSetupDlls.size());
    for (auto& d : FSetupDlls)
        list.push_back(d.get());
    return list;
}

bool TSetupDlls::First(TSetupDLL*& dll)
{
    return EnumFirst(FSetupDlls, FCursor, dll);
}

bool TSetupDlls::Next(TSetupDLL*& dll)
{
    return EnumNext(FSetupDlls, FCursor, dll);
}

void TSetupDlls::SaveToStream(TStream& stream) const
{
    StreamWriteInteger(stream, Count());
    for (auto& d : FSetupDlls)
        d->SaveToStream(stream);
}

void TSetupDlls::LoadFromStream(TStream& stream)
{
    int32_t count = StreamReadInteger(stream);
    std::vector<std::unique_ptr<TSetupDLL>> read;
    for (int32_t i = 0; i < count; ++i) {
        auto dll = std::make_unique<TSetupDLL>();
        dll->LoadFromStream(stream);
        read.push_back(std::move(dll));
    }
    for (auto& d : read)
        FSetupDlls.push_back(std::move(d));
}
