// The whole CAB reader: the cabinet container through libmspack, the setup
// file, the members it names, every member unpacked, and the signature.

#include "common/Exception.h"
#include "formats/CabReader.h"
#include "formats/CabSignature.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The signature block the header reserve names, as veltrin-cabinfo reads it.
    const std::vector<uint8_t> bytes(data, data + size);
    if (const auto span = FindCabSignature(bytes, size)) {
        try {
            CabSignerSubject(
                std::vector<uint8_t>(bytes.begin() + span->Offset, bytes.begin() + span->Offset + span->Size));
        } catch (const Exception&) {
        }
    }
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
