// The reader of Windows CE setup descriptions (".000"), in every encoding it
// accepts, and the lookups between its tables.

#include "common/Exception.h"
#include "formats/SetupFileReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    try {
        TSetupContents setup = ReadSetupContents(std::vector<uint8_t>(data, data + size), "fuzz.000");
        for (const TSetupLink& link : setup.FSetup.FLinks) {
            setup.LinkFolder(link);
            setup.LinkTarget(link);
        }
        for (const TSetupFile& file : setup.FSetup.FFiles)
            setup.DirectoryPath(file.FDirectoryId);
    } catch (const Exception&) {
    }
    return 0;
}
