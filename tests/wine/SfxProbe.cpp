// Test helper run by the self-extractor in place of a package's setup
// program. It records where it was started and what it found there into the
// file named by VI_SFX_RECORD, one "key=value" line each, and ends with exit
// code 7 so that a test can see the code come back through the stub.

#include "ProbeRecord.h"

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
    text += FileLines(L"");
    return WriteRecord(recordPath, text) ? 7 : 1;
}
