#include "storage/Languages.h"

#include "common/DebugTrace.h"
#include "common/Exception.h"
#include "common/Numbers.h"
#include "common/Paths.h"

const std::vector<TLanguageRow>& LanguageTable()
{
    // Sorbian carries its own primary language id (LANG_SORBIAN, 0x2E): with
    // the id of Bulgarian it would be stored, listed and licensed as
    // Bulgarian, and a project could not hold both.
    // clang-format off
    static const std::vector<TLanguageRow> table = {
        {"English", 9},     {"Spanish", 10},     {"German", 7},      {"French", 12},
        {"Afrikaans", 54},  {"Albanian", 28},    {"Arabic", 1},      {"Basque", 45},
        {"Bulgarian", 2},   {"Byelorussian", 35}, {"Japanese", 17},  {"Catalan", 3},
        {"Chinese", 4},     {"Croatian", 26},    {"Czech", 5},       {"Danish", 6},
        {"Dutch", 19},      {"Estonian", 37},    {"Finnish", 11},    {"Greek", 8},
        {"Hebrew", 13},     {"Hungarian", 14},   {"Icelandic", 15},  {"Indonesian", 33},
        {"Italian", 16},    {"Korean", 18},      {"Latvian", 38},    {"Lithuanian", 39},
        {"Neutral", 0},     {"Norwegian", 20},   {"Polish", 21},     {"Portuguese", 22},
        {"Romanian", 24},   {"Russian", 25},     {"Slovak", 27},     {"Slovenian", 36},
        {"Sorbian", 0x2E},  {"Swedish", 29},     {"Thai", 30},       {"Turkish", 31},
        {"Ukranian", 34},
    };
    // clang-format on
    return table;
}

std::string LanguageName(int32_t language)
{
    for (const TLanguageRow& row : LanguageTable())
        if (row.Id == language)
            return row.Name;
    return std::to_string(language);
}

int32_t LanguageFromName(const std::string& name)
{
    for (const TLanguageRow& row : LanguageTable())
        if (SameText(row.Name, name))
            return row.Id;
    // A decimal integer: optional sign and digits, nothing else, in range.
    std::optional<int32_t> value = ParseInt32(name);
    if (!value)
        throw Exception("'" + name + "' is not a valid integer value");
    return *value;
}

std::string LicenceFileName(const std::string& base, int32_t language)
{
    std::string safe = StripFileNameChars(base);
    if (safe.empty() || safe == "." || safe == "..")
        safe = "EULA";
    return safe + "_" + LanguageName(language) + ".txt";
}

TLanguageItem* TLanguages::Add()
{
    FItems.push_back(std::make_unique<TLanguageItem>());
    return FItems.back().get();
}

TLanguageItem* TLanguages::Add(int32_t language)
{
    TLanguageItem* item = Add();
    item->FLanguage = language;
    return item;
}

TLanguageItem* TLanguages::Find(int32_t language) const
{
    for (auto it = FItems.rbegin(); it != FItems.rend(); ++it)
        if ((*it)->FLanguage == language)
            return it->get();
    return nullptr;
}

TLanguageItem* TLanguages::Items(int index) const
{
    if (index < 0 || index >= Count()) {
        DebugTrace("TLanguages: index " + std::to_string(index) + " out of range");
        return nullptr;
    }
    return FItems[static_cast<size_t>(index)].get();
}

void TLanguages::Delete(int index)
{
    if (index < 0 || index >= Count()) {
        DebugTrace("TLanguages: index " + std::to_string(index) + " out of range");
        return;
    }
    FItems.erase(FItems.begin() + index);
}

void TLanguages::Assign(const TLanguages& source)
{
    if (&source == this)
        return;
    FItems.clear();
    for (const auto& item : source.FItems)
        Add(item->FLanguage);
}
