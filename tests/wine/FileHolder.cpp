// Test helper that plays a virus scanner holding a freshly written file:
//   FileHolder.exe READY FIRST FIRST_SIZE NAME
// It notes the VISFX folders already in the temporary folder, creates the
// file READY, waits for a new VISFX folder, and there creates NAME itself,
// shared with nobody, before the self-extractor gets to it. It lets go of
// NAME only once FIRST, the entry unpacked in front of it, has all its
// FIRST_SIZE bytes and 600 ms more have passed: the self-extractor was then
// trying to open NAME meanwhile. Ends with 0 when it held the file so, 1
// when no folder came, 2 when the self-extractor was first, 3 when FIRST
// never got whole.

#include <windows.h>

#include <cstdlib>
#include <set>
#include <string>

namespace {

std::set<std::wstring> Folders(const std::wstring& temp)
{
    std::set<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((temp + L"VISFX*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do
        names.insert(found.cFileName);
    while (FindNextFileW(find, &found));
    FindClose(find);
    return names;
}

std::wstring Wide(const char* text)
{
    return std::wstring(text, text + std::char_traits<char>::length(text));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 5)
        return 1;
    wchar_t buffer[MAX_PATH + 1];
    std::wstring temp(buffer, GetTempPathW(MAX_PATH + 1, buffer));
    const std::set<std::wstring> before = Folders(temp);
    HANDLE ready = CreateFileW(Wide(argv[1]).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    CloseHandle(ready);

    std::wstring folder;
    for (DWORD start = GetTickCount(); folder.empty() && GetTickCount() - start < 30000;) {
        for (const std::wstring& name : Folders(temp))
            if (!before.count(name))
                folder = temp + name + L"\\";
        if (folder.empty())
            Sleep(1);
    }
    if (folder.empty())
        return 1;
    HANDLE held = CreateFileW((folder + Wide(argv[4])).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    if (held == INVALID_HANDLE_VALUE)
        return 2;
    const std::wstring first = folder + Wide(argv[2]);
    const long long size = std::atoll(argv[3]);
    bool whole = false;
    WIN32_FILE_ATTRIBUTE_DATA data{};
    for (DWORD start = GetTickCount(); !whole && GetTickCount() - start < 20000; Sleep(5))
        whole = GetFileAttributesExW(first.c_str(), GetFileExInfoStandard, &data) &&
                (static_cast<long long>(data.nFileSizeHigh) << 32 | data.nFileSizeLow) == size;
    Sleep(600);
    CloseHandle(held);
    return whole ? 0 : 3;
}
