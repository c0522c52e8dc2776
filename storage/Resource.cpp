#include "storage/Resource.h"

#include "common/DebugTrace.h"
#include "storage/Languages.h"
#include "storage/uScramble.h"

TResource::TResource(const std::string& key, TScrambeledMemIniFile* textsFile, const std::string& caption)
    : FTextsFile(textsFile), FCaption(caption), FKey(key)
{
}

std::string TResource::GetText(int32_t) const
{
    return std::string();
}

std::string TResource::ReadText(int32_t language) const
{
    if (!FTextsFile)
        return std::string();
    return FTextsFile->ReadString(LanguageName(language), FKey, "");
}

void TResource::SetText(const std::string& value, int32_t language)
{
    if (!FTextsFile) {
        DebugTrace("TResource::SetText without a texts file: " + FKey);
        return;
    }
    FTextsFile->WriteString(LanguageName(language), FKey, value);
}
