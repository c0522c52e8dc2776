// Test helper for a second start of a running package:
//   ForegroundWatch.exe READY CLASS
// makes a window of its own the foreground one, creates the file READY and
// waits up to 30 s for a window of the class CLASS to become the
// foreground window. Ends with 0 when it did, 1 when its own window never
// got the foreground, 2 when the other one never came to the front.

#include <windows.h>

#include <string>

namespace {

void Pump()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

std::wstring Wide(const char* text)
{
    return std::wstring(text, text + std::char_traits<char>::length(text));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3)
        return 1;
    HWND own = CreateWindowExW(0, L"STATIC", L"Another program", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 300, 200,
                               nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    for (int i = 0; i < 100 && GetForegroundWindow() != own; ++i) {
        SetForegroundWindow(own);
        Pump();
        Sleep(50);
    }
    if (GetForegroundWindow() != own)
        return 1;
    HANDLE ready = CreateFileW(Wide(argv[1]).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    CloseHandle(ready);
    const std::wstring wanted = Wide(argv[2]);
    for (DWORD start = GetTickCount(); GetTickCount() - start < 30000; Sleep(50)) {
        Pump();
        wchar_t name[256] = {};
        if (HWND front = GetForegroundWindow(); front && GetClassNameW(front, name, 256) && wanted == name)
            return 0;
    }
    return 2;
}
