// A program built the way shipped programs must not be: a console program
// that imports zlib1.dll and carries no resources. The program check must
// find each fault in it.
#include <zlib.h>

#include <cstdio>

int main()
{
    std::printf("%s\n", zlibVersion());
    return 0;
}
