#pragma once

#include <string>

// Turns a ZIP archive into a self-extracting program. The build driver sets
// the archive, the output, the title and the program to start ("$temp$\" +
// its name; "$temp$" is the folder the package unpacks into) and calls Execute.
class TSelfExtractor {
public:
    TSelfExtractor() = default;
    virtual ~TSelfExtractor() = default;
    TSelfExtractor(const TSelfExtractor&) = delete;
    TSelfExtractor& operator=(const TSelfExtractor&) = delete;

    void SetArchive(const std::string& path) { FArchive = path; }
    void SetOutput(const std::string& path) { FOutput = path; }
    void SetTitle(const std::string& title) { FTitle = title; }
    void SetExec(const std::string& exec) { FExec = exec; }
    // The package's own words for the stub's progress window
    // ("Unpacking...") and for the text leading its failure messages;
    // empty ones leave the stub's built-in English.
    void SetTexts(const std::string& unpacking, const std::string& failure)
    {
        FUnpacking = unpacking;
        FFailure = failure;
    }
    // true: unpack at once showing the progress; false: no user interface.
    void SetAutoExtract(bool autoExtract) { FAutoExtract = autoExtract; }

    const std::string& Output() const { return FOutput; }

    // Writes the program; raises Exception with the message on failure.
    virtual void Execute() = 0;

protected:
    std::string FArchive;
    std::string FOutput;
    std::string FTitle;
    std::string FExec;
    std::string FUnpacking;
    std::string FFailure;
    bool FAutoExtract = false;
};
