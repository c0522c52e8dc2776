#pragma once

// Languages of the desktop setup wizard. A language is a Windows primary
// language id; the language table gives the names under which texts files
// store each language's section and licence files are named.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct TLanguageRow {
    const char* Name;
    int32_t Id;
};

// The known languages, in the order every language list shows them.
const std::vector<TLanguageRow>& LanguageTable();

// The name of the first table row with the id; otherwise the id in decimal.
std::string LanguageName(int32_t language);
// The id of the first row whose name matches (case of a-z ignored);
// otherwise the text read as a decimal integer. Anything else fails with
// "'<name>' is not a valid integer value".
int32_t LanguageFromName(const std::string& name);

inline constexpr int32_t NeutralLanguage = 0;

// The file name of a language's licence: base, "_", language name, ".txt".
// The base comes from the texts file ("2.EULA"); anything in it that could
// lead out of the project folder is removed, and an empty base means "EULA".
std::string LicenceFileName(const std::string& base, int32_t language);

class TLanguageItem {
public:
    TLanguageItem() = default;
    explicit TLanguageItem(int32_t language) : FLanguage(language) {}

    void Assign(const TLanguageItem& source) { FLanguage = source.FLanguage; }
    std::string GetDisplayName() const { return LanguageName(FLanguage); }

    int32_t FLanguage = 0;
};

// An ordered list of languages; it owns its items.
class TLanguages {
public:
    TLanguages() = default;
    TLanguages(const TLanguages&) = delete;
    TLanguages& operator=(const TLanguages&) = delete;

    // Appends an item with id 0, which the caller then sets.
    TLanguageItem* Add();
    // Appends an item with the id.
    TLanguageItem* Add(int32_t language);
    // The item with the id, searched from the last to the first; null when none.
    TLanguageItem* Find(int32_t language) const;
    TLanguageItem* Items(int index) const;
    int Count() const { return static_cast<int>(FItems.size()); }
    void Delete(int index);
    void Clear() { FItems.clear(); }
    // Replaces the items by copies of the source's items.
    void Assign(const TLanguages& source);

private:
    std::vector<std::unique_ptr<TLanguageItem>> FItems;
};
