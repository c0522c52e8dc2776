#pragma once

// Runs the real builder program (from VI_PROGRAM_DIR) with arguments, as a
// shell would, for the tests of its command line.

#include "common/Paths.h"
#include "support/TestSupport.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include <sys/wait.h>

struct TBuilderRun {
    int rc = -1;
    std::string out, err;
};

// The arguments are put after the program as they stand (quote paths);
// standard error goes through a file in tmp.
inline TBuilderRun RunBuilder(const TempDir& tmp, const std::string& args)
{
    std::string program = AppendPath(std::getenv("VI_PROGRAM_DIR"), "VeltrinInstaller");
    std::string command = "'" + program + "' " + args + " 2>'" + tmp.File("stderr.txt") + "'";
    TBuilderRun r;
    FILE* p = popen(command.c_str(), "r");
    char buffer[4096];
    size_t n;
    while (p && (n = fread(buffer, 1, sizeof buffer, p)) > 0)
        r.out.append(buffer, n);
    r.rc = p ? WEXITSTATUS(pclose(p)) : -1;
    r.err = tmp.Read("stderr.txt");
    return r;
}
