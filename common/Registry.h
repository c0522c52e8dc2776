#pragma once

// Read-only access to the Windows registry. On Windows these are the
// registry calls; on other hosts a small file-backed store stands in for the
// registry, so that the programs that read it can be tested natively. The
// store is the text file named by the environment variable VI_REGISTRY_FILE,
// in the layout of a .reg export:
//
//   [HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion]
//   "ProgramFilesdir"="/opt/pf"
//   @="default value"
//   "Count"=dword:0000001f
//   "Bytes"=hex:01,02,ff
//
// Key names are matched without regard to letter case; a leading "\" of a
// key is ignored.

#include <cstdint>
#include <string>

enum class TRegRoot { ClassesRoot, CurrentUser, LocalMachine };

struct TRegistryValue {
    enum TKind { String, DWord, Binary } Kind = String;
    std::string Text;    // String and Binary (the bytes as they stand)
    uint32_t Number = 0; // DWord

    // The value as text: a number in decimal.
    std::string AsText() const;
};

// True when the key exists and can be opened for reading.
bool RegistryKeyExists(TRegRoot root, const std::string& key);

// Reads a value ("" names the key's default value). Raises Exception with
// the system's message when the key cannot be opened or the value not read.
TRegistryValue ReadRegistryValue(TRegRoot root, const std::string& key, const std::string& name);
