#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The CAB Wizard tool: reads the command line
//   "<inf>" [/dest "<dir>"] [/err <file>] [/compress] [/cpu <label> ...]
// and writes one CAB file per label (or one from the plain sections when
// /cpu is absent). Every problem is one line of the /err file (standard
// error without /err); lines of problems that cost a CAB file contain
// "Error:", the others are warnings.
class TCabWizard {
public:
    // Returns the process exit code: 0 when every CAB file was written,
    // 1 when an error was reported, 2 for a command line it cannot read.
    int Run(const std::vector<std::string>& args);

    static std::string Usage();

private:
    struct TResult {
        std::vector<std::string> FLines;
        bool FFailed = false;
    };

    std::string FInfPath;
    std::string FDestDir;
    std::string FErrFile;
    std::vector<std::string> FLabels; // one empty label when /cpu is absent
    bool FCompress = false;
    // SOURCE_DATE_EPOCH: the date of every member when set.
    std::optional<int64_t> FFixedTime;

    bool ParseArguments(const std::vector<std::string>& args, std::string& problem);
    TResult MakeCab(const class TInfFile& inf, const std::string& label) const;
    std::string CabPath(const std::string& label) const;
    void Report(const std::vector<std::string>& lines) const;
};
