#pragma once

// The archive reader's source over a file stream the caller has opened:
// makesfx checks its input through it, and the builder reads a signed
// package back through it. The stub itself reads through Win32 handles.

#include "formats/SfxArchive.h"

#include "common/Exception.h"

#include <fstream>
#include <string>

class TSfxStreamSource : public TSfxSource {
public:
    // readError is raised for a read outside the file or one that falls short.
    TSfxStreamSource(std::ifstream file, uint64_t size, std::string readError)
        : FFile(std::move(file)), FSize(size), FReadError(std::move(readError))
    {
    }

    uint64_t Size() const override { return FSize; }
    void ReadAt(uint64_t offset, void* buffer, size_t count) const override
    {
        if (offset > FSize || count > FSize - offset)
            throw Exception(FReadError);
        FFile.clear();
        FFile.seekg(static_cast<std::streamoff>(offset));
        FFile.read(static_cast<char*>(buffer), static_cast<std::streamsize>(count));
        if (!FFile || static_cast<size_t>(FFile.gcount()) != count)
            throw Exception(FReadError);
    }

private:
    mutable std::ifstream FFile;
    uint64_t FSize;
    std::string FReadError;
};
