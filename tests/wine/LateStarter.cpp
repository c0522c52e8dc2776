// Test helper run by the self-extractor in place of a setup program that
// takes long to show its window: a Windows (not console) program that
// touches no window or message for twelve seconds, so that it never becomes
// ready for input, and then ends with 7.

#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    Sleep(12000);
    return 7;
}
