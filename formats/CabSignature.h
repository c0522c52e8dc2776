#pragma once

// The Authenticode signature of a CAB file: osslsigncode and the desktop
// signing tools add a reserve to the cabinet header whose bytes 4 to 11
// give the file offset and size of a DER PKCS#7 block behind the cabinet.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct TCabSignatureSpan {
    uint32_t Offset = 0;
    uint32_t Size = 0;
};

// The span the header reserve names, read from the first bytes of the file
// (60 are enough) and checked against its size; nothing for a cabinet
// without a reserve or whose reserve names no block inside the file.
std::optional<TCabSignatureSpan> FindCabSignature(const std::vector<uint8_t>& head, uint64_t fileSize);

// The subject of the certificate that made the signature ("CN=Firm, O=Firm"),
// from the DER PKCS#7 block. Raises Exception when the block is not a signed
// PKCS#7 structure or names no signer among its certificates.
std::string CabSignerSubject(const std::vector<uint8_t>& der);

// The signature of a CAB file on disk, or nothing; the subject is empty when
// the block cannot be read (the reason goes to problem).
struct TCabSignature {
    std::string Subject;
    std::string Problem;
};
std::optional<TCabSignature> ReadCabSignature(const std::string& path);
