#pragma once

#include "package/SelfExtractor.h"

#include <functional>
#include <string>

// Runs a program and waits for it to end; failures raise Exception. By
// default RunAndWait; tests give a recorder instead.
using TRunProgram = std::function<void(const std::string& program, const std::string& arguments)>;

// The self-extractor maker that runs Tools/makesfx.exe beside the builder.
class TFreeExtractor : public TSelfExtractor {
public:
    // runner: how makesfx is started; empty for RunAndWait.
    explicit TFreeExtractor(TRunProgram runner = TRunProgram());

    void Execute() override;

    // The program path and the argument text Execute runs; the arguments
    // begin with a blank, so the whole command line has two blanks after
    // the program.
    std::string ProgramPath() const;
    std::string Arguments() const;

    void SetToolsDir(const std::string& dir) { FToolsDir = dir; }

private:
    TRunProgram FRunner;
    std::string FToolsDir;
};
