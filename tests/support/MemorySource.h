#pragma once

#include "common/Exception.h"
#include "formats/SfxArchive.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

// Archive bytes held in memory, for the self-extractor's reader in tests.
class TMemorySource : public TSfxSource {
public:
    explicit TMemorySource(std::string data) : FData(std::move(data)) {}
    explicit TMemorySource(const std::vector<uint8_t>& data) : FData(data.begin(), data.end()) {}

    uint64_t Size() const override { return FData.size(); }
    void ReadAt(uint64_t offset, void* buffer, size_t count) const override
    {
        if (offset > FData.size() || count > FData.size() - offset)
            throw Exception("read past the end");
        if (count == 0)
            return; // buffer may be null then
        std::memcpy(buffer, FData.data() + offset, count);
    }

private:
    std::string FData;
};
