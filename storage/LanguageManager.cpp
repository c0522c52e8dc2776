#include "storage/LanguageManager.h"

#include "common/DebugTrace.h"
#include "common/Exception.h"
#include "common/Paths.h"
#include "storage/MessageBox.h"
#include "storage/uScramble.h"

TLanguageManager::TLanguageManager(TMessageBox* messages)
    : FLanguages(std::make_unique<TLanguages>()), FMessages(messages)
{
}

TLanguageManager::~TLanguageManager() = default;

void TLanguageManager::Refuse(const std::string& message)
{
    if (FMessages)
        FMessages->ShowMessage(message);
    else
        DebugTrace(message);
}

void TLanguageManager::LoadLanguages(TScrambeledMemIniFile* textsFile)
{
    FTextsFile = textsFile;
    FLanguages->Clear();
    if (!textsFile)
        return;
    std::vector<std::string> sections;
    textsFile->ReadSections(sections);
    for (const TLanguageRow& row : LanguageTable()) {
        for (const std::string& name : sections) {
            if (SameText(name, row.Name)) {
                FLanguages->Add(row.Id);
                break;
            }
        }
    }
}

bool TLanguageManager::AddLanguage(int32_t language, int32_t basedOn)
{
    if (FLanguages->Find(language)) {
        Refuse("Language already added!");
        return false;
    }
    FLanguages->Add(language);
    if (language != NeutralLanguage && FTextsFile) {
        std::vector<std::string> content;
        FTextsFile->GetStrings(content);
        std::vector<std::string> copied;
        FTextsFile->ReadSectionValues(LanguageName(basedOn), copied);
        content.push_back("[" + LanguageName(language) + "]");
        content.insert(content.end(), copied.begin(), copied.end());
        FTextsFile->SetStrings(content);
        FTextsFile->WriteBool("General", LanguageName(language), true);
    }
    return true;
}

bool TLanguageManager::DeleteLanguage(int32_t language)
{
    if (language == NeutralLanguage) {
        Refuse("You cannot delete the Netural language!");
        return false;
    }
    if (!FLanguages->Find(language)) {
        Refuse("Language is not in the list!");
        return false;
    }
    if (FTextsFile)
        FTextsFile->EraseSection(LanguageName(language));
    for (int i = FLanguages->Count() - 1; i >= 0; --i)
        if (FLanguages->Items(i)->FLanguage == language)
            FLanguages->Delete(i);
    if (FCurrentLanguage == language)
        FCurrentLanguage = NeutralLanguage;
    return true;
}

void TLanguageManager::SetCurrentLanguage(int32_t language)
{
    if (!FLanguages->Find(language))
        throw Exception("Language not in the list!");
    FCurrentLanguage = language;
}
