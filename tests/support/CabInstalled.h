#pragma once

// What a device CAB installs, read through the CAB reader, as text that
// two CABs can be compared by whatever their member names, table IDs and
// the order of their records. Device folders are shown as veltrin-cabinfo
// shows them ("%CE1%\App" and "\Program Files\App" are one folder).

#include <cstdint>
#include <string>
#include <vector>

struct TInstalled {
    // Processor, version and build limits, unsupported platforms.
    std::string FDevice;
    // One line per file (device path, flags, content), registry value,
    // shortcut and setup DLL, sorted.
    std::string FThings;
    uint32_t FProcessor = 0;
};

TInstalled ReadInstalled(const std::string& cabPath);
TInstalled ReadInstalled(std::vector<uint8_t> cab, const std::string& name);
