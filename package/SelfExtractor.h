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
    bool FAutoExtract = false;
};
