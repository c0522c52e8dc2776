// The programs that ship inside packages, judged as Windows judges them:
// 32-bit, windowed, importing only what every Windows desktop has, with a
// manifest, a version resource and an icon, and reading none of the Wine
// tests' switches. Wine accepts programs that fail each of these, so the
// check reads the files instead of running them.

#include "PeImage.h"
#include "ProgramCheck.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>

namespace {

std::string Joined(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += "\n  " + line;
    return text;
}

std::vector<uint8_t> FileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in) << "cannot open " << path;
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

bool Mentions(const std::vector<std::string>& problems, const std::string& what)
{
    return std::any_of(problems.begin(), problems.end(),
                       [&](const std::string& p) { return p.find(what) != std::string::npos; });
}

class ShippedProgramTest : public ::testing::TestWithParam<const char*> {};

} // namespace

TEST_P(ShippedProgramTest, StartsOnEveryWindowsDesktop)
{
    const std::string path = std::string(VI_PROGRAM_DIR_NAME "/") + GetParam();
    TPeImage image = TPeImage::FromFile(path);
    std::vector<std::string> problems = ShippedProgramProblems(image, TShippedProgram{});
    EXPECT_TRUE(problems.empty()) << path << ":" << Joined(problems);

    std::map<std::string, std::string> version = VersionStrings(image.Resource(kPeResourceVersion, 1)->Data);
    EXPECT_EQ(version["ProductName"], "Veltrin Installer");
}

// The switches that let the Wine tests run a program without a person
// (VI_SETUP_UNATTENDED, VI_SFX_QUIET) are compiled into test variants only.
TEST_P(ShippedProgramTest, ReadsNoTestSwitch)
{
    const std::string path = std::string(VI_PROGRAM_DIR_NAME "/") + GetParam();
    const std::set<std::string> names = SwitchNames(FileBytes(path));
    EXPECT_TRUE(names.empty()) << path << " reads " << Joined({names.begin(), names.end()});
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(PackagePrograms, ShippedProgramTest,
                         ::testing::Values("Deskstart.exe", "Setup.exe", "Tools/sfxstub.exe"),
                         [](const auto& info) {
                             std::string name = info.param;
                             name.erase(std::remove_if(name.begin(), name.end(),
                                                       [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }),
                                        name.end());
                             return name;
                         });
// clang-format on

TEST(ProgramCheck, FindsEachFaultOfABadlyBuiltProgram)
{
    std::vector<std::string> problems = ShippedProgramProblems(TPeImage::FromFile(VI_PECHECK_BAD), TShippedProgram{});
    EXPECT_TRUE(Mentions(problems, "imports zlib1.dll")) << Joined(problems);
    EXPECT_TRUE(Mentions(problems, "no application manifest")) << Joined(problems);
    EXPECT_TRUE(Mentions(problems, "no version resource")) << Joined(problems);
    EXPECT_TRUE(Mentions(problems, "no application icon")) << Joined(problems);
    EXPECT_TRUE(Mentions(problems, "subsystem 3 instead of 2")) << Joined(problems);
    EXPECT_TRUE(Mentions(problems, "subsystem version 4.0 instead of 5.01")) << Joined(problems);
    EXPECT_TRUE(Mentions(problems, "not terminal-server aware")) << Joined(problems);
    EXPECT_TRUE(Mentions(problems, "imports CancelSynchronousIo from KERNEL32.dll, which Windows XP does not have"))
        << Joined(problems);
}

// The 32-bit test variants that the Wine tests run hold their switches, as
// narrow text (getenv) or UTF-16LE (GetEnvironmentVariableW): the scan above
// sees both forms.
TEST(ProgramCheck, TestVariantsHoldTheirSwitches)
{
    const struct {
        const char* Program;
        const char* Switch;
    } cases[] = {{"Setup.exe", "VI_SETUP_UNATTENDED"}, {"Tools/sfxstub.exe", "VI_SFX_QUIET"}};
    for (const auto& c : cases) {
        const std::string path = std::string(VI_TEST_VARIANT_DIR_NAME "/") + c.Program;
        const std::set<std::string> names = SwitchNames(FileBytes(path));
        EXPECT_EQ(names.count(c.Switch), 1u) << path << " reads " << Joined({names.begin(), names.end()});
    }
}

TEST(ProgramCheck, ImportsListFunctionsPerDll)
{
    TPeImage image = TPeImage::FromFile(VI_PROGRAM_DIR_NAME "/Deskstart.exe");
    auto kernel32 = std::find_if(image.Imports().begin(), image.Imports().end(),
                                 [](const TPeImport& i) { return i.Dll == "KERNEL32.dll"; });
    ASSERT_NE(kernel32, image.Imports().end());
    EXPECT_NE(std::find(kernel32->Functions.begin(), kernel32->Functions.end(), "GetLastError"),
              kernel32->Functions.end());
}

TEST(ProgramCheck, BrokenFilesFailCleanly)
{
    std::ifstream in(VI_PROGRAM_DIR_NAME "/Setup.exe", std::ios::binary);
    std::vector<uint8_t> bytes(std::istreambuf_iterator<char>(in), {});
    ASSERT_GT(bytes.size(), 4096u);
    // Cut short anywhere, the file either still parses or fails with a
    // reason; it never reads past its end (AddressSanitizer builds show it).
    size_t step = bytes.size() / 97;
    for (size_t size = 0; size < bytes.size(); size += step) {
        std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + size);
        try {
            TPeImage image(cut);
        } catch (const TPeError&) {
        }
    }
    // A PE offset pointing far outside the file.
    std::vector<uint8_t> wild = bytes;
    wild[0x3c] = 0xff;
    wild[0x3d] = 0xff;
    wild[0x3e] = 0xff;
    wild[0x3f] = 0x7f;
    EXPECT_THROW(TPeImage{wild}, TPeError);
}
