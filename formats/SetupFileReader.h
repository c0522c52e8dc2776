#pragma once

#include "formats/SetupDescription.h"

#include <cstdint>
#include <string>
#include <vector>

// A Windows CE setup description (".000") as read from a CAB file, in any of
// the encodings found in CAB files: ours and the older command-line tool's
// (whole paths as one string, texts unpadded), and the one of the IDE's
// smart-device CAB projects (paths as lists of components, texts and names
// NUL-padded to 4 bytes, one text under several string IDs, directories
// numbered from 2 and listed out of order). Every entry keeps the ID the file
// gives it; FSetup holds the entries in file order.
struct TSetupContents {
    TSetupDescription FSetup;
    // The ID of each entry of FSetup's tables, by position.
    std::vector<uint16_t> FDirectoryIds, FFileIds, FHiveIds, FValueIds, FLinkIds;
    // Texts were padded with NULs beyond their terminator.
    bool FPadded = false;

    // The entry with this ID; null when the file has none.
    const TSetupDirectory* Directory(uint16_t id) const;
    const TSetupFile* File(uint16_t id) const;
    const TSetupHive* Hive(uint16_t id) const;
    // A directory's components joined with "\" ("%CE1%\Firm\App"); empty
    // for an unknown ID.
    std::string DirectoryPath(uint16_t id) const;
    // The folder a shortcut is made in: its directory's path, or the base
    // macro ("%CE11%", "%InstallDir%" for base 0) when it names no directory.
    std::string LinkFolder(const TSetupLink& link) const;
    // Where a shortcut points: the file's directory path and name, or a
    // directory's path ("%InstallDir%" for directory 0).
    std::string LinkTarget(const TSetupLink& link) const;
};

// Reads a setup description. `name` names the file in messages ("X.000").
// Every count, offset and length is checked against the data before use; a
// damaged file fails with an Exception that names the part that is broken,
// never reads outside the bytes.
TSetupContents ReadSetupContents(const std::vector<uint8_t>& data, const std::string& name = "the setup file");

// The same, for files whose file table is numbered 1, 2, ... in order (what
// the CAB tool writes): fails when a file ID is out of order, since
// TSetupDescription numbers files by position. Directories carry their own
// IDs and may come in any order.
TSetupDescription ReadSetupDescription(const std::vector<uint8_t>& data);
