#include "import/ImportReport.h"

bool TImportReport::Clean() const
{
    for (const auto& note : FNotes)
        if (note.FKind == TImportNote::NotMapped)
            return false;
    return true;
}

std::string TImportReport::Text() const
{
    std::string text = FSummary.empty() ? std::string() : FSummary + "\n";
    size_t unmapped = 0;
    for (const auto& note : FNotes) {
        if (note.FLine > 0)
            text += "line " + std::to_string(note.FLine) + ": ";
        if (note.FKind == TImportNote::NotMapped) {
            text += "not mapped: ";
            ++unmapped;
        }
        text += note.FText + "\n";
    }
    if (unmapped == 0)
        text += "Everything was mapped.\n";
    else
        text += std::to_string(unmapped) + (unmapped == 1 ? " thing" : " things") +
                " could not be mapped; the project holds the rest.\n";
    return text;
}
