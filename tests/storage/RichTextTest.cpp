#include "storage/RichText.h"

#include "common/Platform.h"

#include <gtest/gtest.h>

#include <random>

namespace {

std::string ReadFileText(const std::string& path)
{
    std::vector<uint8_t> bytes = ReadFileBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

std::string Sample(const std::string& name)
{
    return ReadFileText(std::string(VI_RTF_SAMPLES) + "/" + name);
}

// Pieces of text that exercise every escape the writer makes: the format's
// own special characters, code page 1252 letters, characters only "\u"
// can carry (one outside the 16-bit plane), tabs and line breaks.
const char* const Pieces[] = {"Licence",      " ",
                              "a{b}c",        "back\\slash",
                              "\t",           "\n",
                              "caf\xc3\xa9",  "\xc3\x9f\xc3\xbc",
                              "\xe2\x82\xac", "\xe2\x80\x9cq\xe2\x80\x9d",
                              "\xe4\xb8\xad", "\xf0\x9f\x98\x80",
                              "123",          " lead",
                              "%AppName%",    ";",
                              "x\\'41"};
const char* const Fonts[] = {"Arial", "Times New Roman", "Courier New", "Liberation Sans", "Caf\xc3\xa9 Font"};

TRichDocument Generate(std::mt19937& random, bool codePageOnly)
{
    auto pick = [&](int n) { return int(random() % unsigned(n)); };
    TRichDocument document;
    int paragraphs = pick(7);
    for (int p = 0; p < paragraphs; ++p) {
        TRichParagraph paragraph;
        paragraph.Align = TRichAlign(pick(4));
        paragraph.Bullet = pick(3) == 0;
        int runs = pick(5);
        for (int r = 0; r < runs; ++r) {
            TRichRun run;
            int pieces = 1 + pick(3);
            for (int i = 0; i < pieces; ++i) {
                int piece = pick(int(std::size(Pieces)));
                if (codePageOnly && (piece == 10 || piece == 11))
                    piece = 0;
                run.Text += Pieces[piece];
            }
            run.FontName = Fonts[pick(int(std::size(Fonts)))];
            run.HalfPoints = pick(4) == 0 ? MinHalfPoints + pick(MaxHalfPoints - MinHalfPoints + 1) : 16 + 2 * pick(8);
            run.Bold = pick(2);
            run.Italic = pick(2);
            run.Underline = pick(2);
            paragraph.Runs.push_back(run);
        }
        document.Paragraphs.push_back(paragraph);
    }
    document.Normalize();
    return document;
}

std::string Describe(const TRichDocument& document)
{
    std::string text;
    for (const TRichParagraph& p : document.Paragraphs) {
        text += "[align " + std::to_string(int(p.Align)) + (p.Bullet ? " bullet" : "") + "]";
        for (const TRichRun& r : p.Runs)
            text += "<" + r.FontName + " " + std::to_string(r.HalfPoints) + (r.Bold ? " b" : "") +
                    (r.Italic ? " i" : "") + (r.Underline ? " u" : "") + ">" + r.Text;
        text += "\n";
    }
    return text;
}

// The runs of one paragraph as text, for finding formatted words.
const TRichRun* RunWith(const TRichParagraph& paragraph, const std::string& text)
{
    for (const TRichRun& run : paragraph.Runs)
        if (run.Text.find(text) != std::string::npos)
            return &run;
    return nullptr;
}

std::string Text(const TRichParagraph& paragraph)
{
    std::string text;
    for (const TRichRun& run : paragraph.Runs)
        text += run.Text;
    return text;
}

} // namespace

TEST(RtfRoundTrip, GeneratedDocumentsComeBackUnchanged)
{
    for (unsigned round = 0; round < 400; ++round) {
        std::mt19937 random(round);
        TRichDocument document = Generate(random, false);
        std::string rtf = WriteRtf(document);
        TRichDocument back = ReadRtf(rtf);
        ASSERT_EQ(Describe(back), Describe(document)) << "round " << round << "\n" << rtf;
        ASSERT_EQ(back, document);
    }
}

// Font names as the table can hold them: the names of the runs that the
// table would make equal are one font, and a run whose name the table
// cannot hold takes the first font instead of a number past the table.
TEST(RtfRoundTrip, FontNamesTheTableCannotHoldFallBackToWhatItCan)
{
    TRichDocument document;
    TRichParagraph paragraph;
    for (const char* font : {"Arial", "  Arial ",
                             "Ari\x01"
                             "al",
                             "\x02\x03", "Courier;New"}) {
        TRichRun run;
        run.Text = std::string("in ") + font;
        run.FontName = font;
        run.Bold = paragraph.Runs.size() % 2 == 1; // keeps the runs apart
        paragraph.Runs.push_back(run);
    }
    document.Paragraphs.push_back(paragraph);
    const std::string written = WriteRtf(document);
    EXPECT_EQ(written.find("\\f3"), std::string::npos) << written; // only Arial and "Courier New"
    const TRichDocument read = ReadRtf(written);
    ASSERT_EQ(read.Paragraphs.size(), 1u);
    std::vector<std::string> fonts;
    for (const TRichRun& run : read.Paragraphs[0].Runs)
        fonts.push_back(run.FontName);
    EXPECT_EQ(fonts, (std::vector<std::string>{"Arial", "Arial", "Arial", "Arial", "Courier New"}));
    EXPECT_EQ(WriteRtf(read), WriteRtf(ReadRtf(WriteRtf(read))));
}

TEST(RtfRoundTrip, WrittenFilesAreSevenBitCodePage1252)
{
    std::mt19937 random(7);
    for (int round = 0; round < 50; ++round) {
        std::string rtf = WriteRtf(Generate(random, false));
        ASSERT_TRUE(LooksLikeRtf(rtf));
        EXPECT_NE(rtf.find("\\ansicpg1252"), std::string::npos);
        for (char c : rtf)
            ASSERT_LT(static_cast<unsigned char>(c), 0x80) << rtf;
    }
}

TEST(RtfRoundTrip, CharactersOutsideTheCodePageCarryAFallback)
{
    TRichDocument document;
    document.Paragraphs.push_back({TRichAlign::Left, false, {{"\xe4\xb8\xad", "Arial"}}});
    std::string rtf = WriteRtf(document);
    EXPECT_NE(rtf.find("\\u20013?"), std::string::npos) << rtf;
    // A reader that skips two fallback characters must not eat the text after.
    TRichDocument two = ReadRtf("{\\rtf1{\\fonttbl{\\f0 Arial;}}\\uc2\\u20013\\'3f\\'3fz\\par}");
    ASSERT_EQ(two.Paragraphs.size(), 1u);
    EXPECT_EQ(Text(two.Paragraphs[0]), "\xe4\xb8\xadz");
}

// What both word-processor licences hold: a bold Arial heading of the given
// size, a justified body with an italic and an underlined word, two bullets
// (the second with a bold word) and a right-aligned closing line in 10 point.
void ExpectGermanLicence(const TRichDocument& document, int headingHalfPoints)
{
    ASSERT_EQ(document.Paragraphs.size(), 5u) << Describe(document);

    const TRichParagraph& heading = document.Paragraphs[0];
    EXPECT_EQ(heading.Align, TRichAlign::Center);
    EXPECT_FALSE(heading.Bullet);
    EXPECT_EQ(Text(heading), "Lizenzvertrag f\xc3\xbcr %AppName%");
    ASSERT_EQ(heading.Runs.size(), 1u);
    EXPECT_TRUE(heading.Runs[0].Bold);
    EXPECT_EQ(heading.Runs[0].FontName, "Arial");
    EXPECT_EQ(heading.Runs[0].HalfPoints, headingHalfPoints);

    const TRichParagraph& body = document.Paragraphs[1];
    EXPECT_EQ(body.Align, TRichAlign::Justify);
    EXPECT_EQ(Text(body), "Bitte lesen Sie diesen Vertrag sorgf\xc3\xa4ltig und vollst\xc3\xa4ndig.");
    const TRichRun* italic = RunWith(body, "sorgf");
    ASSERT_TRUE(italic);
    EXPECT_TRUE(italic->Italic);
    const TRichRun* underlined = RunWith(body, "vollst");
    ASSERT_TRUE(underlined);
    EXPECT_TRUE(underlined->Underline);
    const TRichRun* plain = RunWith(body, "Bitte");
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->FontName, "Liberation Serif");

    EXPECT_TRUE(document.Paragraphs[2].Bullet);
    EXPECT_EQ(Text(document.Paragraphs[2]), "Erste Regel");
    EXPECT_TRUE(document.Paragraphs[3].Bullet);
    const TRichRun* bold = RunWith(document.Paragraphs[3], "Fettdruck");
    ASSERT_TRUE(bold);
    EXPECT_TRUE(bold->Bold);
    EXPECT_FALSE(RunWith(document.Paragraphs[3], "Zweite")->Bold);

    const TRichParagraph& last = document.Paragraphs[4];
    EXPECT_FALSE(last.Bullet);
    EXPECT_EQ(last.Align, TRichAlign::Right);
    EXPECT_EQ(Text(last), "Preis: 10 \xe2\x82\xac \xe2\x80\x93 %CompanyName%");
    EXPECT_EQ(last.Runs[0].HalfPoints, 20);
}

TEST(RtfReading, LibreOfficeStyleLicenceKeepsItsFormatting)
{
    TRichDocument document = ReadRtf(Sample("writer-licence.rtf"));
    ASSERT_NO_FATAL_FAILURE(ExpectGermanLicence(document, 32));

    const TRichParagraph& body = document.Paragraphs[1];
    EXPECT_FALSE(RunWith(body, "sorgf")->Bold);
    const TRichRun* plain = RunWith(body, "Bitte");
    ASSERT_TRUE(plain);
    EXPECT_FALSE(plain->Italic || plain->Bold || plain->Underline);
    EXPECT_EQ(plain->HalfPoints, 24);
    // Nothing of the tables, the generator, the styles or the list texts leaks into the text.
    for (const char* hidden : {"LibreOffice", "Normal", "Bullets", "Default Page", "Symbol", "\xe2\x80\xa2"})
        EXPECT_EQ(document.PlainText().find(hidden), std::string::npos) << hidden;
}

// Written by LibreOffice Writer 7.4 (Debian 12) from rtf/libreoffice-licence.html:
//   soffice --headless --infilter="HTML (StarWriter)" --convert-to rtf libreoffice-licence.html
TEST(RtfReading, LibreOfficeWrittenLicenceKeepsItsFormatting)
{
    TRichDocument document = ReadRtf(Sample("libreoffice-licence.rtf"));
    ASSERT_NO_FATAL_FAILURE(ExpectGermanLicence(document, 36));

    const TRichParagraph& body = document.Paragraphs[1];
    EXPECT_FALSE(RunWith(body, "sorgf")->Underline);
    EXPECT_FALSE(RunWith(body, "vollst")->Italic);
    for (int i : {2, 3})
        EXPECT_EQ(document.Paragraphs[i].Align, TRichAlign::Left) << i;
    // What our writer makes of it reads back the same.
    EXPECT_EQ(ReadRtf(WriteRtf(document)), document);
}

TEST(RtfReading, OldStyleBulletsLastUntilTheParagraphIsReset)
{
    TRichDocument document = ReadRtf(Sample("wordpad-bullets.rtf"));
    ASSERT_EQ(document.Paragraphs.size(), 4u) << Describe(document);
    EXPECT_EQ(document.Paragraphs[0].Align, TRichAlign::Center);
    EXPECT_TRUE(document.Paragraphs[0].Runs[0].Bold);
    EXPECT_EQ(document.Paragraphs[0].Runs[0].FontName, "Calibri");
    EXPECT_EQ(document.Paragraphs[0].Runs[0].HalfPoints, 22);
    EXPECT_TRUE(document.Paragraphs[1].Bullet);
    EXPECT_EQ(Text(document.Paragraphs[1]), "Punkt eins");
    EXPECT_TRUE(RunWith(document.Paragraphs[1], "eins")->Italic);
    EXPECT_TRUE(document.Paragraphs[2].Bullet);
    EXPECT_EQ(Text(document.Paragraphs[2]), "Punkt zwei");
    EXPECT_FALSE(document.Paragraphs[3].Bullet);
    EXPECT_EQ(document.Paragraphs[3].Align, TRichAlign::Left);
    EXPECT_TRUE(document.Paragraphs[3].Runs[0].Underline);
}

TEST(RtfReading, TheShippedDefaultLicenceReads)
{
    TRichDocument document = ReadRtf(ReadFileText(std::string(VI_DEFAULT_LICENCE)));
    ASSERT_GT(document.Paragraphs.size(), 5u);
    EXPECT_EQ(document.Paragraphs[0].Align, TRichAlign::Center);
    EXPECT_TRUE(document.Paragraphs[0].Runs[0].Bold);
    EXPECT_NE(document.PlainText().find("%CompanyName%"), std::string::npos);
    EXPECT_EQ(document.PlainText().find("fonttbl"), std::string::npos);
}

TEST(RtfReading, TextThatIsNoRtfIsPlainCodePage1252)
{
    TRichDocument document = ReadRtf("First line\r\nZweite Zeile mit \xe4\r\n\r\nLast");
    ASSERT_EQ(document.Paragraphs.size(), 4u);
    EXPECT_EQ(Text(document.Paragraphs[1]), "Zweite Zeile mit \xc3\xa4");
    EXPECT_TRUE(document.Paragraphs[2].Runs.empty());
    EXPECT_EQ(Text(document.Paragraphs[3]), "Last");
    // Only the exact opening counts: a text that talks about the format is text.
    EXPECT_EQ(ReadRtf(" {\\rtf1 x}").PlainText(), " {\\rtf1 x}");
}

TEST(RtfReading, UnknownWordsAndDestinationsAreSkipped)
{
    struct Case {
        const char* rtf;
        const char* text;
    } cases[] = {
        {"{\\rtf1 a{\\*\\unknowndest hidden {nested} text}b\\par}", "ab"},
        {"{\\rtf1 a\\madeupword123 b\\par}", "ab"},
        {"{\\rtf1 a{\\pict\\wmetafile8 0123abcdef{\\*\\blipuid 00}}b\\par}", "ab"},
        {"{\\rtf1 a{\\*\\shppict{\\pict\\bin6 }}{}}}}}b\\par}", "ab"},
        {"{\\rtf1 {\\field{\\*\\fldinst HYPERLINK \"x\"}{\\fldrslt link}}\\par}", "link"},
        {"{\\rtf1 {\\info{\\title T}{\\author A}}body\\par}", "body"},
        {"{\\rtf1 \\{\\}\\\\\\~\\-x\\par}", "{}\\\xc2\xa0x"},
        {"{\\rtf1 \\lquote q\\rquote \\emdash\\par}", "\xe2\x80\x98q\xe2\x80\x99\xe2\x80\x94"},
        {"{\\rtf1 a}trailing text after the document", "a"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ReadRtf(c.rtf).PlainText(), c.text) << c.rtf;
}

TEST(RtfReading, GroupsRestoreTheFormatAroundThem)
{
    TRichDocument document =
        ReadRtf("{\\rtf1{\\fonttbl{\\f0 Arial;}{\\f1 Courier;}}\\f0\\fs20 a{\\b\\f1\\fs40 b{\\i c}}d\\par}");
    ASSERT_EQ(document.Paragraphs.size(), 1u);
    const TRichParagraph& p = document.Paragraphs[0];
    ASSERT_EQ(p.Runs.size(), 4u) << Describe(document);
    EXPECT_EQ(p.Runs[3].Text, "d");
    EXPECT_TRUE(p.Runs[3].SameFormat(p.Runs[0]));
    EXPECT_FALSE(p.Runs[1].SameFormat(p.Runs[0]));
    EXPECT_EQ(p.Runs[1].FontName, "Courier");
    EXPECT_TRUE(p.Runs[2].Bold && p.Runs[2].Italic);
    EXPECT_EQ(p.Runs[2].HalfPoints, 40);
}

TEST(RtfHostile, DeepNestingNeitherCrashesNorLosesTheTextAround)
{
    std::string rtf = "{\\rtf1 before";
    rtf += std::string(100000, '{') + "deep" + std::string(100000, '}');
    rtf += " after\\par}";
    TRichDocument document = ReadRtf(rtf);
    std::string text = document.PlainText();
    EXPECT_EQ(text.rfind("before", 0), 0u) << text.substr(0, 100);
    EXPECT_NE(text.find(" after"), std::string::npos);

    // Unbalanced: nothing ever closes.
    EXPECT_NO_THROW(ReadRtf("{\\rtf1 x" + std::string(500000, '{')));
    EXPECT_NO_THROW(ReadRtf("{\\rtf1 x" + std::string(500000, '}')));
}

TEST(RtfHostile, HugeNumbersAreClamped)
{
    std::string digits(5000, '9');
    TRichDocument document = ReadRtf("{\\rtf1\\fs" + digits + " big\\fs-" + digits + " small\\f" + digits + " f\\uc" +
                                     digits + "\\u" + digits + "?x\\u-" + digits + "y\\par}");
    ASSERT_EQ(document.Paragraphs.size(), 1u);
    const TRichParagraph& p = document.Paragraphs[0];
    ASSERT_GE(p.Runs.size(), 2u) << Describe(document);
    EXPECT_EQ(p.Runs[0].HalfPoints, MaxHalfPoints);
    EXPECT_EQ(p.Runs[1].HalfPoints, MinHalfPoints);
    EXPECT_NE(Text(p).find("big"), std::string::npos);
    EXPECT_NE(Text(p).find("small"), std::string::npos);

    // A binary block longer than the file ends the file, nothing more.
    EXPECT_EQ(ReadRtf("{\\rtf1 a\\bin" + digits + " bcd}").PlainText(), "a");
    EXPECT_EQ(ReadRtf("{\\rtf1 a{\\pict\\bin3 }}}}b\\par}").PlainText(), "ab");
    // A control word too long to be one is read to its end and ignored.
    EXPECT_EQ(ReadRtf("{\\rtf1 a\\" + std::string(100000, 'q') + " b\\par}").PlainText(), "ab");
}

TEST(RtfHostile, EveryCutGivesAPrefixOfTheText)
{
    // Without "\u" a cut can only lose text at its end: the reader must
    // keep what came before the cut and invent nothing.
    std::mt19937 random(3);
    for (int round = 0; round < 6; ++round) {
        TRichDocument document = Generate(random, true);
        std::string rtf = WriteRtf(document);
        std::string full = document.PlainText();
        // Shorter than "{\\rtf" the bytes are plain text, and read so.
        for (size_t cut = 5; cut <= rtf.size(); ++cut) {
            std::string text = ReadRtf(rtf.substr(0, cut)).PlainText();
            ASSERT_EQ(full.compare(0, text.size(), text), 0) << "cut " << cut << "\n" << rtf.substr(0, cut);
        }
        EXPECT_EQ(ReadRtf(rtf), document);
    }
}

TEST(RtfHostile, EveryCutOfTheSamplesKeepsTheTablesOutOfTheText)
{
    for (const char* name : {"writer-licence.rtf", "wordpad-bullets.rtf"}) {
        std::string rtf = Sample(name);
        for (size_t cut = 5; cut <= rtf.size(); ++cut) {
            std::string text = ReadRtf(rtf.substr(0, cut)).PlainText();
            for (const char* hidden : {"Liberation", "Symbol", "Calibri", "Riched", "Normal;", "Default Page"})
                ASSERT_EQ(text.find(hidden), std::string::npos) << name << " cut " << cut << ": " << text;
        }
    }
}

TEST(RtfHostile, RandomBytesAfterTheOpeningNeverCrash)
{
    std::mt19937 random(11);
    const char alphabet[] = "{}\\'*abfsuclpardqj0123456789- ;\xe9\x80\r\n";
    for (int round = 0; round < 3000; ++round) {
        std::string rtf = "{\\rtf1";
        int length = int(random() % 200);
        for (int i = 0; i < length; ++i)
            rtf += alphabet[random() % (sizeof alphabet - 1)];
        TRichDocument document = ReadRtf(rtf);
        for (const TRichParagraph& p : document.Paragraphs)
            for (const TRichRun& r : p.Runs) {
                ASSERT_FALSE(r.Text.empty());
                ASSERT_GE(r.HalfPoints, MinHalfPoints);
                ASSERT_LE(r.HalfPoints, MaxHalfPoints);
            }
        // Whatever was read writes out and reads back as itself.
        ASSERT_EQ(ReadRtf(WriteRtf(document)).PlainText(), document.PlainText()) << rtf;
    }
}
