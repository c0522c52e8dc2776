#include "storage/RtfPlaceholders.h"

#include "common/Paths.h"

#include <algorithm>
#include <vector>

namespace {

// One character the reader sees and the bytes of the file it comes from.
struct TShown {
    char Char; // 0 for characters no placeholder holds (\u, \tab, \par, ...)
    size_t Begin;
    size_t End;
    // Follows a control word that no space ends: a letter or digit put in
    // its place would become part of the word.
    bool AfterWord;
};

struct TGroup {
    bool Hidden = false;
    int UnicodeSkip = 1;
};

bool IsLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

int HexValue(char c)
{
    if (IsDigit(c))
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Walks the file as a reader does, keeping only the characters it shows.
// Formatting is of no interest here: the replacement stays where the
// placeholder's first character was and so takes its formatting.
class TShownText {
public:
    explicit TShownText(const std::string& rtf) : FIn(rtf) {}

    std::vector<TShown> Read()
    {
        while (FPos < FIn.size()) {
            size_t begin = FPos;
            char c = FIn[FPos++];
            bool groupStart = FGroupStart, afterWord = FAfterWord;
            FGroupStart = FAfterWord = false;
            if (c == '{') {
                FGroups.push_back(FGroups.back());
                FGroupStart = true;
            } else if (c == '}') {
                if (FGroups.size() > 1)
                    FGroups.pop_back();
            } else if (c == '\\') {
                Escape(begin, groupStart);
            } else if (c != '\r' && c != '\n') {
                Show(c, begin, afterWord);
            }
        }
        return FShown;
    }

private:
    void Show(char c, size_t begin, bool afterWord = false)
    {
        if (!FGroups.back().Hidden)
            FShown.push_back({c, begin, FPos, afterWord});
    }

    void Escape(size_t begin, bool groupStart)
    {
        if (FPos >= FIn.size())
            return;
        char c = FIn[FPos];
        if (IsLetter(c)) {
            ControlWord(begin, groupStart);
            return;
        }
        ++FPos;
        if (c == '\\' || c == '{' || c == '}') {
            Show(c, begin);
        } else if (c == '\'') {
            int hi = FPos < FIn.size() ? HexValue(FIn[FPos]) : -1;
            int lo = FPos + 1 < FIn.size() ? HexValue(FIn[FPos + 1]) : -1;
            if (hi >= 0 && lo >= 0) {
                FPos += 2;
                Show(char(hi * 16 + lo), begin);
            }
        } else if (c == '*') {
            // "{\*\word": the word that follows still opens the group.
            FOptional = groupStart;
            FGroupStart = groupStart;
        } else if (c == '~' || c == '_' || c == '\r' || c == '\n') {
            Show(0, begin);
        }
    }

    void ControlWord(size_t begin, bool groupStart)
    {
        size_t start = FPos;
        while (FPos < FIn.size() && IsLetter(FIn[FPos]))
            ++FPos;
        std::string word = FIn.substr(start, FPos - start);
        bool negative = FPos < FIn.size() && FIn[FPos] == '-';
        if (negative)
            ++FPos;
        long long param = 0;
        while (FPos < FIn.size() && IsDigit(FIn[FPos]))
            param = std::min(param * 10 + (FIn[FPos++] - '0'), 1LL << 30);
        param = negative ? -param : param;
        FAfterWord = !(FPos < FIn.size() && FIn[FPos] == ' ');
        if (!FAfterWord)
            ++FPos;
        bool optional = FOptional;
        FOptional = false;
        if (groupStart && (optional || word == "fonttbl" || IsHiddenRtfDestination(word)))
            FGroups.back().Hidden = true;
        if (word == "bin") {
            FPos += std::min(size_t(std::max(param, 0LL)), FIn.size() - FPos);
        } else if (word == "uc") {
            FGroups.back().UnicodeSkip = int(std::clamp(param, 0LL, 8LL));
        } else if (word == "u") {
            SkipFallback();
            FAfterWord = false;
            Show(0, begin);
        } else if (word == "par" || word == "line" || word == "tab" || word == "sect" || word == "page") {
            Show(0, begin);
        }
    }

    // The characters after "\uN" that readers without Unicode show instead.
    void SkipFallback()
    {
        for (int i = 0; i < FGroups.back().UnicodeSkip && FPos < FIn.size(); ++i) {
            char c = FIn[FPos];
            if (c == '{' || c == '}' || (c == '\\' && FIn.compare(FPos, 2, "\\'") != 0))
                break;
            FPos += c == '\\' ? std::min<size_t>(4, FIn.size() - FPos) : 1;
        }
    }

    const std::string& FIn;
    size_t FPos = 0;
    std::vector<TGroup> FGroups{TGroup{}};
    std::vector<TShown> FShown;
    bool FGroupStart = false;
    bool FOptional = false;
    bool FAfterWord = false;
};

bool PlaceholderAt(const std::vector<TShown>& shown, size_t at, const std::string& upperKey)
{
    for (size_t k = 0; k < upperKey.size(); ++k) {
        char c = shown[at + k].Char;
        if ((c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c) != upperKey[k])
            return false;
    }
    return true;
}

std::string EscapeRtf(const std::string& text)
{
    std::string out;
    for (char c : text) {
        if (c == '\\' || c == '{' || c == '}')
            out += '\\';
        out += c;
    }
    return out;
}

} // namespace

bool IsHiddenRtfDestination(const std::string& word)
{
    // clang-format off
    static const char* const names[] = {
        "colortbl", "stylesheet", "info",    "pict",      "header",     "headerl", "headerr",
        "headerf",  "footer",     "footerl", "footerr",   "footerf",    "footnote", "object",
        "pntext",   "listtext",   "listtable", "listoverridetable", "revtbl", "rsidtbl", "xmlnstbl",
        "generator", "themedata", "colorschememapping", "latentstyles", "datastore", "fldinst",
        "nonshppict", "private",  "author",  "operator",  "title",      "subject", "comment",
        "doccomm",  "keywords",   "company", "template",  "bkmkstart",  "bkmkend", "pgdsctbl",
        "ftnsep",   "ftnsepc",    "aftnsep", "aftnsepc",  "mmathPr",    "userprops", "xe",
        "tc",       "txe",        "atnid",   "atnauthor", "annotation", "filetbl", "pnseclvl",
    };
    // clang-format on
    return std::any_of(std::begin(names), std::end(names), [&](const char* n) { return word == n; });
}

std::string ReplaceRtfPlaceholder(const std::string& rtf, const std::string& placeholder, const std::string& value)
{
    if (placeholder.empty())
        return rtf;
    const std::vector<TShown> shown = TShownText(rtf).Read();
    const std::string key = UpperCase(placeholder);
    const std::string escaped = EscapeRtf(value);
    std::string out;
    size_t copied = 0;
    // A character's bytes give way to the text; a space after a control
    // word keeps the word from running into what follows.
    auto put = [&](const TShown& c, const std::string& text) {
        out.append(rtf, copied, c.Begin - copied);
        out += c.AfterWord ? " " + text : text;
        copied = c.End;
    };
    for (size_t at = 0; at + key.size() <= shown.size();) {
        if (!PlaceholderAt(shown, at, key)) {
            ++at;
            continue;
        }
        put(shown[at], escaped);
        for (size_t k = 1; k < key.size(); ++k)
            put(shown[at + k], "");
        at += key.size();
    }
    out.append(rtf, copied, std::string::npos);
    return out;
}

std::string ExpandLicencePlaceholders(const std::string& text, const std::string& appName,
                                      const std::string& companyName)
{
    if (text.rfind("{\\rtf", 0) != 0)
        return ReplacePlaceholder(ReplacePlaceholder(text, "%CompanyName%", companyName), "%AppName%", appName);
    return ReplaceRtfPlaceholder(ReplaceRtfPlaceholder(text, "%CompanyName%", companyName), "%AppName%", appName);
}
