#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A byte stream with a current position, the medium of the project file's
// value encoding and of the scrambled INI files.
class TStream {
public:
    virtual ~TStream() = default;

    // Reads up to count bytes at the position; returns how many were read.
    virtual size_t Read(void* buffer, size_t count) = 0;
    // Writes count bytes at the position, growing the stream as needed.
    virtual void Write(const void* buffer, size_t count) = 0;
    virtual uint64_t Position() const = 0;
    virtual void Seek(uint64_t position) = 0;
    virtual uint64_t Size() const = 0;

    uint64_t Remaining() const
    {
        uint64_t size = Size(), pos = Position();
        return pos < size ? size - pos : 0;
    }

    // Reads exactly count bytes or fails with "Stream read error".
    void ReadBuffer(void* buffer, size_t count);
    void WriteBuffer(const void* buffer, size_t count) { Write(buffer, count); }
};

// A stream over a byte vector in memory.
class TMemoryStream : public TStream {
public:
    TMemoryStream() = default;
    explicit TMemoryStream(std::vector<uint8_t> data) : FData(std::move(data)) {}
    TMemoryStream(const void* data, size_t size);

    size_t Read(void* buffer, size_t count) override;
    void Write(const void* buffer, size_t count) override;
    uint64_t Position() const override { return FPosition; }
    void Seek(uint64_t position) override;
    uint64_t Size() const override { return FData.size(); }

    const std::vector<uint8_t>& Data() const { return FData; }
    std::vector<uint8_t> TakeData();
    void Clear();

    // Loads the whole file and seeks to the start; fails with the system's message.
    void LoadFromFile(const std::string& path);
    // Writes the whole content to a file, replacing it atomically.
    void SaveToFile(const std::string& path) const;

private:
    std::vector<uint8_t> FData;
    uint64_t FPosition = 0;
};
