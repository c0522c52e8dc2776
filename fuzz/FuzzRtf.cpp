// The licence reader. It never fails; what it reads, the writer writes. The
// writer drops what a licence cannot hold (control characters, say), so the
// first text written may differ from its source, but from then on reading
// and writing must give the same text again.

#include "storage/RichText.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string first = WriteRtf(ReadRtf(std::string(reinterpret_cast<const char*>(data), size)));
    const std::string second = WriteRtf(ReadRtf(first));
    if (WriteRtf(ReadRtf(second)) != second)
        std::abort();
    return 0;
}
