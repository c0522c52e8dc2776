// Test helper run by the self-extractor in place of a package's setup
// program. It records where it was started and what it found there into the
// file named by VI_SFX_RECORD, one "key=value" line each, and ends with exit
// code 7 so that a test can see the code come back through the stub.

#include "ProbeRecord.h"

int main()
{
    std::string recordPath = RecordPath("VI_SFX_RECORD");
    if (recordPath.empty())
        return 1;

    std::string text;
    char folder[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, folder);
    text += std::string("cwd=") + folder + "\r\n";
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    text += std::string("exe=") + self + "\r\n";
    text += FileLines("");
    return WriteRecord(recordPath, text) ? 7 : 1;
}
