// The self-extractor stub: a Windows program to which makesfx appends a ZIP
// archive and a settings trailer. It unpacks the archive into a new, private
// folder below the user's temporary folder, runs the program the settings
// name there, waits for it to end and removes the folder.

#include "formats/SfxArchive.h"
#include "formats/SfxLayout.h"
#include "tools/sfxstub/SfxNames.h"

#include "common/DllSearch_win32.h"
#include "common/Exception.h"
#include "common/Paths.h"

#include <windows.h>
#include <commctrl.h>
#include <sddl.h>

#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int ExitDamaged = 2;
constexpr int ExitCannotUnpack = 3;
constexpr int ExitCannotStart = 4;
// Windows Installer's code for "another installation is already in
// progress", which deployment tools know.
constexpr int ExitAlreadyRunning = 1618;

std::wstring Widen(const std::string& text, UINT codePage)
{
    if (text.empty())
        return std::wstring();
    int n = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring result(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), result.data(), n);
    return result;
}

// Messages are UTF-8 inside the stub and become UTF-16 only for display.
std::string Utf8(const std::wstring& text)
{
    if (text.empty())
        return std::string();
    int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(), n, nullptr, nullptr);
    return result;
}

std::string SystemText(DWORD code)
{
    wchar_t* text = nullptr;
    DWORD n =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, 0, reinterpret_cast<LPWSTR>(&text), 0, nullptr);
    std::string result = n && text ? Utf8(std::wstring(text, n)) : "error " + std::to_string(code);
    if (text)
        LocalFree(text);
    while (!result.empty() && (result.back() == '\n' || result.back() == '\r' || result.back() == ' '))
        result.pop_back();
    return result;
}

// A failure the user has to see. In test variants (VI_TEST_SWITCHES) the
// Wine tests' switch VI_SFX_QUIET=1 sends it to standard error instead of a
// message box, so that their runs never wait for a click; the shipped stub
// always shows the box.
class TStubError : public Exception {
public:
    TStubError(const std::string& message, int exitCode) : Exception(message), FExitCode(exitCode) {}
    int ExitCode() const { return FExitCode; }

private:
    int FExitCode;
};

void Report(const std::wstring& title, const std::string& message)
{
#ifdef VI_TEST_SWITCHES
    wchar_t quiet[8] = {};
    if (GetEnvironmentVariableW(L"VI_SFX_QUIET", quiet, 8) > 0 && quiet[0] == L'1') {
        HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
        std::string line = message + "\r\n";
        DWORD written = 0;
        if (err && err != INVALID_HANDLE_VALUE)
            WriteFile(err, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
        return;
    }
#endif
    MessageBoxW(nullptr, Widen(message, CP_UTF8).c_str(), title.c_str(), MB_OK | MB_ICONERROR);
}

class TFileSource : public TSfxSource {
public:
    TFileSource(HANDLE file, uint64_t base, uint64_t size) : FFile(file), FBase(base), FSize(size) {}
    uint64_t Size() const override { return FSize; }
    void ReadAt(uint64_t offset, void* buffer, size_t count) const override
    {
        if (offset > FSize || count > FSize - offset)
            throw Exception("The archive is damaged: a read runs past its end.");
        ReadFileAt(FFile, FBase + offset, buffer, count);
    }

    static void ReadFileAt(HANDLE file, uint64_t offset, void* buffer, size_t count)
    {
        LARGE_INTEGER pos;
        pos.QuadPart = static_cast<LONGLONG>(offset);
        if (!SetFilePointerEx(file, pos, nullptr, FILE_BEGIN))
            throw Exception("Cannot read the setup package: " + SystemText(GetLastError()));
        auto* p = static_cast<uint8_t*>(buffer);
        while (count > 0) {
            DWORD got = 0;
            DWORD want = count > 0x100000 ? 0x100000 : static_cast<DWORD>(count);
            if (!ReadFile(file, p, want, &got, nullptr) || got == 0)
                throw Exception("Cannot read the setup package: " + SystemText(GetLastError()));
            p += got;
            count -= got;
        }
    }

private:
    HANDLE FFile;
    uint64_t FBase;
    uint64_t FSize;
};

class THandle {
public:
    explicit THandle(HANDLE h = INVALID_HANDLE_VALUE) : FHandle(h) {}
    ~THandle()
    {
        if (FHandle && FHandle != INVALID_HANDLE_VALUE)
            CloseHandle(FHandle);
    }
    THandle(const THandle&) = delete;
    THandle& operator=(const THandle&) = delete;
    HANDLE Get() const { return FHandle; }
    bool Valid() const { return FHandle && FHandle != INVALID_HANDLE_VALUE; }

private:
    HANDLE FHandle;
};

// The progress window of autoextract mode: the file being unpacked and a bar
// for the whole archive. It has no buttons; unpacking pumps its messages.
class TProgressWindow {
public:
    // unpacking: the package's "Unpacking..." (built-in when empty); the
    // file names follow it without its closing dots.
    TProgressWindow(const std::wstring& title, const std::wstring& unpacking)
        : FUnpacking(unpacking.empty() ? L"Unpacking..." : unpacking)
    {
        INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_PROGRESS_CLASS};
        InitCommonControlsEx(&icc);
        HINSTANCE instance = GetModuleHandleW(nullptr);
        WNDCLASSW wc{};
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = instance;
        wc.hCursor = LoadCursor(nullptr, IDC_WAIT);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = L"VISfxProgress";
        RegisterClassW(&wc);

        // Sizes at 96 dots per inch, scaled to the screen: the program is
        // DPI aware, so Windows leaves the scaling to it.
        HDC screen = GetDC(nullptr);
        const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(nullptr, screen);
        auto scale = [dpi](int pixels) { return MulDiv(pixels, dpi, 96); };
        const int width = scale(420), height = scale(108);
        int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
        int y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
        FWindow =
            CreateWindowExW(WS_EX_DLGMODALFRAME, wc.lpszClassName, title.c_str(), WS_POPUP | WS_CAPTION | WS_VISIBLE, x,
                            y, width, height, nullptr, nullptr, instance, nullptr);
        if (!FWindow)
            return;
        NONCLIENTMETRICSW metrics{};
        metrics.cbSize = sizeof(metrics);
        if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0))
            FFont = CreateFontIndirectW(&metrics.lfMessageFont);
        HFONT font = FFont ? FFont : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
        FLabel = CreateWindowExW(0, L"STATIC", FUnpacking.c_str(), WS_CHILD | WS_VISIBLE | SS_LEFTNOWORDWRAP, scale(14),
                                 scale(14), width - scale(34), scale(18), FWindow, nullptr, instance, nullptr);
        SendMessageW(FLabel, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
        FBar = CreateWindowExW(0, PROGRESS_CLASSW, nullptr, WS_CHILD | WS_VISIBLE, scale(14), scale(42),
                               width - scale(34), scale(20), FWindow, nullptr, instance, nullptr);
        SendMessageW(FBar, PBM_SETRANGE32, 0, 1000);
        Pump();
    }
    ~TProgressWindow()
    {
        if (FWindow)
            DestroyWindow(FWindow);
        if (FFont)
            DeleteObject(FFont);
    }
    TProgressWindow(const TProgressWindow&) = delete;
    TProgressWindow& operator=(const TProgressWindow&) = delete;

    void SetFile(const std::wstring& name)
    {
        size_t end = FUnpacking.find_last_not_of(L". \x2026");
        if (FLabel)
            SetWindowTextW(FLabel,
                           (FUnpacking.substr(0, end == std::wstring::npos ? 0 : end + 1) + L" " + name).c_str());
        Pump();
    }
    void SetPosition(uint64_t done, uint64_t total)
    {
        int pos = total ? static_cast<int>(done * 1000 / total) : 1000;
        if (FBar && pos != FPosition) {
            FPosition = pos;
            SendMessageW(FBar, PBM_SETPOS, static_cast<WPARAM>(pos), 0);
            Pump();
        }
    }

    static void Pump()
    {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }

private:
    std::wstring FUnpacking;
    HWND FWindow = nullptr;
    HWND FLabel = nullptr;
    HWND FBar = nullptr;
    HFONT FFont = nullptr;
    int FPosition = -1;
};

std::wstring ModulePath()
{
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0)
            throw TStubError("Cannot find the setup package: " + SystemText(GetLastError()), ExitDamaged);
        if (n < buffer.size())
            return std::wstring(buffer.data(), n);
        buffer.resize(buffer.size() * 2);
    }
}

std::wstring EnvironmentText(const wchar_t* name)
{
    std::wstring value(MAX_PATH + 1, L'\0');
    DWORD n = GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size()));
    if (n >= value.size()) {
        value.resize(n);
        n = GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size()));
    }
    value.resize(n < value.size() ? n : 0);
    return value;
}

// The security of the extraction folder: %TEMP% may be shared (C:\Temp,
// with Modify for Authenticated Users inherited), and no other user may
// read the package's files there or swap the program about to run. The
// folder's list is protected from inheritance and grants the user running
// the package alone; what is unpacked into it inherits that.
class TOwnerOnlySecurity {
public:
    TOwnerOnlySecurity()
    {
        HANDLE token = nullptr;
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
            Fail();
        DWORD size = 0;
        GetTokenInformation(token, TokenUser, nullptr, 0, &size);
        std::vector<BYTE> user(size ? size : 1);
        wchar_t* sid = nullptr;
        bool ok = GetTokenInformation(token, TokenUser, user.data(), size, &size) &&
                  ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid, &sid);
        CloseHandle(token);
        if (!ok)
            Fail();
        std::wstring sddl = L"D:P(A;OICI;FA;;;" + std::wstring(sid) + L")";
        LocalFree(sid);
        if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &FDescriptor, nullptr))
            Fail();
        FAttributes.nLength = sizeof(FAttributes);
        FAttributes.lpSecurityDescriptor = FDescriptor;
        FAttributes.bInheritHandle = FALSE;
    }
    ~TOwnerOnlySecurity()
    {
        if (FDescriptor)
            LocalFree(FDescriptor);
    }
    TOwnerOnlySecurity(const TOwnerOnlySecurity&) = delete;
    TOwnerOnlySecurity& operator=(const TOwnerOnlySecurity&) = delete;
    SECURITY_ATTRIBUTES* Attributes() { return &FAttributes; }

private:
    [[noreturn]] static void Fail()
    {
        throw TStubError("Cannot unpack the setup files: the temporary folder cannot be made private: " +
                             SystemText(GetLastError()),
                         ExitCannotUnpack);
    }

    PSECURITY_DESCRIPTOR FDescriptor = nullptr;
    SECURITY_ATTRIBUTES FAttributes{};
};

// Makes a new folder below base, whose name no other run gets;
// CreateDirectory failing for an existing name is what keeps runs apart.
// Returns an empty text (and the reason in error) when base cannot hold one.
std::wstring FreshFolderIn(std::wstring base, SECURITY_ATTRIBUTES* security, std::string& error)
{
    if (base.empty())
        return std::wstring();
    if (base.back() != L'\\')
        base += L'\\';
    // A name that leaves the package's own files no room under MAX_PATH
    // would fail later, file by file, with a less useful message.
    if (base.size() > MAX_PATH - 64) {
        error = "the temporary folder " + Utf8(base) + " has too long a name";
        return std::wstring();
    }
    DWORD salt = GetTickCount() ^ (GetCurrentProcessId() << 16);
    DWORD lastError = 0;
    for (int attempt = 0; attempt < 1000; ++attempt) {
        std::wstring folder = base + L"VISFX" + std::to_wstring(GetCurrentProcessId()) + L"_" +
                              std::to_wstring((salt + attempt * 7919u) & 0xFFFFF);
        if (CreateDirectoryW(folder.c_str(), security))
            return folder;
        lastError = GetLastError();
        if (lastError == ERROR_ALREADY_EXISTS)
            continue;
        // A virus scanner may hold a new folder for a moment.
        if ((lastError == ERROR_SHARING_VIOLATION || lastError == ERROR_ACCESS_DENIED) && attempt < 5) {
            Sleep(200);
            continue;
        }
        break;
    }
    error = "cannot create a folder in " + Utf8(base) + ": " + SystemText(lastError);
    return std::wstring();
}

// A new folder below the user's temporary folder, or below
// %LOCALAPPDATA%\Temp when that one is missing, read-only or too long.
std::wstring CreateFreshFolder()
{
    TOwnerOnlySecurity security;
    std::string error, fallbackError;
    wchar_t temp[MAX_PATH + 1];
    DWORD n = GetTempPathW(MAX_PATH + 1, temp);
    std::wstring base = n > 0 && n <= MAX_PATH ? std::wstring(temp, n) : std::wstring();
    if (base.empty())
        error = "the temporary folder (TEMP, TMP) is not set or too long";
    std::wstring folder = FreshFolderIn(base, security.Attributes(), error);
    if (!folder.empty())
        return folder;
    std::wstring local = EnvironmentText(L"LOCALAPPDATA");
    if (!local.empty()) {
        std::wstring fallback = local + L"\\Temp";
        CreateDirectoryW(fallback.c_str(), nullptr);
        folder = FreshFolderIn(fallback, security.Attributes(), fallbackError);
        if (!folder.empty())
            return folder;
    }
    throw TStubError("Cannot unpack the setup files: " + error +
                         (fallbackError.empty() ? std::string() : "; " + fallbackError) + ".",
                     ExitCannotUnpack);
}

// The entry's name as Windows gets it; OpenPackage has refused every name
// that this could not decode or that leaves the folder.
std::wstring DeviceName(const TSfxEntry& entry)
{
    std::u16string wide;
    SfxWideName(entry.Name, entry.Utf8, wide);
    return std::wstring(wide.begin(), wide.end());
}

// One pass over the tree; true when the folder is gone.
bool RemoveTreeOnce(const std::wstring& folder)
{
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..")
                continue;
            const std::wstring path = folder + L"\\" + name;
            // A junction is removed, never followed.
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                !(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
                RemoveTreeOnce(path);
            } else if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveDirectoryW(path.c_str());
            } else {
                if (found.dwFileAttributes & FILE_ATTRIBUTE_READONLY)
                    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(path.c_str());
            }
        } while (FindNextFileW(find, &found));
        FindClose(find);
    }
    if (RemoveDirectoryW(folder.c_str()))
        return true;
    DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// The extraction folder goes on every way out: the program started there
// has handed its files on (the launcher and the wizard copy them to a
// folder of the application's own). A scanner may still hold a file that
// was just written or run, so a failed pass is tried again for a few seconds.
class TTemporaryFolder {
public:
    explicit TTemporaryFolder(std::wstring folder) : FFolder(std::move(folder)) {}
    ~TTemporaryFolder()
    {
        for (int attempt = 0; attempt < 20 && !RemoveTreeOnce(FFolder); ++attempt)
            Sleep(250);
    }
    TTemporaryFolder(const TTemporaryFolder&) = delete;
    TTemporaryFolder& operator=(const TTemporaryFolder&) = delete;
    const std::wstring& Path() const { return FFolder; }

private:
    std::wstring FFolder;
};

void CreateParents(const std::wstring& folder, const std::wstring& relative)
{
    for (size_t pos = relative.find(L'\\'); pos != std::wstring::npos; pos = relative.find(L'\\', pos + 1)) {
        std::wstring path = folder + L"\\" + relative.substr(0, pos);
        if (!CreateDirectoryW(path.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
            throw TStubError("Cannot create the folder " + Utf8(path) + ": " + SystemText(GetLastError()),
                             ExitCannotUnpack);
    }
}

// A scanner looks at a file as soon as it is written or about to run and
// holds it for a moment: sharing errors are tried again for about two seconds.
HANDLE OpenWithRetry(const std::wstring& path, DWORD access, DWORD share, DWORD disposition)
{
    for (int attempt = 0;; ++attempt) {
        HANDLE file = CreateFileW(path.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE || attempt >= 10 ||
            (GetLastError() != ERROR_SHARING_VIOLATION && GetLastError() != ERROR_LOCK_VIOLATION))
            return file;
        Sleep(200);
    }
}

void Unpack(const TSfxArchive& archive, const std::wstring& folder, TProgressWindow* window)
{
    uint64_t total = 0, done = 0;
    for (const TSfxEntry& e : archive.Entries())
        total += e.Size;

    for (const TSfxEntry& e : archive.Entries()) {
        std::wstring relative = DeviceName(e);
        CreateParents(folder, relative);
        std::wstring path = folder + L"\\" + relative;
        if (e.IsFolder) {
            if (!CreateDirectoryW(path.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
                throw TStubError("Cannot create a folder: " + SystemText(GetLastError()), ExitCannotUnpack);
            continue;
        }
        if (window)
            window->SetFile(relative);
        THandle out(OpenWithRetry(path, GENERIC_WRITE, 0, CREATE_ALWAYS));
        if (!out.Valid())
            throw TStubError("Cannot write " + Utf8(relative) + ": " + SystemText(GetLastError()), ExitCannotUnpack);
        uint64_t before = done;
        archive.Extract(
            e,
            [&](const uint8_t* data, size_t count) {
                DWORD written = 0;
                if (!WriteFile(out.Get(), data, static_cast<DWORD>(count), &written, nullptr) || written != count)
                    throw TStubError("Cannot write " + Utf8(relative) + ": " + SystemText(GetLastError()),
                                     ExitCannotUnpack);
            },
            [&](uint64_t entryDone) {
                done = before + entryDone;
                if (window)
                    window->SetPosition(done, total);
            });
    }
}

std::wstring ResolveExec(const std::string& exec, const std::wstring& folder)
{
    std::wstring text = Widen(exec, 1252);
    const std::wstring macro = L"$temp$";
    std::wstring result;
    for (size_t i = 0; i < text.size();) {
        // The macro is ASCII: folding ASCII letters is enough, and works on
        // every Windows (CompareStringOrdinal needs Vista).
        if (text.size() - i >= macro.size() && SameAsciiText(text.substr(i, macro.size()), macro)) {
            result += folder;
            i += macro.size();
        } else {
            result += text[i++];
        }
    }
    return result;
}

// One run of a package at a time: a second double-click while the first
// one's wizard is open brings that one to the front instead of starting a
// second wizard and a second hand-over. The package is known by its title,
// its program and the names, sizes and CRCs of its files; the first run
// publishes the ids of its processes (its own, and the setup program's once
// it runs) beside the mutex.
class TSingleRun {
public:
    TSingleRun(const TSfxSettings& settings, const TSfxArchive& archive)
    {
        uint32_t hash = 2166136261u;
        auto mix = [&hash](const std::string& text) {
            for (unsigned char c : text + '\n')
                hash = (hash ^ c) * 16777619u;
        };
        mix(settings.Title);
        mix(settings.Exec);
        for (const TSfxEntry& e : archive.Entries())
            mix(e.Name + ' ' + std::to_string(e.Size) + ' ' + std::to_string(e.Crc));
        wchar_t name[64];
        wsprintfW(name, L"Local\\VeltrinSetup-%08lx", static_cast<unsigned long>(hash));
        FMutex = CreateMutexW(nullptr, FALSE, name);
        FFirst = FMutex && GetLastError() != ERROR_ALREADY_EXISTS;
        lstrcatW(name, L"-ids");
        FIds = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 2 * sizeof(DWORD), name);
        if (FIds)
            FView = static_cast<DWORD*>(MapViewOfFile(FIds, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, 2 * sizeof(DWORD)));
        if (FFirst && FView)
            FView[0] = GetCurrentProcessId();
    }
    ~TSingleRun()
    {
        if (FView)
            UnmapViewOfFile(FView);
        for (HANDLE h : {FIds, FMutex})
            if (h)
                CloseHandle(h);
    }
    TSingleRun(const TSingleRun&) = delete;
    TSingleRun& operator=(const TSingleRun&) = delete;

    bool First() const { return FFirst; }
    void Started(DWORD processId)
    {
        if (FFirst && FView)
            FView[1] = processId;
    }
    // Brings the first run's visible top-level windows to the front.
    void ShowFirst() const
    {
        if (!FView)
            return;
        DWORD ids[2] = {FView[0], FView[1]};
        EnumWindows(RaiseWindowOf, reinterpret_cast<LPARAM>(ids));
    }

private:
    static BOOL CALLBACK RaiseWindowOf(HWND wnd, LPARAM param)
    {
        const DWORD* ids = reinterpret_cast<const DWORD*>(param);
        DWORD pid = 0;
        GetWindowThreadProcessId(wnd, &pid);
        if (pid != 0 && (pid == ids[0] || pid == ids[1]) && IsWindowVisible(wnd) && !GetWindow(wnd, GW_OWNER)) {
            if (IsIconic(wnd))
                ShowWindow(wnd, SW_RESTORE);
            SetForegroundWindow(wnd);
        }
        return TRUE;
    }

    HANDLE FMutex = nullptr;
    HANDLE FIds = nullptr;
    DWORD* FView = nullptr;
    bool FFirst = false;
};

int Run(const std::wstring& program, const std::wstring& folder, std::unique_ptr<TProgressWindow> window,
        TSingleRun& single)
{
    std::wstring commandLine = L"\"" + program + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    // The user started this program; without this the wizard's window may
    // open behind the browser the package was downloaded with.
    AllowSetForegroundWindow(ASFW_ANY);
    {
        // Held open, others only reading, until the process exists: nobody
        // can swap the program between the unpacking and the start.
        THandle hold(OpenWithRetry(program, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING));
        if (!hold.Valid() || !CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                             folder.c_str(), &si, &pi))
            throw TStubError("Cannot start the setup program " + Utf8(program) + ": " + SystemText(GetLastError()),
                             ExitCannotStart);
    }
    CloseHandle(pi.hThread);
    single.Started(pi.dwProcessId);
    // Something stays on screen until the setup program shows its window.
    // The window keeps answering meanwhile, so that Windows never marks it
    // "Not Responding".
    if (window) {
        const DWORD start = GetTickCount();
        while (WaitForInputIdle(pi.hProcess, 100) == WAIT_TIMEOUT && GetTickCount() - start < 10000)
            window->Pump();
        window.reset();
    }
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hProcess);
    return static_cast<int>(code);
}

// The settings and archive of a package whose file is open. The title of the
// windows and the text leading a failure become the package's own as soon
// as its settings are read, so that a damaged archive is reported under it.
struct TOpenPackage {
    TSfxSettings Settings;
    std::unique_ptr<TFileSource> Source;
    std::unique_ptr<TSfxArchive> Archive;
};

TOpenPackage OpenPackage(HANDLE file, std::wstring& title, std::string& failure)
{
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file, &size))
        throw TStubError("Cannot open the setup package: " + SystemText(GetLastError()), ExitDamaged);
    const uint64_t fileSize = static_cast<uint64_t>(size.QuadPart);

    TOpenPackage package;
    try {
        const TFileSource whole(file, 0, fileSize);
        const TSfxLayout layout = TSfxLayout::Read(whole);
        package.Settings = layout.Settings;
        if (!package.Settings.Title.empty())
            title = Widen(package.Settings.Title, 1252);
        failure = Utf8(Widen(package.Settings.Failure, 1252));
        package.Source = std::make_unique<TFileSource>(file, layout.ArchiveStart, layout.ArchiveSize);
        package.Archive = std::make_unique<TSfxArchive>(*package.Source);
    } catch (const TStubError&) {
        throw;
    } catch (const Exception& e) {
        throw TStubError("The setup package is damaged and cannot be unpacked.\r\n\r\n" + e.Message(), ExitDamaged);
    }
    // Every name is checked before anything is written, so a hostile
    // archive leaves nothing behind.
    for (const TSfxEntry& e : package.Archive->Entries()) {
        std::u16string wide;
        if (!SfxWideName(e.Name, e.Utf8, wide))
            throw TStubError(
                "The setup package is damaged and cannot be unpacked.\r\n\r\n"
                "It holds a file whose name is no valid text.",
                ExitDamaged);
        if (!TSfxArchive::IsSafeName(e.Name) || !IsSafeWideName(wide))
            throw TStubError(
                "The setup package is damaged and cannot be unpacked.\r\n\r\n"
                "It holds a file that would be unpacked outside its folder: " +
                    Utf8(std::wstring(wide.begin(), wide.end())),
                ExitDamaged);
    }
    return package;
}

// Unpack, with a broken archive reported as a damaged package.
void UnpackPackage(const TSfxArchive& archive, const std::wstring& folder, TProgressWindow* window)
{
    try {
        Unpack(archive, folder, window);
    } catch (const TStubError&) {
        throw;
    } catch (const Exception& e) {
        throw TStubError("The setup package is damaged and cannot be unpacked.\r\n\r\n" + e.Message(), ExitDamaged);
    }
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int)
{
    // The progress window is themed too.
    PreloadSystemLibraries(RestrictDllSearchToSystem());
    std::wstring title = L"Setup";
    std::string failure;
    // The package's words lead; the reason is the stub's or the system's.
    auto report = [&](const std::string& message) {
        Report(title, failure.empty() ? message : failure + "\r\n\r\n" + message);
    };
    try {
        std::wstring self = ModulePath();
        THandle file(CreateFileW(self.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.Valid())
            throw TStubError("Cannot open the setup package: " + SystemText(GetLastError()), ExitDamaged);
        TOpenPackage package = OpenPackage(file.Get(), title, failure);
        TSingleRun single(package.Settings, *package.Archive);
        if (!single.First()) {
            single.ShowFirst();
            return ExitAlreadyRunning;
        }

        TTemporaryFolder folder(CreateFreshFolder());
        std::unique_ptr<TProgressWindow> window;
        if (package.Settings.AutoExtract)
            window = std::make_unique<TProgressWindow>(title, Widen(package.Settings.Unpacking, 1252));
        UnpackPackage(*package.Archive, folder.Path(), window.get());
        return Run(ResolveExec(package.Settings.Exec, folder.Path()), folder.Path(), std::move(window), single);
    } catch (const TStubError& e) {
        report(e.Message());
        return e.ExitCode();
    } catch (const std::exception& e) {
        report(e.what());
        return ExitCannotUnpack;
    }
}
