#pragma once

#include "build/SelfExtractor.h"

#include <string>

// Runs a program and waits for it to end; failures raise Exception. The
// builder's RunAndWait has this shape; tests give a recorder instead.
using TRunAndWait = void (*)(const std::string& program, const std::string& arguments);

// The self-extractor maker that runs Tools/makesfx.exe beside the builder.
class TFreeExtractor : public TSelfExtractor {
public:
    // runner: how makesfx is started; null takes the one set with
    // SetDefaultRunner.
    explicit TFreeExtractor(TRunAndWait runner = nullptr);

    void Execute() override;

    // The program path and the argument text Execute runs; the arguments
    // begin with a blank, so the whole command line has two blanks after
    // the program.
    std::string ProgramPath() const;
    std::string Arguments() const;

    void SetToolsDir(const std::string& dir) { FToolsDir = dir; }

    static void SetDefaultRunner(TRunAndWait runner);

private:
    TRunAndWait FRunner;
    std::string FToolsDir;
};
