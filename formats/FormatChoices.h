#pragma once

// Points of the Windows CE setup format that no two independent readers
// confirm. Each is decided here and only here, so that a test on a real
// device can flip one without hunting through the writer.

#include <cstdint>

namespace FormatChoices {

// A shortcut's path list in the LINKS section: with a terminating 0 counted
// in its length (as the classic format description says), or the IDs alone
// (as the catalogue reader of real cabinets expects; it crashes on the
// other form). Default: no terminator.
inline constexpr bool LinkListHasTerminator = false;

// Whether ".lnk" is appended to a shortcut name that lacks it. A doubled
// extension still gives a working shortcut; a missing one might not.
inline constexpr bool AppendLnkToShortcutNames = true;

// The DIRS table as two CABs of the vendor's tool show it: each
// [DestinationDirs] line that the CAB file installs something through gets
// an entry of its own, in the order of the lines and numbered from
// FirstDestinationLineId, even where two lines name one folder;
// DefaultDestDir, when the .inf has it, is DefaultDestDirId and written
// last, used or not. The header word at offset 16, "usually 1" in real
// files, stays 1 also when no entry has ID 1.
inline constexpr uint16_t DefaultDestDirId = 1;
inline constexpr uint16_t FirstDestinationLineId = 2;
inline constexpr uint32_t HeaderWord16 = 1;

// The FILES field after the directory ID: "usually equal to the file ID".
inline constexpr bool FilesUnknownIsFileId = true;

// The flag bit the device reads as "call the DLL's self-registration".
inline constexpr uint32_t SelfRegisterFlag = 0x10000000;

// Platform names in the UNSUPPORTED list: real files hold them upper-cased.
inline constexpr bool UpperCaseUnsupportedNames = true;

// Members after the .000: the setup DLL (.999), then the files from the
// highest number down.
inline constexpr bool MembersDescending = true;

// File attributes stored for every member (archive).
inline constexpr uint16_t MemberAttributes = 0x20;

} // namespace FormatChoices
