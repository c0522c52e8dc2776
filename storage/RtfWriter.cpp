#include "storage/RichText.h"

#include "common/AnsiText.h"

#include <algorithm>
#include <cstdio>

namespace {

const char* const BulletFont = "Symbol";

std::string Hex(unsigned char c)
{
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "\\'%02x", c);
    return buffer;
}

// Text in code page 1252 with the format's escapes. Characters the code
// page lacks go out as "\u" (signed 16-bit units, as the format counts them)
// followed by one "?" for readers that do not know "\u".
void AppendText(std::string& out, const std::string& utf8)
{
    std::u16string units = Utf8ToUtf16(utf8);
    for (char16_t unit : units) {
        unsigned char ansi = 0;
        if (unit == u'\\' || unit == u'{' || unit == u'}') {
            out += '\\';
            out += char(unit);
        } else if (unit == u'\t') {
            out += "\\tab ";
        } else if (unit == u'\n') {
            out += "\\line ";
        } else if (unit < 0x20) {
            // other control characters have no place in a licence text
        } else if (unit < 0x80) {
            out += char(unit);
        } else if ((unit < 0xD800 || unit > 0xDFFF) && UnicodeToAnsiChar(unit, ansi)) {
            out += Hex(ansi);
        } else {
            out += "\\u" + std::to_string(int(int16_t(unit))) + "?";
        }
    }
}

// A font name as the table can hold it: it ends at ";", so one inside it
// cannot be kept, control characters have no place in it, and blanks
// around it are not part of it. Fonts are
// told apart by this form, so two names that differ only in what it drops
// are one font.
std::string TableName(const std::string& utf8)
{
    std::string name;
    for (char c : utf8)
        if (static_cast<unsigned char>(c) >= 0x20)
            name += c == ';' ? ' ' : c;
    // The reader takes the blanks around a name as separators.
    const size_t first = name.find_first_not_of(' ');
    if (first == std::string::npos)
        return std::string();
    return name.substr(first, name.find_last_not_of(' ') - first + 1);
}

const char* AlignWord(TRichAlign align)
{
    switch (align) {
    case TRichAlign::Center: return "\\qc";
    case TRichAlign::Right: return "\\qr";
    case TRichAlign::Justify: return "\\qj";
    case TRichAlign::Left: break;
    }
    return "\\ql";
}

// Fonts in the order the text first uses them, "Arial" when it names none;
// bullets tells whether a paragraph has a bullet.
std::vector<std::string> UsedFonts(const TRichDocument& document, bool& bullets)
{
    std::vector<std::string> fonts;
    bullets = false;
    for (const TRichParagraph& paragraph : document.Paragraphs) {
        bullets = bullets || paragraph.Bullet;
        for (const TRichRun& run : paragraph.Runs)
            if (!TableName(run.FontName).empty() &&
                std::find(fonts.begin(), fonts.end(), TableName(run.FontName)) == fonts.end())
                fonts.push_back(TableName(run.FontName));
    }
    if (fonts.empty())
        fonts.push_back("Arial");
    return fonts;
}

// A run without a usable name takes the first font.
size_t FontIndex(const std::vector<std::string>& fonts, const std::string& name)
{
    auto it = std::find(fonts.begin(), fonts.end(), TableName(name));
    return it == fonts.end() ? size_t(0) : size_t(it - fonts.begin());
}

// The entries of the font table; the bullet font, when needed, after the
// text's fonts.
void AppendFontTable(std::string& out, const std::vector<std::string>& fonts, bool bullets)
{
    for (size_t i = 0; i < fonts.size(); ++i) {
        out += "{\\f" + std::to_string(i) + "\\fnil\\fcharset0 ";
        AppendText(out, fonts[i]);
        out += ";}";
    }
    if (bullets)
        out += "{\\f" + std::to_string(fonts.size()) + "\\fnil\\fcharset2 " + BulletFont + ";}";
}

// The control words that switch from the current run's format to the run's;
// all of them before the first run.
std::string FormatWords(const TRichRun& run, const TRichRun& current, bool first, size_t font, size_t currentFont)
{
    std::string words;
    if (first || font != currentFont)
        words += "\\f" + std::to_string(font);
    if (first || run.HalfPoints != current.HalfPoints)
        words += "\\fs" + std::to_string(std::clamp(run.HalfPoints, MinHalfPoints, MaxHalfPoints));
    if (first || run.Bold != current.Bold)
        words += run.Bold ? "\\b" : "\\b0";
    if (first || run.Italic != current.Italic)
        words += run.Italic ? "\\i" : "\\i0";
    if (first || run.Underline != current.Underline)
        words += run.Underline ? "\\ul" : "\\ulnone";
    return words;
}

} // namespace

std::string WriteRtf(const TRichDocument& document)
{
    bool bullets = false;
    const std::vector<std::string> fonts = UsedFonts(document, bullets);
    const size_t bulletFont = fonts.size();
    std::string out = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl";
    AppendFontTable(out, fonts, bullets);
    out += "}\r\n\\viewkind4\\uc1";

    bool first = true;
    TRichRun current;
    for (const TRichParagraph& paragraph : document.Paragraphs) {
        out += "\\pard";
        if (paragraph.Bullet) {
            std::string f = std::to_string(bulletFont);
            out += "{\\pntext\\f" + f + "\\'b7\\tab}{\\*\\pn\\pnlvlblt\\pnf" + f +
                   "\\pnindent0{\\pntxtb\\'b7}}\\fi-360\\li360";
        }
        out += AlignWord(paragraph.Align);
        bool delimit = true;
        for (const TRichRun& run : paragraph.Runs) {
            if (run.Text.empty())
                continue;
            std::string words =
                FormatWords(run, current, first, FontIndex(fonts, run.FontName), FontIndex(fonts, current.FontName));
            first = false;
            current = run;
            out += words;
            if (delimit || !words.empty())
                out += ' ';
            delimit = false;
            AppendText(out, run.Text);
        }
        out += "\\par\r\n";
    }
    out += "}\r\n";
    return out;
}
