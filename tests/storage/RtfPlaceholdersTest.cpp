#include "storage/RichText.h"
#include "storage/RtfPlaceholders.h"

#include <gtest/gtest.h>

namespace {

TEST(RtfPlaceholders, ReplacedInTheTextTheReaderSees)
{
    const struct {
        const char* Rtf;
        const char* Value;
        const char* Expected;
    } cases[] = {
        // Split by formatting: the value goes where the first character was,
        // the markup inside stays.
        {"{\\rtf1 %App{\\b Name}%!}", "Viewer", "{\\rtf1 Viewer{\\b }!}"},
        {"{\\rtf1 {\\i %app}NAME% x}", "Viewer", "{\\rtf1 {\\i Viewer} x}"},
        {"{\\rtf1 %App\r\nName%}", "Viewer", "{\\rtf1 Viewer\r\n}"},
        {"{\\rtf1 \\'25App\\'4eame%}", "Viewer", "{\\rtf1 Viewer}"},
        // A control word that no space ends keeps apart from the text after it.
        {"{\\rtf1\\b%AppName%}", "3D", "{\\rtf1\\b 3D}"},
        {"{\\rtf1 %AppName\\i%x}", "V", "{\\rtf1 V\\i x}"},
        // The value is text, and the search goes on after it.
        {"{\\rtf1 %AppName%}", "C:\\{x}", "{\\rtf1 C:\\\\\\{x\\}}"},
        {"{\\rtf1 %AppName%%AppName%}", "x%AppName%", "{\\rtf1 x%AppName%x%AppName%}"},
        // What the reader does not see, or sees as another character, stays.
        {"{\\rtf1{\\fonttbl{\\f0 %AppName%;}}{\\*\\x %AppName%}{\\info{\\title %AppName%}}.}", "V",
         "{\\rtf1{\\fonttbl{\\f0 %AppName%;}}{\\*\\x %AppName%}{\\info{\\title %AppName%}}.}"},
        {"{\\rtf1 %App\\par Name% %App\\u65?Name% %App\\\\Name%}", "V",
         "{\\rtf1 %App\\par Name% %App\\u65?Name% %App\\\\Name%}"},
        {"{\\rtf1 {\\pict\\bin3 }{%}%AppName%}", "V", "{\\rtf1 {\\pict\\bin3 }{%}V}"},
        // A fallback character after \u is no part of the text.
        {"{\\rtf1 \\u37%AppName%}", "V", "{\\rtf1 \\u37%AppName%}"},
        {"{\\rtf1\\uc2 \\u37\\'25%AppName%}", "V", "{\\rtf1\\uc2 \\u37\\'25%AppName%}"},
        {"{\\rtf1\\uc2 \\u37 %%AppName%}", "V", "{\\rtf1\\uc2 \\u37 %%AppName%}"},
    };
    for (const auto& c : cases) {
        std::string out = ReplaceRtfPlaceholder(c.Rtf, "%AppName%", c.Value);
        EXPECT_EQ(out, c.Expected) << c.Rtf;
    }
}

TEST(RtfPlaceholders, TheValueTakesTheFormattingOfThePlaceholdersFirstCharacter)
{
    TRichDocument doc =
        ReadRtf(ReplaceRtfPlaceholder("{\\rtf1 {\\b %Com}pany{\\i Name%} rest}", "%CompanyName%", "Firm"));
    ASSERT_EQ(doc.PlainText(), "Firm rest");
    ASSERT_EQ(doc.Paragraphs.size(), 1u);
    ASSERT_EQ(doc.Paragraphs[0].Runs.size(), 2u);
    EXPECT_EQ(doc.Paragraphs[0].Runs[0].Text, "Firm");
    EXPECT_TRUE(doc.Paragraphs[0].Runs[0].Bold);
    EXPECT_FALSE(doc.Paragraphs[0].Runs[1].Bold);
    EXPECT_FALSE(doc.Paragraphs[0].Runs[1].Italic);
}

} // namespace
