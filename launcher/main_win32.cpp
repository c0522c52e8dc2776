#include "handover/Deskstart.h"

#include "common/DllSearch_win32.h"
#include "common/Platform.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

// A GUI-subsystem program without a window: nothing flashes on screen, and
// the only thing the user may see is the error box.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    RestrictDllSearchToSystem();
    TDeskstart launcher(GetProgramDir());
#ifdef VI_TEST_SWITCHES
    // The Wine tests' switches: VI_SETUP_UNATTENDED sends the error box to
    // standard error, so a run ends without a person; the other reaches
    // the per-user copy although Wine lets them write the Application
    // Manager's folder.
    if (std::getenv("VI_SETUP_UNATTENDED"))
        launcher.SetErrorReporter([](const std::string& caption, const std::string& text) {
            std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
        });
    if (std::getenv("VI_HANDOVER_SKIP_APPMGR_FOLDER"))
        launcher.SkipAppManagerFolder();
#endif
    return launcher.Run();
}
