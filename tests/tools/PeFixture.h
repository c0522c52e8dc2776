#pragma once

#include <cstdint>
#include <string>

// Program files shaped the way a signer leaves them, for the self-extractor's
// tests: a PE header whose security directory names a certificate table at
// the end of the file.

// The headers of a PE program and nothing else: DOS header, "PE\0\0", file
// header and an optional header (PE32, or PE32+ when wide) with 16 data
// directories, all empty.
std::string MinimalPeHeaders(bool wide);

// Where the security directory entry (file offset, size) lies in the
// program's headers; raises std::runtime_error for a file that is not PE.
size_t SecurityEntryOffset(const std::string& program);
// The program with its security directory entry set to offset and size.
std::string WithSecurityEntry(std::string program, uint32_t offset, uint32_t size);

// The program as a signer leaves it: zeros up to a multiple of eight bytes,
// then a certificate table of tableSize bytes (a WIN_CERTIFICATE header and
// filler), named by the security directory entry.
std::string WithCertificateTable(std::string program, uint32_t tableSize = 1496);
