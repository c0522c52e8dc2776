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
        struct TSample {
            const char* Dir;
            const char* Name;
            TPlatform Platform;
            TProcessor Processor;
            bool UseDefault;
        };
        TFolder* data = app->GetSubFolder(0);
        for (const TSample& sample :
             {TSample{"C:\\Projects\\FieldOrders\\ARMV4\\", "orders.exe", plPPC2K, pStrongARM, true},
              TSample{"C:\\Projects\\FieldOrders\\SH3\\", "orders.exe", plPPC300, pHitachiSH3, true},
              TSample{"C:\\Projects\\FieldOrders\\Data\\", "orders.sdf", plPPC2K, pAll, false},
              TSample{"C:\\Projects\\FieldOrders\\Help\\", "orders.htm", plPPC2K, pAll, false}}) {
            auto file = std::make_unique<TFile>();
            file->SetSourceDir(sample.Dir);
            file->SetFileName(sample.Name);
            file->SetPlatforms(TPlatforms{sample.Platform});
            file->SetProcessor(sample.Processor);
            file->SetEmergencyFolder(project.Folders().Root());
            file->SetFolder(sample.UseDefault ? project.DefaultFolder() : data);
            file->SetUseDefaultFolder(sample.UseDefault);
            project.Files().Add(std::move(file));
        }
        auto shortcut = std::make_unique<TCEShortCut>();
        shortcut->SetName("Field Orders");
        shortcut->SetTarget(project.Files().Item(0));
        shortcut->SetFolder(project.Folders().FindStartMenuFolder()->GetSubFolder(0));
        project.Shortcuts().Add(std::move(shortcut));
        auto dll = std::make_unique<TSetupDLL>();
        dll->SetSourceDir("C:\\Projects\\FieldOrders\\Setup\\");
        dll->SetFileName("ordsetup.dll");
        dll->SetPlatforms(TPlatforms{plPPC2K});
        project.SetupDlls().Add(std::move(dll));
        SaveProjectFile(project, path);
    } catch (const Exception& e) {
        std::cerr << e.Message() << "\n";
        return 1;
    }
    return 0;
}
