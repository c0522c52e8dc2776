#pragma once

// Reads a device CAB file: the Microsoft Cabinet container through libmspack
// (stored, MSZIP, LZX and Quantum folders, cabinet sets), the setup file
// (".000") it carries, and the members that carry the files it installs.
// Members are streamed: nothing holds more than one decompression block of
// a member unless the caller asks for the member in memory.

#include "formats/SetupFileReader.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

struct TCabMember {
    std::string FName; // as stored: "00000app.001", "BLACKJ~1.002", "_setup.xml"
    uint32_t FSize = 0;
    uint16_t FAttributes = 0;
    // The three-digit extension, the number the setup file gives the file
    // the member carries (0 the setup file, 999 the setup DLL); -1 for a
    // name without one ("_setup.xml").
    int FNumber = -1;
    int FCompression = 0; // 0 stored, 1 MSZIP, 2 Quantum, 3 LZX
};

// A file the setup file installs, with the member that carries it.
struct TCabFile {
    uint16_t FId = 0;
    const TSetupFile* FFile = nullptr;
    const TCabMember* FMember = nullptr;
};

// Receives a member's bytes in order, a block at a time.
using TCabSink = std::function<void(const uint8_t* data, size_t size)>;

class TCabReader {
public:
    // The largest setup file read: real ones hold a few KiB, and one member
    // is read into memory only up to this size.
    static constexpr uint32_t MaxSetupFileSize = 16 * 1024 * 1024;

    // Opens a CAB file and the cabinets that continue it (found in the same
    // folder) and lists the members. Fails with Exception naming the file
    // and what is wrong with it.
    explicit TCabReader(const std::string& path);
    // A CAB file held in memory; `name` stands for it in messages.
    TCabReader(std::vector<uint8_t> bytes, const std::string& name);
    ~TCabReader();
    TCabReader(const TCabReader&) = delete;
    TCabReader& operator=(const TCabReader&) = delete;

    // The file name messages use ("X.CAB").
    const std::string& Name() const;
    // Every member in the cabinet's order.
    const std::vector<TCabMember>& Members() const;
    // The member with this number, or null.
    const TCabMember* Member(int number) const;

    // The setup file, read on first use. Fails when the CAB has none, when it
    // is too large or damaged.
    const TSetupContents& Setup() const;
    // Every file of the setup file with its member (the member numbered with
    // the file's ID), in the setup file's order. Fails naming the first file
    // whose member is missing.
    std::vector<TCabFile> Files() const;
    // The setup DLL (member 999), or null.
    const TCabMember* SetupDll() const;
    // Members neither the setup file, the setup DLL nor a file of the setup
    // file names ("_setup.xml", the provisioning document some tools add).
    std::vector<const TCabMember*> OtherMembers() const;

    // A member's bytes, block by block. A sink may throw: the extraction
    // stops and the exception reaches the caller.
    void Extract(const TCabMember& member, const TCabSink& sink) const;
    // A member into a file of the host (created or truncated).
    void ExtractToFile(const TCabMember& member, const std::string& path) const;
    // A member in memory; fails when it is larger than `limit` bytes.
    std::vector<uint8_t> ExtractToMemory(const TCabMember& member, size_t limit) const;
    // Unpacks every member to nowhere, so that damaged data and checksums
    // show; fails on the first member that cannot be read.
    void Verify() const;

    struct TImpl;

private:
    std::unique_ptr<TImpl> FImpl;
};
