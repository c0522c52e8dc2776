#include "app/HeadlessCommands.h"
#include "ui/GuiStart.h"

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    // Options ("--inf", "--help", ...) run without a display; everything
    // else starts the window.
    if (IsHeadlessCommand(args))
        return RunHeadless(args, std::cout, std::cerr);
    return RunBuilderGui(argc, argv);
}
