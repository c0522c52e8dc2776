#include "app/HeadlessCommands.h"

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    // The window comes with the GUI; until then every start is headless.
    return RunHeadless(args, std::cout, std::cerr);
}
