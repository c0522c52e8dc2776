#include "tools/cabinfo/CabInfo.h"

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    int status = RunCabInfo(args, std::cout, std::cerr);
    // Text that never reached standard output (a full disk, a closed pipe)
    // makes the run a failure.
    std::cout.flush();
    if (!std::cout && status == 0)
        return 1;
    return status;
}
