#pragma once

#include <functional>
#include <string>
#include <vector>

// Called while a file is packed: its name and how much of it is done (0-100).
using TCompressProgress = std::function<void(const std::string& fileName, int percent)>;

// Packs a list of files into one ZIP archive. The build driver sets the
// files, the archive name and a progress callback and calls Execute.
class TCompressor {
public:
    TCompressor() = default;
    virtual ~TCompressor() = default;
    TCompressor(const TCompressor&) = delete;
    TCompressor& operator=(const TCompressor&) = delete;

    void SetArchiveName(const std::string& path) { FArchiveName = path; }
    // The paths are copied.
    void SetFiles(std::vector<std::string> files) { FFiles = std::move(files); }
    void SetProgress(TCompressProgress callback) { FOnProgress = std::move(callback); }

    const std::string& ArchiveName() const { return FArchiveName; }
    // What the last Execute left out or replaced, for the log; failures
    // are raised instead.
    const std::vector<std::string>& Messages() const { return FMessages; }

    // Writes the archive; raises Exception with the message on every failure.
    virtual void Execute() = 0;

protected:
    std::vector<std::string> FMessages;
    std::vector<std::string> FFiles;
    std::string FArchiveName;
    TCompressProgress FOnProgress;
};
