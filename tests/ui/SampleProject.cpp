// Writes a small project through the model, for scripts/screenshot and for
// timing the builder's start with a project: `ui_sample_project OUT.vip`.

#include "common/Exception.h"
#include "common/Paths.h"
#include "model/Project.h"

#include <iostream>
#include <memory>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: ui_sample_project OUT.vip\n";
        return 2;
    }
    try {
        std::string path = argv[1];
        TProject project("Northwind Traders");
        project.SetApplicationName("Field Orders");
        project.SetProjectDir(ExtractFilePath(path));
        project.SetProjectFileName(ExtractFileName(path));
        project.AppFolder()->SetName("Field Orders");
        TFolder* app = project.AppFolder();
        app->AddSubFolder(std::make_unique<TFolder>("Data", 0));
        app->AddSubFolder(std::make_unique<TFolder>("Help", 0));
        project.SetIconFile("C:\\Projects\\FieldOrders\\orders.ico");
        SaveProjectFile(project, path);
    } catch (const Exception& e) {
        std::cerr << e.Message() << "\n";
        return 1;
    }
    return 0;
}
