#pragma once

#include "common/Exception.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Runs a console program hidden, with an empty standard input, and returns
// when it has ended. Whatever the program writes to its standard output and
// error is read and thrown away while waiting, so a talkative program cannot
// fill a pipe and hang the caller.
//
// The command line is Program + " " + Arguments, read with the Windows rules:
// the program may stand in double quotes; the arguments are split as
// CommandLineToArgvW splits them (on POSIX hosts this is done here, so that
// a quoted path with blanks arrives as one argument).
//
// WorkingDir, when not empty, is the folder the program starts in; otherwise
// it inherits the caller's. Busy, when set, is called with true before the
// wait and with false after it (also when it fails): the GUI shows its
// hourglass there.
//
// Failures raise Exception: "Could not create IN_PIPE" (OUT_PIPE, ERR_PIPE)
// for the pipes, "System Error.  Code: <n>.\r\n<system message>" when the
// program cannot be started, or "A call to an OS function failed" when the
// system gives no error code. Returns the program's exit code (the builder
// does not use it).
using TBusyHook = std::function<void(bool busy)>;

int RunAndWait(const std::string& program, const std::string& arguments, const std::string& workingDir = std::string(),
               const TBusyHook& busy = TBusyHook());

// Runs a console program as RunAndWait does and keeps what it writes to its
// standard output and error in output (the first CapturedLimit bytes), for
// tools whose messages the user needs when they fail. Returns the exit code.
inline constexpr size_t CapturedLimit = 64 * 1024;
int RunAndCapture(const std::string& program, const std::string& arguments, std::string& output,
                  const std::string& workingDir = std::string());

// Runs a program that has windows of its own (the Application Manager) the
// way a user starts it: shown as it asks to be shown, with none of the
// caller's handles, and returns its exit code when it has ended. While it
// runs, the calling thread's windows keep getting their messages (on
// Windows the wait pumps them), so a window that waits for it still paints
// and answers. Failures raise Exception as for RunAndWait.
//
// Our programs run as the invoker, and CreateProcess refuses a program whose
// manifest asks for administrator rights (ERROR_ELEVATION_REQUIRED); such a
// program is started again through the shell, which asks the user for the
// rights. A user who refuses raises TStartRefused.
int RunGuiAndWait(const std::string& program, const std::string& arguments,
                  const std::string& workingDir = std::string());

inline constexpr int kErrorElevationRequired = 740;
inline constexpr int kErrorCancelled = 1223;

// The user answered the elevation prompt of a program with No.
class TStartRefused : public Exception {
public:
    using Exception::Exception;
};

// The platform layer's seam behind RunGuiAndWait. Create and Shell each start
// the program (CreateProcess; the shell's start, which raises the elevation
// prompt where the program's manifest asks for it) and return 0 with the
// process in process, or the system's error code; Wait waits for that
// process, pumping messages, and returns its exit code. GuiStarter() is the
// process's own, which tests replace part by part.
struct TGuiStarter {
    using TStart = std::function<int(const std::string& program, const std::string& arguments,
                                     const std::string& workingDir, intptr_t& process)>;
    TStart Create;
    TStart Shell;
    std::function<int(intptr_t process)> Wait;
};
TGuiStarter& GuiStarter();

// The text of the exception raised for a failed system call with this code.
std::string OSErrorText(int code);

// Splits an argument string as CommandLineToArgvW does for every argument
// after the program name: blanks and tabs separate, double quotes group,
// 2n backslashes before a quote give n backslashes and open or close a
// quoted part, 2n+1 give n backslashes and a literal quote, and "" inside a
// quoted part gives a literal quote.
std::vector<std::string> SplitWindowsArguments(const std::string& arguments);

// One argument in double quotes such that SplitWindowsArguments (and
// CommandLineToArgvW) gives it back unchanged.
std::string QuoteWindowsArgument(const std::string& value);

// The program part with one pair of surrounding double quotes removed.
std::string UnquoteProgram(const std::string& program);
