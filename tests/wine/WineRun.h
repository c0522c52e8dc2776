#pragma once

// Running Windows programs in the test run's Wine prefix (made by the "wine"
// CTest fixture), and reading what they leave behind.

#include <map>
#include <string>
#include <vector>

struct TRunResult {
    int ExitCode = -1;
    std::string Output; // standard output and error
};

// Runs a program without a shell (so "$temp$" reaches it as it is) in the
// prefix's environment, with the fixture's X server as display and the
// extra environment entries (which win over both); kills it after
// timeoutSeconds. The output goes
// through outputFile.
TRunResult RunProgram(const std::vector<std::string>& args, const std::vector<std::string>& extraEnv,
                      const std::string& outputFile, int timeoutSeconds = 90);

std::string ReadAll(const std::string& path);

// Which programs this run tests, as the fixture decided (see wine-prefix.sh):
// the 32-bit test variants of the shipped programs, or their x86-64 twins on
// a machine that cannot run 32-bit programs. Both read the tests' switches
// (VI_SETUP_UNATTENDED, VI_SFX_QUIET), which the shipped programs lack.
bool WineTwins();
// The command that runs a Windows program in the prefix, to put before its
// arguments: "wine", or the 64-bit loader itself on the twin path.
std::vector<std::string> Wine(std::vector<std::string> args);
// The Windows program to test for a path below the program folder
// ("Deskstart.exe", "Tools/sfxstub.exe") or the tests folder
// ("tests/CeAppMgr.exe"): the 32-bit one (a test variant of a program) or
// its twin.
std::string WinProgram(const std::string& relative);
// The Windows form of a host path, through Wine's Z: drive.
std::string WindowsPath(const std::string& path);
// The host form of a path on the prefix's C: drive; empty for other paths.
std::string HostPath(const std::string& windowsPath);
// "key=value" lines, as the test helpers record them.
std::multimap<std::string, std::string> ReadRecord(const std::string& path);
std::vector<std::string> Values(const std::multimap<std::string, std::string>& record, const std::string& key);
