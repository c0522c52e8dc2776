#pragma once

#include "common/RunAndWait.h"
#include "model/Builds.h"

#include <string>
#include <vector>

// Turns the .inf text into device CAB files by running the CAB Wizard tool
// once for every device section that the chosen builds need, and collects
// the "Error:" lines the tool reports.
class TCabCompiler {
public:
    void SetCabWizPath(const std::string& path) { FCabWizPath = path; }
    // The lines stay the caller's.
    void SetInfLines(const std::vector<std::string>* lines) { FInfLines = lines; }
    void SetOutputDir(const std::string& dir) { FOutputDir = dir; }
    void SetInfFileName(const std::string& path) { FInfFileName = path; }
    // The builds stay the caller's.
    void SetBuilds(std::vector<const TBuild*> builds) { FBuilds = std::move(builds); }
    // Called around the tool's run (the GUI shows its hourglass).
    void SetBusyHook(TBusyHook hook) { FBusyHook = std::move(hook); }

    // Grows over a build; the caller clears it.
    std::vector<std::string>& Errors() { return FErrors; }

    // True when some pair of some chosen build has exactly this name.
    bool IsNeeded(const std::string& suffix) const;

    // The arguments for the tool: the .inf path, /dest, /err and /cpu with
    // the needed suffixes in .inf order.
    std::string ToolArguments() const;

    // Writes the .inf file, runs the tool in the output folder, reads its
    // "errors.txt" from there and deletes the .inf file again. True when the
    // tool ran and reported no error. A tool that cannot be started raises
    // the system error.
    bool Compile();

private:
    std::string FCabWizPath;
    const std::vector<std::string>* FInfLines = nullptr; // not owned
    std::vector<std::string> FErrors;
    std::string FOutputDir;
    std::string FInfFileName;
    std::vector<const TBuild*> FBuilds; // not owned
    TBusyHook FBusyHook;

    void WriteInfFile() const;
    void ReadErrorFile();
};
