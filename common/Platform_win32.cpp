#include "common/Platform.h"

#include "common/Exception.h"
#include "common/Paths.h"
#include "common/Terminal.h"
#include "common/WinString.h"

#include <windows.h>
#include <shlobj.h>

// Paths and texts of this layer are UTF-8; every call here is the wide one,
// so that a folder such as C:\Users\Дима works whatever the system's ANSI
// code page is.

namespace {

// Calls fill(buffer, size) with a growing buffer until the text fits; fill
// returns the length written, or 0 on failure.
template <typename F>
std::wstring GrowingBuffer(F fill)
{
    std::wstring buffer(MAX_PATH + 1, L'\0');
    for (int i = 0; i < 8; ++i) {
        DWORD n = fill(buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0)
            return std::wstring();
        if (n < buffer.size()) {
            buffer.resize(n);
            return buffer;
        }
        buffer.resize(buffer.size() * 2 > n ? buffer.size() * 2 : n + 1);
    }
    return std::wstring();
}

}

std::filesystem::path FsPath(const std::string& path)
{
    return std::filesystem::path(WideFromUtf8(path));
}

std::string FromFsPath(const std::filesystem::path& path)
{
    return Utf8FromWide(path.native());
}

std::string GetTempDir()
{
    return Utf8FromWide(GrowingBuffer([](wchar_t* b, DWORD n) { return GetTempPathW(n, b); }));
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
    return Utf8FromWide(GrowingBuffer([](wchar_t* b, DWORD n) { return GetSystemDirectoryW(b, n); }));
}

std::string GetWindowsDir()
{
    return Utf8FromWide(GrowingBuffer([](wchar_t* b, DWORD n) { return GetSystemWindowsDirectoryW(b, n); }));
}

std::string GetLocalAppDataDir()
{
    wchar_t folder[MAX_PATH];
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr, 0, folder)))
        return std::string();
    return Utf8FromWide(folder);
}

std::string GetEnvironmentText(const std::string& name)
{
    std::wstring wideName = WideFromUtf8(name);
    return Utf8FromWide(
        GrowingBuffer([&](wchar_t* b, DWORD n) { return GetEnvironmentVariableW(wideName.c_str(), b, n); }));
}

std::string GetProgramDir()
{
    std::wstring path = GrowingBuffer([](wchar_t* b, DWORD n) {
        DWORD got = GetModuleFileNameW(nullptr, b, n);
        // A full buffer means the name was cut: ask again with a bigger one.
        return got >= n ? n : got;
    });
    return path.empty() ? std::string() : ExtractFilePath(Utf8FromWide(path));
}

std::string GetProjectsBaseDir(const std::string& programDir)
{
    return IncludeTrailingPathDelimiter(AppendPath(programDir, "My Projects"));
}

std::string SystemErrorMessage(int code)
{
    wchar_t* text = nullptr;
    DWORD n =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<LPWSTR>(&text), 0, nullptr);
    std::string result = n && text ? Utf8FromWide(std::wstring_view(text, n)) : std::string();
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
    MessageBoxW(nullptr, WideFromUtf8(text).c_str(), WideFromUtf8(caption).c_str(), MB_OK | MB_ICONERROR);
}

unsigned long CurrentProcessId()
{
    return GetCurrentProcessId();
}

bool ProcessIsRunning(unsigned long pid)
{
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
    if (!process)
        return GetLastError() == ERROR_ACCESS_DENIED;
    const bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
    return running;
}

void WritePrivateFile(const std::string& path, const std::string& data)
{
    HANDLE h = CreateFileW(WideFromUtf8(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_TEMPORARY,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE)
        throw Exception("Cannot create file \"" + path + "\". " + SystemErrorMessage(GetLastError()));
    DWORD written = 0;
    bool ok = WriteFile(h, data.data(), static_cast<DWORD>(data.size()), &written, nullptr) && written == data.size();
    DWORD err = ok ? 0 : GetLastError();
    CloseHandle(h);
    if (!ok) {
        DeleteFileW(WideFromUtf8(path).c_str());
        throw Exception("Cannot write file \"" + path + "\". " + SystemErrorMessage(static_cast<int>(err)));
    }
}

void WriteFileAtomic(const std::string& path, const void* data, size_t size)
{
    std::string temp = AtomicSaveTempName(path, CurrentProcessId());
    HANDLE h = CreateFileW(WideFromUtf8(temp).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
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
    if (ok && !MoveFileExW(WideFromUtf8(temp).c_str(), WideFromUtf8(path).c_str(),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        ok = false;
        err = GetLastError();
    }
    if (!ok) {
        DeleteFileW(WideFromUtf8(temp).c_str());
        throw Exception("Cannot write file \"" + path + "\". " + SystemErrorMessage(static_cast<int>(err)));
    }
    RemoveStaleSaveFiles(path);
}

void ReplaceFileWith(const std::string& target, const std::string& replacement)
{
    if (!MoveFileExW(WideFromUtf8(replacement).c_str(), WideFromUtf8(target).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        throw Exception("Cannot replace \"" + target + "\". " + SystemErrorMessage(static_cast<int>(GetLastError())));
}

std::string HostFileName(const std::string& ansiPath)
{
    // This layer takes UTF-8 paths and hands them on as UTF-16.
    return AnsiToUtf8(ansiPath);
}

bool StandardErrorIsTerminal()
{
    // A console is a character device; files and pipes are not.
    HANDLE handle = GetStdHandle(STD_ERROR_HANDLE);
    return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetFileType(handle) == FILE_TYPE_CHAR;
}

std::string FileReadProblem(const std::string& path)
{
    // Others may have the file open for writing: the build only reads it.
    HANDLE h =
        CreateFileW(WideFromUtf8(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return Trim(SystemErrorMessage(static_cast<int>(GetLastError())));
    char byte;
    DWORD got = 0;
    DWORD error = ReadFile(h, &byte, 1, &got, nullptr) ? 0 : GetLastError();
    CloseHandle(h);
    return error ? Trim(SystemErrorMessage(static_cast<int>(error))) : std::string();
}
