// The JSON project reader. What imports must export, and the export must
// import to a project that exports the same text.

#include "common/Exception.h"
#include "model/ProjectJson.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string text;
    try {
        auto project = ProjectFromJson(std::string(reinterpret_cast<const char*>(data), size));
        text = ProjectToJson(*project);
    } catch (const Exception&) {
        return 0;
    }
    auto again = ProjectFromJson(text);
    if (ProjectToJson(*again) != text)
        std::abort();
    return 0;
}
