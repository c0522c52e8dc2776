#include "SampleProject.h"

#include "common/Paths.h"
#include "model/Shortcuts.h"

#include <random>

TFile* AddProjectFile(TProject& project, const std::string& sourceDir, const std::string& name, TPlatforms platforms,
                      TProcessor processor, TFolder* folder)
{
    auto file = std::make_unique<TFile>();
    file->SetSourceDir(sourceDir);
    file->SetFileName(name);
    file->SetPlatforms(platforms);
    file->SetProcessor(processor);
    if (folder) {
        file->SetFolder(folder);
    } else {
        file->SetFolder(project.DefaultFolder());
        file->SetUseDefaultFolder(true);
    }
    return project.Files().Add(std::move(file));
}

TCEShortCut* AddProjectShortcut(TProject& project, const std::string& name, TFile* target, TFolder* folder)
{
    auto shortcut = std::make_unique<TCEShortCut>();
    shortcut->SetName(name);
    shortcut->SetTarget(target);
    shortcut->SetFolder(folder);
    return project.Shortcuts().Add(std::move(shortcut));
}

TValue* AddKeyValue(TRegKey* key, uint32_t type, const std::string& name)
{
    auto value = std::make_unique<TValue>(type);
    value->SetName(name);
    return key->Values().Add(std::move(value));
}

std::unique_ptr<TProject> MakeRichProject(const std::string& sourceRoot)
{
    auto project = std::make_unique<TProject>("Firm");
    project->SetApplicationName("Viewer");
    project->AppFolder()->SetName("Viewer");
    project->CompanyFolder()->SetName("Firm");
    project->SetIconFile(AppendPath(sourceRoot, "app.ico"));
    project->SetSetupImage(AppendPath(sourceRoot, "setup.bmp"));

    std::string bin = AppendPath(sourceRoot, "bin");
    std::string lib = AppendPath(sourceRoot, "lib");
    TFolder* windows = project->Folders().FindWindowsFolder();
    TFile* app = AddProjectFile(*project, bin, "viewer.exe", TPlatforms{plPPC300}, pStrongARM);
    AddProjectFile(*project, bin, "viewer_sh3.exe", TPlatforms{plPPC300}, pHitachiSH3);
    TFile* dll = AddProjectFile(*project, lib, "helper.dll", TPlatforms{plPPC300}, pAll, windows);
    dll->SetOptions(TFileOptions{foShared, foSelfRegister});
    dll->SetCopyMode(1);
    AddProjectFile(*project, bin, "readme.txt", AllPlatforms, pAll);

    AddProjectShortcut(*project, "Viewer", app, project->Folders().FindStartMenuFolder()->GetSubFolder(0));

    auto setup = std::make_unique<TSetupDLL>();
    setup->SetFileName("setup.dll");
    setup->SetSourceDir(IncludeTrailingPathDelimiter(AppendPath(sourceRoot, "setup")));
    setup->SetProcessor(pAll);
    project->SetupDlls().Add(std::move(setup));

    TRegKey* hklm = project->RegKeys().Item(2);
    TRegKey* key = hklm->AddSubKey(std::make_unique<TRegKey>(false, "Software", ""));
    key = key->AddSubKey(std::make_unique<TRegKey>(false, "Firm", ""));
    auto add = [key](uint32_t type, const std::string& name) { return AddKeyValue(key, type, name); };
    add(vtString, "Path")->SetStringData("\\Program Files\\Firm\\Viewer");
    add(vtDWord, "Count")->SetDwordData(31);
    TValue* bin2 = add(vtBinary, "Key");
    bin2->BinaryData() = {0x01, 0xAB, 0xFF};
    bin2->SetNoClobber(true);
    TValue* multi = add(vtMultiString, "Lines");
    multi->Strings() = {"one", "two"};
    multi->SetProcessor(pStrongARM);

    for (const char* name : {"Pocket / All", "Silent"}) {
        auto build = std::make_unique<TBuild>();
        build->SetName(name);
        build->Languages().Add(0);
        build->Languages().Add(9);
        build->SetDefaultLanguage(9);
        build->AddPair(std::make_unique<TPlatformProcPair>(plPPC300, pStrongARM));
        build->AddPair(std::make_unique<TPlatformProcPair>(plPPC300, pHitachiSH3));
        if (std::string(name) == "Silent") {
            build->SetShowWelcome(false);
            build->SetShowEULA(false);
            build->SetShowFinish(false);
        }
        project->Builds().Add(std::move(build));
    }
    return project;
}

std::unique_ptr<TProject> MakeFieldOrdersProject(const std::string& projectPath)
{
    auto owned = std::make_unique<TProject>("Northwind Traders");
    TProject& project = *owned;
    project.SetApplicationName("Field Orders");
    project.SetProjectDir(ExtractFilePath(projectPath));
    project.SetProjectFileName(ExtractFileName(projectPath));
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
        TFile* file = AddProjectFile(project, sample.Dir, sample.Name, TPlatforms{sample.Platform}, sample.Processor,
                                     sample.UseDefault ? nullptr : data);
        file->SetEmergencyFolder(project.Folders().Root());
    }
    AddProjectShortcut(project, "Field Orders", project.Files().Item(0),
                       project.Folders().FindStartMenuFolder()->GetSubFolder(0));
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
    AddKeyValue(appKey, vtString, "Server")->SetStringData("orders.northwind.example");
    TValue* port = AddKeyValue(appKey, vtDWord, "Port");
    port->SetDwordData(8080);
    port->SetNoClobber(true);
    AddKeyValue(appKey, vtMultiString, "Regions")->Strings() = {"North", "East", "West"};
    AddKeyValue(appKey, vtBinary, "Licence")->BinaryData() = {0x4E, 0x57, 0x0A, 0x00, 0xFF, 0x21,
                                                              0x09, 0xE9, 0x10, 0x20, 0x30, 0x41};
    return owned;
}

void AddFieldOrdersBuilds(TProject& project)
{
    for (const char* name : {"Pocket PC 2002", "Handheld PC 2000", "Silent install"}) {
        auto build = std::make_unique<TBuild>();
        build->SetName(name);
        TPlatform platform = name[0] == 'H' ? plHPC2000 : plPPC300;
        build->AddPair(std::make_unique<TPlatformProcPair>(platform, pStrongARM));
        build->Languages().Add(9);
        build->Languages().Add(7);
        build->SetDefaultLanguage(9);
        build->SetSfxMode(1);
        build->SetShowEULA(name[0] != 'S');
        project.Builds().Add(std::move(build));
    }
}

std::unique_ptr<TProject> MakeRandomProject(unsigned draw)
{
    std::mt19937 rng(draw);
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    // Any non-empty set of the real platforms, the later ones included.
    auto somePlatforms = [&] {
        TPlatforms platforms = TPlatforms::FromBits(uint16_t(pick(0x1000))) * AllPlatforms;
        platforms.Include(PlatformList[pick(PlatformCount)]);
        return platforms;
    };
    auto project = std::make_unique<TProject>("Firm " + std::to_string(draw));
    project->SetApplicationName(draw % 2 ? "Caf\xE9 Viewer" : "Viewer");
    project->SetProjectDir(draw % 3 ? "C:\\Work\\" : "");
    project->SetIconFile(draw % 2 ? "app.ico" : "");
    project->SetSetupImage(draw % 4 ? "" : "C:\\img\\setup.bmp");

    std::vector<TFolder*> folders = project->Folders().GetAllFolders();
    for (int i = 0; i < 6; ++i) {
        TFolder* parent = folders[static_cast<size_t>(pick(static_cast<int>(folders.size())))];
        folders.push_back(parent->AddSubFolder(std::make_unique<TFolder>("Sub " + std::to_string(i))));
    }
    TFolder* oldDefault = project->DefaultFolder();
    if (draw % 2)
        project->SetDefaultFolder(folders.back());

    std::vector<TFile*> files;
    const std::string names[] = {"app.exe", "readme.txt", "data.bin"};
    for (int i = 0; i < 8; ++i) {
        TPlatforms platforms = somePlatforms();
        if (i == 0)
            platforms = AllPlatforms;
        TFile* file = AddProjectFile(*project, i % 2 ? "C:\\src\\" : "src\\sub", names[i % 3], platforms,
                                     static_cast<TProcessor>(pick(ProcessorCount)),
                                     folders[static_cast<size_t>(pick(static_cast<int>(folders.size())))]);
        file->SetUseDefaultFolder(pick(2) == 0);
        if (file->UseDefaultFolder() && i % 3 == 0)
            file->SetFolder(oldDefault);
        file->SetCopyMode(pick(CopyModeCount));
        file->SetOptions(TFileOptions::FromBits(uint16_t(pick(16))));
        files.push_back(file);
    }
    // Two files with one device path and one processor: only their order
    // tells them apart.
    for (int i = 0; i < 2; ++i) {
        TFile* twin =
            AddProjectFile(*project, "twin" + std::to_string(i), "twin.dll", AllPlatforms, pStrongARM, folders[1]);
        files.push_back(twin);
    }
    for (int i = 0; i < 5; ++i) {
        auto shortcut = std::make_unique<TCEShortCut>();
        shortcut->SetName("Shortcut " + std::to_string(i));
        shortcut->SetTarget(i == 0 ? files.back() : files[static_cast<size_t>(pick(static_cast<int>(files.size())))]);
        shortcut->SetPlatforms(somePlatforms());
        shortcut->SetFolder(folders[static_cast<size_t>(pick(static_cast<int>(folders.size())))]);
        project->Shortcuts().Add(std::move(shortcut));
    }
    for (int i = 0; i < 2; ++i) {
        auto dll = std::make_unique<TSetupDLL>();
        dll->SetFileName("setup" + std::to_string(i) + ".dll");
        dll->SetSourceDir(i ? "C:\\dlls\\" : "");
        dll->SetProcessor(static_cast<TProcessor>(pick(ProcessorCount)));
        dll->SetPlatforms(somePlatforms());
        project->SetupDlls().Add(std::move(dll));
    }

    TRegKey* parent = project->RegKeys().Item(2);
    for (int depth = 0; depth < 3; ++depth) {
        // A renamed key keeps the name it was created with as its short name.
        parent = parent->AddSubKey(std::make_unique<TRegKey>(false, "Key " + std::to_string(depth),
                                                             depth == 1 ? "New Key" : "Key " + std::to_string(depth)));
        const uint32_t types[] = {vtString, vtBinary, vtMultiString, vtDWord};
        for (uint32_t type : types) {
            auto value = std::make_unique<TValue>(type);
            value->SetName("Value " + std::to_string(type));
            value->SetStringData("text \"quoted\" %AppName%");
            value->SetDwordData(rng());
            value->Strings() = {"one", "", "three"};
            value->BinaryData() = {0x00, 0x7F, 0x80, 0xFF};
            value->SetPlatforms(somePlatforms());
            value->SetProcessor(static_cast<TProcessor>(pick(ProcessorCount)));
            value->SetNoClobber(pick(2) == 0);
            parent->Values().Add(std::move(value));
        }
        if (depth == 2)
            parent->Values().Item(0)->SetStringData("set default");
    }

    for (int i = 0; i < 2; ++i) {
        auto build = std::make_unique<TBuild>();
        build->SetName("Build " + std::to_string(i));
        build->AddPair(std::make_unique<TPlatformProcPair>(plPPC2K, pStrongARM));
        build->AddPair(std::make_unique<TPlatformProcPair>(static_cast<TPlatform>(pick(PlatformCount + 1)), pAll));
        if (i == 0) {
            build->Languages().Add(9);
            build->Languages().Add(7);
            build->SetDefaultLanguage(7);
        }
        build->SetAllInOne(i == 1);
        build->SetSetupType(uint8_t(pick(2)));
        build->SetSfxMode(pick(2));
        build->SetShowWelcome(pick(2) == 0);
        build->SetShowEULA(pick(2) == 0);
        build->SetShowFinish(pick(2) == 0);
        project->Builds().Add(std::move(build));
    }
    return project;
}
