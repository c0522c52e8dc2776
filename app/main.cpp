#include "app/HeadlessCommands.h"
#include "common/Paths.h"
#include "ui/main/GuiStart.h"

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    // Options ("--inf", "--help", ...) run without a display; everything
    // else starts the window.
    if (IsHeadlessCommand(args)) {
        // Usage texts name the program as it was started: "veltrin-installer"
        // on the PATH of an installed builder, "VeltrinInstaller" in a build.
        std::string name = argc > 0 && argv[0] && *argv[0] ? ExtractFileName(argv[0]) : std::string();
        return RunHeadless(args, std::cout, std::cerr, name.empty() ? "VeltrinInstaller" : name);
    }
    return RunBuilderGui(argc, argv);
}
