// Writes the "Field Orders" sample project, for scripts/screenshot and for
// timing the builder's start with a project: `ui_sample_project OUT.vip`.

#include "support/SampleProject.h"

#include "common/Exception.h"

#include <iostream>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: ui_sample_project OUT.vip\n";
        return 2;
    }
    try {
        SaveProjectFile(*MakeFieldOrdersProject(argv[1]), argv[1]);
    } catch (const Exception& e) {
        std::cerr << e.Message() << "\n";
        return 1;
    }
    return 0;
}
