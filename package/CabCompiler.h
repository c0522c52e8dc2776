#pragma once

#include "common/Exception.h"
#include "common/RunAndWait.h"
#include "model/Builds.h"

#include <set>
#include <string>
#include <vector>

// The errors of one compilation: every "Error:" line the CAB tool reported
// over all its runs, and every old CAB file that could not be removed. This
// is the one failure of the package build that carries a list rather than
// one message: the author fixes all of them before building again. The
// message is the lines joined by line breaks.
class TCabCompileErrors : public Exception {
public:
    // failure: the error that stopped the compilation after these were
    // found (the tool could not be started, the .inf not written), or empty.
    explicit TCabCompileErrors(std::vector<std::string> errors, std::string failure = std::string());

    const std::vector<std::string>& Errors() const { return FErrors; }
    const std::string& Failure() const { return FFailure; }

private:
    std::vector<std::string> FErrors;
    std::string FFailure;
};

// Turns the .inf text into device CAB files by running the CAB Wizard tool
// once for every device section that the chosen builds need. Everything it
// is given is copied, so the caller's lists may go when the setter returns.
class TCabCompiler {
public:
    void SetCabWizPath(const std::string& path) { FCabWizPath = path; }
    void SetInfLines(std::vector<std::string> lines) { FInfLines = std::move(lines); }
    void SetOutputDir(const std::string& dir) { FOutputDir = dir; }
    void SetInfFileName(const std::string& path) { FInfFileName = path; }
    // The copies the .inf names in its staging folder: each source host
    // path with the host path of its copy, all in one folder.
    void SetStagedCopies(std::vector<std::pair<std::string, std::string>> copies) { FStagedCopies = std::move(copies); }
    // Takes the names of the builds' pairs.
    void SetBuilds(const std::vector<const TBuild*>& builds);
    // Called around the tool's run (the GUI shows its hourglass).
    void SetBusyHook(TBusyHook hook) { FBusyHook = std::move(hook); }

    // True when some pair of some chosen build has exactly this name.
    bool IsNeeded(const std::string& suffix) const { return FNeededPairs.count(suffix) > 0; }

    // The arguments of each run of the tool: the .inf path, /dest, /err and
    // /cpu with the needed labelled suffixes in .inf order. A CAB tool given
    // /cpu makes only the labelled CAB files, so when the section without a
    // suffix is needed as well it gets a second run without /cpu.
    std::vector<std::string> ToolArguments() const;

    // The CAB files the needed sections give: W\B.CAB, W\B.<suffix>.CAB.
    std::vector<std::string> NeededCabFiles() const;

    // Deletes the needed CAB files, writes the .inf file and the staged
    // copies, runs the tool in the output folder (twice for the case
    // above), reads its "errors.txt" after each run and deletes the .inf
    // file and the copies again (their folder too when nothing else is in it). A needed CAB file
    // exists afterwards only when this run made it. Raises TCabCompileErrors
    // with all errors of the run when the tool reported any (or is missing:
    // "MSCabWiz.exe not found! Compilation aborted!"); a tool that cannot be
    // started raises the system error.
    void Compile();

private:
    std::string FCabWizPath;
    std::vector<std::string> FInfLines;
    std::string FOutputDir;
    std::string FInfFileName;
    std::vector<std::pair<std::string, std::string>> FStagedCopies;
    std::set<std::string> FNeededPairs;
    TBusyHook FBusyHook;

    std::vector<std::string> NeededSuffixes() const;
    void WriteInfFile() const;
    void StageCopies() const;
    void ReadErrorFile(std::vector<std::string>& errors) const;
    void RunTool(std::vector<std::string>& errors);
};
