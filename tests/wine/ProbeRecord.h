#pragma once

// What the Win32 test helpers record: "file=<name> <size>" lines for the
// files of a folder, and the record written to the file an environment
// variable names.

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

// The record file's path from the variable; empty when it is not set.
inline std::string RecordPath(const char* variable)
{
    char path[MAX_PATH];
    DWORD n = GetEnvironmentVariableA(variable, path, MAX_PATH);
    return n == 0 || n >= MAX_PATH ? std::string() : std::string(path, n);
}

// One "file=" line per file of the folder ("" is the current folder), sorted.
inline std::string FileLines(const std::string& folder)
{
    std::vector<std::string> files;
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((folder.empty() ? std::string("*") : folder + "\\*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                files.push_back(std::string(found.cFileName) + " " + std::to_string(found.nFileSizeLow));
        } while (FindNextFileA(find, &found));
        FindClose(find);
    }
    std::sort(files.begin(), files.end());
    std::string text;
    for (const std::string& f : files)
        text += "file=" + f + "\r\n";
    return text;
}

inline bool WriteRecord(const std::string& path, const std::string& text)
{
    HANDLE out = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    bool ok = WriteFile(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) && written == text.size();
    CloseHandle(out);
    return ok;
}
