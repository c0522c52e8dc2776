#pragma once

// What the Win32 test helpers record: "file=<name> <size>" lines for the
// files of a folder, and the record written to the file an environment
// variable names. Everything goes through the wide calls and is recorded in
// UTF-8, so that folders such as C:\users\Дима come out as they are.

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

inline std::string Utf8(const std::wstring& text)
{
    if (text.empty())
        return std::string();
    int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
    std::string result(size_t(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), result.data(), n, nullptr, nullptr);
    return result;
}

inline std::wstring Environment(const wchar_t* variable)
{
    wchar_t value[1024];
    DWORD n = GetEnvironmentVariableW(variable, value, 1024);
    return n == 0 || n >= 1024 ? std::wstring() : std::wstring(value, n);
}

// The record file's path from the variable; empty when it is not set.
inline std::wstring RecordPath(const wchar_t* variable)
{
    return Environment(variable);
}

// One "file=" line per file of the folder ("" is the current folder), sorted.
inline std::string FileLines(const std::wstring& folder)
{
    std::vector<std::string> files;
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((folder.empty() ? std::wstring(L"*") : folder + L"\\*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                files.push_back(Utf8(found.cFileName) + " " + std::to_string(found.nFileSizeLow));
        } while (FindNextFileW(find, &found));
        FindClose(find);
    }
    std::sort(files.begin(), files.end());
    std::string text;
    for (const std::string& f : files)
        text += "file=" + f + "\r\n";
    return text;
}

inline bool WriteRecord(const std::wstring& path, const std::string& text)
{
    HANDLE out = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    bool ok = WriteFile(out, text.data(), DWORD(text.size()), &written, nullptr) && written == text.size();
    CloseHandle(out);
    return ok;
}
