// Test helper for the wizard's keyboard test: waits for the setup wizard's
// window, brings it to the front and presses the keys its arguments name
// (enter, tab, up, down, escape, space; "wait" gives the wizard two seconds
// more), one every 600 ms, to the control that has the focus there. It
// prints which control got each key. Ends with 0 when it pressed them all, 1 when the
// window never came.

#include <windows.h>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    HWND wizard = nullptr;
    for (int i = 0; i < 200 && !wizard; ++i) {
        wizard = FindWindowW(L"VeltrinSetupWizard", nullptr);
        Sleep(100);
    }
    if (!wizard)
        return 1;
    Sleep(1000);
    const struct {
        const char* Name;
        WORD Key;
    } keys[] = {{"enter", VK_RETURN}, {"tab", VK_TAB},       {"up", VK_UP},
                {"down", VK_DOWN},    {"escape", VK_ESCAPE}, {"space", VK_SPACE}};
    for (int a = 1; a < argc; ++a) {
        if (std::strcmp(argv[a], "wait") == 0)
            Sleep(2000);
        for (const auto& k : keys) {
            if (std::strcmp(argv[a], k.Name) != 0)
                continue;
            // The key goes to the control that has the focus in the
            // wizard's thread, as the system would deliver it; a wizard that
            // lost the focus gets it in its window, which then ignores it.
            GUITHREADINFO thread{};
            thread.cbSize = sizeof(thread);
            GetGUIThreadInfo(GetWindowThreadProcessId(wizard, nullptr), &thread);
            HWND target = thread.hwndFocus ? thread.hwndFocus : wizard;
            wchar_t name[64] = L"";
            GetClassNameW(target, name, 64);
            std::printf("%s -> %ls %d\n", k.Name, name, GetDlgCtrlID(target));
            std::fflush(stdout);
            PostMessageW(target, WM_KEYDOWN, k.Key, 1);
            PostMessageW(target, WM_KEYUP, k.Key, LPARAM(0xC0000001));
        }
        Sleep(a + 1 < argc ? 600 : 0);
    }
    return 0;
}
