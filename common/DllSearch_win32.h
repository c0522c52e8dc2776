#pragma once

// Guards the Windows programs that ship in packages against DLL planting: a
// package runs from the user's Downloads folder, where a stray version.dll
// or riched20.dll would otherwise be found before the system's.

#include <windows.h>

#include <string>

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

// Call first in WinMain: later LoadLibrary calls, ours and those the system
// makes for us, search the system folder only (Windows 7 with KB2533623 and
// later); older systems at least drop the current folder from the search.
// Returns false on those older systems, where the program's own folder is
// still searched first.
inline bool RestrictDllSearchToSystem()
{
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    if (!kernel)
        return false;
    using TSetDefault = BOOL(WINAPI*)(DWORD);
    using TSetDirectory = BOOL(WINAPI*)(LPCWSTR);
    bool restricted = false;
    if (auto setDefault =
            reinterpret_cast<TSetDefault>(reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories"))))
        restricted = setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32) != FALSE;
    if (auto setDirectory =
            reinterpret_cast<TSetDirectory>(reinterpret_cast<void*>(GetProcAddress(kernel, "SetDllDirectoryW"))))
        setDirectory(L"");
    return restricted;
}

// Loads a system DLL by its full path in the system folder.
inline HMODULE LoadSystemLibrary(const wchar_t* name)
{
    wchar_t folder[MAX_PATH];
    UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return nullptr;
    std::wstring path(folder, length);
    path += L'\\';
    path += name;
    return LoadLibraryW(path.c_str());
}

// Where the search cannot be restricted, loads the DLLs that the system
// loads later by name for a window (themes, the desktop compositor) from the
// system folder first: once loaded, the name finds that copy and no other.
// A DLL this Windows lacks (dwmapi.dll on XP) is skipped.
inline void PreloadSystemLibraries(bool searchRestricted)
{
    if (searchRestricted)
        return;
    for (const wchar_t* name : {L"uxtheme.dll", L"dwmapi.dll", L"version.dll", L"msimg32.dll"})
        LoadSystemLibrary(name);
}
