// The desktop setup wizard of packages that show wizard pages: welcome,
// licence and finish pages in the languages of the build, then the package's
// CAB files go to the ActiveSync Application Manager as the launcher hands
// them over. Plain Win32 with the wide calls: the package's texts are
// Windows-1252 and are converted for display; paths are UTF-8.

#include "common/DllSearch_win32.h"
#include "common/Exception.h"
#include "common/Paths.h"
#include "common/Platform.h"
#include "common/WinString.h"
#include "handover/Deskstart.h"
#include "setupwizard/WizardModel.h"
#include "storage/uScramble.h"

#include <windows.h>
#include <commctrl.h>
#include <ocidl.h>
#include <olectl.h>
#include <richedit.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

// Layout, in pixels of the client area at 96 dots per inch; S() scales them
// to the screen, since the program declares itself DPI aware and Windows
// then leaves the scaling to it.
constexpr int kPictureWidth = 185;
constexpr int kPictureHeight = 294;
constexpr int kPageWidth = 340;
constexpr int kClientWidth = kPictureWidth + kPageWidth;
constexpr int kBandHeight = 58;
constexpr int kMiddleTop = kBandHeight + 1;
constexpr int kBottomTop = kMiddleTop + kPictureHeight + 1;
constexpr int kClientHeight = kBottomTop + 48;
constexpr int kPageLeft = kPictureWidth + 12;
constexpr int kPageTop = kMiddleTop + 10;
constexpr int kPageInnerWidth = kPageWidth - 24;
constexpr int kPageInnerHeight = kPictureHeight - 20;
constexpr int kButtonWidth = 80;
constexpr int kButtonHeight = 25;

int gDpi = 96;

int S(int pixels)
{
    return MulDiv(pixels, gDpi, 96);
}

enum TControlId {
    idBack = 100, idNext, idFinish, idCancel, idLanguage, idAccept, idDoNotAccept, idUnattendedStep
};

const wchar_t* const kBrand = L"Veltrin Installer";

// Texts of the package are Windows-1252; the wide calls show them the same
// on every system, whatever its ANSI code page.
void SetText(HWND window, const std::string& ansi)
{
    SetWindowTextW(window, WideFromAnsi(ansi).c_str());
}

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

class TSetupWizard {
public:
    TSetupWizard(HINSTANCE instance, std::string folder) : FInstance(instance), FFolder(std::move(folder)), FPackage(FFolder) {}
    ~TSetupWizard();

    int Run();

private:
    static LRESULT CALLBACK WindowProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);

    void CreateControls();
    HWND Label(int x, int y, int w, int h, HFONT font);
    HWND Button(const wchar_t* caption, int id, DWORD style = BS_PUSHBUTTON);
    void ApplyTexts();
    void LayoutWelcome();
    void LayoutLicence();
    void LoadLicence();
    void ShowPage(size_t index);
    void UpdateButtons();
    bool CanGoNext() const;
    bool Install();
    void Next();
    void Finish();
    void Cancel();
    void Message(const std::wstring& text, UINT icon);
    std::wstring Caption() const;
    void LoadPicture();
    void PaintPicture(HDC dc);

    HINSTANCE FInstance;
    std::string FFolder;
    TDeskstart FPackage;
    std::unique_ptr<TWizardModel> FModel;
    HWND FWnd = nullptr;
    HFONT FFont = nullptr, FBold = nullptr, FHeadingFont = nullptr;
    HWND FHeading = nullptr, FBrand = nullptr;
    HWND FBack = nullptr, FNextButton = nullptr, FFinishButton = nullptr, FCancelButton = nullptr;
    std::vector<HWND> FWelcome, FLicence, FFinish;
    HWND FLanguage = nullptr, FLicenceText = nullptr, FAccept = nullptr, FDoNotAccept = nullptr;
    IPicture* FPicture = nullptr;
    size_t FCurrent = 0;
    bool FInstalled = false;
    bool FDone = false;
    // While the Application Manager runs the window still gets messages;
    // closing it then would pull the wizard out from under the wait.
    bool FWaiting = false;
};

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

void TSetupWizard::Message(const std::wstring& text, UINT icon)
{
    if (Unattended()) {
        std::fprintf(stderr, "%s\n", Utf8FromWide(text).c_str());
        return;
    }
    MessageBoxW(FWnd, text.c_str(), Caption().c_str(), MB_OK | icon);
}

HWND TSetupWizard::Label(int x, int y, int w, int h, HFONT font)
{
    HWND wnd = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | SS_LEFT | SS_NOPREFIX, S(x), S(y), S(w), S(h), FWnd, nullptr,
                               FInstance, nullptr);
    SendMessageW(wnd, WM_SETFONT, WPARAM(font), FALSE);
    return wnd;
}

HWND TSetupWizard::Button(const wchar_t* caption, int id, DWORD style)
{
    HWND wnd = CreateWindowExW(0, L"BUTTON", caption, WS_CHILD | WS_VISIBLE | WS_TABSTOP | style, 0,
                               S(kBottomTop + 12), S(kButtonWidth), S(kButtonHeight), FWnd, HMENU(INT_PTR(id)), FInstance,
                               nullptr);
    SendMessageW(wnd, WM_SETFONT, WPARAM(FFont), FALSE);
    return wnd;
}

void TSetupWizard::CreateControls()
{
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
    LOGFONTW lf = metrics.lfMessageFont;
    FFont = CreateFontIndirectW(&lf);
    lf.lfWeight = FW_BOLD;
    FBold = CreateFontIndirectW(&lf);
    lf.lfHeight = lf.lfHeight * 5 / 4;
    FHeadingFont = CreateFontIndirectW(&lf);

    FHeading = Label(20, 20, kClientWidth - 40, 24, FHeadingFont);
    ShowWindow(FHeading, SW_SHOW);
    // Wide enough for the line shown while the Application Manager runs.
    FBrand = Label(12, kBottomTop + 17, 240, 18, FFont);
    SetWindowTextW(FBrand, kBrand);
    ShowWindow(FBrand, SW_SHOW);

    for (int i = 0; i < 4; ++i)
        FWelcome.push_back(Label(kPageLeft, kPageTop, kPageInnerWidth, 20, i == 0 ? FBold : FFont));
    FLanguage = CreateWindowExW(0, L"COMBOBOX", L"", WS_CHILD | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 0, 0, S(150),
                                S(200), FWnd, HMENU(INT_PTR(idLanguage)), FInstance, nullptr);
    SendMessageW(FLanguage, WM_SETFONT, WPARAM(FFont), FALSE);
    for (const auto& language : FModel->Languages())
        SendMessageW(FLanguage, CB_ADDSTRING, 0, LPARAM(WideFromAnsi(language).c_str()));
    for (size_t i = 0; i < FModel->Languages().size(); ++i)
        if (FModel->Languages()[i] == FModel->Language())
            SendMessageW(FLanguage, CB_SETCURSEL, i, 0);
    FWelcome.push_back(FLanguage);

    FLicence.push_back(Label(kPageLeft, kPageTop, kPageInnerWidth, 32, FFont));
    LoadSystemLibrary(L"riched20.dll");
    FLicenceText = CreateWindowExW(WS_EX_CLIENTEDGE, RICHEDIT_CLASSW, L"",
                                   WS_CHILD | WS_VSCROLL | WS_TABSTOP | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL,
                                   S(kPageLeft), S(kPageTop + 36), S(kPageInnerWidth), S(kPageInnerHeight - 36 - 50), FWnd,
                                   nullptr, FInstance, nullptr);
    SendMessageW(FLicenceText, WM_SETFONT, WPARAM(FFont), FALSE);
    FLicence.push_back(FLicenceText);
    int radioTop = kPageTop + kPageInnerHeight - 44;
    FAccept = CreateWindowExW(0, L"BUTTON", L"", WS_CHILD | WS_TABSTOP | BS_AUTORADIOBUTTON | BS_MULTILINE | WS_GROUP, S(kPageLeft),
                              S(radioTop), S(kPageInnerWidth), S(20), FWnd, HMENU(INT_PTR(idAccept)), FInstance, nullptr);
    FDoNotAccept = CreateWindowExW(0, L"BUTTON", L"", WS_CHILD | WS_TABSTOP | BS_AUTORADIOBUTTON | BS_MULTILINE, S(kPageLeft),
                                   S(radioTop + 22), S(kPageInnerWidth), S(20), FWnd, HMENU(INT_PTR(idDoNotAccept)),
                                   FInstance, nullptr);
    for (HWND radio : {FAccept, FDoNotAccept})
        SendMessageW(radio, WM_SETFONT, WPARAM(FFont), FALSE);
    SendMessageW(FDoNotAccept, BM_SETCHECK, BST_CHECKED, 0);
    FLicence.push_back(FAccept);
    FLicence.push_back(FDoNotAccept);

    FFinish.push_back(Label(kPageLeft, kPageTop + 8, kPageInnerWidth, 20, FBold));
    FFinish.push_back(Label(kPageLeft, kPageTop + 36, kPageInnerWidth, 20, FFont));

    FBack = Button(L"", idBack);
    FNextButton = Button(L"", idNext, BS_DEFPUSHBUTTON);
    FFinishButton = Button(L"", idFinish);
    FCancelButton = Button(L"", idCancel);
}

int TextHeight(HWND label, HFONT font, int width)
{
    wchar_t buffer[4096];
    GetWindowTextW(label, buffer, 4096);
    HDC dc = GetDC(label);
    HGDIOBJ old = SelectObject(dc, font);
    RECT r{0, 0, width, 0};
    DrawTextW(dc, buffer, -1, &r, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(dc, old);
    ReleaseDC(label, dc);
    return r.bottom - r.top;
}

void TSetupWizard::LayoutWelcome()
{
    int y = S(kPageTop + 6);
    for (int i = 0; i < 3; ++i) {
        int h = TextHeight(FWelcome[i], i == 0 ? FBold : FFont, S(kPageInnerWidth));
        MoveWindow(FWelcome[i], S(kPageLeft), y, S(kPageInnerWidth), h, TRUE);
        y += h + S(10);
    }
    int bottom = S(kPageTop + kPageInnerHeight - 8);
    int h = TextHeight(FWelcome[3], FFont, S(kPageInnerWidth - 160));
    MoveWindow(FWelcome[3], S(kPageLeft), bottom - S(10) - h, S(kPageInnerWidth - 160), h, TRUE);
    MoveWindow(FLanguage, S(kPageLeft + kPageInnerWidth - 150), bottom - S(30), S(150), S(200), TRUE);
}

// Long choices (German ones are) wrap instead of running out of the page;
// the licence gives up the room they need.
void TSetupWizard::LayoutLicence()
{
    int textWidth = S(kPageInnerWidth) - GetSystemMetrics(SM_CXMENUCHECK) - S(6);
    int refuse = std::max(S(20), TextHeight(FDoNotAccept, FFont, textWidth) + S(4));
    int accept = std::max(S(20), TextHeight(FAccept, FFont, textWidth) + S(4));
    int bottom = S(kPageTop + kPageInnerHeight - 2);
    int refuseTop = bottom - refuse;
    int acceptTop = refuseTop - S(2) - accept;
    MoveWindow(FDoNotAccept, S(kPageLeft), refuseTop, S(kPageInnerWidth), refuse, TRUE);
    MoveWindow(FAccept, S(kPageLeft), acceptTop, S(kPageInnerWidth), accept, TRUE);
    int licenceTop = S(kPageTop + 36);
    MoveWindow(FLicenceText, S(kPageLeft), licenceTop, S(kPageInnerWidth), std::max(S(40), acceptTop - S(6) - licenceTop),
               TRUE);
}

DWORD CALLBACK StreamFromString(DWORD_PTR cookie, LPBYTE buffer, LONG size, LONG* read)
{
    auto* source = reinterpret_cast<std::pair<const std::string*, size_t>*>(cookie);
    size_t left = source->first->size() - source->second;
    size_t n = left < size_t(size) ? left : size_t(size);
    memcpy(buffer, source->first->data() + source->second, n);
    source->second += n;
    *read = LONG(n);
    return 0;
}

void TSetupWizard::LoadLicence()
{
    std::string text;
    try {
        auto bytes = ReadFileBytes(FModel->LicenceFile(FFolder));
        text.assign(bytes.begin(), bytes.end());
    } catch (const Exception&) {
        text.clear();
    }
    text = ExpandLicencePlaceholders(text, FModel->AppName(), FModel->CompanyName());
    // RTF names its code page itself; a plain-text licence is Windows-1252
    // and goes in as UTF-16, so that it reads the same on every system.
    bool rtf = text.rfind("{\\rtf", 0) == 0;
    if (!rtf) {
        std::u16string wide = AnsiToUtf16(text);
        text.assign(reinterpret_cast<const char*>(wide.data()), wide.size() * sizeof(char16_t));
    }
    std::pair<const std::string*, size_t> source{&text, 0};
    EDITSTREAM stream{};
    stream.dwCookie = DWORD_PTR(&source);
    stream.pfnCallback = StreamFromString;
    SendMessageW(FLicenceText, EM_STREAMIN, rtf ? SF_RTF : SF_TEXT | SF_UNICODE, LPARAM(&stream));
    SendMessageW(FLicenceText, EM_SETSEL, 0, 0);
    SendMessageW(FLicenceText, EM_SCROLLCARET, 0, 0);
}

void TSetupWizard::ApplyTexts()
{
    const TWizardModel& m = *FModel;
    SetText(FBack, m.Text("4.BackBtn", "Back"));
    SetText(FNextButton, m.Text("4.NextBtn", "Next"));
    SetText(FFinishButton, m.Text("4.FinishBtn", "Finish"));
    SetText(FCancelButton, m.Text("4.CancelBtn", "Cancel"));
    for (int i = 0; i < 4; ++i)
        SetText(FWelcome[i], m.Text("1.String" + std::to_string(i + 1)));
    SetText(FLicence[0], m.Text("2.License1"));
    SetText(FAccept, m.Text("2.Accept", "I accept"));
    SetText(FDoNotAccept, m.Text("2.DoNotAccept", "I do not accept"));
    SetText(FFinish[0], m.Text("3.String1"));
    SetText(FFinish[1], m.Text("3.String2"));
    int h = TextHeight(FFinish[0], FBold, S(kPageInnerWidth));
    MoveWindow(FFinish[0], S(kPageLeft), S(kPageTop + 8), S(kPageInnerWidth), h, TRUE);
    MoveWindow(FFinish[1], S(kPageLeft), S(kPageTop + 16) + h, S(kPageInnerWidth),
               TextHeight(FFinish[1], FFont, S(kPageInnerWidth)), TRUE);
    LayoutWelcome();
    LayoutLicence();
    LoadLicence();
    if (!m.Pages().empty())
        SetText(FHeading, m.Heading(m.Pages()[FCurrent]));
    SetWindowTextW(FWnd, Caption().c_str());
}

void TSetupWizard::ShowPage(size_t index)
{
    FCurrent = index;
    TWizardPage page = FModel->Pages()[index];
    for (HWND w : FWelcome)
        ShowWindow(w, page == wpWelcome ? SW_SHOW : SW_HIDE);
    for (HWND w : FLicence)
        ShowWindow(w, page == wpLicence ? SW_SHOW : SW_HIDE);
    for (HWND w : FFinish)
        ShowWindow(w, page == wpFinish ? SW_SHOW : SW_HIDE);
    SetText(FHeading, FModel->Heading(page));
    UpdateButtons();
}

bool TSetupWizard::CanGoNext() const
{
    return FModel->Pages()[FCurrent] != wpLicence || SendMessageW(FAccept, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void TSetupWizard::UpdateButtons()
{
    size_t n = FModel->Pages().size();
    int cancelLeft = kClientWidth - 12 - kButtonWidth;
    auto place = [](HWND button, int left) {
        SetWindowPos(button, nullptr, S(left), S(kBottomTop + 12), 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        return left;
    };
    place(FCancelButton, cancelLeft);
    bool last = FCurrent + 1 == n;
    ShowWindow(FBack, FCurrent > 0 ? SW_SHOW : SW_HIDE);
    ShowWindow(FNextButton, last ? SW_HIDE : SW_SHOW);
    ShowWindow(FFinishButton, last ? SW_SHOW : SW_HIDE);
    EnableWindow(FNextButton, CanGoNext());
    EnableWindow(FFinishButton, CanGoNext());
    // After the hand-over nothing can be undone: no way back, nothing to cancel.
    EnableWindow(FBack, !FInstalled);
    EnableWindow(FCancelButton, !FInstalled);
    int left = place(last ? FFinishButton : FNextButton, cancelLeft - 8 - kButtonWidth);
    place(FBack, left - kButtonWidth);
    SendMessageW(FWnd, DM_SETDEFID, last ? idFinish : idNext, 0);
}

bool TSetupWizard::Install()
{
    if (FInstalled)
        return true;
    HCURSOR old = SetCursor(LoadCursor(nullptr, IDC_WAIT));
    // The window stays alive while the Application Manager runs (the wait
    // pumps its messages) but takes no input until it is done.
    EnableWindow(FWnd, FALSE);
    bool ok = false;
    try {
        if (!FPackage.FindAppManager()) {
            Message(WideFromAnsi(FModel->Text("0.NoActiveSync",
                                              "No Active Sync found on the system. Setup will terminate!")),
                    MB_ICONERROR);
        } else {
            SetWindowTextW(FBrand, L"Waiting for the Application Manager...");
            UpdateWindow(FBrand);
            FWaiting = true;
            try {
                FPackage.RunAppManager();
            } catch (...) {
                FWaiting = false;
                throw;
            }
            FWaiting = false;
            ok = true;
        }
    } catch (const std::exception& e) {
        Message(WideFromAnsi(FModel->Text("0.Error", "Error")) + L"\r\n\r\n" + WideFromUtf8(e.what()), MB_ICONERROR);
    }
    SetWindowTextW(FBrand, kBrand);
    EnableWindow(FWnd, TRUE);
    SetCursor(old);
    FInstalled = ok;
    return ok;
}

void TSetupWizard::Next()
{
    if (!CanGoNext() || FCurrent + 1 >= FModel->Pages().size())
        return;
    // The CAB files are handed over before the finish page, which says so.
    if (FModel->Pages()[FCurrent + 1] == wpFinish && !Install())
        return;
    ShowPage(FCurrent + 1);
}

void TSetupWizard::Finish()
{
    if (!CanGoNext() || !Install())
        return;
    FDone = true;
    DestroyWindow(FWnd);
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
    if (Unattended() || MessageBoxW(FWnd, question.c_str(), Caption().c_str(), MB_YESNO | MB_ICONQUESTION) == IDYES)
        DestroyWindow(FWnd);
}

void TSetupWizard::LoadPicture()
{
    std::string name = FModel->SetupImage();
    if (name.empty())
        return;
    std::vector<uint8_t> bytes;
    try {
        bytes = ReadFileBytes(AppendPath(FFolder, AnsiToUtf8(ExtractFileName(name))));
    } catch (const Exception&) {
        return;
    }
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    if (!memory)
        return;
    memcpy(GlobalLock(memory), bytes.data(), bytes.size());
    GlobalUnlock(memory);
    IStream* stream = nullptr;
    if (SUCCEEDED(CreateStreamOnHGlobal(memory, TRUE, &stream))) {
        if (FAILED(OleLoadPicture(stream, LONG(bytes.size()), FALSE, IID_IPicture, reinterpret_cast<void**>(&FPicture))))
            FPicture = nullptr;
        stream->Release();
    } else {
        GlobalFree(memory);
    }
}

void TSetupWizard::PaintPicture(HDC dc)
{
    RECT area{0, S(kMiddleTop), S(kPictureWidth), S(kMiddleTop + kPictureHeight)};
    if (FPicture) {
        OLE_XSIZE_HIMETRIC w = 0;
        OLE_YSIZE_HIMETRIC h = 0;
        FPicture->get_Width(&w);
        FPicture->get_Height(&h);
        FPicture->Render(dc, area.left, area.top, area.right - area.left, area.bottom - area.top, 0, h, w, -h, nullptr);
        return;
    }
    // No picture in the package: a calm gradient with the product's name.
    const int height = area.bottom - area.top;
    for (int y = 0; y < height; ++y) {
        int t = y * 255 / height;
        HBRUSH b = CreateSolidBrush(RGB(16 + t / 8, 64 + t / 3, 140 + t / 3));
        RECT line{area.left, area.top + y, area.right, area.top + y + 1};
        FillRect(dc, &line, b);
        DeleteObject(b);
    }
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(255, 255, 255));
    HGDIOBJ old = SelectObject(dc, FHeadingFont);
    RECT text{area.left + S(12), area.top + S(24), area.right - S(12), area.bottom - S(24)};
    std::wstring app = WideFromAnsi(FModel->AppName());
    DrawTextW(dc, app.c_str(), -1, &text, DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(dc, old);
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
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(FWnd, &ps);
        RECT band{0, 0, S(kClientWidth), S(kBandHeight)};
        FillRect(dc, &band, HBRUSH(GetStockObject(WHITE_BRUSH)));
        RECT line{0, S(kBandHeight) - 1, S(kClientWidth), S(kBandHeight) + 1};
        DrawEdge(dc, &line, EDGE_ETCHED, BF_TOP);
        RECT bottom{0, S(kBottomTop) - 1, S(kClientWidth), S(kBottomTop) + 1};
        DrawEdge(dc, &bottom, EDGE_ETCHED, BF_TOP);
        PaintPicture(dc);
        EndPaint(FWnd, &ps);
        return 0;
    }
    case WM_CTLCOLORSTATIC: {
        HDC dc = HDC(wp);
        if (HWND(lp) == FHeading) {
            SetBkColor(dc, RGB(255, 255, 255));
            return LRESULT(GetStockObject(WHITE_BRUSH));
        }
        if (HWND(lp) == FBrand)
            SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
        SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
        return LRESULT(GetSysColorBrush(COLOR_BTNFACE));
    }
    case WM_COMMAND:
        switch (LOWORD(wp)) {
        case idBack:
            if (FCurrent > 0 && !FInstalled)
                ShowPage(FCurrent - 1);
            return 0;
        case idNext: Next(); return 0;
        case idFinish: Finish(); return 0;
        case IDCANCEL:
        case idCancel: Cancel(); return 0;
        case idAccept:
        case idDoNotAccept: UpdateButtons(); return 0;
        case idLanguage:
            if (HIWORD(wp) == CBN_SELCHANGE) {
                LRESULT i = SendMessageW(FLanguage, CB_GETCURSEL, 0, 0);
                if (i >= 0 && size_t(i) < FModel->Languages().size()) {
                    FModel->SetLanguage(FModel->Languages()[i]);
                    ApplyTexts();
                    UpdateButtons();
                }
            }
            return 0;
        }
        break;
#ifdef VI_TEST_SWITCHES
    case WM_APP:
        // Unattended run (tests): accept, go through every page, finish.
        SendMessageW(FAccept, BM_SETCHECK, BST_CHECKED, 0);
        SendMessageW(FDoNotAccept, BM_SETCHECK, BST_UNCHECKED, 0);
        while (FCurrent + 1 < FModel->Pages().size() && IsWindow(FWnd)) {
            size_t before = FCurrent;
            Next();
            if (FCurrent == before) {
                DestroyWindow(FWnd);
                return 0;
            }
        }
        if (IsWindow(FWnd))
            Finish();
        if (IsWindow(FWnd))
            DestroyWindow(FWnd);
        return 0;
#endif
    case WM_CLOSE: Cancel(); return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    }
    return DefWindowProcW(FWnd, msg, wp, lp);
}

int TSetupWizard::Run()
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
        return 0;
    }
    FModel = std::make_unique<TWizardModel>(*FPackage.ResourceFile());
    if (FModel->Pages().empty()) {
        // A build without pages starts the launcher instead; be useful anyway.
        FInstalled = Install();
        return 0;
    }

    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    OleInitialize(nullptr);
    LoadPicture();

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
    if (!FWnd)
        return 0;
    CreateControls();
    ApplyTexts();
    // With the finish page alone there is nothing to ask first.
    if (FModel->Pages().front() == wpFinish)
        Install();
    ShowPage(0);
    ShowWindow(FWnd, SW_SHOWNORMAL);
    UpdateWindow(FWnd);
    if (Unattended())
        PostMessageW(FWnd, WM_APP, 0, 0);

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (!IsDialogMessageW(FWnd, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    if (FPicture) {
        FPicture->Release();
        FPicture = nullptr;
    }
    OleUninitialize();
    return 0;
}

}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    RestrictDllSearchToSystem();
    return TSetupWizard(instance, GetProgramDir()).Run();
}
