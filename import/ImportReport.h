#pragma once

// What an import made of its input: one note per thing worth telling, each
// with the line of the input it came from. The window and the headless
// commands show the same text.

#include <string>
#include <vector>

struct TImportNote {
    // Information: mapped, but not one to one (a renamed file copied, a
    // platform range narrowed). NotMapped: something of the input that the
    // project does not hold.
    enum TKind { Information, NotMapped };
    TKind FKind = Information;
    int FLine = 0; // 0: the note belongs to no one line
    std::string FText;
};

class TImportReport {
public:
    void Information(int line, std::string text)
    {
        FNotes.push_back({TImportNote::Information, line, std::move(text)});
    }
    void NotMapped(int line, std::string text) { FNotes.push_back({TImportNote::NotMapped, line, std::move(text)}); }
    // The first line of the text: what was imported from where.
    void SetSummary(std::string summary) { FSummary = std::move(summary); }
    const std::string& Summary() const { return FSummary; }

    const std::vector<TImportNote>& Notes() const { return FNotes; }
    // True when nothing of the input was left out of the project.
    bool Clean() const;
    // The summary, the notes in the order they were made ("line 12: not
    // mapped: ..."), and a closing line that says whether all was mapped.
    std::string Text() const;

private:
    std::string FSummary;
    std::vector<TImportNote> FNotes;
};
