#include "ui/Screenshots.h"

#include "model/Project.h"
#include "ui/AboutBox.h"
#include "ui/MessageService.h"
#include "ui/QtText.h"
#include "ui/fmDestinationFolder.h"
#include "ui/fmMain.h"
#include "ui/fmProgress.h"
#include "ui/fmSetupImage.h"
#include "ui/fmSplash.h"
#include "ui/frmFolder.h"

#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QMenuBar>
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

    const char* tabNames[] = {"tab-general", "tab-files", "tab-shortcuts", "tab-setupdlls", "tab-registry",
                              "tab-languages"};
    for (int i = 0; i < main.Tabs()->count(); ++i) {
        main.Tabs()->setCurrentIndex(i);
        Save(main, dir, tabNames[i]);
    }
    main.Tabs()->setCurrentIndex(TfmMain::tsGeneral);
    for (QAction* menu : main.menuBar()->actions())
        if (menu->menu() && menu->text() == QStringLiteral("&Project"))
            SaveMenu(menu->menu(), dir, "menu-project");
    main.FolderFrame()->UpdateCommands();
    SaveMenu(main.FolderFrame()->Menu(), dir, "menu-folder");

    TfmDestinationFolder destination(nullptr, &main);
    destination.SetPlatforms(PocketPlatforms);
    destination.SetProject(main.Project());
    destination.SelectInitialFolder(main.Project()->DefaultFolder());
    destination.show();
    Save(destination, dir, "dialog-destination-folder");
    destination.hide();

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

    TAboutBox about(VI_VERSION, &main);
    about.show();
    Save(about, dir, "dialog-about");
    about.hide();
}
