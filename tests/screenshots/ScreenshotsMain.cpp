// Pictures of the builder's windows for the documentation and for review,
// started by scripts/screenshot under xvfb:
//
//   vi_screenshots OUTPUT_DIR [PROJECT.vip]
//
// The builder's files (Resources.dat, the manual) come from the folder named
// by VI_PROGRAM_DIR, else from this program's own folder. The main window is
// the builder's own; only the driver that opens every window lives here.

#include "Screenshots.h"

#include "common/Paths.h"
#include "common/Platform.h"
#include "storage/Settings.h"
#include "ui/main/fmMain.h"
#include "ui/main/fmSplash.h"
#include "ui/parts/Pictures.h"
#include "ui/parts/QtFileDialogs.h"
#include "ui/parts/QtMessageService.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: vi_screenshots OUTPUT_DIR [PROJECT.vip]\n");
        return 2;
    }
    QApplication::setApplicationName(QStringLiteral("Veltrin Installer"));
    QApplication::setApplicationDisplayName(QStringLiteral("Veltrin Installer"));
    QApplication::setWindowIcon(ProgramIcon());

    const char* programDir = std::getenv("VI_PROGRAM_DIR");
    std::string dir = programDir && *programDir ? IncludeTrailingPathDelimiter(programDir) : GetProgramDir();
    TQtMessageService messages;
    TQtFileDialogs dialogs;
    TfmMain main(&messages, &dialogs, std::make_unique<TSettings>(), dir);
    messages.SetParent(&main);
    dialogs.SetParent(&main);
    if (argc == 3)
        main.OpenStartProject(argv[2]);

    TfmSplash splash(&main);
    splash.findChild<QTimer*>(QStringLiteral("Timer1"))->stop();
    main.showMaximized();
    std::string outputDir = argv[1];
    QTimer::singleShot(0, &main, [&main, &splash, outputDir, dir] {
        TakeScreenshots(main, splash, outputDir, dir);
        QApplication::exit(0);
    });
    return app.exec();
}
