#pragma once

#include "storage/Languages.h"

#include <cstdint>

class TMessageBox;
class TScrambeledMemIniFile;

// The languages of the open project, bound to its texts file, with the rules
// for adding and deleting one. Changes stay in the texts file's memory until
// the owner saves it.
class TLanguageManager {
public:
    // Refusals are shown through messages (not owned; may be null, then
    // they only reach DebugTrace).
    explicit TLanguageManager(TMessageBox* messages = nullptr);
    ~TLanguageManager();
    TLanguageManager(const TLanguageManager&) = delete;
    TLanguageManager& operator=(const TLanguageManager&) = delete;

    // Binds the texts file (not owned) and lists the languages that have a
    // section in it, in table order.
    void LoadLanguages(TScrambeledMemIniFile* textsFile);
    // Adds a language whose texts start as a copy of BasedOn's. False (after
    // "Language already added!") when the project has it already.
    bool AddLanguage(int32_t language, int32_t basedOn);
    // Removes a language and its texts. False for "Neutral" and for a
    // language the project does not have.
    bool DeleteLanguage(int32_t language);

    int32_t CurrentLanguage() const { return FCurrentLanguage; }
    // Fails with "Language not in the list!" for a language the project lacks.
    void SetCurrentLanguage(int32_t language);

    TLanguages& Languages() { return *FLanguages; }
    const TLanguages& Languages() const { return *FLanguages; }
    TScrambeledMemIniFile* TextsFile() const { return FTextsFile; }

private:
    void Refuse(const std::string& message);

    TScrambeledMemIniFile* FTextsFile = nullptr;
    std::unique_ptr<TLanguages> FLanguages;
    int32_t FCurrentLanguage = NeutralLanguage;
    TMessageBox* FMessages = nullptr;
};
