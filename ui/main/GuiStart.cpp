#include "ui/main/GuiStart.h"

#include "common/Platform.h"
#include "storage/Settings.h"
#include "ui/main/fmMain.h"
#include "ui/main/fmSplash.h"
#include "ui/parts/Pictures.h"
#include "ui/parts/QtFileDialogs.h"
#include "ui/parts/QtMessageService.h"
#include "ui/parts/QtText.h"

#include <QApplication>
#include <QTimer>

#include <string>
#include <vector>

int RunBuilderGui(int argc, char** argv, const std::function<void(QWidget& mainWindow)>& started)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Veltrin Installer"));
    QApplication::setApplicationDisplayName(QStringLiteral("Veltrin Installer"));
    QApplication::setApplicationVersion(QStringLiteral(VI_VERSION));
    // Ties the windows to the installed desktop entry (its icon and name in
    // docks and task switchers).
    QGuiApplication::setDesktopFileName(QStringLiteral("org.veltrin.Installer"));
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

    if (started)
        QTimer::singleShot(0, &main, [&main, &started] { started(main); });
    return app.exec();
}
