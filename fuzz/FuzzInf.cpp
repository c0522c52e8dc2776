// The .inf reader of the CAB tool, from the raw bytes (any encoding it
// accepts) to the setup description of each label it names.

#include "common/Exception.h"
#include "tools/cabwiz/CabBuilder.h"
#include "formats/InfFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    try {
        TInfFile inf;
        inf.LoadFromText(TInfFile::DecodeText(std::string(reinterpret_cast<const char*>(data), size)));
        std::vector<std::string> labels = {""};
        if (const auto* device = inf.Section("CEDevice"))
            for (const TInfLine& line : *device)
                if (labels.size() < 4)
                    labels.push_back(line.FKey);
        for (const std::string& label : labels) {
            TCabBuilder builder(&inf, "/nonexistent-fuzz-dir", label);
            builder.Build();
        }
    } catch (const Exception&) {
    }
    return 0;
}
