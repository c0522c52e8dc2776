#include "storage/RichText.h"

#include "common/AnsiText.h"
#include "storage/RtfPlaceholders.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <utility>

namespace {

// The characters that control words stand for (\tab, \emdash, ...); 0 for
// any other word.
char32_t SymbolOfWord(const std::string& word)
{
    // clang-format off
    static const std::pair<const char*, char32_t> symbols[] = {
        {"tab", '\t'},         {"line", '\n'},       {"emdash", 0x2014},    {"endash", 0x2013},
        {"lquote", 0x2018},    {"rquote", 0x2019},   {"ldblquote", 0x201C}, {"rdblquote", 0x201D},
        {"bullet", 0x2022},    {"emspace", ' '},     {"enspace", ' '},      {"qmspace", ' '},
    };
    // clang-format on
    for (const auto& [name, symbol] : symbols)
        if (word == name)
            return symbol;
    return 0;
}

// Groups nested deeper than this are skipped whole: no licence needs more,
// and the reader's state stack must not grow with a hostile file.
constexpr size_t MaxDepth = 200;
// A control word's number is clamped here; the format allows 16-bit
// numbers, and larger ones only come from damaged or hostile files.
constexpr int32_t MaxParameter = 1 << 30;
constexpr size_t MaxKeywordLength = 32;
constexpr size_t MaxFontNameLength = 256;

enum class TDest {
    Text, // visible text
    FontTable, // {\fonttbl ...}
    FontName, // one entry of the font table, collecting its name
    Skip, // anything whose text is not shown
    Bullet // {\*\pn ...}: the old paragraph numbering marks a bullet
};

struct TState {
    TDest Dest = TDest::Text;
    int32_t Font = -1; // -1: the document's default font
    int32_t HalfPoints = 24;
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    TRichAlign Align = TRichAlign::Left;
    bool Bullet = false;
    int32_t UnicodeSkip = 1;
};

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool IsLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

class TRtfReader {
public:
    explicit TRtfReader(const std::string& bytes) : FIn(bytes) {}

    TRichDocument Read()
    {
        FStates.push_back(TState{});
        // "{\rtf" was checked by the caller; the outer group opens like any.
        while (FPos < FIn.size()) {
            char c = FIn[FPos++];
            switch (c) {
            case '{': OpenGroup(); break;
            case '}':
                if (!CloseGroup())
                    FPos = FIn.size(); // the document's own group has ended
                break;
            case '\\': ControlSequence(); break;
            case '\r':
            case '\n': break;
            default: Character(static_cast<unsigned char>(c)); break;
            }
        }
        FlushParagraph(false);
        FDocument.Normalize();
        return std::move(FDocument);
    }

private:
    TState& Cur() { return FStates.back(); }

    void OpenGroup()
    {
        if (FSkipDepth > 0 || FStates.size() >= MaxDepth) {
            ++FSkipDepth;
            return;
        }
        TState next = Cur();
        // A font entry's own subgroups ({\*\panose ...}) hold no name.
        if (next.Dest == TDest::FontName)
            next.Dest = TDest::Skip;
        FStates.push_back(next);
        FGroupStart = true;
    }

    bool CloseGroup()
    {
        FGroupStart = false;
        if (FSkipDepth > 0) {
            --FSkipDepth;
            return true;
        }
        if (Cur().Dest == TDest::FontName)
            EndFontName();
        if (FStates.size() <= 1)
            return false;
        bool bullet = Cur().Dest == TDest::Bullet;
        FStates.pop_back();
        // The old numbering group sits inside the paragraph it marks.
        if (bullet && Cur().Dest == TDest::Text)
            Cur().Bullet = true;
        return FStates.size() > 1;
    }

    void ControlSequence()
    {
        if (FPos >= FIn.size())
            return;
        char c = FIn[FPos];
        if (!IsLetter(c)) {
            ++FPos;
            ControlSymbol(c);
            return;
        }
        std::string word;
        while (FPos < FIn.size() && IsLetter(FIn[FPos])) {
            if (word.size() < MaxKeywordLength)
                word += FIn[FPos];
            ++FPos;
        }
        bool hasParam = false;
        int32_t param = 0;
        bool negative = false;
        // A sign belongs to the word even when its digits are missing (a
        // file cut after it): the dash is no text.
        if (FPos < FIn.size() && FIn[FPos] == '-') {
            negative = true;
            ++FPos;
        }
        while (FPos < FIn.size() && std::isdigit(static_cast<unsigned char>(FIn[FPos]))) {
            hasParam = true;
            int digit = FIn[FPos] - '0';
            param = param > (MaxParameter - digit) / 10 ? MaxParameter : param * 10 + digit;
            ++FPos;
        }
        if (negative)
            param = -param;
        if (FPos < FIn.size() && FIn[FPos] == ' ')
            ++FPos;
        bool groupStart = FGroupStart;
        FGroupStart = false;
        if (FSkipDepth > 0)
            return;
        ControlWord(word, hasParam, param, groupStart);
    }

    void ControlSymbol(char c)
    {
        bool groupStart = FGroupStart;
        FGroupStart = false;
        if (FSkipDepth > 0)
            return;
        switch (c) {
        case '\\':
        case '{':
        case '}': Character(static_cast<unsigned char>(c), true); break;
        case '\'': {
            int hi = FPos < FIn.size() ? HexValue(FIn[FPos]) : -1;
            if (hi < 0)
                return;
            ++FPos;
            // A broken escape stands for no character at all; its one
            // digit must not turn into text.
            int lo = FPos < FIn.size() ? HexValue(FIn[FPos]) : -1;
            if (lo < 0)
                return;
            ++FPos;
            Character(static_cast<unsigned char>(hi * 16 + lo), true);
            break;
        }
        case '*':
            // "{\*\word": the word that follows still opens the group
            if (groupStart) {
                FOptional = true;
                FGroupStart = true;
            }
            break;
        case '~': Code(0xA0); break;
        case '_': Code(0x2011); break;
        case '\r':
        case '\n': Paragraph(); break; // a backslash before a line end is \par
        default: break; // \- optional hyphen, \: index entries and the like
        }
    }

    void ControlWord(const std::string& word, bool hasParam, int32_t param, bool groupStart)
    {
        TState& s = Cur();
        bool optional = FOptional;
        FOptional = false;

        // A destination opens its group; once inside a hidden one, nothing
        // but the group structure matters.
        if (groupStart) {
            if (word == "fonttbl") {
                s.Dest = TDest::FontTable;
                return;
            }
            if (word == "pn" && s.Dest == TDest::Text) {
                s.Dest = TDest::Bullet;
                return;
            }
            if (s.Dest == TDest::FontTable && word == "f") {
                // "{\f1\fnil Arial;}": one entry in a group of its own
                s.Dest = TDest::FontName;
                FFontNumber = hasParam ? param : 0;
                FFontName.clear();
                return;
            }
            if (optional || IsHiddenRtfDestination(word)) {
                s.Dest = TDest::Skip;
                return;
            }
        }
        // Binary data may hold any byte, braces included, whatever the
        // destination.
        if (word == "bin") {
            SkipBinary(hasParam ? param : 0);
            return;
        }
        if (s.Dest == TDest::Skip || s.Dest == TDest::Bullet)
            return;
        if (s.Dest == TDest::FontTable || s.Dest == TDest::FontName) {
            if (word == "f") {
                // the old form: entries one after the other without groups
                EndFontName();
                s.Dest = TDest::FontName;
                FFontNumber = hasParam ? param : 0;
                FFontName.clear();
            }
            return;
        }
        Word(word, hasParam, param);
    }

    void Word(const std::string& word, bool hasParam, int32_t param)
    {
        TState& s = Cur();
        bool on = !hasParam || param != 0;
        if (word == "par") {
            Paragraph();
        } else if (word == "pard") {
            s.Align = TRichAlign::Left;
            s.Bullet = false;
        } else if (word == "plain") {
            s.Font = -1;
            s.HalfPoints = 24;
            s.Bold = s.Italic = s.Underline = false;
        } else if (word == "b") {
            s.Bold = on;
        } else if (word == "i") {
            s.Italic = on;
        } else if (word == "ul" || word == "uld" || word == "uldb" || word == "ulw" || word == "ulth" ||
                   word == "uldash" || word == "ulwave") {
            s.Underline = on;
        } else if (word == "ulnone") {
            s.Underline = false;
        } else if (word == "f") {
            s.Font = hasParam ? param : -1;
        } else if (word == "deff") {
            FDefaultFont = param;
        } else if (word == "fs") {
            s.HalfPoints = std::clamp(hasParam ? param : 24, MinHalfPoints, MaxHalfPoints);
        } else if (word == "ql") {
            s.Align = TRichAlign::Left;
        } else if (word == "qc") {
            s.Align = TRichAlign::Center;
        } else if (word == "qr") {
            s.Align = TRichAlign::Right;
        } else if (word == "qj" || word == "qd") {
            s.Align = TRichAlign::Justify;
        } else if (word == "ls") {
            // Lists of the newer form: the editor knows only bullets, so a
            // numbered list is kept as a bulleted one.
            s.Bullet = hasParam && param > 0;
        } else if (word == "uc") {
            s.UnicodeSkip = std::clamp(param, 0, 8);
        } else if (word == "u") {
            Unicode(param);
        } else if (char32_t symbol = SymbolOfWord(word)) {
            Code(symbol);
        } else if (word == "sect" || word == "page") {
            Paragraph();
        }
    }

    void SkipBinary(int32_t length)
    {
        size_t n = length > 0 ? size_t(length) : 0;
        FPos += std::min(n, FIn.size() - FPos);
    }

    void Unicode(int32_t value)
    {
        // The format writes code units above 32767 as negative numbers.
        char32_t unit = char32_t(value < 0 ? value + 65536 : value) & 0xFFFF;
        if (value < -32768 || value > 65535)
            unit = 0xFFFD;
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            FHighSurrogate = unit;
        } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
            if (FHighSurrogate)
                Code(0x10000 + ((FHighSurrogate - 0xD800) << 10) + (unit - 0xDC00));
            else
                Code(0xFFFD);
            FHighSurrogate = 0;
        } else {
            Code(unit);
        }
        SkipFallback(Cur().UnicodeSkip);
    }

    // The characters that stand in for a "\u" in readers without Unicode:
    // a byte, a "\'hh" or a control word each count as one; a group ends it.
    void SkipFallback(int32_t count)
    {
        while (count > 0 && FPos < FIn.size()) {
            char c = FIn[FPos];
            if (c == '{' || c == '}')
                return;
            if (c == '\r' || c == '\n') {
                ++FPos;
                continue;
            }
            if (c == '\\') {
                if (FPos + 1 < FIn.size() && FIn[FPos + 1] == '\'') {
                    FPos = std::min(FIn.size(), FPos + 4);
                } else if (FPos + 1 < FIn.size() && IsLetter(FIn[FPos + 1])) {
                    ++FPos;
                    while (FPos < FIn.size() && IsLetter(FIn[FPos]))
                        ++FPos;
                    if (FPos < FIn.size() && FIn[FPos] == '-')
                        ++FPos;
                    while (FPos < FIn.size() && std::isdigit(static_cast<unsigned char>(FIn[FPos])))
                        ++FPos;
                    if (FPos < FIn.size() && FIn[FPos] == ' ')
                        ++FPos;
                } else {
                    FPos = std::min(FIn.size(), FPos + 2);
                }
            } else {
                ++FPos;
            }
            --count;
        }
    }

    void Character(unsigned char c, bool escaped = false)
    {
        FGroupStart = false;
        if (FSkipDepth > 0)
            return;
        TState& s = Cur();
        if (s.Dest == TDest::FontName) {
            if (c == ';' && !escaped)
                EndFontName();
            else if (FFontName.size() < MaxFontNameLength)
                FFontName += char(c);
            return;
        }
        if (s.Dest != TDest::Text)
            return;
        Code(AnsiCharToUnicode(c));
    }

    void Code(char32_t cp)
    {
        if (FSkipDepth > 0 || Cur().Dest != TDest::Text)
            return;
        FHighSurrogate = 0;
        // Tabs and line breaks have words of their own; other control
        // characters are no text.
        if (cp < 0x20 && cp != '\t' && cp != '\n')
            return;
        const TState& s = Cur();
        TRichRun* run = FParagraph.Runs.empty() ? nullptr : &FParagraph.Runs.back();
        TRichRun format;
        auto font = FFonts.find(s.Font < 0 ? FDefaultFont : s.Font);
        format.FontName = font != FFonts.end() ? font->second : std::string();
        format.HalfPoints = s.HalfPoints;
        format.Bold = s.Bold;
        format.Italic = s.Italic;
        format.Underline = s.Underline;
        if (!run || !run->SameFormat(format)) {
            FParagraph.Runs.push_back(format);
            run = &FParagraph.Runs.back();
        }
        AppendUtf8(run->Text, cp);
        FHasText = true;
    }

    void Paragraph()
    {
        if (Cur().Dest != TDest::Text)
            return;
        FlushParagraph(true);
    }

    void FlushParagraph(bool ended)
    {
        // Text after the last "\par" is a paragraph of its own; an empty
        // rest is no paragraph.
        if (!ended && !FHasText)
            return;
        const TState& s = Cur();
        FParagraph.Align = s.Align;
        FParagraph.Bullet = s.Bullet;
        FDocument.Paragraphs.push_back(std::move(FParagraph));
        FParagraph = TRichParagraph{};
        FHasText = false;
    }

    void EndFontName()
    {
        if (Cur().Dest != TDest::FontName)
            return;
        std::string name = FFontName;
        while (!name.empty() && name.back() == ' ')
            name.pop_back();
        while (!name.empty() && name.front() == ' ')
            name.erase(name.begin());
        if (!FFonts.count(FFontNumber))
            FFonts[FFontNumber] = AnsiToUtf8(name);
        FFontName.clear();
        // Further text of this group (the old form) belongs to the table.
        Cur().Dest = FStates.size() >= 2 && FStates[FStates.size() - 2].Dest == TDest::FontTable ? TDest::Skip
                                                                                                 : TDest::FontTable;
    }

    const std::string& FIn;
    size_t FPos = 0;
    std::vector<TState> FStates;
    size_t FSkipDepth = 0;
    bool FGroupStart = false;
    bool FOptional = false;
    char32_t FHighSurrogate = 0;
    int32_t FDefaultFont = 0;
    std::map<int32_t, std::string> FFonts;
    int32_t FFontNumber = 0;
    std::string FFontName;
    TRichParagraph FParagraph;
    bool FHasText = false;
    TRichDocument FDocument;
};

TRichDocument ReadPlainText(const std::string& bytes)
{
    TRichDocument document;
    TRichParagraph paragraph;
    std::string line;
    auto flush = [&] {
        TRichRun run;
        run.Text = AnsiToUtf8(line);
        paragraph.Runs = {run};
        document.Paragraphs.push_back(paragraph);
        line.clear();
    };
    for (size_t i = 0; i < bytes.size(); ++i) {
        char c = bytes[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
                ++i;
            flush();
        } else {
            line += c;
        }
    }
    if (!line.empty())
        flush();
    document.Normalize();
    return document;
}

} // namespace

bool LooksLikeRtf(const std::string& bytes)
{
    return bytes.rfind("{\\rtf", 0) == 0;
}

TRichDocument ReadRtf(const std::string& bytes)
{
    if (!LooksLikeRtf(bytes))
        return ReadPlainText(bytes);
    return TRtfReader(bytes).Read();
}
