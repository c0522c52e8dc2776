// Test helper run by the self-extractor in place of a package's setup
// program. It records where it was started and what it found there into the
// file named by VI_SFX_RECORD, one "key=value" line each, and ends with exit
// code 7 so that a test can see the code come back through the stub:
//   cwd=<folder>   exe=<its own path>   file=<name> <size> (one per file)
//   dacl=<the folder's access list in SDDL>
// The stub removes its folder when the probe ends: with VI_SFX_KEEP=<folder>
// the probe copies the files there first, for tests that read them.

#include "ProbeRecord.h"

#include <sddl.h>

namespace {

std::string FolderDacl(const wchar_t* folder)
{
    DWORD size = 0;
    GetFileSecurityW(folder, DACL_SECURITY_INFORMATION, nullptr, 0, &size);
    std::vector<BYTE> descriptor(size ? size : 1);
    wchar_t* text = nullptr;
    if (!GetFileSecurityW(folder, DACL_SECURITY_INFORMATION, descriptor.data(), size, &size) ||
        !ConvertSecurityDescriptorToStringSecurityDescriptorW(descriptor.data(), SDDL_REVISION_1,
                                                              DACL_SECURITY_INFORMATION, &text, nullptr))
        return "unreadable " + std::to_string(GetLastError());
    std::string result = Utf8(text);
    LocalFree(text);
    return result;
}

void KeepFiles(const std::wstring& target)
{
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW(L"*", &found);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            CopyFileW(found.cFileName, (target + L"\\" + found.cFileName).c_str(), FALSE);
    } while (FindNextFileW(find, &found));
    FindClose(find);
}

} // namespace

int main()
{
    std::wstring recordPath = RecordPath(L"VI_SFX_RECORD");
    if (recordPath.empty())
        return 1;

    std::string text;
    wchar_t folder[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, folder);
    text += "cwd=" + Utf8(folder) + "\r\n";
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    text += "exe=" + Utf8(self) + "\r\n";
    text += "dacl=" + FolderDacl(folder) + "\r\n";
    text += FileLines(L"");
    std::wstring keep = Environment(L"VI_SFX_KEEP");
    if (!keep.empty())
        KeepFiles(keep);
    return WriteRecord(recordPath, text) ? 7 : 1;
}
