#include "common/Platform.h"

#include "common/Exception.h"
#include "common/Paths.h"

#include <windows.h>

std::string GetTempDir()
{
    char buffer[261];
    DWORD n = GetTempPathA(sizeof(buffer), buffer);
    if (n == 0 || n >= sizeof(buffer))
        return std::string();
    return std::string(buffer, n);
}

std::string WinePrefixDir()
{
    return std::string();
}

std::string WineDrivePath(const std::string&)
{
    // Drive letters are the host's own here.
    return std::string();
}

std::string GetSystemDir()
{
    char buffer[261];
    UINT n = GetSystemDirectoryA(buffer, sizeof(buffer));
    if (n == 0 || n >= sizeof(buffer))
        return std::string();
    return std::string(buffer, n);
}

std::string GetProgramDir()
{
    char buffer[MAX_PATH + 1];
    DWORD n = GetModuleFileNameA(nullptr, buffer, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return std::string();
    return ExtractFilePath(std::string(buffer, n));
}

std::string SystemErrorMessage(int code)
{
    char* text = nullptr;
    DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                 FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<LPSTR>(&text), 0,
                             nullptr);
    std::string result = n && text ? std::string(text, n) : std::string();
    if (text)
        LocalFree(text);
    return result;
}

int LastSystemError()
{
    return static_cast<int>(GetLastError());
}

void ShowErrorBox(const std::string& caption, const std::string& text)
{
    MessageBoxA(nullptr, text.c_str(), caption.c_str(), MB_OK | MB_ICONERROR);
}

unsigned long CurrentProcessId()
{
    return GetCurrentProcessId();
}

void WriteFileAtomic(const std::string& path, const void* data, size_t size)
{
    std::string temp = path + ".~" + std::to_string(GetCurrentProcessId()) + ".tmp";
    HANDLE h = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        throw Exception("Cannot create file \"" + path + "\". " + SystemErrorMessage(GetLastError()));
    const char* p = static_cast<const char*>(data);
    size_t left = size;
    bool ok = true;
    while (ok && left > 0) {
        DWORD chunk = left > 0x10000000 ? 0x10000000 : static_cast<DWORD>(left);
        DWORD written = 0;
        ok = WriteFile(h, p, chunk, &written, nullptr) && written == chunk;
        p += written;
        left -= written;
    }
    ok = ok && FlushFileBuffers(h);
    DWORD err = ok ? 0 : GetLastError();
    CloseHandle(h);
    if (ok && !MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        ok = false;
        err = GetLastError();
    }
    if (!ok) {
        DeleteFileA(temp.c_str());
        throw Exception("Cannot write file \"" + path + "\". " + SystemErrorMessage(static_cast<int>(err)));
    }
}
