// Test helper standing in for the ActiveSync Application Manager. It writes
// its whole command line and the files in the folder of the .ini it was
// given (its last argument) to the file named by VI_APPMGR_RECORD:
//   cmdline=<command line>
//   file=<name> <size>       one per file, sorted
// and ends with exit code 0.

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    char recordPath[MAX_PATH];
    DWORD n = GetEnvironmentVariableA("VI_APPMGR_RECORD", recordPath, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return 1;

    std::string text = std::string("cmdline=") + GetCommandLineA() + "\r\n";
    if (argc > 1) {
        std::string ini = argv[argc - 1];
        size_t slash = ini.find_last_of("\\/");
        std::string folder = slash == std::string::npos ? std::string(".") : ini.substr(0, slash);
        std::vector<std::string> files;
        WIN32_FIND_DATAA found;
        HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &found);
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
    }

    HANDLE out = CreateFileA(recordPath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE)
        return 1;
    DWORD written = 0;
    WriteFile(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(out);
    return 0;
}
