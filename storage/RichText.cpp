#include "storage/RichText.h"

#include <utility>

void TRichDocument::Normalize()
{
    for (TRichParagraph& paragraph : Paragraphs) {
        std::vector<TRichRun> runs;
        for (TRichRun& run : paragraph.Runs) {
            if (run.Text.empty())
                continue;
            if (!runs.empty() && runs.back().SameFormat(run))
                runs.back().Text += run.Text;
            else
                runs.push_back(std::move(run));
        }
        paragraph.Runs = std::move(runs);
    }
}

std::string TRichDocument::PlainText() const
{
    std::string text;
    for (size_t i = 0; i < Paragraphs.size(); ++i) {
        if (i > 0)
            text += '\n';
        for (const TRichRun& run : Paragraphs[i].Runs)
            text += run.Text;
    }
    return text;
}
