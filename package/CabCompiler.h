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

    // The arguments of each run of the tool: the .inf path, /dest, /err and
    // /cpu with the needed labelled suffixes in .inf order. A CAB tool given
    // /cpu makes only the labelled CAB files, so when the section without a
    // suffix is needed as well it gets a second run without /cpu.
    std::vector<std::string> ToolArguments() const;

    // The CAB files the needed sections give: W\B.CAB, W\B.<suffix>.CAB.
    std::vector<std::string> NeededCabFiles() const;

    // Deletes the needed CAB files, writes the .inf file, runs the tool in
    // the output folder (twice for the case above), reads its "errors.txt"
    // after each run and deletes the .inf file again. True when the tool ran
    // and reported no error; a needed CAB file exists afterwards only when
    // this run made it. A tool that cannot be started raises the system error.
    bool Compile();

private:
    std::string FCabWizPath;
    const std::vector<std::string>* FInfLines = nullptr; // not owned
    std::vector<std::string> FErrors;
    std::string FOutputDir;
    std::string FInfFileName;
    std::vector<const TBuild*> FBuilds; // not owned
    TBusyHook FBusyHook;

    std::vector<std::string> NeededSuffixes() const;
    void WriteInfFile() const;
    void ReadErrorFile();
};
