#include "common/Stream.h"

#include "common/Exception.h"
#include "common/Platform.h"

#include <algorithm>
#include <cstring>

void TStream::ReadBuffer(void* buffer, size_t count)
{
    if (count == 0)
        return;
    if (Remaining() < count || Read(buffer, count) != count)
        throw Exception("Stream read error");
}

TMemoryStream::TMemoryStream(const void* data, size_t size)
    : FData(static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + size)
{
}

size_t TMemoryStream::Read(void* buffer, size_t count)
{
    if (FPosition >= FData.size())
        return 0;
    size_t n = static_cast<size_t>(std::min<uint64_t>(count, FData.size() - FPosition));
    if (n)
        std::memcpy(buffer, FData.data() + FPosition, n);
    FPosition += n;
    return n;
}

void TMemoryStream::Write(const void* buffer, size_t count)
{
    if (count == 0)
        return;
    uint64_t end = FPosition + count;
    if (end > FData.size())
        FData.resize(static_cast<size_t>(end));
    std::memcpy(FData.data() + FPosition, buffer, count);
    FPosition = end;
}

void TMemoryStream::Seek(uint64_t position)
{
    FPosition = position;
}

std::vector<uint8_t> TMemoryStream::TakeData()
{
    FPosition = 0;
    return std::move(FData);
}

void TMemoryStream::Clear()
{
    FData.clear();
    FPosition = 0;
}

void TMemoryStream::LoadFromFile(const std::string& path)
{
    FData = ReadFileBytes(path);
    FPosition = 0;
}

void TMemoryStream::SaveToFile(const std::string& path) const
{
    WriteFileAtomic(path, FData.data(), FData.size());
}
