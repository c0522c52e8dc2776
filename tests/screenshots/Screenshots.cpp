#include "Screenshots.h"

#include "examples/GermanTexts.h"
#include "common/Paths.h"
#include "common/Platform.h"
#include "model/Project.h"
#include "storage/LanguageManager.h"
#include "storage/Settings.h"
#include "storage/uScramble.h"
#include "support/SampleProject.h"
#include "ui/main/AboutBox.h"
#include "ui/main/EditorHooks.h"
#include "ui/parts/MessageService.h"
#include "ui/parts/QtText.h"
#include "ui/build/fmBuildMaker.h"
#include "ui/lists/fmDestinationFolder.h"
#include "ui/lists/fmFileProperties.h"
#include "hexedit/HexEditor.h"
#include "ui/registry/fmHexValueEditror.h"
#include "ui/main/fmMain.h"
#include "ui/build/fmMissingFiles.h"
#include "ui/build/fmPairChoose.h"
#include "ui/main/fmProgress.h"
#include "ui/wizard/fmRuntimeWizard.h"
#include "ui/lists/fmSetupDllProperties.h"
#include "ui/main/fmSetupImage.h"
#include "ui/main/fmSigning.h"
#include "ui/lists/fmShortcutProperties.h"
#include "ui/main/fmSplash.h"
#include "ui/wizard/fmWizard.h"
#include "ui/lists/frmFiles.h"
#include "ui/parts/frmFolder.h"
#include "ui/lists/frmList.h"
#include "ui/wizard/frmProjectInfo.h"
#include "ui/registry/frmRegKeys.h"
#include "ui/registry/frmRegistry.h"
#include "ui/registry/frmValues.h"
#include "ui/languages/frmContainter.h"
#include "ui/languages/frmMemoEditor.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QAbstractButton>
#include <QMenuBar>
#include <QTableView>
#include <QListWidget>
#include <QTableWidget>
#include <QTabWidget>
#include <QTextBrowser>
#include <QUrl>
#include <QTreeWidget>
#include <QComboBox>
#include <QRadioButton>
#include <QTextEdit>

#include <cctype>
#include <map>
#include <cstdio>
#include <cstdlib>

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
        if (value->IsDefault())
            continue;
        const std::map<uint32_t, const char*> names = {{vtString, "dialog-string-value"},
                                                       {vtDWord, "dialog-dword-value"},
                                                       {vtMultiString, "dialog-multistring-value"},
                                                       {vtBinary, "dialog-binary-value"}};
        std::unique_ptr<TfmValueEditor> editor = NewValueEditor(value->Type(), nullptr, &main);
        if (!editor || !names.count(value->Type()))
            continue;
        const char* name = names.at(value->Type());
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
        for (auto [platform, processor] :
             {std::pair{plPPC300, pStrongARM}, std::pair{plPPC300, pHitachiSH3}, std::pair{plPPC300, pMIPSR4000},
              std::pair{plHPC2000, pStrongARM}, std::pair{plWM2003, pAll}, std::pair{plAll, pAll}})
            pairs.push_back(std::make_unique<TPlatformProcPair>(platform, processor));

        std::unique_ptr<TProject> sample = MakeFieldOrdersProject(AppendPath(scratch, "FieldOrders.vip"));
        TProject& project = *sample;
        AddFieldOrdersBuilds(project);

        TfmBuildMaker wizard(nullptr, &main);
        wizard.SetPairs(&pairs);
        wizard.SetLanguageManager(&languages);
        wizard.SetProject(&project);
        wizard.findChild<QListWidget*>(QStringLiteral("lbBuilds"))->item(2)->setCheckState(Qt::Unchecked);
        wizard.show();
        Save(wizard, dir, "dialog-build-wizard");
        wizard.hide();

        TfmPairChoose choose(nullptr, &main);
        choose.SetPairs(&pairs);
        choose.SetBuilds(&project.Builds());
        choose.SetLanguageManager(&languages);
        choose.SetBuild(project.Builds().GetBuild(0));
        choose.findChild<QListWidget*>(QStringLiteral("lbPairs"))->item(1)->setCheckState(Qt::Checked);
        choose.show();
        const char* pageNames[] = {"dialog-build-configuration", "dialog-build-configuration-languages",
                                   "dialog-build-configuration-setup"};
        for (int i = 0; i < 3; ++i) {
            choose.findChild<QTabWidget*>(QStringLiteral("pcPages"))->setCurrentIndex(i);
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

// The Languages tab in two languages: the preview's three pages in
// "Neutral" and in German (added here when the project lacks it), and both
// text editors.
void SaveLanguageWindows(TfmMain& main, const QString& dir)
{
    auto* tabs = main.findChild<QTabWidget*>(QStringLiteral("pcMain"));
    tabs->setCurrentIndex(TfmMain::tsLanguages);
    auto* languages = main.findChild<QComboBox*>(QStringLiteral("cbLanguages"));
    auto* tree = main.findChild<QTreeWidget*>(QStringLiteral("TreeView1"));
    if (languages->findText(QStringLiteral("German")) < 0) {
        main.SetModalRunner([](QDialog& dialog) {
            auto* added = dialog.findChild<QComboBox*>(QStringLiteral("cbNewLanguage"));
            added->setCurrentIndex(added->findText(QStringLiteral("German")));
            return int(QDialog::Accepted);
        });
        main.RunCommand([&main] { main.btAddLanguageClick(); });
        main.SetModalRunner(nullptr);
        for (const auto& [key, text] : GermanWizardTexts)
            main.TextsFile()->WriteString("German", key, text);
    }
    auto node = [tree](const char* caption) {
        QList<QTreeWidgetItem*> found =
            tree->findItems(QString::fromLatin1(caption), Qt::MatchExactly | Qt::MatchRecursive);
        return found.isEmpty() ? nullptr : found.first();
    };
    const char* pages[] = {"Welcome Screen", "License Agreement Screen", "Finish Screen"};
    const char* pageNames[] = {"welcome", "licence", "finish"};
    for (const char* language : {"Neutral", "German"}) {
        languages->setCurrentIndex(languages->findText(QString::fromLatin1(language)));
        for (int i = 0; i < 3; ++i) {
            tree->setCurrentItem(node(pages[i]));
            std::string name = std::string("languages-preview-") + pageNames[i] + "-" + language;
            for (char& c : name)
                c = char(std::tolower(static_cast<unsigned char>(c)));
            Save(main, dir, name.c_str());
        }
    }
    tree->setCurrentItem(node("String 2"));
    Save(main, dir, "languages-string-editor");
    tree->setCurrentItem(node("License agreement"));
    if (auto* box = main.findChild<QTextEdit*>(QStringLiteral("RichEdit"))) {
        QTextCursor word = box->document()->find(QStringLiteral("Bitte"));
        if (word.isNull())
            word = box->document()->find(QStringLiteral("agreement"));
        box->setTextCursor(word);
        box->setFocus();
    }
    Save(main, dir, "languages-licence-editor");
    languages->setCurrentIndex(0);
    tabs->setCurrentIndex(TfmMain::tsGeneral);
}

// The six pages of the new-project wizard for a project that a new author
// is filling in. Opening the wizard makes the projects base folder in the
// home folder, which is a scratch folder here.
void SaveNewProjectWizard(TfmMain& main, const std::string& programDir, const QString& dir)
{
    std::string scratch = CreatePrivateTempDir("vi-shots-");
    std::string home = AppendPath(scratch, "home");
    ForceDirectories(home);
    const char* oldHome = std::getenv("HOME");
    std::string savedHome = oldHome ? oldHome : "";
    setenv("HOME", home.c_str(), 1);
    {
        TProject project("Northwind Traders");
        TFolder* app = project.AppFolder();
        TFolder* data = app->AddSubFolder(std::make_unique<TFolder>("Data", 0));
        struct TSample {
            const char* Dir;
            const char* Name;
            TProcessor Processor;
            TFolder* Folder;
        };
        for (const TSample& sample : {TSample{"C:\\Projects\\FieldOrders\\ARMV4\\", "orders.exe", pStrongARM, nullptr},
                                      TSample{"C:\\Projects\\FieldOrders\\Common\\", "readme.txt", pAll, nullptr},
                                      TSample{"C:\\Projects\\FieldOrders\\Data\\", "orders.sdf", pAll, data}}) {
            TFile* file =
                AddProjectFile(project, sample.Dir, sample.Name, TPlatforms{plPPC2K}, sample.Processor, sample.Folder);
            file->SetEmergencyFolder(project.Folders().Root());
        }
        AddProjectShortcut(project, "Field Orders", project.Files().Item(0),
                           project.Folders().FindStartMenuFolder()->GetSubFolder(0));
        TRegKey* hklm = project.RegKeys().Item(2);
        TRegKey* key = hklm->AddSubKey(std::make_unique<TRegKey>(false, "Field Orders", "Field Orders"));
        AddKeyValue(key, vtString, "Server")->SetStringData("orders.northwind.example");

        TfmWizard wizard(nullptr, nullptr, &main.Settings(), programDir, &main);
        wizard.SetProject(&project);
        wizard.findChild<QLineEdit*>(QStringLiteral("eAppName"))->setText(QStringLiteral("Field Orders"));
        wizard.show();
        const char* names[] = {"wizard-1-project",   "wizard-2-default-folder", "wizard-3-files",
                               "wizard-4-shortcuts", "wizard-5-setup-dlls",     "wizard-6-registry"};
        for (int page = 0; page < TfmWizard::PageCount; ++page) {
            if (page == TfmWizard::pgRegistry)
                if (auto* registry = wizard.findChild<TfrmRegistry*>())
                    registry->Keys()->SelectKey(key);
            Save(wizard, dir, names[page]);
            if (page + 1 < TfmWizard::PageCount)
                wizard.btNextClick();
        }
        wizard.hide();
    }
    if (oldHome)
        setenv("HOME", savedHome.c_str(), 1);
    else
        unsetenv("HOME");
    RemoveTree(scratch);
}

// The manual's page on a new project as a simple HTML viewer shows it, the
// whole page in one picture.
void SaveManualPage(const std::string& programDir, const QString& dir)
{
    std::string page = AppendPath(AppendPath(programDir, "manual"), "getting-started.html");
    if (!FileExists(page))
        return;
    QTextBrowser browser;
    browser.setWindowTitle(QStringLiteral("Getting started"));
    browser.setSource(QUrl::fromLocalFile(HostPathToQt(page)));
    browser.document()->setTextWidth(820);
    browser.resize(840, int(browser.document()->size().height()) + 20);
    browser.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    browser.show();
    Save(browser, dir, "manual-getting-started");
}

}

void TakeScreenshots(TfmMain& main, TfmSplash& splash, const std::string& dirName, const std::string& programDir)
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
        SaveNewProjectWizard(main, programDir, dir);
        SaveManualPage(programDir, dir);
        return;
    }

    QTabWidget* tabs = main.findChild<QTabWidget*>(QStringLiteral("pcMain"));
    const char* tabNames[] = {"tab-general",   "tab-files",    "tab-shortcuts",
                              "tab-setupdlls", "tab-registry", "tab-languages"};
    for (int i = 0; i < tabs->count(); ++i) {
        tabs->setCurrentIndex(i);
        Save(main, dir, tabNames[i]);
    }
    tabs->setCurrentIndex(TfmMain::tsGeneral);
    for (QAction* menu : main.menuBar()->actions())
        if (menu->menu() && menu->text() == QStringLiteral("&Project"))
            SaveMenu(menu->menu(), dir, "menu-project");
    // The Edit menu with a step to undo, which is then undone, so that the
    // pictures after it show the sample as it was.
    main.Project()->AppFolder()->AddSubFolder(std::make_unique<TFolder>("Data", 0));
    main.RecordChange();
    for (QAction* menu : main.menuBar()->actions())
        if (menu->menu() && menu->text() == QStringLiteral("&Edit"))
            SaveMenu(menu->menu(), dir, "menu-edit");
    main.Undo();
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
    SaveLanguageWindows(main, dir);
    tabs->setCurrentIndex(TfmMain::tsGeneral);

    TfmSetupImage image(nullptr, nullptr, &main);
    image.SetImage(main.Project()->SetupImage());
    image.show();
    Save(image, dir, "dialog-setup-image");
    image.hide();

    {
        // Settings of this run only: the driver's settings live in a scratch folder.
        TSettings settings;
        settings.WriteSetting("signpkcs12", "/home/author/keys/FieldOrders.p12");
        settings.WriteSetting("signtimestamp", "http://timestamp.example.com");
        settings.WriteSetting("devicesignpkcs12", "/home/author/keys/FieldOrders device.pfx");
        TfmSigning signing(nullptr, nullptr, &main);
        signing.SetFrom(settings, "secret", "secret");
        signing.show();
        Save(signing, dir, "dialog-signing");
        signing.hide();
    }

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
