#include "common/RunAndWait.h"

#include "common/Exception.h"
#include "common/Platform.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sys/stat.h>

namespace {

struct SplitCase {
    const char* Input;
    std::vector<std::string> Expected;
};

class SplitWindowsArgumentsTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitWindowsArgumentsTest, SplitsLikeCommandLineToArgvW)
{
    EXPECT_EQ(SplitWindowsArguments(GetParam().Input), GetParam().Expected);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Cases, SplitWindowsArgumentsTest,
    ::testing::Values(
        SplitCase{"", {}}, SplitCase{"  \t ", {}},
        SplitCase{"a b\tc", {"a", "b", "c"}},
        SplitCase{"\"C:\\Work Dir\\Demo.inf\" /dest \"C:\\Work Dir\"",
                  {"C:\\Work Dir\\Demo.inf", "/dest", "C:\\Work Dir"}},
        SplitCase{"\"\" x", {"", "x"}},
        SplitCase{"a\\\\b \\\\server\\share", {"a\\\\b", "\\\\server\\share"}},
        SplitCase{"\"a\\\\\" b", {"a\\", "b"}},          // 2n backslashes + quote
        SplitCase{"a\\\"b", {"a\"b"}},                  // 2n+1 backslashes + quote
        // "" inside quotes gives a quote and leaves the quoted part, so the
        // next quote opens a new one (the shell's reading, unlike msvcrt's).
        SplitCase{"\"a\"\"b\" c", {"a\"b c"}},
        SplitCase{"ab\"c d\"ef", {"abc def"}},          // quotes inside a word
        SplitCase{"\"unterminated arg", {"unterminated arg"}}));
// clang-format on

TEST(RunAndWaitTest, DrainsLargeOutputOnBothStreams)
{
    // 8 MB on each stream: far more than a pipe holds, so an undrained pipe
    // would block the child for ever.
    int code = RunAndWait("/bin/sh", "-c \"head -c 8000000 /dev/zero; head -c 8000000 /dev/zero 1>&2; exit 3\"");
    EXPECT_EQ(code, 3);
}

TEST(RunAndWaitTest, GivesEmptyStandardInputAndStartsInWorkingDir)
{
    TempDir dir;
    RunAndWait("/bin/sh", "-c \"cat > stdin.txt; pwd > pwd.txt\"", dir.Path());
    EXPECT_EQ(dir.Read("stdin.txt"), "");
    char real[4096];
    ASSERT_NE(realpath(dir.Path().c_str(), real), nullptr);
    EXPECT_EQ(dir.Read("pwd.txt"), std::string(real) + "\n");
}

TEST(RunAndWaitTest, QuotedPathsWithBlanksArriveAsOneArgument)
{
    TempDir dir;
    std::string folder = dir.Path() + "with blank/";
    ASSERT_TRUE(ForceDirectories(folder));
    std::string script = folder + "args.sh";
    dir.Write("with blank/args.sh", "#!/bin/sh\nfor a in \"$@\"; do printf '[%s]\\n' \"$a\"; done > \"$OUT\"\n");
    ASSERT_EQ(chmod(script.c_str(), 0755), 0);
    setenv("OUT", dir.File("args.txt").c_str(), 1);
    RunAndWait("\"" + script + "\"", "\"" + folder + "Demo.inf\" /dest \"C:\\Work Dir\" /err errors.txt");
    unsetenv("OUT");
    EXPECT_EQ(dir.Read("args.txt"), "[" + folder + "Demo.inf]\n[/dest]\n[C:\\Work Dir]\n[/err]\n[errors.txt]\n");
}

TEST(RunAndWaitTest, MissingProgramGivesSystemErrorText)
{
    TempDir dir;
    bool busyCalled = false;
    try {
        RunAndWait(dir.File("no-such-tool.exe"), "x", std::string(), [&](bool) { busyCalled = true; });
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), std::string("System Error.  Code: 2.\r\n") + std::strerror(2));
    }
    EXPECT_FALSE(busyCalled);
}

TEST(RunAndWaitTest, BusyHookBracketsTheWait)
{
    std::vector<bool> calls;
    RunAndWait("/bin/sh", "-c \"exit 0\"", std::string(), [&](bool busy) { calls.push_back(busy); });
    EXPECT_EQ(calls, (std::vector<bool>{true, false}));
}

TEST(RunAndWaitTest, DoesNotWaitForGrandchildHoldingThePipes)
{
    // The background sleep inherits stdout/stderr; only the child counts.
    auto start = std::chrono::steady_clock::now();
    RunAndWait("/bin/sh", "-c \"sleep 20 & exit 0\"");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

// Whatever a value holds, quoted it splits back into that one value.
TEST(QuoteWindowsArgumentTest, SplitsBackUnchanged)
{
    const std::vector<std::string> values = {
        "",           "plain", "C:\\Work Dir\\",  "a \"quoted\" word", "\\\\server\\",
        "ends in \\", "\\\"",  "tab\tand blank ", "pass \"\\\"\" word"};
    for (const std::string& value : values)
        EXPECT_EQ(SplitWindowsArguments("x " + QuoteWindowsArgument(value) + " y"),
                  (std::vector<std::string>{"x", value, "y"}))
            << value << " quoted as " << QuoteWindowsArgument(value);
}

TEST(RunAndCaptureTest, KeepsBothStreamsUpToTheLimit)
{
    std::string output = "left over";
    EXPECT_EQ(RunAndCapture("/bin/sh", "-c \"printf out; printf err 1>&2; exit 5\"", output), 5);
    EXPECT_TRUE(output == "outerr" || output == "errout") << output;

    // A talkative tool is still drained to its end, but only the first part is kept.
    EXPECT_EQ(RunAndCapture("/bin/sh", "-c \"head -c 3000000 /dev/zero; exit 0\"", output), 0);
    EXPECT_EQ(output, std::string(CapturedLimit, '\0'));

    EXPECT_THROW(RunAndCapture("/no/such/tool", "x", output), Exception);
}

// A program whose manifest asks for administrator rights is refused by
// CreateProcess with ERROR_ELEVATION_REQUIRED and goes through the shell's
// start instead; no other failure does. Each case gives the two starts'
// results and what RunGuiAndWait makes of them.
struct TGuiStartCase {
    const char* Name;
    int Create, Shell;
    bool ShellUsed;
    const char* Failure; // empty: the program ran and its exit code came back
};

TEST(RunGuiAndWaitTest, ElevationGoesThroughTheShellAndARefusalIsItsOwnFailure)
{
    const TGuiStartCase cases[] = {
        {"started", 0, 0, false, ""},
        {"elevated", kErrorElevationRequired, 0, true, ""},
        {"refused", kErrorElevationRequired, kErrorCancelled, true, "refused"},
        {"shell fails", kErrorElevationRequired, 5, true, "System Error.  Code: 5."},
        {"not found", 2, 0, false, "System Error.  Code: 2."},
    };
    const TGuiStarter saved = GuiStarter();
    for (const TGuiStartCase& c : cases) {
        SCOPED_TRACE(c.Name);
        std::vector<std::string> calls;
        auto start = [&calls](const char* how, int result, intptr_t handle) {
            return [&calls, how, result, handle](const std::string& program, const std::string& arguments,
                                                 const std::string& dir, intptr_t& process) {
                calls.push_back(std::string(how) + " " + program + " " + arguments + " " + dir);
                process = handle;
                return result;
            };
        };
        GuiStarter().Create = start("create", c.Create, c.Create ? 0 : 41);
        GuiStarter().Shell = start("shell", c.Shell, c.Shell ? 0 : 42);
        GuiStarter().Wait = [](intptr_t process) { return int(process) + 100; };
        std::vector<std::string> expected = {"create \"C:\\A M\\CeAppMgr.exe\" \"x.ini\" D"};
        if (c.ShellUsed)
            expected.push_back("shell \"C:\\A M\\CeAppMgr.exe\" \"x.ini\" D");
        try {
            int code = RunGuiAndWait("\"C:\\A M\\CeAppMgr.exe\"", "\"x.ini\"", "D");
            EXPECT_STREQ(c.Failure, "");
            EXPECT_EQ(code, c.ShellUsed ? 142 : 141);
        } catch (const TStartRefused& e) {
            EXPECT_STREQ(c.Failure, "refused");
            EXPECT_EQ(e.Message(),
                      "C:\\A M\\CeAppMgr.exe needs administrator rights, and the request for them was refused.");
        } catch (const Exception& e) {
            EXPECT_NE(std::string(c.Failure), "");
            EXPECT_EQ(e.Message().rfind(c.Failure, 0), 0u) << e.Message();
        }
        EXPECT_EQ(calls, expected);
    }
    GuiStarter() = saved;
}

TEST(OSErrorTextTest, ZeroCodeHasNoSystemMessage)
{
    EXPECT_EQ(OSErrorText(0), "A call to an OS function failed");
}

} // namespace
