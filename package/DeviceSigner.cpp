#include "package/DeviceSigner.h"

#include "formats/CabReader.h"
#include "formats/CabSignature.h"
#include "formats/SfxLayout.h"
#include "formats/SfxStreamSource.h"

#include "common/Exception.h"
#include "common/Paths.h"
#include "common/Platform.h"

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/pkcs12.h>
#include <openssl/x509.h>

#include <fstream>
#include <memory>

namespace {

// Removes a half-made file unless the step that writes it completes.
class TRemoveUnlessKept {
public:
    explicit TRemoveUnlessKept(std::string path) : FPath(std::move(path)) {}
    ~TRemoveUnlessKept()
    {
        if (!FKept)
            DeleteFileIfExists(FPath);
    }
    void Keep() { FKept = true; }

private:
    std::string FPath;
    bool FKept = false;
};

template <typename T, void (*Free)(T*)>
struct TFreeWith {
    void operator()(T* p) const { Free(p); }
};
using TPkcs12Ptr = std::unique_ptr<PKCS12, TFreeWith<PKCS12, PKCS12_free>>;
using TKeyPtr = std::unique_ptr<EVP_PKEY, TFreeWith<EVP_PKEY, EVP_PKEY_free>>;
using TCertPtr = std::unique_ptr<X509, TFreeWith<X509, X509_free>>;

void FreeCertStack(STACK_OF(X509) * certs)
{
    sk_X509_pop_free(certs, X509_free);
}

std::vector<uint8_t> SetupFileOf(const TCabReader& cab)
{
    const TCabMember* setup = cab.Member(0);
    if (!setup)
        throw Exception(cab.Name() + " holds no setup file.");
    return cab.ExtractToMemory(*setup, TCabReader::MaxSetupFileSize);
}

} // namespace

TDeviceSigner::TDeviceSigner(TSigningOptions options, TPackageSigner::TRunTool runner)
    : FSigner(
          [&options] {
              if (options.Digest.empty())
                  options.Digest = "sha1";
              return std::move(options);
          }(),
          std::move(runner))
{
}

void TDeviceSigner::CheckCertificate() const
{
    const TSigningOptions& options = FSigner.Options();
    const std::string name = "The device certificate \"" + options.Pkcs12 + "\"";
    if (std::string problem = FileReadProblem(options.Pkcs12); !problem.empty())
        throw Exception(name + " cannot be read. " + problem);
    const std::vector<uint8_t> bytes = ReadFileBytes(options.Pkcs12);
    const unsigned char* p = bytes.data();
    TPkcs12Ptr p12(d2i_PKCS12(nullptr, &p, long(bytes.size())));
    ERR_clear_error();
    if (!p12)
        throw Exception(name + " is not a PKCS#12 file.");
    const char* password = options.Password.c_str();
    // A file without a password may be locked with none or with the empty one.
    if (options.Password.empty() && PKCS12_verify_mac(p12.get(), nullptr, 0))
        password = nullptr;
    else if (!PKCS12_verify_mac(p12.get(), password, int(options.Password.size())))
        throw Exception(name + " does not open with the password given.");
    EVP_PKEY* key = nullptr;
    X509* cert = nullptr;
    STACK_OF(X509)* chain = nullptr;
    const bool parsed = PKCS12_parse(p12.get(), password, &key, &cert, &chain);
    ERR_clear_error();
    TKeyPtr keyOwner(key);
    TCertPtr certOwner(cert);
    FreeCertStack(chain);
    if (!parsed || !key || !cert)
        throw Exception(name + " holds no private key with its certificate.");
    if (X509_cmp_current_time(X509_get0_notAfter(cert)) < 0)
        throw Exception(name + " has expired.");
    if (X509_cmp_current_time(X509_get0_notBefore(cert)) > 0)
        throw Exception(name + " is not valid yet.");
}

void TDeviceSigner::SignProgram(const std::string& input, const std::string& output) const
{
    TRemoveUnlessKept result(output);
    DeleteFileIfExists(output);
    FSigner.SignTo(input, output, std::string(), input);
    if (!HasPeSignature(output))
        throw Exception(FSigner.Options().Tool + " wrote no signature into " + input + ".");
    result.Keep();
}

void TDeviceSigner::SignCab(const std::string& cab) const
{
    const std::string signedCab = cab + ".signed";
    TRemoveUnlessKept scratch(signedCab);
    DeleteFileIfExists(signedCab);
    const std::vector<uint8_t> setupBefore = SetupFileOf(TCabReader(cab));
    FSigner.SignTo(cab, signedCab, std::string(), cab);
    const std::optional<TCabSignature> signature = ReadCabSignature(signedCab);
    if (!signature || !signature->Problem.empty())
        throw Exception(FSigner.Options().Tool + " wrote no readable signature into " + cab + ".");
    try {
        TCabReader reader(signedCab);
        reader.Verify();
        if (SetupFileOf(reader) != setupBefore)
            throw Exception("its setup file changed");
    } catch (const Exception& e) {
        throw Exception("The signed copy of " + cab + " does not read as the CAB file did: " + e.Message());
    }
    ReplaceFileWith(cab, signedCab);
    scratch.Keep();
}

bool HasPeSignature(const std::string& path)
{
    std::ifstream file(FsPath(path), std::ios::binary);
    const int64_t size = FileSize(path);
    if (!file || size < 0)
        return false;
    TSfxStreamSource source(std::move(file), uint64_t(size), "The signed file cannot be read.");
    return TSfxLayout::PayloadEnd(source) < source.Size();
}

bool IsPeFile(const std::string& path)
{
    std::ifstream file(FsPath(path), std::ios::binary);
    unsigned char dos[64] = {};
    if (!file.read(reinterpret_cast<char*>(dos), sizeof dos) || dos[0] != 'M' || dos[1] != 'Z')
        return false;
    const uint32_t at = dos[60] | dos[61] << 8 | dos[62] << 16 | uint32_t(dos[63]) << 24;
    char pe[4] = {};
    file.seekg(std::streamoff(at));
    return file.read(pe, sizeof pe) && pe[0] == 'P' && pe[1] == 'E' && pe[2] == 0 && pe[3] == 0;
}

bool SignsCabFor(TPlatform platform)
{
    return platform == plAll || LaterPlatforms.Contains(platform);
}
