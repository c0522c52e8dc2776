// Test helper standing in for the ActiveSync Application Manager. It writes
// its whole command line and the files in the folder of the .ini it was
// given (its last argument) to the file named by VI_APPMGR_RECORD:
//   cmdline=<command line>
//   file=<name> <size>       one per file, sorted
// and ends with exit code 0.

#include "ProbeRecord.h"

int main(int argc, char** argv)
{
    std::string recordPath = RecordPath("VI_APPMGR_RECORD");
    if (recordPath.empty())
        return 1;

    std::string text = std::string("cmdline=") + GetCommandLineA() + "\r\n";
    if (argc > 1) {
        std::string ini = argv[argc - 1];
        size_t slash = ini.find_last_of("\\/");
        text += FileLines(slash == std::string::npos ? std::string(".") : ini.substr(0, slash));
    }
    return WriteRecord(recordPath, text) ? 0 : 1;
}
