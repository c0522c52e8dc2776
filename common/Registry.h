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
//   "Path"=expand:"%windir%\\WindowsMobile"
//
// Key names are matched without regard to letter case; a leading "\" of a
// key is ignored. Sections named "64:HKEY_..." hold the 64-bit view of a
// key (see TRegView); the others are the view a program sees by default.
//
// Texts (key names, values) are UTF-8. Expandable strings (REG_EXPAND_SZ,
// "expand:" in the store) come back with their %variables% expanded.

#include <cstdint>
#include <string>

enum class TRegRoot { ClassesRoot, CurrentUser, LocalMachine };

// A 32-bit program on 64-bit Windows sees a redirected copy of much of
// HKEY_LOCAL_MACHINE\Software by default (Wow6432Node); Registry64 reads the
// keys that 64-bit programs see (KEY_WOW64_64KEY), and is the default view
// on 32-bit Windows.
enum class TRegView { Default, Registry64 };

struct TRegistryValue {
    enum TKind { String, DWord, Binary } Kind = String;
    std::string Text; // String and Binary (the bytes as they stand)
    uint32_t Number = 0; // DWord

    // The value as text: a number in decimal.
    std::string AsText() const;
};

// True when the key exists and can be opened for reading.
bool RegistryKeyExists(TRegRoot root, const std::string& key, TRegView view = TRegView::Default);

// Reads a value ("" names the key's default value). Raises Exception with
// the system's message when the key cannot be opened or the value not read.
TRegistryValue ReadRegistryValue(TRegRoot root, const std::string& key, const std::string& name,
                                 TRegView view = TRegView::Default);

// Replaces each %NAME% by the environment variable's value; unknown names
// and a lone % stay as they are.
std::string ExpandEnvironmentText(const std::string& text);
