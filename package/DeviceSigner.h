#pragma once

// Signatures for the device: the programs, setup DLLs and CAB files of a
// build, signed with the device certificate through osslsigncode (which
// signs PE files and cabinets alike). Windows Mobile 5.0 and later check
// them against the device's certificate stores.

#include "model/Platforms.h"
#include "package/PackageSigner.h"

#include <string>

class TDeviceSigner {
public:
    // The digest defaults to SHA-1, the one the device loaders verify.
    explicit TDeviceSigner(TSigningOptions options, TPackageSigner::TRunTool runner = TPackageSigner::TRunTool());

    // Raises Exception with one message naming the certificate file and why
    // it cannot sign: missing or unreadable, not PKCS#12, a wrong password,
    // no key or certificate inside, expired or not yet valid.
    void CheckCertificate() const;

    // Signs a program or DLL into output, a new file, and checks that the
    // copy carries a signature; on failure output does not exist.
    void SignProgram(const std::string& input, const std::string& output) const;

    // Signs a CAB file in place. The signed copy replaces it only when it
    // carries a signature, still reads as a cabinet and holds the same setup
    // file (.000); otherwise the CAB is left as it was.
    void SignCab(const std::string& cab) const;

private:
    TPackageSigner FSigner;
};

// True for a file that starts with the DOS header and the "PE\0\0" header it
// points at, whatever processor it is for.
bool IsPeFile(const std::string& path);

// True when the PE header's security directory names a certificate table.
bool HasPeSignature(const std::string& path);

// Whether the CAB file of a target is signed: not for a platform before
// Windows Mobile 5.0, whose loaders are reported to refuse signed CABs;
// "All Platforms" is signed, as the later devices ask for it.
bool SignsCabFor(TPlatform platform);
