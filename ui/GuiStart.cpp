#include "ui/GuiStart.h"

#include "common/Platform.h"
#include "storage/Settings.h"
#include "ui/Pictures.h"
#include "ui/QtFileDialogs.h"
#include "ui/QtMessageService.h"
#include "ui/QtText.h"
#include "ui/Screenshots.h"
#include "ui/fmMain.h"
#include "ui/fmSplash.h"

#include <QApplication>
#include <QTimer>

#include <cstdlib>
#include <string>
#include <vector>

int RunBuilderGui(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Veltrin Installer"));
    QApplication::setApplicationDisplayName(QStringLiteral("Veltrin Installer"));
    QApplication::setApplicationVersion(QStringLiteral(VI_VERSION));
    QApplication::setWindowIcon(ProgramIcon());

    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.emplace_back(argv[i]);

    TQtMessageService messages;
    TQtFileDialogs dialogs;
    TfmMain main(&messages, &dialogs, std::make_unique<TSettings>(), GetProgramDir());
    messages.SetParent(&main);
    dialogs.SetParent(&main);
    // The project opens before the splash shows, so its prompts and errors
    // come first.
    if (!args.empty())
        main.OpenStartProject(args[0]);

    TfmSplash splash(&main);
    splash.show();
    for (const std::string& arg : args) {
        if (arg == "nosplash") {
            splash.hide();
            main.showMaximized();
        }
    }

    // Development aids: VI_SCREENSHOT_DIR writes pictures of every window
    // and ends; VI_QUIT_AFTER_START ends as soon as the main window shows
    // (start-up timing).
    if (const char* dir = std::getenv("VI_SCREENSHOT_DIR"); dir && *dir) {
        splash.Timer()->stop();
        QTimer::singleShot(0, &main, [&main, &splash, dir] {
            TakeScreenshots(main, splash, dir);
            QApplication::exit(0);
        });
    } else if (const char* quit = std::getenv("VI_QUIT_AFTER_START"); quit && *quit) {
        QTimer::singleShot(0, &main, [] { QApplication::exit(0); });
    }
    return app.exec();
}
