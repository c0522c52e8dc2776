#include "formats/CabSignature.h"

#include "common/Exception.h"
#include "common/Platform.h"

#include <openssl/bio.h>
#include <openssl/pkcs7.h>
#include <openssl/x509.h>

#include <fstream>
#include <memory>

namespace {

// The cabinet header: signature, fields up to the flags at 30, the reserve
// sizes at 36 when flag 0x0004 is set, then the reserve itself.
constexpr size_t kFlagsAt = 30;
constexpr size_t kReserveSizeAt = 36;
constexpr size_t kReserveAt = 40;
constexpr uint16_t kReservePresent = 0x0004;

uint32_t Le(const std::vector<uint8_t>& b, size_t at, int bytes)
{
    uint32_t value = 0;
    for (int i = bytes; i-- > 0;)
        value = (value << 8) | b[at + size_t(i)];
    return value;
}

struct TPkcs7Free {
    void operator()(PKCS7* p) const { PKCS7_free(p); }
};
struct TBioFree {
    void operator()(BIO* b) const { BIO_free(b); }
};

} // namespace

std::optional<TCabSignatureSpan> FindCabSignature(const std::vector<uint8_t>& head, uint64_t fileSize)
{
    if (head.size() < kReserveAt + 12 || Le(head, 0, 4) != 0x4643534D) // "MSCF"
        return std::nullopt;
    if (!(Le(head, kFlagsAt, 2) & kReservePresent) || Le(head, kReserveSizeAt, 2) < 12)
        return std::nullopt;
    TCabSignatureSpan span{Le(head, kReserveAt + 4, 4), Le(head, kReserveAt + 8, 4)};
    if (span.Size == 0 || uint64_t(span.Offset) + span.Size > fileSize)
        return std::nullopt;
    return span;
}

std::string CabSignerSubject(const std::vector<uint8_t>& der)
{
    const unsigned char* p = der.data();
    std::unique_ptr<PKCS7, TPkcs7Free> p7(d2i_PKCS7(nullptr, &p, long(der.size())));
    if (!p7 || !PKCS7_type_is_signed(p7.get()))
        throw Exception("the signature is not a signed PKCS#7 block");
    STACK_OF(X509)* signers = PKCS7_get0_signers(p7.get(), nullptr, 0);
    X509* signer = signers && sk_X509_num(signers) > 0 ? sk_X509_value(signers, 0) : nullptr;
    sk_X509_free(signers);
    if (!signer)
        throw Exception("the signature carries no certificate of its signer");
    std::unique_ptr<BIO, TBioFree> bio(BIO_new(BIO_s_mem()));
    X509_NAME_print_ex(bio.get(), X509_get_subject_name(signer), 0, XN_FLAG_RFC2253 & ~ASN1_STRFLGS_ESC_MSB);
    char* text = nullptr;
    const long size = BIO_get_mem_data(bio.get(), &text);
    return std::string(text, size_t(size));
}

std::optional<TCabSignature> ReadCabSignature(const std::string& path)
{
    std::ifstream file(FsPath(path), std::ios::binary);
    std::vector<uint8_t> head(kReserveAt + 12);
    file.read(reinterpret_cast<char*>(head.data()), std::streamsize(head.size()));
    head.resize(size_t(file.gcount()));
    const int64_t size = FileSize(path);
    const auto span = FindCabSignature(head, size < 0 ? 0 : uint64_t(size));
    if (!span)
        return std::nullopt;
    std::vector<uint8_t> der(span->Size);
    file.clear();
    file.seekg(std::streamoff(span->Offset));
    file.read(reinterpret_cast<char*>(der.data()), std::streamsize(der.size()));
    TCabSignature signature;
    try {
        if (file.gcount() != std::streamsize(der.size()))
            throw Exception("the signature cannot be read");
        signature.Subject = CabSignerSubject(der);
    } catch (const Exception& e) {
        signature.Problem = e.Message();
    }
    return signature;
}
