#pragma once

// The formatted text of a licence, as the licence editor edits it: paragraphs
// with an alignment and an optional bullet, made of runs of equally formatted
// text. Read from and written to Rich Text Format (RtfReader, RtfWriter);
// the user interface converts it to and from its own document type.

#include <cstdint>
#include <string>
#include <vector>

// Characters are Unicode in UTF-8: a licence may quote characters outside
// Windows-1252 through "\u", and nothing should be lost between reading a
// file and writing it back.
struct TRichRun {
    std::string Text; // UTF-8; "\t" for a tab, "\n" for a line break inside the paragraph
    std::string FontName; // empty: the reader's default
    int32_t HalfPoints = 24; // the size in half points, as the format counts it
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;

    bool SameFormat(const TRichRun& other) const
    {
        return FontName == other.FontName && HalfPoints == other.HalfPoints && Bold == other.Bold &&
               Italic == other.Italic && Underline == other.Underline;
    }
    bool operator==(const TRichRun& other) const { return SameFormat(other) && Text == other.Text; }
};

enum class TRichAlign { Left, Center, Right, Justify };

struct TRichParagraph {
    TRichAlign Align = TRichAlign::Left;
    bool Bullet = false;
    std::vector<TRichRun> Runs;

    bool operator==(const TRichParagraph& other) const = default;
};

struct TRichDocument {
    std::vector<TRichParagraph> Paragraphs;

    bool operator==(const TRichDocument& other) const = default;

    // Joins neighbouring runs of one format and drops empty runs, so that two
    // documents that look alike compare equal.
    void Normalize();
    // The text without formatting: paragraphs joined by "\n".
    std::string PlainText() const;
};

// The smallest and largest sizes a document keeps; sizes outside are clamped
// so that a hostile file cannot ask the editor for a font a mile high.
inline constexpr int32_t MinHalfPoints = 2;
inline constexpr int32_t MaxHalfPoints = 3276;

// True when the bytes start as Rich Text Format does; anything else is read
// as plain Windows-1252 text.
bool LooksLikeRtf(const std::string& bytes);

// Reads Rich Text Format, or plain text when the bytes are no RTF. Never
// fails: unknown control words and destinations are skipped, a cut-off file
// gives what was read up to the cut, nesting deeper than the reader follows
// is skipped whole.
TRichDocument ReadRtf(const std::string& bytes);

// Writes the document as Rich Text Format in code page 1252: what the code
// page cannot hold goes out as "\u" with a "?" fallback.
std::string WriteRtf(const TRichDocument& document);
