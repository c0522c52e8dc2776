// A program built the way shipped programs must not be: a console program
// that imports zlib1.dll and a function Windows XP lacks, and carries no
// resources. The program check must find each fault in it.
#undef _WIN32_WINNT
#define _WIN32_WINNT 0x0600
#include <windows.h>
#include <zlib.h>

#include <cstdio>

int main()
{
    std::printf("%s\n", zlibVersion());
    return CancelSynchronousIo(GetCurrentThread()) ? 0 : 1;
}
