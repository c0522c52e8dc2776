// The reader of Windows CE setup descriptions (".000") that the tests use
// to check what the CAB tool wrote.

#include "common/Exception.h"
#include "formats/SetupFileReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    try {
        ReadSetupDescription(std::vector<uint8_t>(data, data + size));
    } catch (const Exception&) {
    }
    return 0;
}
