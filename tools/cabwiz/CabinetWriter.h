#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// A Microsoft Cabinet file in the shape the device installer expects: one
// cabinet, one folder, the members in the order added, every CFDATA block
// with its checksum. Data is stored uncompressed unless MSZIP is asked for.
class TCabinetWriter {
public:
    void SetCompressed(bool mszip) { FCompressed = mszip; }
    // One time (seconds since 1970, UTC) for every member, written as UTC
    // so the cabinet does not depend on the host's time zone; without it
    // each member keeps its own time, written as local time.
    void SetFixedTime(std::optional<int64_t> unixTime) { FFixedTime = unixTime; }
    // A member read from a host file when the cabinet is written; its date is
    // the file's modification time.
    void AddFile(const std::string& memberName, const std::string& sourcePath);
    // A member from memory with the given time (seconds since 1970, UTC).
    void AddData(const std::string& memberName, std::vector<uint8_t> data, int64_t unixTime);

    // Writes the cabinet beside the target and then puts it in place, so a
    // failure never leaves a partial CAB file under the final name. Fails
    // with Exception.
    void Write(const std::string& path) const;

private:
    struct TMember {
        std::string FName;
        std::string FSourcePath;
        std::vector<uint8_t> FData;
        int64_t FTime = 0;
    };
    std::vector<TMember> FMembers;
    bool FCompressed = false;
    std::optional<int64_t> FFixedTime;
};

// The modification time of a host file in seconds since 1970 (UTC), or 0.
int64_t FileModifiedTime(const std::string& path);
