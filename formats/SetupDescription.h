#pragma once

// The Windows CE setup description, the ".000" member of a device CAB file
// that the device's installer reads. Directories carry the IDs they are
// written with (the CAB tool numbers them as the vendor's tool does, see
// docs/cabwiz.md); the other tables are numbered from 1 by position. File
// IDs are also the numbers of the cabinet members that carry the files.

#include <cstdint>
#include <string>
#include <vector>

struct TSetupDirectory {
    // The strings whose texts, joined with "\\", make the path. The CAB tool
    // writes the whole path as one string ("%CE1%\\Firm\\App"), as the
    // vendor's tool does; readers join either form alike.
    std::vector<std::string> FPath;
    // The ID the entry is written with; 0 gives its position + 1.
    uint16_t FId = 0;
};

struct TSetupFile {
    uint16_t FDirectoryId = 0;
    uint16_t FUnknown = 0; // the field after the directory ID
    uint32_t FFlags = 0;
    std::string FName;
};

struct TSetupHive {
    uint16_t FRoot = 0; // 1 HKCR, 2 HKCU, 3 HKLM, 4 HKU
    std::vector<std::string> FPath;
};

struct TSetupValue {
    uint16_t FHiveId = 0;
    bool FSubstitute = false;
    uint32_t FFlags = 0; // type bits 0x00010001 and the no-clobber bit 0x2
    std::string FName;
    std::vector<uint8_t> FData;
};

struct TSetupLink {
    uint16_t FDirectoryId = 0; // the DIRS entry of the shortcut's folder
    uint16_t FBase = 0; // 0 = %InstallDir%, 1..17 = %CE1%..%CE17%; 0 when FDirectoryId names the folder
    uint16_t FTarget = 0; // a file ID, or a directory ID (0 = %InstallDir%)
    bool FTargetIsFile = true;
    std::vector<std::string> FPath; // below the base; the last is the shortcut's name
};

class TSetupDescription {
public:
    std::string FAppName;
    std::string FProvider;
    std::vector<std::string> FUnsupported;
    uint32_t FProcessor = 0;
    uint32_t FVersionMinMajor = 0, FVersionMinMinor = 0;
    uint32_t FVersionMaxMajor = 0, FVersionMaxMinor = 0;
    uint32_t FBuildMin = 0, FBuildMax = 0;
    uint32_t FWord16 = 0;

    std::vector<TSetupDirectory> FDirectories;
    std::vector<TSetupFile> FFiles;
    std::vector<TSetupHive> FHives;
    std::vector<TSetupValue> FValues;
    std::vector<TSetupLink> FLinks;

    // The DIRS entry of this ID, or null.
    const TSetupDirectory* Directory(uint16_t id) const;

    // The bytes of the .000 file. Path components go into the STRINGS table,
    // numbered in order of first use (directories, hives, links), an
    // identical text sharing one ID. Fails with Exception when a table or a
    // length does not fit its field.
    std::vector<uint8_t> Write() const;
};
