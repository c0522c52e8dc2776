// The self-extractor's ZIP reader, built natively from the stub's source:
// the directory, the name check and the extraction of every entry; and the
// lookup of the archive in a whole program file, certificate table and all.

#include "common/Exception.h"
#include "formats/SfxArchive.h"
#include "formats/SfxLayout.h"
#include "support/MemorySource.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    try {
        TMemorySource source(std::string(reinterpret_cast<const char*>(data), size));
        TSfxArchive archive(source);
        for (const TSfxEntry& entry : archive.Entries()) {
            TSfxArchive::IsSafeName(entry.Name);
            if (!entry.IsFolder)
                archive.Extract(entry, [](const uint8_t*, size_t) {});
        }
    } catch (const Exception&) {
    }
    try {
        TMemorySource file(std::string(reinterpret_cast<const char*>(data), size));
        const TSfxLayout layout = TSfxLayout::Read(file);
        // Read has checked that the archive lies inside the file.
        if (layout.ArchiveStart > size || layout.ArchiveSize > size - layout.ArchiveStart)
            __builtin_trap();
    } catch (const Exception&) {
    }
    return 0;
}
