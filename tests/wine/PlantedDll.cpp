// A DLL an attacker might leave beside a package (built under several
// system DLL names): when a program loads it, it appends "loaded=<its path>"
// to the file VI_PLANTED_RECORD names, and refuses to load.

#include "ProbeRecord.h"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason != DLL_PROCESS_ATTACH)
        return TRUE;
    const std::wstring record = RecordPath(L"VI_PLANTED_RECORD");
    if (!record.empty()) {
        wchar_t path[MAX_PATH];
        DWORD n = GetModuleFileNameW(instance, path, MAX_PATH);
        std::string line = "loaded=" + Utf8(std::wstring(path, n)) + "\n";
        HANDLE file = CreateFileW(record.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            WriteFile(file, line.data(), DWORD(line.size()), &written, nullptr);
            CloseHandle(file);
        }
    }
    return FALSE;
}
