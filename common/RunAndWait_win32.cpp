#include "common/RunAndWait.h"
#include "common/RunConsoleProgram.h"

#include "common/Exception.h"
#include "common/WinString.h"

#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

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

// One pipe read to its end; what is read is kept only when Captured is set.
struct TDrain {
    HANDLE Pipe = nullptr;
    std::string* Captured = nullptr;
};

DWORD WINAPI DrainThread(LPVOID param)
{
    const TDrain* drain = static_cast<const TDrain*>(param);
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(drain->Pipe, buffer, sizeof buffer, &got, nullptr) && got > 0) {
        std::string* captured = drain->Captured;
        if (captured && captured->size() < CapturedLimit)
            captured->append(buffer, got < CapturedLimit - captured->size() ? got : CapturedLimit - captured->size());
    }
    return 0;
}

// Vista and later only; on XP a drain thread left blocked ends with the
// process instead.
void CancelBlockedRead(HANDLE thread)
{
    using TCancel = BOOL(WINAPI*)(HANDLE);
    static const auto cancel = reinterpret_cast<TCancel>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "CancelSynchronousIo")));
    if (cancel)
        cancel(thread);
}

// Unquoted, a path with blanks (a builder under "C:\Program Files") would
// be cut at the first blank by CreateProcess.
std::wstring CommandLine(const std::string& program, const std::string& arguments)
{
    bool quote = program.find(' ') != std::string::npos && UnquoteProgram(program) == program;
    return WideFromUtf8((quote ? "\"" + program + "\"" : program) + " " + arguments);
}

[[noreturn]] void RaiseLastOSError()
{
    throw Exception(OSErrorText(static_cast<int>(GetLastError())));
}

// Starts the program; returns its process handle (the thread's is closed)
// or raises the system's error.
HANDLE StartProcess(const std::string& program, const std::string& arguments, const std::string& workingDir,
                    STARTUPINFOW& si, bool inheritHandles)
{
    std::wstring commandLine = CommandLine(program, arguments);
    std::wstring folder = WideFromUtf8(workingDir);
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, inheritHandles ? TRUE : FALSE, 0, nullptr,
                        workingDir.empty() ? nullptr : folder.c_str(), &si, &pi))
        RaiseLastOSError();
    CloseHandle(pi.hThread);
    return pi.hProcess;
}

// Both drain threads; when one cannot start, the child is ended, a thread
// that did start is waited for, and the system's error raised.
void StartDrains(HANDLE process, TDrain& outDrain, TDrain& errDrain, HANDLE (&drains)[2])
{
    drains[0] = CreateThread(nullptr, 0, DrainThread, &outDrain, 0, nullptr);
    drains[1] = CreateThread(nullptr, 0, DrainThread, &errDrain, 0, nullptr);
    if (drains[0] && drains[1])
        return;
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

// Waits for the process to end, with the busy hook told around the wait, and
// closes its handle. Returns the wait's result; the exit code and the error
// of a failed wait go to the references.
DWORD WaitForProcess(HANDLE process, const TBusyHook& busy, DWORD& exitCode, DWORD& waitError)
{
    if (busy)
        busy(true);
    DWORD wait;
    do {
        wait = WaitForSingleObject(process, 55);
    } while (wait == WAIT_TIMEOUT);
    waitError = wait == WAIT_FAILED ? GetLastError() : 0;
    GetExitCodeProcess(process, &exitCode);
    CloseHandle(process);
    if (busy)
        busy(false);
    return wait;
}

// A grandchild that inherited the pipes may keep them open; the child is
// gone, so stop reading rather than wait for it.
void EndDrains(HANDLE (&drains)[2])
{
    for (HANDLE h : drains) {
        if (WaitForSingleObject(h, 1000) == WAIT_TIMEOUT) {
            // Repeated, because the thread may be between two reads.
            do
                CancelBlockedRead(h);
            while (WaitForSingleObject(h, 50) == WAIT_TIMEOUT);
        }
        CloseHandle(h);
    }
}

} // namespace

int RunConsoleProgram(const std::string& program, const std::string& arguments, const std::string& workingDir,
                      const TBusyHook& busy, std::string* captured)
{
    TPipe in, out, err;
    MakePipe(in, true, "Could not create IN_PIPE");
    MakePipe(out, false, "Could not create OUT_PIPE");
    MakePipe(err, false, "Could not create ERR_PIPE");

    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
    si.wShowWindow = SW_HIDE;
    si.hStdInput = in.Read;
    si.hStdOutput = out.Write;
    si.hStdError = err.Write;

    HANDLE process = StartProcess(program, arguments, workingDir, si, true);

    // The child has its copies; closing ours gives it an empty standard
    // input and lets the drain threads see end-of-file when it is done.
    CloseIfOpen(in.Read);
    CloseIfOpen(in.Write);
    CloseIfOpen(out.Write);
    CloseIfOpen(err.Write);

    std::string capturedErr;
    TDrain outDrain{out.Read, captured}, errDrain{err.Read, captured ? &capturedErr : nullptr};
    HANDLE drains[2];
    StartDrains(process, outDrain, errDrain, drains);

    DWORD exitCode = 0;
    DWORD waitError = 0;
    DWORD wait = WaitForProcess(process, busy, exitCode, waitError);
    EndDrains(drains);
    if (wait == WAIT_FAILED)
        throw Exception(OSErrorText(static_cast<int>(waitError)));
    if (captured && captured->size() < CapturedLimit)
        captured->append(capturedErr, 0, CapturedLimit - captured->size());
    return static_cast<int>(exitCode);
}

namespace {

// No STARTF_USESHOWWINDOW: the first window of the program is shown as it
// asks, and no inherited handles, which a GUI program has no use for.
int CreateGuiProcess(const std::string& program, const std::string& arguments, const std::string& workingDir,
                     intptr_t& process)
{
    STARTUPINFOW si{};
    si.cb = sizeof si;
    std::wstring commandLine = CommandLine(program, arguments);
    std::wstring folder = WideFromUtf8(workingDir);
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        workingDir.empty() ? nullptr : folder.c_str(), &si, &pi))
        return static_cast<int>(GetLastError());
    CloseHandle(pi.hThread);
    process = reinterpret_cast<intptr_t>(pi.hProcess);
    return 0;
}

// The shell's start raises the elevation prompt; it keeps the process
// handle, so the wait is the same as for CreateProcess.
int ShellStartProcess(const std::string& program, const std::string& arguments, const std::string& workingDir,
                      intptr_t& process)
{
    std::wstring file = WideFromUtf8(UnquoteProgram(program));
    std::wstring parameters = WideFromUtf8(arguments);
    std::wstring folder = WideFromUtf8(workingDir);
    // The shell may hand the start to COM objects, which want an apartment.
    HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
    info.lpFile = file.c_str();
    info.lpParameters = parameters.c_str();
    info.lpDirectory = workingDir.empty() ? nullptr : folder.c_str();
    info.nShow = SW_SHOWNORMAL;
    int error = ShellExecuteExW(&info) ? 0 : static_cast<int>(GetLastError());
    if (SUCCEEDED(com))
        CoUninitialize();
    if (error == 0)
        process = reinterpret_cast<intptr_t>(info.hProcess);
    return error;
}

// Waiting without pumping would make every window of this thread stop
// painting, and Windows would mark it "Not Responding".
int WaitPumping(intptr_t handle)
{
    HANDLE process = reinterpret_cast<HANDLE>(handle);
    // The shell may start nothing of its own to wait for.
    if (!process)
        return 0;
    bool quit = false;
    WPARAM quitCode = 0;
    DWORD wait;
    for (;;) {
        wait = MsgWaitForMultipleObjects(1, &process, FALSE, INFINITE, QS_ALLINPUT);
        if (wait != WAIT_OBJECT_0 + 1)
            break;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                quit = true;
                quitCode = msg.wParam;
                continue;
            }
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    DWORD waitError = wait == WAIT_FAILED ? GetLastError() : 0;
    DWORD exitCode = 0;
    GetExitCodeProcess(process, &exitCode);
    CloseHandle(process);
    // A quit request that came while waiting belongs to the caller's loop.
    if (quit)
        PostQuitMessage(static_cast<int>(quitCode));
    if (wait == WAIT_FAILED)
        throw Exception(OSErrorText(static_cast<int>(waitError)));
    return static_cast<int>(exitCode);
}

} // namespace

TGuiStarter SystemGuiStarter()
{
    return TGuiStarter{CreateGuiProcess, ShellStartProcess, WaitPumping};
}
