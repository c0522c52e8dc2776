// The project file loader. A project that loads must save, and its save must
// load again and save to the same bytes: the builder decides whether a
// project changed by comparing saves.

#include "common/Exception.h"
#include "model/Project.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<uint8_t> first;
    try {
        TMemoryStream in(std::vector<uint8_t>(data, data + size));
        TProject project;
        project.LoadFromStream(in);
        TMemoryStream out;
        project.SaveToStream(out);
        first = out.Data();
    } catch (const Exception&) {
        return 0;
    }
    TMemoryStream again(first);
    TProject reloaded;
    reloaded.LoadFromStream(again); // a save the builder wrote must load
    TMemoryStream out;
    reloaded.SaveToStream(out);
    if (out.Data() != first)
        std::abort();
    return 0;
}
