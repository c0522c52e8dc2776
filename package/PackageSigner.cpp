#include "package/PackageSigner.h"

#include "formats/SfxArchive.h"
#include "formats/SfxLayout.h"
#include "formats/SfxStreamSource.h"

#include "common/AnsiText.h"
#include "common/Exception.h"
#include "common/Platform.h"
#include "common/RunAndWait.h"
#include "common/SourceDate.h"

#include <fstream>
#include <memory>
#include <optional>
#include <sstream>

namespace {

// The signed file, read the way the stub reads itself.
TSfxStreamSource OpenSigned(const std::string& path)
{
    const char* const unreadable = "The signed package cannot be read.";
    std::ifstream file(FsPath(path), std::ios::binary);
    const int64_t size = FileSize(path);
    if (!file || size < 0)
        throw Exception(unreadable);
    return TSfxStreamSource(std::move(file), static_cast<uint64_t>(size), unreadable);
}

// What osslsigncode says about a failure, without its closing "Failed" and
// OpenSSL's internal error stack, which names source files rather than causes.
std::string ToolMessage(const std::string& output)
{
    std::istringstream lines(output);
    std::string line, message;
    while (std::getline(lines, line)) {
        while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
            line.pop_back();
        if (line.empty() || line == "Failed" || line.find(":error:") != std::string::npos)
            continue;
        message += message.empty() ? line : " " + line;
    }
    return message.empty() ? "no message" : message;
}

// Removes a scratch file or folder however signing ends.
class TScratch {
public:
    explicit TScratch(std::string path, bool folder = false) : FPath(std::move(path)), FFolder(folder) {}
    ~TScratch()
    {
        if (FFolder)
            RemoveTree(FPath);
        else
            DeleteFileIfExists(FPath);
    }
    TScratch(const TScratch&) = delete;
    TScratch& operator=(const TScratch&) = delete;

    std::string FPath;
    bool FFolder;
};

} // namespace

TPackageSigner::TPackageSigner(TSigningOptions options, TRunTool runner)
    : FOptions(std::move(options)), FRunner(std::move(runner))
{
    if (!FRunner)
        FRunner = [](const std::string& program, const std::string& arguments, std::string& output) {
            return RunAndCapture(program, arguments, output);
        };
}

std::string TPackageSigner::Arguments(const std::string& input, const std::string& output,
                                      const std::string& description, const std::string& passwordFile) const
{
    // Only options that osslsigncode 2.5 (Debian 12) knows. The password
    // goes through a file: a command line is visible to every user.
    std::string args = "sign -pkcs12 " + QuoteWindowsArgument(FOptions.Pkcs12);
    if (!passwordFile.empty())
        args += " -readpass " + QuoteWindowsArgument(passwordFile);
    if (!description.empty())
        args += " -n " + QuoteWindowsArgument(AnsiToUtf8(description));
    if (!FOptions.Digest.empty())
        args += " -h " + QuoteWindowsArgument(FOptions.Digest);
    if (!FOptions.TimestampUrl.empty())
        args += " -ts " + QuoteWindowsArgument(FOptions.TimestampUrl);
    else if (std::optional<int64_t> epoch = SourceDateEpoch())
        args += " -time " + std::to_string(*epoch);
    args += " -in " + QuoteWindowsArgument(input) + " -out " + QuoteWindowsArgument(output);
    return args;
}

void TPackageSigner::SignTo(const std::string& input, const std::string& output, const std::string& description,
                            const std::string& what) const
{
    if (std::string problem = FileReadProblem(FOptions.Pkcs12); !problem.empty())
        throw Exception("The certificate file \"" + FOptions.Pkcs12 + "\" cannot be read. " + problem);
    std::string passwordFile;
    std::unique_ptr<TScratch> passwordDir;
    if (!FOptions.Password.empty()) {
        passwordDir = std::make_unique<TScratch>(CreatePrivateTempDir("VISign"), true);
        passwordFile = passwordDir->FPath + "password";
        WritePrivateFile(passwordFile, FOptions.Password);
    }
    std::string toolOutput;
    int exitCode = 0;
    try {
        exitCode = FRunner(FOptions.Tool, Arguments(input, output, description, passwordFile), toolOutput);
    } catch (const Exception& e) {
        throw Exception(FOptions.Tool + " could not be started; is it installed? " + e.Message());
    }
    if (exitCode != 0)
        throw Exception(FOptions.Tool + " could not sign " + what + ": " + ToolMessage(toolOutput));
}

void TPackageSigner::Sign(const std::string& package, const std::string& description) const
{
    // osslsigncode refuses to overwrite, and the package must stay whole
    // until a signed one can take its place.
    TScratch scratch(AtomicSaveTempName(package, CurrentProcessId()) + ".signed");
    DeleteFileIfExists(scratch.FPath);
    SignTo(package, scratch.FPath, description, "the package");

    // A tool that reports success without writing a signature, or writes one
    // the stub cannot see past, must not pass for a signed package.
    {
        TSfxStreamSource signedFile = OpenSigned(scratch.FPath);
        if (TSfxLayout::PayloadEnd(signedFile) >= signedFile.Size())
            throw Exception(FOptions.Tool + " wrote no signature into the package.");
        TSfxLayout::Read(signedFile);
    }
    ReplaceFileWith(package, scratch.FPath);
}

void ShareOnePassword(TSigningOptions& device, const TSigningOptions& package)
{
    if (device.Password.empty() && device.Enabled() && device.Pkcs12 == package.Pkcs12)
        device.Password = package.Password;
}
