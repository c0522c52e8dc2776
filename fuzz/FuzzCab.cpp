// The whole CAB reader: the cabinet container through libmspack, the setup
// file, the members it names, and every member unpacked.

#include "common/Exception.h"
#include "formats/CabReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    try {
        TCabReader cab(std::vector<uint8_t>(data, data + size), "fuzz.CAB");
        cab.Verify();
        const TSetupContents& setup = cab.Setup();
        cab.Files();
        cab.OtherMembers();
        for (const TSetupLink& link : setup.FSetup.FLinks) {
            setup.LinkFolder(link);
            setup.LinkTarget(link);
        }
    } catch (const Exception&) {
    }
    return 0;
}
