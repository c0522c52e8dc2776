#include "Screenshots.h"

#include "common/Paths.h"
#include "common/Platform.h"
#include "model/Project.h"
#include "storage/LanguageManager.h"
#include "storage/uScramble.h"
#include "support/SampleProject.h"
#include "ui/AboutBox.h"
#include "ui/MessageService.h"
#include "ui/QtText.h"
#include "ui/fmBuildMaker.h"
#include "ui/fmDestinationFolder.h"
#include "ui/fmDWORDEditor.h"
#include "ui/fmFileProperties.h"
#include "hexedit/HexEditor.h"
#include "ui/fmHexValueEditror.h"
#include "ui/fmMain.h"
#include "ui/fmMissingFiles.h"
#include "ui/fmMultyStringsEditor.h"
#include "ui/fmPairChoose.h"
#include "ui/fmProgress.h"
#include "ui/fmRuntimeWizard.h"
#include "ui/fmSetupDllProperties.h"
#include "ui/fmSetupImage.h"
#include "ui/fmShortcutProperties.h"
#include "ui/fmSplash.h"
#include "ui/fmStringEditor.h"
#include "ui/frmFiles.h"
#include "ui/frmFolder.h"
#include "ui/frmList.h"
#include "ui/frmRegKeys.h"
#include "ui/frmValues.h"

#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QAbstractButton>
#include <QMenuBar>
#include <QTableView>
#include <QListWidget>
#include <QTableWidget>
#include <QTabWidget>
#include <QTreeWidget>

#include <cstdio>

namespace {

void Settle()
{
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
}

void Save(QWidget& widget, const QString& dir, const char* name)
{
    Settle();
    QString path = QDir(dir).filePath(QString::fromLatin1(name) + QStringLiteral(".png"));
    if (!widget.grab().save(path))
        std::fprintf(stderr, "screenshot: cannot write %s\n", qPrintable(path));
    else
        std::printf("%s\n", qPrintable(path));
}

// The menus are popups; they are shown beside the window and grabbed alone.
void SaveMenu(QMenu* menu, const QString& dir, const char* name)
{
    emit menu->aboutToShow();
    menu->popup(QPoint(0, 0));
    Save(*menu, dir, name);
    menu->hide();
}

// The Registry tab on the sample's own key, its menus, and the editor of
// each of that key's values.
void SaveRegistryWindows(TfmMain& main, const QString& dir)
{
    auto* keys = main.findChild<TfrmRegKeys*>();
    auto* values = main.findChild<TfrmValues*>();
    TRegKey* hklm = main.Project()->RegKeys().Item(2);
    if (!keys || !values || !hklm || hklm->SubKeyCount() == 0 || hklm->GetSubKey(0)->SubKeyCount() == 0)
        return;
    TRegKey* app = hklm->GetSubKey(0)->GetSubKey(0);
    main.findChild<QTabWidget*>(QStringLiteral("pcMain"))->setCurrentIndex(TfmMain::tsRegistry);
    keys->SelectKey(app);
    values->List()->selectRow(1);
    values->UpdateCommands();
    Save(main, dir, "tab-registry-values");
    keys->UpdateCommands();
    SaveMenu(keys->Menu(), dir, "menu-registry-keys");
    SaveMenu(values->Menu(), dir, "menu-registry-values");
    for (const std::unique_ptr<TValue>& value : app->Values().Values()) {
        std::unique_ptr<TfmValueEditor> editor;
        const char* name = nullptr;
        switch (value->Type()) {
        case vtString:
            if (!value->IsDefault()) {
                editor = std::make_unique<TfmStringEditor>(nullptr, &main);
                name = "dialog-string-value";
            }
            break;
        case vtDWord:
            editor = std::make_unique<TfmDWORDEditor>(nullptr, &main);
            name = "dialog-dword-value";
            break;
        case vtMultiString:
            editor = std::make_unique<TfmMultyStringsEditor>(nullptr, &main);
            name = "dialog-multistring-value";
            break;
        case vtBinary:
            editor = std::make_unique<TfmHexValueEditror>(nullptr, &main);
            name = "dialog-binary-value";
            break;
        }
        if (!editor)
            continue;
        editor->LoadValue(value.get());
        editor->show();
        Save(*editor, dir, name);
        if (auto* hex = dynamic_cast<TfmHexValueEditror*>(editor.get())) {
            // The caret, a selection and a bookmark.
            editor->activateWindow();
            hex->Editor()->setFocus();
            hex->Editor()->SetCaret(9);
            hex->Editor()->SetSelStart(4);
            hex->Editor()->SetSelEnd(6);
            hex->Editor()->SetMarker(1, 1);
            Save(*editor, dir, "dialog-binary-value-selection");
        }
        editor->hide();
    }
}

// The build dialogs, shown for a project of their own so that the open
// project's builds stay as they are.
void SaveBuildDialogs(TfmMain& main, const QString& dir)
{
    std::string scratch = CreatePrivateTempDir("vi-shots-");
    {
        std::string textsPath = AppendPath(scratch, "Shots_res.dat");
        std::string texts;
        for (const char* language : {"Neutral", "English", "German", "French", "Spanish", "Dutch", "Italian"})
            texts += std::string("[") + language + "]\r\n1.String1=-\r\n\r\n";
        WriteFileAtomic(textsPath, ScrambleText(texts));
        TScrambeledMemIniFile textsFile(textsPath);
        TLanguageManager languages;
        languages.LoadLanguages(&textsFile);

        TPairList pairs;
        for (auto [platform, processor] : {std::pair{plPPC300, pStrongARM}, std::pair{plPPC300, pHitachiSH3},
                                           std::pair{plPPC300, pMIPSR4000}, std::pair{plHPC2000, pStrongARM},
                                           std::pair{plWM2003, pAll}, std::pair{plAll, pAll}})
            pairs.push_back(std::make_unique<TPlatformProcPair>(platform, processor));

        std::unique_ptr<TProject> sample = MakeFieldOrdersProject(AppendPath(scratch, "FieldOrders.vip"));
        TProject& project = *sample;
        AddFieldOrdersBuilds(project);

        TfmBuildMaker wizard(nullptr, &main);
        wizard.SetPairs(&pairs);
        wizard.SetLanguageManager(&languages);
        wizard.SetProject(&project);
        wizard.BuildList()->item(2)->setCheckState(Qt::Unchecked);
        wizard.show();
        Save(wizard, dir, "dialog-build-wizard");
        wizard.hide();

        TfmPairChoose choose(nullptr, &main);
        choose.SetPairs(&pairs);
        choose.SetBuilds(&project.Builds());
        choose.SetLanguageManager(&languages);
        choose.SetBuild(project.Builds().GetBuild(0));
        choose.CheckPair(1, true);
        choose.show();
        const char* pageNames[] = {"dialog-build-configuration", "dialog-build-configuration-languages",
                                   "dialog-build-configuration-setup"};
        for (int i = 0; i < 3; ++i) {
            choose.Pages()->setCurrentIndex(i);
            Save(choose, dir, pageNames[i]);
        }
        choose.hide();

        // The programs and the help page are missing; the data file is not.
        std::vector<TFile*> missing;
        for (TFile* file : project.Files().ToList())
            if (file->FileName() != "orders.sdf")
                missing.push_back(file);
        TfmMissingFiles missingFiles(&main);
        missingFiles.SetProject(&project);
        missingFiles.SetFiles(&missing);
        missingFiles.show();
        Save(missingFiles, dir, "dialog-missing-files");
        missingFiles.hide();
    }
    RemoveTree(scratch);
}

}

void TakeScreenshots(TfmMain& main, TfmSplash& splash, const std::string& dirName)
{
    QString dir = HostPathToQt(dirName);
    QDir().mkpath(dir);

    splash.show();
    Save(splash, dir, "splash");
    splash.hide();
    if (!main.isVisible())
        main.showMaximized();

    for (QAction* menu : main.menuBar()->actions())
        if (menu->menu() && menu->text() == QStringLiteral("&File"))
            SaveMenu(menu->menu(), dir, "menu-file");

    if (!main.Project()) {
        Save(main, dir, "main-no-project");
        return;
    }

    QTabWidget* tabs = main.findChild<QTabWidget*>(QStringLiteral("pcMain"));
    const char* tabNames[] = {"tab-general", "tab-files", "tab-shortcuts", "tab-setupdlls", "tab-registry",
                              "tab-languages"};
    for (int i = 0; i < tabs->count(); ++i) {
        tabs->setCurrentIndex(i);
        Save(main, dir, tabNames[i]);
    }
    tabs->setCurrentIndex(TfmMain::tsGeneral);
    for (QAction* menu : main.menuBar()->actions())
        if (menu->menu() && menu->text() == QStringLiteral("&Project"))
            SaveMenu(menu->menu(), dir, "menu-project");
    auto* folders = main.findChild<TfrmFolder*>(QStringLiteral("frmFolder"));
    folders->UpdateCommands();
    SaveMenu(folders->Menu(), dir, "menu-folder");

    TfmDestinationFolder destination(nullptr, &main);
    destination.SetPlatforms(PocketPlatforms);
    destination.SetProject(main.Project());
    destination.SelectInitialFolder(main.Project()->DefaultFolder());
    destination.show();
    Save(destination, dir, "dialog-destination-folder");
    destination.hide();

    TProject* project = main.Project();
    if (project->Files().Count() > 0) {
        TfmFileProperties file(nullptr, nullptr, &main);
        file.SetProject(project);
        file.SetFile(project->Files().Item(0));
        file.show();
        Save(file, dir, "dialog-file-properties");
        file.hide();
        TfmFileProperties explicitFile(nullptr, nullptr, &main);
        explicitFile.SetProject(project);
        explicitFile.SetFile(project->Files().Item(project->Files().Count() - 1));
        explicitFile.show();
        Save(explicitFile, dir, "dialog-file-properties-folder");
        explicitFile.hide();
    }
    if (project->Shortcuts().Count() > 0) {
        TfmShortcutProperties shortcut(nullptr, &main);
        shortcut.SetProject(project);
        shortcut.SetShortcut(project->Shortcuts().Item(0));
        shortcut.show();
        Save(shortcut, dir, "dialog-shortcut-properties");
        shortcut.hide();
    }
    if (project->SetupDlls().Count() > 0) {
        TfmSetupDllProperties dll(nullptr, nullptr, &main);
        dll.LoadDll(project->SetupDlls().Item(0));
        dll.show();
        Save(dll, dir, "dialog-setupdll-properties");
        dll.hide();
    }
    {
        // The wizard adds files only on Finish; the pictures stop before.
        TfmRuntimeWizard wizard(nullptr, &main);
        wizard.SetProject(project);
        wizard.show();
        Save(wizard, dir, "dialog-runtimes-wizard");
        wizard.btNextClick();
        Save(wizard, dir, "dialog-runtimes-wizard-processors");
        wizard.hide();
    }
    tabs->setCurrentIndex(TfmMain::tsFiles);
    if (auto* files = main.findChild<TfrmFiles*>()) {
        QTableView* view = files->List()->View();
        view->selectRow(1);
        files->List()->UpdateCommands();
        Save(main, dir, "tab-files-selected");
        SaveMenu(files->List()->findChild<QMenu*>(QStringLiteral("pmList")), dir, "menu-files-list");
    }
    SaveRegistryWindows(main, dir);
    tabs->setCurrentIndex(TfmMain::tsGeneral);

    TfmSetupImage image(nullptr, nullptr, &main);
    image.SetImage(main.Project()->SetupImage());
    image.show();
    Save(image, dir, "dialog-setup-image");
    image.hide();

    TfmProgress progress(&main);
    progress.show();
    progress.Report("Compressing MyApplication_PPC2003_ARM.CAB", 42);
    Save(progress, dir, "window-progress");
    progress.hide();

    SaveBuildDialogs(main, dir);

    TAboutBox about(VI_VERSION, &main);
    about.show();
    Save(about, dir, "dialog-about");
    about.hide();
}
