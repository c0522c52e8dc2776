#include "handover/Deskstart.h"

#include "common/DllSearch_win32.h"
#include "common/Platform.h"

#include <windows.h>

// A GUI-subsystem program without a window: nothing flashes on screen, and
// the only thing the user may see is the error box.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    RestrictDllSearchToSystem();
    return TDeskstart(GetProgramDir()).Run();
}
