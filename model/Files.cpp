#include "model/Files.h"

#include "common/DebugTrace.h"
#include "common/Exception.h"
#include "common/Paths.h"
#include "model/EditorHook.h"
#include "model/Shortcuts.h"
#include "model/ValueEncoding.h"

#include <utility>

// Stored enumerations outside their range cannot come from a project the
// builder wrote, and nothing downstream has a code or text for them.
TProcessor StreamReadProcessor(TStream& stream)
{
    int32_t value = StreamReadInteger(stream);
    if (value < 0 || value >= ProcessorCount)
        throw Exception("Invalid property value");
    return static_cast<TProcessor>(value);
}

std::string FileOptionName(TFileOption option)
{
    static const char* const names[FileOptionCount] = {
        "Shared File", "Self-register", "Warn user if file is not copied", "Allow user to skip a file on error"};
    return option < FileOptionCount ? names[option] : std::string();
}

std::string CopyModeName(int mode)
{
    static const char* const names[CopyModeCount] = {"Always copy file", "Always update older file",
                                                     "Copy only if file exists", "Copy only if file does not exist",
                                                     "Ask before replacing a newer file"};
    return mode >= 0 && mode < CopyModeCount ? names[mode] : std::string();
}

// --- TFile -----------------------------------------------------------------

TFile::~TFile()
{
    for (TCEShortCut* shortcut : FShortcuts)
        shortcut->FTarget = nullptr;
}

TFolder* TFile::GetFolder() const
{
    if (FUseDefaultFolder && DefaultFolder())
        return DefaultFolder();
    return AttachedFolder();
}

std::string TFile::GetSourceDir() const
{
    if (FSourceDir.size() > 1 && IsPathDelimiter(FSourceDir.back()))
        return FSourceDir.substr(0, FSourceDir.size() - 1);
    return FSourceDir;
}

std::string TFile::GetSourcePath() const
{
    return AppendPath(GetSourceDir(), FFileName);
}

std::string TFile::GetHostSourcePath() const
{
    return AppendPath(NormalizeHostPath(GetSourceDir()), FFileName);
}

std::string TFile::GetDevicePath() const
{
    TFolder* folder = GetFolder();
    return folder ? folder->GetPath() + FFileName : FFileName;
}

bool TFile::Edit(TProject* project)
{
    return TEditorHook<TFileEditor>::Run("file", *this, project);
}

TFileEditor TFile::SetEditor(TFileEditor editor)
{
    return TEditorHook<TFileEditor>::Install(std::move(editor));
}

void TFile::SaveToStream(TStream& stream) const
{
    StreamWriteInteger(stream, FID);
    StreamWriteString(stream, FFileName);
    StreamWriteString(stream, GetSourceDir());
    // A file that lost its folder is written with number 0, which names no
    // folder: it reads back unattached.
    StreamWriteInteger(stream, AttachedFolder() ? AttachedFolder()->ID() : 0);
    StreamWriteInteger(stream, FProcessor);
    StreamWritePlatforms(stream, FPlatforms);
    StreamWriteInteger(stream, FCopyMode);
    StreamWriteSet(stream, uint16_t(FOptions.Bits() & 0x0F));
    StreamWriteBoolean(stream, FUseDefaultFolder);
}

void TFile::LoadFromStream(TStream& stream, const TIdIndex<TFolder>& folders)
{
    FID = StreamReadInteger(stream);
    FFileName = StreamReadString(stream);
    FSourceDir = StreamReadString(stream);
    if (TFolder* folder = folders.Find(StreamReadInteger(stream)))
        SetFolder(folder);
    else
        DebugTrace("Can not find the destination folder of a file!");
    FProcessor = StreamReadProcessor(stream);
    FPlatforms = StreamReadPlatforms(stream);
    int32_t mode = StreamReadInteger(stream);
    if (mode < 0 || mode >= CopyModeCount)
        throw Exception("Invalid property value");
    FCopyMode = uint8_t(mode);
    // The options are a one-byte set: members up to 7 fit, larger ones are
    // dropped.
    FOptions = TFileOptions();
    int32_t count = StreamReadInteger(stream);
    for (int32_t i = 0; i < count; ++i) {
        unsigned member = uint8_t(StreamReadInteger(stream));
        if (member <= 7)
            FOptions.IncludeOrdinal(member);
    }
    FUseDefaultFolder = StreamReadBoolean(stream);
}

// --- TFiles ----------------------------------------------------------------

TPlatforms TFiles::CommonPlatforms() const
{
    TPlatforms result = ::AllPlatforms;
    for (auto& file : FItems)
        result = result * file->Platforms();
    return result;
}

TPlatforms TFiles::AllPlatforms() const
{
    TPlatforms result;
    for (auto& file : FItems)
        result = result + file->Platforms();
    return result;
}

TProcessors TFiles::CommonProcessors() const
{
    TProcessors result = AllProcessorsSet;
    for (auto& file : FItems)
        result = result * TProcessors{file->Processor()};
    return result;
}

TProcessors TFiles::AllProcessors() const
{
    TProcessors result;
    for (auto& file : FItems)
        result.Include(file->Processor());
    return result;
}

void TFiles::SaveToStream(TStream& stream)
{
    for (size_t i = 0; i < FItems.size(); ++i)
        FItems[i]->SetID(static_cast<int32_t>(i + 1));
    SaveItems(stream);
}

void TFiles::LoadFromStream(TStream& stream, const TFolderList& folders)
{
    TIdIndex<TFolder> index(folders);
    LoadItems(stream, [&index](TStream& s) {
        auto file = std::make_unique<TFile>();
        file->LoadFromStream(s, index);
        return file;
    });
}

TFile* FindFileByID(const TFiles::TList& list, int32_t id)
{
    for (TFile* file : list)
        if (file && file->ID() == id)
            return file;
    return nullptr;
}
