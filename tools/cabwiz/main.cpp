#include "tools/cabwiz/CabWizard.h"

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    for (const std::string& arg : args)
        if (arg == "--version") {
            std::printf("CABWIZ.exe (Veltrin Installer) %s\n", VI_VERSION);
            return std::fflush(stdout) == 0 ? 0 : 1;
        }
    TCabWizard wizard;
    int status = wizard.Run(args);
    // Text that never reached standard output (a full disk, a closed pipe)
    // makes the run a failure.
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
        return status == 0 ? 1 : status;
    return status;
}
