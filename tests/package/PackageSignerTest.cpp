#include "package/PackageSigner.h"

#include "../tools/PeFixture.h"
#include "common/Exception.h"
#include "common/Paths.h"
#include "common/Platform.h"
#include "common/RunAndWait.h"
#include "formats/SfxTrailer.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

namespace {

namespace fs = std::filesystem;

// The value following an option in the tool's argument text.
std::string Option(const std::string& arguments, const std::string& name)
{
    std::vector<std::string> args = SplitWindowsArguments(arguments);
    auto it = std::find(args.begin(), args.end(), name);
    return it == args.end() || it + 1 == args.end() ? std::string() : *(it + 1);
}

std::string ReadText(const std::string& path)
{
    const std::vector<uint8_t> bytes = ReadFileBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

class PackageSignerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TSfxSettings settings;
        settings.Exec = "$temp$\\Setup.exe";
        const std::vector<uint8_t> trailer = TSfxTrailer::Encode(settings, 600);
        std::string package = MinimalPeHeaders(false);
        package.resize(600, '\x90');
        package.append(trailer.begin(), trailer.end());
        FDir.Write("Setup.exe", package);
        FDir.Write("cert.p12", "certificate bytes");
        FOptions.Pkcs12 = FDir.File("cert.p12");
    }

    // A stand-in osslsigncode that signs the way the real one lays out its
    // output, and records what it saw.
    TPackageSigner::TRunTool SigningTool()
    {
        return [this](const std::string& program, const std::string& arguments, std::string&) {
            FProgram = program;
            FArguments = arguments;
            const std::string passwordFile = Option(arguments, "-readpass");
            if (!passwordFile.empty()) {
                struct stat info {};
                EXPECT_EQ(::stat(passwordFile.c_str(), &info), 0);
                FPasswordMode = info.st_mode & 0777;
                FPasswordSeen = ReadText(passwordFile);
                FPasswordFile = passwordFile;
            }
            WriteFileAtomic(Option(arguments, "-out"), WithCertificateTable(ReadText(Option(arguments, "-in"))));
            return 0;
        };
    }

    // Nothing but the package and the certificate in its folder.
    std::vector<std::string> FolderEntries()
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(FDir.Path()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    TempDir FDir;
    TSigningOptions FOptions;
    std::string FProgram, FArguments, FPasswordSeen, FPasswordFile;
    unsigned FPasswordMode = 0;
};

} // namespace

TEST_F(PackageSignerTest, ThePasswordReachesTheToolOnlyThroughAPrivateFile)
{
    FOptions.Password = "s3cret pass";
    FOptions.TimestampUrl = "http://timestamp.example.com/rfc3161";
    const std::string before = ReadText(FDir.File("Setup.exe"));
    TPackageSigner(FOptions, SigningTool()).Sign(FDir.File("Setup.exe"), "Viewer \xE9");

    EXPECT_EQ(FProgram, "osslsigncode");
    EXPECT_EQ(FArguments.find("s3cret"), std::string::npos) << FArguments;
    EXPECT_EQ(FPasswordSeen, "s3cret pass");
    EXPECT_EQ(FPasswordMode, 0600u);
    EXPECT_FALSE(FileExists(FPasswordFile)) << "the password file outlived the run";
    EXPECT_FALSE(DirectoryExists(ExtractFilePath(FPasswordFile)));
    EXPECT_EQ(Option(FArguments, "-pkcs12"), FOptions.Pkcs12);
    EXPECT_EQ(Option(FArguments, "-n"), "Viewer \xC3\xA9");
    EXPECT_EQ(Option(FArguments, "-ts"), FOptions.TimestampUrl);
    EXPECT_EQ(Option(FArguments, "-in"), FDir.File("Setup.exe"));

    EXPECT_EQ(ReadText(FDir.File("Setup.exe")), WithCertificateTable(before));
    EXPECT_EQ(FolderEntries(), (std::vector<std::string>{"Setup.exe", "cert.p12"}));
}

TEST_F(PackageSignerTest, WithoutPasswordOrServiceTheirOptionsAreLeftOut)
{
    TPackageSigner(FOptions, SigningTool()).Sign(FDir.File("Setup.exe"), "");
    const std::vector<std::string> args = SplitWindowsArguments(FArguments);
    for (const char* option : {"-readpass", "-pass", "-ts", "-t", "-n"})
        EXPECT_EQ(std::find(args.begin(), args.end(), option), args.end()) << option << " in " << FArguments;
    EXPECT_EQ(args.front(), "sign");
}

// The digest goes as -h only when set (packages keep the tool's default);
// SOURCE_DATE_EPOCH becomes -time unless a time-stamping service gives the time.
TEST_F(PackageSignerTest, DigestAndReproducibleTimeOptions)
{
    const struct {
        const char *digest, *service, *epoch, *h, *time;
    } cases[] = {
        {"", "", nullptr, "", ""},
        {"sha1", "", "1700000000", "sha1", "1700000000"},
        {"sha256", "http://ts.example.com", "1700000000", "sha256", ""},
    };
    for (const auto& c : cases) {
        ScopedEnv epoch("SOURCE_DATE_EPOCH", c.epoch);
        FOptions.Digest = c.digest;
        FOptions.TimestampUrl = c.service;
        const std::string args = TPackageSigner(FOptions).Arguments("in.exe", "out.exe", "", "");
        EXPECT_EQ(Option(args, "-h"), c.h) << args;
        EXPECT_EQ(Option(args, "-time"), c.time) << args;
    }
}

// Every way signing can fail leaves the package as it was, no scratch file
// beside it, and a message that says why.
TEST_F(PackageSignerTest, FailuresKeepThePackageAndSayWhy)
{
    struct Case {
        const char* what;
        std::function<int(const std::string& arguments, std::string& output)> tool;
        std::string expected;
        // clang-format off
    } cases[] = {
        {"wrong password",
         [](const std::string&, std::string& output) {
             output = "Failed to parse PKCS#12 file: cert.p12 (Wrong password?)\n"
                      "Failed to read key or certificates\n"
                      "40103F38DD7F0000:error:11800071:PKCS12 routines:PKCS12_parse:mac verify failure:p12_kiss.c:71:\n"
                      "Failed\n";
             return 255;
         },
         "osslsigncode could not sign the package: Failed to parse PKCS#12 file: cert.p12 (Wrong password?) "
         "Failed to read key or certificates"},
        // clang-format on
        {"tool missing", [](const std::string&, std::string&) -> int { throw Exception(OSErrorText(2)); },
         "osslsigncode could not be started; is it installed? " + OSErrorText(2)},
        {"success without a signature",
         [](const std::string& arguments, std::string&) {
             WriteFileAtomic(Option(arguments, "-out"), ReadText(Option(arguments, "-in")));
             return 0;
         },
         "osslsigncode wrote no signature into the package."},
        {"success without output", [](const std::string&, std::string&) { return 0; },
         "The signed package cannot be read."},
        {"a signature that hides the archive",
         [](const std::string& arguments, std::string&) {
             WriteFileAtomic(Option(arguments, "-out"),
                             WithCertificateTable(ReadText(Option(arguments, "-in")) + "junk after the tail"));
             return 0;
         },
         "No archive is attached to this program."},
    };
    const std::string before = ReadText(FDir.File("Setup.exe"));
    for (const Case& c : cases) {
        TPackageSigner signer(FOptions, [&](const std::string&, const std::string& arguments, std::string& output) {
            return c.tool(arguments, output);
        });
        try {
            signer.Sign(FDir.File("Setup.exe"), "Viewer");
            ADD_FAILURE() << c.what << ": no exception";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), c.expected) << c.what;
        }
        EXPECT_EQ(ReadText(FDir.File("Setup.exe")), before) << c.what;
        EXPECT_EQ(FolderEntries(), (std::vector<std::string>{"Setup.exe", "cert.p12"})) << c.what;
    }
}

TEST_F(PackageSignerTest, AnUnreadableCertificateStopsBeforeTheToolRuns)
{
    FOptions.Pkcs12 = FDir.File("missing.p12");
    bool ran = false;
    TPackageSigner signer(FOptions, [&](const std::string&, const std::string&, std::string&) {
        ran = true;
        return 0;
    });
    try {
        signer.Sign(FDir.File("Setup.exe"), "Viewer");
        ADD_FAILURE() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message().rfind("The certificate file \"" + FOptions.Pkcs12 + "\" cannot be read.", 0), 0u)
            << e.Message();
    }
    EXPECT_FALSE(ran);
}
