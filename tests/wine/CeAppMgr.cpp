// Test helper standing in for the ActiveSync Application Manager. It writes
// its whole command line, how it was asked to show its window and the files
// in the folder of the .ini it was given (its last argument) to the file
// named by VI_APPMGR_RECORD:
//   cmdline=<command line>
//   startup=<STARTUPINFO dwFlags> <wShowWindow>
//   file=<name> <size>       one per file, sorted
// With VI_APPMGR_SLEEP=<seconds> it stays that long, and meanwhile asks the
// setup wizard's window (if there is one) every half second whether it
// answers; it then records
//   wizard=<answers> of <asks>
// It ends with exit code 0.

#include "ProbeRecord.h"

#include <shellapi.h>

#include <cwchar>

int main()
{
    std::wstring recordPath = RecordPath(L"VI_APPMGR_RECORD");
    if (recordPath.empty())
        return 1;

    std::string text = "cmdline=" + Utf8(GetCommandLineW()) + "\r\n";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    GetStartupInfoW(&startup);
    text += "startup=" + std::to_string(startup.dwFlags) + " " + std::to_string(startup.wShowWindow) + "\r\n";

    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argv && argc > 1) {
        std::wstring ini = argv[argc - 1];
        size_t slash = ini.find_last_of(L"\\/");
        text += FileLines(slash == std::wstring::npos ? std::wstring(L".") : ini.substr(0, slash));
    }
    if (argv)
        LocalFree(argv);

    std::wstring sleep = Environment(L"VI_APPMGR_SLEEP");
    if (!sleep.empty()) {
        int asks = 0, answers = 0;
        DWORD end = GetTickCount() + DWORD(std::wcstol(sleep.c_str(), nullptr, 10)) * 1000;
        while (GetTickCount() < end) {
            Sleep(500);
            if (HWND wizard = FindWindowW(L"VeltrinSetupWizard", nullptr)) {
                ++asks;
                DWORD_PTR result = 0;
                if (SendMessageTimeoutW(wizard, WM_NULL, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, 1000, &result))
                    ++answers;
            }
        }
        text += "wizard=" + std::to_string(answers) + " of " + std::to_string(asks) + "\r\n";
    }
    return WriteRecord(recordPath, text) ? 0 : 1;
}
