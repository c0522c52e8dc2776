// The desktop setup wizard of packages that show wizard pages: welcome,
// licence and finish pages in the languages of the build, then the package's
// CAB files go to the ActiveSync Application Manager as the launcher hands
// them over. Plain Win32 with the wide calls: the package's texts are
// Windows-1252 and are converted for display; paths are UTF-8.

#include "setupwizard/SetupWizard.h"

#include "common/DllSearch_win32.h"
#include "common/Paths.h"
#include "common/Platform.h"
#include "common/WinString.h"
#include "storage/uScramble.h"

#include <commctrl.h>
#include <olectl.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

// The Wine tests' switch: VI_SETUP_UNATTENDED accepts the licence, walks the
// pages and answers every message box, so that a run ends without a person.
// Only test variants (VI_TEST_SWITCHES) read it; the shipped wizard has none.
bool Unattended()
{
#ifdef VI_TEST_SWITCHES
    const char* v = std::getenv("VI_SETUP_UNATTENDED");
    return v && *v && std::string(v) != "0";
#else
    return false;
#endif
}

bool HighContrast()
{
#ifdef VI_TEST_SWITCHES
    if (const char* v = std::getenv("VI_SETUP_HIGH_CONTRAST"))
        return std::string(v) == "1";
#endif
    HIGHCONTRASTW contrast{};
    contrast.cbSize = sizeof(contrast);
    return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof(contrast), &contrast, 0) &&
           (contrast.dwFlags & HCF_HIGHCONTRASTON);
}

TSetupWizard::~TSetupWizard()
{
    if (FPicture)
        FPicture->Release();
    for (HFONT f : {FFont, FBold, FHeadingFont})
        if (f)
            DeleteObject(f);
}

std::wstring TSetupWizard::Caption() const
{
    return FModel ? WideFromAnsi(FModel->AppName() + " Setup") : L"Setup";
}

namespace {

// The button texts of the message box being opened; a CBT hook puts them on
// its buttons as it is activated, since MessageBox itself shows the
// system's words, not the package's language.
struct TBoxButtons {
    HHOOK Hook = nullptr;
    std::wstring Yes, No, Ok;
};
TBoxButtons gBoxButtons;

LRESULT CALLBACK RenameBoxButtons(int code, WPARAM wp, LPARAM lp)
{
    if (code == HCBT_ACTIVATE) {
        HWND box = HWND(wp);
        SetDlgItemTextW(box, IDYES, gBoxButtons.Yes.c_str());
        SetDlgItemTextW(box, IDNO, gBoxButtons.No.c_str());
        SetDlgItemTextW(box, IDOK, gBoxButtons.Ok.c_str());
        UnhookWindowsHookEx(gBoxButtons.Hook);
        gBoxButtons.Hook = nullptr;
        return 0;
    }
    return CallNextHookEx(gBoxButtons.Hook, code, wp, lp);
}

} // namespace

int TSetupWizard::Box(const std::wstring& text, UINT flags)
{
    if (FModel) {
        gBoxButtons.Yes = WideFromAnsi(FModel->Text("4.YesBtn", "&Yes"));
        gBoxButtons.No = WideFromAnsi(FModel->Text("4.NoBtn", "&No"));
        gBoxButtons.Ok = WideFromAnsi(FModel->Text("4.OkBtn", "OK"));
        gBoxButtons.Hook = SetWindowsHookExW(WH_CBT, RenameBoxButtons, nullptr, GetCurrentThreadId());
    }
    int answer = MessageBoxW(FWnd, text.c_str(), Caption().c_str(), flags);
    if (gBoxButtons.Hook) {
        UnhookWindowsHookEx(gBoxButtons.Hook);
        gBoxButtons.Hook = nullptr;
    }
    return answer;
}

void TSetupWizard::Message(const std::wstring& text, UINT icon)
{
    if (Unattended()) {
        std::fprintf(stderr, "%s\n", Utf8FromWide(text).c_str());
        return;
    }
    Box(text, MB_OK | icon);
}

void TSetupWizard::Cancel()
{
    if (FWaiting)
        return;
    if (FInstalled) {
        DestroyWindow(FWnd);
        return;
    }
    std::wstring question = WideFromAnsi(FModel->Text("0.ConfirmQuit", "Do you really want to leave the setup?"));
    if (Unattended() || Box(question, MB_YESNO | MB_ICONQUESTION) == IDYES)
        DestroyWindow(FWnd);
}

LRESULT CALLBACK TSetupWizard::WindowProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_NCCREATE) {
        auto* self = static_cast<TSetupWizard*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
        self->FWnd = wnd;
        SetWindowLongPtrW(wnd, GWLP_USERDATA, LONG_PTR(self));
    }
    auto* self = reinterpret_cast<TSetupWizard*>(GetWindowLongPtrW(wnd, GWLP_USERDATA));
    return self ? self->Handle(msg, wp, lp) : DefWindowProcW(wnd, msg, wp, lp);
}

LRESULT TSetupWizard::Handle(UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_PAINT: PaintFrame(); return 0;
    case WM_CTLCOLORSTATIC: return StaticColors(HDC(wp), HWND(lp));
    case WM_COMMAND:
        if (Command(wp))
            return 0;
        break;
#ifdef VI_TEST_SWITCHES
    case WM_APP: RunUnattended(); return 0;
#endif
    case WM_ACTIVATE:
        if (LOWORD(wp) == WA_INACTIVE) {
            HWND focus = GetFocus();
            if (focus && IsChild(FWnd, focus))
                FFocus = focus;
        } else if (FFocus && IsWindowVisible(FFocus) && IsWindowEnabled(FFocus)) {
            SetFocus(FFocus);
            return 0;
        }
        break;
    case DM_GETDEFID: return MAKELRESULT(FDefaultId, DC_HASDEFID);
    case DM_SETDEFID: SetDefaultButton(int(wp)); return TRUE;
    case WM_CLOSE: Cancel(); return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    }
    return DefWindowProcW(FWnd, msg, wp, lp);
}

// The white band above, the etched lines, and the picture.
void TSetupWizard::PaintFrame()
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(FWnd, &ps);
    RECT band{0, 0, S(kClientWidth), S(kBandHeight)};
    FillRect(dc, &band, BandBrush());
    RECT line{0, S(kBandHeight) - 1, S(kClientWidth), S(kBandHeight) + 1};
    DrawEdge(dc, &line, EDGE_ETCHED, BF_TOP);
    RECT bottom{0, S(kBottomTop) - 1, S(kClientWidth), S(kBottomTop) + 1};
    DrawEdge(dc, &bottom, EDGE_ETCHED, BF_TOP);
    PaintPicture(dc);
    EndPaint(FWnd, &ps);
}

// The band above is white as in every wizard of the system, and in a
// high-contrast theme takes the theme's window colour; its text is black on
// white, else the theme's. Everything else draws in the system's dialog
// colours, so that a dark or high-contrast theme stays readable.
HBRUSH TSetupWizard::BandBrush() const
{
    return HighContrast() ? GetSysColorBrush(COLOR_WINDOW) : HBRUSH(GetStockObject(WHITE_BRUSH));
}

LRESULT TSetupWizard::StaticColors(HDC dc, HWND control)
{
    COLORREF text, back;
    HBRUSH brush;
    if (control == FHeading) {
        const bool contrast = HighContrast();
        text = contrast ? GetSysColor(COLOR_WINDOWTEXT) : RGB(0, 0, 0);
        back = contrast ? GetSysColor(COLOR_WINDOW) : RGB(255, 255, 255);
        brush = BandBrush();
    } else {
        text = GetSysColor(control == FBrand ? COLOR_GRAYTEXT : COLOR_BTNTEXT);
        back = GetSysColor(COLOR_BTNFACE);
        brush = GetSysColorBrush(COLOR_BTNFACE);
    }
    SetTextColor(dc, text);
    SetBkColor(dc, back);
#ifdef VI_TEST_SWITCHES
    // The Wine tests read the colours each text is drawn with.
    if (Unattended())
        std::fprintf(stderr, "text colours: %s %06lx on %06lx\n",
                     control == FHeading ? "heading"
                     : control == FBrand ? "brand"
                                         : "page",
                     static_cast<unsigned long>(text), static_cast<unsigned long>(back));
#endif
    return LRESULT(brush);
}

// False for a command the wizard does not handle.
bool TSetupWizard::Command(WPARAM wp)
{
    switch (LOWORD(wp)) {
    case idBack:
        if (FCurrent > 0 && !FInstalled)
            ShowPage(FCurrent - 1);
        return true;
    case idNext: Next(); return true;
    // Enter where no button has the focus (the radio buttons, the licence).
    case IDOK: PressDefaultButton(); return true;
    case idFinish: Finish(); return true;
    case IDCANCEL:
    case idCancel: Cancel(); return true;
    case idAccept:
    case idDoNotAccept: UpdateButtons(); return true;
    case idLanguage:
        if (HIWORD(wp) == CBN_SELCHANGE) {
            LRESULT i = SendMessageW(FLanguage, CB_GETCURSEL, 0, 0);
            if (i >= 0 && size_t(i) < FModel->Languages().size()) {
                FModel->SetLanguage(FModel->Languages()[i]);
                ApplyTexts();
                UpdateButtons();
            }
        }
        return true;
    }
    return false;
}

#ifdef VI_TEST_SWITCHES
// Unattended run (tests): accept, go through every page, finish; with
// VI_SETUP_UNATTENDED=cancel, leave on the first page instead; with "keys",
// wait for the keyboard test's keys (message boxes still answered).
void TSetupWizard::RunUnattended()
{
    const char* how = std::getenv("VI_SETUP_UNATTENDED");
    if (how && std::string(how) == "cancel") {
        Cancel();
        return;
    }
    // The keyboard test presses the keys itself.
    if (how && std::string(how) == "keys")
        return;
    SendMessageW(FAccept, BM_SETCHECK, BST_CHECKED, 0);
    SendMessageW(FDoNotAccept, BM_SETCHECK, BST_UNCHECKED, 0);
    while (FCurrent + 1 < FModel->Pages().size() && IsWindow(FWnd)) {
        size_t before = FCurrent;
        Next();
        if (FCurrent == before) {
            DestroyWindow(FWnd);
            return;
        }
    }
    if (IsWindow(FWnd))
        Finish();
    if (IsWindow(FWnd))
        DestroyWindow(FWnd);
}
#endif

int TSetupWizard::Run()
{
    if (!OpenPackage())
        return kExitFailed;
    FModel = std::make_unique<TWizardModel>(*FPackage.ResourceFile());
    if (FModel->Pages().empty()) {
        // A build without pages starts the launcher instead; be useful anyway.
        Install();
        return ExitCode();
    }

    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    OleInitialize(nullptr);
    LoadPicture();
    if (!CreateMainWindow())
        return kExitFailed;
    CreateControls();
    ApplyTexts();
    // With the finish page alone there is nothing to ask first; the finish
    // page says the files were handed over, so a failure ends on its message.
    if (FModel->Pages().front() == wpFinish && !Install()) {
        DestroyWindow(FWnd);
        OleUninitialize();
        return ExitCode();
    }
    ShowPage(0);
    ShowWindow(FWnd, SW_SHOWNORMAL);
    UpdateWindow(FWnd);
    if (Unattended())
        PostMessageW(FWnd, WM_APP, 0, 0);

    MessageLoop();
    if (FPicture) {
        FPicture->Release();
        FPicture = nullptr;
    }
    OleUninitialize();
    return ExitCode();
}

// The package's index and resource file; false, after telling, when they
// cannot be read.
bool TSetupWizard::OpenPackage()
{
    try {
        FPackage.ReadIndexFile();
        FPackage.OpenResourceFile();
    } catch (const std::exception& e) {
        std::string resources = FPackage.ResFileName().empty() ? "" : AppendPath(FFolder, FPackage.ResFileName());
        std::string text = NoResourcesText(resources, e.what());
        if (Unattended())
            std::fprintf(stderr, "%s\n", text.c_str());
        else
            ShowErrorBox("Error", text);
        return false;
    }
    return true;
}

// The main window, centred on the screen, its client area scaled to the
// screen's dots per inch.
bool TSetupWizard::CreateMainWindow()
{
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = FInstance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    wc.hIcon = LoadIconW(FInstance, MAKEINTRESOURCEW(1));
    wc.lpszClassName = L"VeltrinSetupWizard";
    RegisterClassExW(&wc);

    DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
    HDC screen = GetDC(nullptr);
    gDpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    RECT r{0, 0, S(kClientWidth), S(kClientHeight)};
    AdjustWindowRect(&r, style, FALSE);
    int w = r.right - r.left, h = r.bottom - r.top;
    int x = (GetSystemMetrics(SM_CXSCREEN) - w) / 2, y = (GetSystemMetrics(SM_CYSCREEN) - h) / 2;
    CreateWindowExW(WS_EX_CONTROLPARENT, wc.lpszClassName, L"Setup", style, x, y, w, h, nullptr, nullptr, FInstance,
                    this);
    return FWnd != nullptr;
}

void TSetupWizard::MessageLoop()
{
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        // Enter presses the push button that has the focus; the dialog
        // manager would press the default one, since no dialog procedure
        // moves the default to the focused button here.
        HWND focus = GetFocus();
        if (msg.message == WM_KEYDOWN && msg.wParam == VK_RETURN &&
            (focus == FBack || focus == FNextButton || focus == FFinishButton || focus == FCancelButton)) {
            SendMessageW(focus, BM_CLICK, 0, 0);
            continue;
        }
        if (!IsDialogMessageW(FWnd, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    PreloadSystemLibraries(RestrictDllSearchToSystem());
    TSetupWizard wizard(instance, GetProgramDir());
#ifdef VI_TEST_SWITCHES
    // The Wine tests reach the per-user copy although Wine lets them write
    // the Application Manager's folder.
    if (std::getenv("VI_HANDOVER_SKIP_APPMGR_FOLDER"))
        wizard.Package().SkipAppManagerFolder();
#endif
    return wizard.Run();
}
