#pragma once

// A reader of Windows PE files, enough to judge a program without running
// it: the machine, the subsystem, what it imports and its resources. Every
// offset and length is checked before it is read; a broken file throws.

#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

class TPeError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct TPeImport {
    std::string Dll;
    std::vector<std::string> Functions; // by name; ordinals as "#<n>"
};

struct TPeResource {
    uint32_t Type = 0;
    uint32_t Id = 0; // 0 for a named resource
    std::vector<uint8_t> Data;
};

class TPeImage {
public:
    explicit TPeImage(std::vector<uint8_t> bytes);
    static TPeImage FromFile(const std::string& path);

    uint16_t Machine() const { return FMachine; }
    bool IsPe32Plus() const { return FMagic == 0x20b; }
    uint16_t Subsystem() const { return FSubsystem; }
    // The oldest Windows the program says it runs on (major, minor).
    std::pair<uint16_t, uint16_t> SubsystemVersion() const { return FSubsystemVersion; }
    uint16_t DllCharacteristics() const { return FDllCharacteristics; }
    const std::vector<TPeImport>& Imports() const { return FImports; }
    const std::vector<TPeResource>& Resources() const { return FResources; }
    // The first resource of that type and id, or null.
    const TPeResource* Resource(uint32_t type, uint32_t id) const;

private:
    struct TSection {
        uint32_t VirtualAddress, VirtualSize, RawOffset, RawSize;
    };
    uint32_t Offset(uint32_t rva, uint32_t length) const;
    uint16_t U16(uint32_t offset) const;
    uint32_t U32(uint32_t offset) const;
    uint64_t U64(uint32_t offset) const;
    std::string CString(uint32_t offset) const;
    void ReadImports(uint32_t rva, uint32_t size);
    void ReadResources(uint32_t rva, uint32_t size);

    std::vector<uint8_t> FBytes;
    std::vector<TSection> FSections;
    uint16_t FMachine = 0, FMagic = 0, FSubsystem = 0, FDllCharacteristics = 0;
    std::pair<uint16_t, uint16_t> FSubsystemVersion;
    std::vector<TPeImport> FImports;
    std::vector<TPeResource> FResources;
};

// The string table of a version resource (VS_VERSIONINFO): key to value, in
// UTF-8.
std::map<std::string, std::string> VersionStrings(const std::vector<uint8_t>& versionResource);

constexpr uint16_t kPeMachineI386 = 0x14c;
constexpr uint16_t kPeMachineAmd64 = 0x8664;
constexpr uint16_t kPeSubsystemGui = 2;
constexpr uint16_t kPeSubsystemConsole = 3;
constexpr uint16_t kPeTerminalServerAware = 0x8000;
constexpr uint32_t kPeResourceIconGroup = 14;
constexpr uint32_t kPeResourceVersion = 16;
constexpr uint32_t kPeResourceManifest = 24;
