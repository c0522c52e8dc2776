// Test helper for the self-extractor's progress window: waits up to 30 s
// for a window of the class its first argument names, lets the second
// argument's milliseconds pass, posts it WM_CLOSE and prints how many
// milliseconds passed until the window was gone:
//   closed after <ms>
// A window whose thread takes its posted messages goes at once; sent
// messages would not tell, since Wine's waits deliver those anyway. Ends
// with 0 when the window came, 1 when it never did.

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 3)
        return 1;
    const std::string name = argv[1];
    const std::wstring windowClass(name.begin(), name.end());
    HWND window = nullptr;
    for (int i = 0; i < 3000 && !window; ++i) {
        window = FindWindowW(windowClass.c_str(), nullptr);
        if (!window)
            Sleep(10);
    }
    if (!window)
        return 1;
    Sleep(DWORD(std::atoi(argv[2])));
    const DWORD posted = GetTickCount();
    PostMessageW(window, WM_CLOSE, 0, 0);
    while (IsWindow(window) && GetTickCount() - posted < 20000)
        Sleep(10);
    std::printf("closed after %lu\n", static_cast<unsigned long>(GetTickCount() - posted));
    return 0;
}
