// Test helper run by the self-extractor in place of a package's setup
// program. It records where it was started and what it found there into the
// file named by VI_SFX_RECORD, one "key=value" line each, and ends with exit
// code 7 so that a test can see the code come back through the stub.

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

int main()
{
    char recordPath[MAX_PATH];
    DWORD n = GetEnvironmentVariableA("VI_SFX_RECORD", recordPath, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return 1;

    std::string text;
    char folder[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, folder);
    text += std::string("cwd=") + folder + "\r\n";
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    text += std::string("exe=") + self + "\r\n";

    std::vector<std::string> files;
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA("*", &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                files.push_back(std::string(found.cFileName) + " " + std::to_string(found.nFileSizeLow));
        } while (FindNextFileA(find, &found));
        FindClose(find);
    }
    std::sort(files.begin(), files.end());
    for (const std::string& f : files)
        text += "file=" + f + "\r\n";

    HANDLE out = CreateFileA(recordPath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE)
        return 1;
    DWORD written = 0;
    WriteFile(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(out);
    return 7;
}
