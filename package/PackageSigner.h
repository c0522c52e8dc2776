#pragma once

#include <functional>
#include <string>

// How the packages of a build run are signed. Nothing here comes from the
// project file: the certificate belongs to whoever builds, not to the project.
struct TSigningOptions {
    // PKCS#12 file with the code-signing certificate and its private key;
    // empty: the packages stay unsigned.
    std::string Pkcs12;
    // The certificate file's password; empty for a file without one.
    std::string Password;
    // RFC 3161 time-stamping service; empty: the signature carries no time
    // stamp and ends with the certificate's validity.
    std::string TimestampUrl;
    // The digest of the signature, osslsigncode's -h: "sha1" or "sha256";
    // empty: the tool's own default, as the packages have always been signed.
    std::string Digest;
    // The signing program: osslsigncode, found through the PATH.
    std::string Tool = "osslsigncode";

    bool Enabled() const { return !Pkcs12.empty(); }
};

// A device certificate that is the packages' own file opens with their
// password when none was given for it, so one file needs one password.
void ShareOnePassword(TSigningOptions& device, const TSigningOptions& package);

// Adds an Authenticode signature to a finished Setup.exe with osslsigncode.
// The signature goes behind everything makesfx wrote; the stub finds its
// archive in front of it through the PE header.
class TPackageSigner {
public:
    // Runs the tool with a Windows-style argument text and returns its exit
    // code, its messages in output; failures to start raise Exception. By
    // default RunAndCapture; tests give their own.
    using TRunTool = std::function<int(const std::string& program, const std::string& arguments, std::string& output)>;

    explicit TPackageSigner(TSigningOptions options, TRunTool runner = TRunTool());

    // Signs the package in place; description names the product in the
    // signature (Windows shows it in its prompts). Raises Exception with the
    // reason when the package could not be signed; the package is then left
    // as it was.
    void Sign(const std::string& package, const std::string& description) const;

    // Signs input into output, a new file, and checks nothing of the result;
    // what names the input in messages ("the package"). The password file
    // lives as long as the tool runs. Raises Exception with the reason.
    void SignTo(const std::string& input, const std::string& output, const std::string& description,
                const std::string& what) const;

    const TSigningOptions& Options() const { return FOptions; }

    // The argument text of one signing run (password file given). With
    // SOURCE_DATE_EPOCH set and no time-stamping service the signature
    // carries that time, so that signing twice gives the same bytes.
    std::string Arguments(const std::string& input, const std::string& output, const std::string& description,
                          const std::string& passwordFile) const;

    // The environment variable the command line takes the password from.
    static constexpr const char* PasswordVariable = "VI_SIGN_PASSWORD";
    // The same for the device certificate.
    static constexpr const char* DevicePasswordVariable = "VI_DEVICE_SIGN_PASSWORD";

private:
    TSigningOptions FOptions;
    TRunTool FRunner;
};
