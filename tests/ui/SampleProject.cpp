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
        // A key of the application's own with one value of each type.
        TRegKey* hklm = project.RegKeys().Item(2);
        TRegKey* company = hklm->AddSubKey(std::make_unique<TRegKey>(false, "Northwind", "Northwind"));
        TRegKey* appKey = company->AddSubKey(std::make_unique<TRegKey>(false, "Field Orders", "Field Orders"));
        appKey->Values().Item(0)->SetStringData("Field Orders 2.1");
        auto server = std::make_unique<TValue>(vtString);
        server->SetName("Server");
        server->SetStringData("orders.northwind.example");
        appKey->Values().Add(std::move(server));
        auto port = std::make_unique<TValue>(vtDWord);
        port->SetName("Port");
        port->SetDwordData(8080);
        port->SetNoClobber(true);
        appKey->Values().Add(std::move(port));
        auto regions = std::make_unique<TValue>(vtMultiString);
        regions->SetName("Regions");
        regions->Strings() = {"North", "East", "West"};
        appKey->Values().Add(std::move(regions));
        auto key = std::make_unique<TValue>(vtBinary);
        key->SetName("Licence");
        key->BinaryData() = {0x4E, 0x57, 0x0A, 0x00, 0xFF, 0x21, 0x09, 0xE9, 0x10, 0x20, 0x30, 0x41};
        appKey->Values().Add(std::move(key));
        SaveProjectFile(project, path);
    } catch (const Exception& e) {
        std::cerr << e.Message() << "\n";
        return 1;
    }
    return 0;
}
