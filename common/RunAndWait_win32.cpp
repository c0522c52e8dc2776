#include "common/RunAndWait.h"

#include "common/Exception.h"

#include <windows.h>

namespace {

void CloseIfOpen(HANDLE& h)
{
    if (h) {
        CloseHandle(h);
        h = nullptr;
    }
}

struct TPipe {
    HANDLE Read = nullptr;
    HANDLE Write = nullptr;
    ~TPipe()
    {
        CloseIfOpen(Read);
        CloseIfOpen(Write);
    }
};

// The child inherits only its own end; the end this process keeps must not
// be inherited, or the pipe would never report end-of-file.
void MakePipe(TPipe& pipe, bool childReads, const char* message)
{
    SECURITY_ATTRIBUTES sa{};
    sa.nLength = sizeof sa;
    sa.bInheritHandle = TRUE;
    if (!CreatePipe(&pipe.Read, &pipe.Write, &sa, 0))
        throw Exception(message);
    if (!SetHandleInformation(childReads ? pipe.Write : pipe.Read, HANDLE_FLAG_INHERIT, 0))
        throw Exception(message);
}

DWORD WINAPI DrainThread(LPVOID param)
{
    HANDLE h = static_cast<HANDLE>(param);
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(h, buffer, sizeof buffer, &got, nullptr) && got > 0) {
    }
    return 0;
}

[[noreturn]] void RaiseLastOSError()
{
    throw Exception(OSErrorText(static_cast<int>(GetLastError())));
}

} // namespace

int RunAndWait(const std::string& program, const std::string& arguments, const std::string& workingDir,
               const TBusyHook& busy)
{
    TPipe in, out, err;
    MakePipe(in, true, "Could not create IN_PIPE");
    MakePipe(out, false, "Could not create OUT_PIPE");
    MakePipe(err, false, "Could not create ERR_PIPE");

    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
    si.wShowWindow = SW_HIDE;
    si.hStdInput = in.Read;
    si.hStdOutput = out.Write;
    si.hStdError = err.Write;

    // Unquoted, a path with blanks (a builder under "C:\Program Files") would
    // be cut at the first blank by CreateProcess.
    bool quote = program.find(' ') != std::string::npos && UnquoteProgram(program) == program;
    std::string commandLine = (quote ? "\"" + program + "\"" : program) + " " + arguments;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                        workingDir.empty() ? nullptr : workingDir.c_str(), &si, &pi))
        RaiseLastOSError();
    CloseHandle(pi.hThread);
    HANDLE process = pi.hProcess;

    // The child has its copies; closing ours gives it an empty standard
    // input and lets the drain threads see end-of-file when it is done.
    CloseIfOpen(in.Read);
    CloseIfOpen(in.Write);
    CloseIfOpen(out.Write);
    CloseIfOpen(err.Write);

    HANDLE drains[2] = {CreateThread(nullptr, 0, DrainThread, out.Read, 0, nullptr),
                        CreateThread(nullptr, 0, DrainThread, err.Read, 0, nullptr)};
    if (!drains[0] || !drains[1]) {
        DWORD code = GetLastError();
        TerminateProcess(process, 0);
        CloseHandle(process);
        for (HANDLE& h : drains)
            if (h) {
                WaitForSingleObject(h, INFINITE);
                CloseHandle(h);
            }
        throw Exception(OSErrorText(static_cast<int>(code)));
    }

    if (busy)
        busy(true);
    DWORD wait;
    do {
        wait = WaitForSingleObject(process, 55);
    } while (wait == WAIT_TIMEOUT);
    DWORD waitError = wait == WAIT_FAILED ? GetLastError() : 0;
    DWORD exitCode = 0;
    GetExitCodeProcess(process, &exitCode);
    CloseHandle(process);
    if (busy)
        busy(false);

    // A grandchild that inherited the pipes may keep them open; the child
    // is gone, so stop reading rather than wait for it.
    for (HANDLE h : drains) {
        if (WaitForSingleObject(h, 1000) == WAIT_TIMEOUT) {
            // Repeated, because the thread may be between two reads.
            do
                CancelSynchronousIo(h);
            while (WaitForSingleObject(h, 50) == WAIT_TIMEOUT);
        }
        CloseHandle(h);
    }
    if (wait == WAIT_FAILED)
        throw Exception(OSErrorText(static_cast<int>(waitError)));
    return static_cast<int>(exitCode);
}
