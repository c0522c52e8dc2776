// The desktop setup wizard of packages that show wizard pages: welcome,
// licence and finish pages in the languages of the build, then the package's
// CAB files go to the ActiveSync Application Manager as the launcher hands
// them over. Plain Win32, ANSI texts (the package's texts are Windows-1252).

#include "common/Exception.h"
#include "common/Paths.h"
#include "common/Platform.h"
#include "launcher/Deskstart.h"
#include "setupwizard/WizardModel.h"
#include "storage/uScramble.h"

#include <windows.h>
#include <commctrl.h>
#include <ocidl.h>
#include <olectl.h>
#include <richedit.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

// Layout, in pixels of the client area.
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

enum TControlId {
    idBack = 100, idNext, idFinish, idCancel, idLanguage, idAccept, idDoNotAccept, idUnattendedStep
};

bool Unattended()
{
    const char* v = std::getenv("VI_SETUP_UNATTENDED");
    return v && *v && std::string(v) != "0";
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
    HWND Button(const char* caption, int id, DWORD style = BS_PUSHBUTTON);
    void ApplyTexts();
    void LayoutWelcome();
    void LoadLicence();
    void ShowPage(size_t index);
    void UpdateButtons();
    bool CanGoNext() const;
    bool Install();
    void Next();
    void Finish();
    void Cancel();
    void Message(const std::string& text, UINT icon);
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
};

TSetupWizard::~TSetupWizard()
{
    if (FPicture)
        FPicture->Release();
    for (HFONT f : {FFont, FBold, FHeadingFont})
        if (f)
            DeleteObject(f);
}

void TSetupWizard::Message(const std::string& text, UINT icon)
{
    if (Unattended()) {
        std::fprintf(stderr, "%s\n", text.c_str());
        return;
    }
    MessageBoxA(FWnd, text.c_str(), FModel ? (FModel->AppName() + " Setup").c_str() : "Setup", MB_OK | icon);
}

HWND TSetupWizard::Label(int x, int y, int w, int h, HFONT font)
{
    HWND wnd = CreateWindowExA(0, "STATIC", "", WS_CHILD | SS_LEFT | SS_NOPREFIX, x, y, w, h, FWnd, nullptr,
                               FInstance, nullptr);
    SendMessageA(wnd, WM_SETFONT, WPARAM(font), FALSE);
    return wnd;
}

HWND TSetupWizard::Button(const char* caption, int id, DWORD style)
{
    HWND wnd = CreateWindowExA(0, "BUTTON", caption, WS_CHILD | WS_VISIBLE | WS_TABSTOP | style, 0,
                               kBottomTop + 12, kButtonWidth, kButtonHeight, FWnd, HMENU(INT_PTR(id)), FInstance,
                               nullptr);
    SendMessageA(wnd, WM_SETFONT, WPARAM(FFont), FALSE);
    return wnd;
}

void TSetupWizard::CreateControls()
{
    NONCLIENTMETRICSA metrics{};
    metrics.cbSize = sizeof(metrics);
    SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
    LOGFONTA lf = metrics.lfMessageFont;
    FFont = CreateFontIndirectA(&lf);
    lf.lfWeight = FW_BOLD;
    FBold = CreateFontIndirectA(&lf);
    lf.lfHeight = lf.lfHeight * 5 / 4;
    FHeadingFont = CreateFontIndirectA(&lf);

    FHeading = Label(20, 20, kClientWidth - 40, 24, FHeadingFont);
    ShowWindow(FHeading, SW_SHOW);
    FBrand = Label(12, kBottomTop + 17, 140, 18, FFont);
    SetWindowTextA(FBrand, "Veltrin Installer");
    ShowWindow(FBrand, SW_SHOW);

    for (int i = 0; i < 4; ++i)
        FWelcome.push_back(Label(kPageLeft, kPageTop, kPageInnerWidth, 20, i == 0 ? FBold : FFont));
    FLanguage = CreateWindowExA(0, "COMBOBOX", "", WS_CHILD | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 0, 0, 150,
                                200, FWnd, HMENU(INT_PTR(idLanguage)), FInstance, nullptr);
    SendMessageA(FLanguage, WM_SETFONT, WPARAM(FFont), FALSE);
    for (const auto& language : FModel->Languages())
        SendMessageA(FLanguage, CB_ADDSTRING, 0, LPARAM(language.c_str()));
    for (size_t i = 0; i < FModel->Languages().size(); ++i)
        if (FModel->Languages()[i] == FModel->Language())
            SendMessageA(FLanguage, CB_SETCURSEL, i, 0);
    FWelcome.push_back(FLanguage);

    FLicence.push_back(Label(kPageLeft, kPageTop, kPageInnerWidth, 32, FFont));
    LoadLibraryA("riched20.dll");
    FLicenceText = CreateWindowExA(WS_EX_CLIENTEDGE, RICHEDIT_CLASSA, "",
                                   WS_CHILD | WS_VSCROLL | WS_TABSTOP | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL,
                                   kPageLeft, kPageTop + 36, kPageInnerWidth, kPageInnerHeight - 36 - 50, FWnd,
                                   nullptr, FInstance, nullptr);
    SendMessageA(FLicenceText, WM_SETFONT, WPARAM(FFont), FALSE);
    FLicence.push_back(FLicenceText);
    int radioTop = kPageTop + kPageInnerHeight - 44;
    FAccept = CreateWindowExA(0, "BUTTON", "", WS_CHILD | WS_TABSTOP | BS_AUTORADIOBUTTON | WS_GROUP, kPageLeft,
                              radioTop, kPageInnerWidth, 20, FWnd, HMENU(INT_PTR(idAccept)), FInstance, nullptr);
    FDoNotAccept = CreateWindowExA(0, "BUTTON", "", WS_CHILD | WS_TABSTOP | BS_AUTORADIOBUTTON, kPageLeft,
                                   radioTop + 22, kPageInnerWidth, 20, FWnd, HMENU(INT_PTR(idDoNotAccept)),
                                   FInstance, nullptr);
    for (HWND radio : {FAccept, FDoNotAccept})
        SendMessageA(radio, WM_SETFONT, WPARAM(FFont), FALSE);
    SendMessageA(FDoNotAccept, BM_SETCHECK, BST_CHECKED, 0);
    FLicence.push_back(FAccept);
    FLicence.push_back(FDoNotAccept);

    FFinish.push_back(Label(kPageLeft, kPageTop + 8, kPageInnerWidth, 20, FBold));
    FFinish.push_back(Label(kPageLeft, kPageTop + 36, kPageInnerWidth, 20, FFont));

    FBack = Button("", idBack);
    FNextButton = Button("", idNext, BS_DEFPUSHBUTTON);
    FFinishButton = Button("", idFinish);
    FCancelButton = Button("", idCancel);
}

int TextHeight(HWND label, HFONT font, int width)
{
    char buffer[4096];
    GetWindowTextA(label, buffer, sizeof buffer);
    HDC dc = GetDC(label);
    HGDIOBJ old = SelectObject(dc, font);
    RECT r{0, 0, width, 0};
    DrawTextA(dc, buffer, -1, &r, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(dc, old);
    ReleaseDC(label, dc);
    return r.bottom - r.top;
}

void TSetupWizard::LayoutWelcome()
{
    int y = kPageTop + 6;
    for (int i = 0; i < 3; ++i) {
        int h = TextHeight(FWelcome[i], i == 0 ? FBold : FFont, kPageInnerWidth);
        MoveWindow(FWelcome[i], kPageLeft, y, kPageInnerWidth, h, TRUE);
        y += h + 10;
    }
    int bottom = kPageTop + kPageInnerHeight - 8;
    int h = TextHeight(FWelcome[3], FFont, kPageInnerWidth - 160);
    MoveWindow(FWelcome[3], kPageLeft, bottom - 26 - h + 16, kPageInnerWidth - 160, h, TRUE);
    MoveWindow(FLanguage, kPageLeft + kPageInnerWidth - 150, bottom - 26 - 4, 150, 200, TRUE);
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
    std::pair<const std::string*, size_t> source{&text, 0};
    EDITSTREAM stream{};
    stream.dwCookie = DWORD_PTR(&source);
    stream.pfnCallback = StreamFromString;
    bool rtf = text.rfind("{\\rtf", 0) == 0;
    SendMessageA(FLicenceText, EM_STREAMIN, rtf ? SF_RTF : SF_TEXT, LPARAM(&stream));
    SendMessageA(FLicenceText, EM_SETSEL, 0, 0);
    SendMessageA(FLicenceText, EM_SCROLLCARET, 0, 0);
}

void TSetupWizard::ApplyTexts()
{
    const TWizardModel& m = *FModel;
    SetWindowTextA(FBack, m.Text("4.BackBtn", "< &Back").c_str());
    SetWindowTextA(FNextButton, m.Text("4.NextBtn", "&Next >").c_str());
    SetWindowTextA(FFinishButton, m.Text("4.FinishBtn", "&Finish").c_str());
    SetWindowTextA(FCancelButton, m.Text("4.CancelBtn", "Cancel").c_str());
    for (int i = 0; i < 4; ++i)
        SetWindowTextA(FWelcome[i], m.Text("1.String" + std::to_string(i + 1)).c_str());
    SetWindowTextA(FLicence[0], m.Text("2.License1").c_str());
    SetWindowTextA(FAccept, m.Text("2.Accept", "I accept").c_str());
    SetWindowTextA(FDoNotAccept, m.Text("2.DoNotAccept", "I do not accept").c_str());
    SetWindowTextA(FFinish[0], m.Text("3.String1").c_str());
    SetWindowTextA(FFinish[1], m.Text("3.String2").c_str());
    int h = TextHeight(FFinish[0], FBold, kPageInnerWidth);
    MoveWindow(FFinish[0], kPageLeft, kPageTop + 8, kPageInnerWidth, h, TRUE);
    MoveWindow(FFinish[1], kPageLeft, kPageTop + 16 + h, kPageInnerWidth,
               TextHeight(FFinish[1], FFont, kPageInnerWidth), TRUE);
    LayoutWelcome();
    LoadLicence();
    if (!m.Pages().empty())
        SetWindowTextA(FHeading, m.Heading(m.Pages()[FCurrent]).c_str());
    SetWindowTextA(FWnd, (m.AppName() + " Setup").c_str());
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
    SetWindowTextA(FHeading, FModel->Heading(page).c_str());
    UpdateButtons();
}

bool TSetupWizard::CanGoNext() const
{
    return FModel->Pages()[FCurrent] != wpLicence || SendMessageA(FAccept, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void TSetupWizard::UpdateButtons()
{
    size_t n = FModel->Pages().size();
    int cancelLeft = kClientWidth - 12 - kButtonWidth;
    auto place = [](HWND button, int left) {
        RECT r;
        GetWindowRect(button, &r);
        SetWindowPos(button, nullptr, left, kBottomTop + 12, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
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
    SendMessageA(FWnd, DM_SETDEFID, last ? idFinish : idNext, 0);
}

bool TSetupWizard::Install()
{
    if (FInstalled)
        return true;
    HCURSOR old = SetCursor(LoadCursor(nullptr, IDC_WAIT));
    EnableWindow(FWnd, FALSE);
    bool ok = false;
    try {
        if (!FPackage.FindAppManager()) {
            Message(FModel->Text("0.NoActiveSync", "No Active Sync found on the system. Setup will terminate!"),
                    MB_ICONERROR);
        } else {
            FPackage.RunAppManager();
            ok = true;
        }
    } catch (const std::exception& e) {
        Message(FModel->Text("0.Error", "Error") + "\r\n\r\n" + e.what(), MB_ICONERROR);
    }
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
    if (FInstalled) {
        DestroyWindow(FWnd);
        return;
    }
    std::string question = FModel->Text("0.ConfirmQuit", "Do you really want to leave the setup?");
    if (Unattended() || MessageBoxA(FWnd, question.c_str(), (FModel->AppName() + " Setup").c_str(),
                                    MB_YESNO | MB_ICONQUESTION) == IDYES)
        DestroyWindow(FWnd);
}

void TSetupWizard::LoadPicture()
{
    std::string name = FModel->SetupImage();
    if (name.empty())
        return;
    std::vector<uint8_t> bytes;
    try {
        bytes = ReadFileBytes(AppendPath(FFolder, ExtractFileName(name)));
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
    RECT area{0, kMiddleTop, kPictureWidth, kMiddleTop + kPictureHeight};
    if (FPicture) {
        OLE_XSIZE_HIMETRIC w = 0;
        OLE_YSIZE_HIMETRIC h = 0;
        FPicture->get_Width(&w);
        FPicture->get_Height(&h);
        FPicture->Render(dc, area.left, area.top, kPictureWidth, kPictureHeight, 0, h, w, -h, nullptr);
        return;
    }
    // No picture in the package: a calm gradient with the product's name.
    for (int y = 0; y < kPictureHeight; ++y) {
        int t = y * 255 / kPictureHeight;
        HBRUSH b = CreateSolidBrush(RGB(16 + t / 8, 64 + t / 3, 140 + t / 3));
        RECT line{area.left, area.top + y, area.right, area.top + y + 1};
        FillRect(dc, &line, b);
        DeleteObject(b);
    }
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(255, 255, 255));
    HGDIOBJ old = SelectObject(dc, FHeadingFont);
    RECT text{area.left + 12, area.top + 24, area.right - 12, area.bottom - 24};
    std::string app = FModel->AppName();
    DrawTextA(dc, app.c_str(), -1, &text, DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(dc, old);
}

LRESULT CALLBACK TSetupWizard::WindowProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_NCCREATE) {
        auto* self = static_cast<TSetupWizard*>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams);
        self->FWnd = wnd;
        SetWindowLongPtrA(wnd, GWLP_USERDATA, LONG_PTR(self));
    }
    auto* self = reinterpret_cast<TSetupWizard*>(GetWindowLongPtrA(wnd, GWLP_USERDATA));
    return self ? self->Handle(msg, wp, lp) : DefWindowProcA(wnd, msg, wp, lp);
}

LRESULT TSetupWizard::Handle(UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(FWnd, &ps);
        RECT band{0, 0, kClientWidth, kBandHeight};
        FillRect(dc, &band, HBRUSH(GetStockObject(WHITE_BRUSH)));
        RECT line{0, kBandHeight - 1, kClientWidth, kBandHeight + 1};
        DrawEdge(dc, &line, EDGE_ETCHED, BF_TOP);
        RECT bottom{0, kBottomTop - 1, kClientWidth, kBottomTop + 1};
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
                LRESULT i = SendMessageA(FLanguage, CB_GETCURSEL, 0, 0);
                if (i >= 0 && size_t(i) < FModel->Languages().size()) {
                    FModel->SetLanguage(FModel->Languages()[i]);
                    ApplyTexts();
                    UpdateButtons();
                }
            }
            return 0;
        }
        break;
    case WM_APP:
        // Unattended run (tests): accept, go through every page, finish.
        SendMessageA(FAccept, BM_SETCHECK, BST_CHECKED, 0);
        SendMessageA(FDoNotAccept, BM_SETCHECK, BST_UNCHECKED, 0);
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
    case WM_CLOSE: Cancel(); return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    }
    return DefWindowProcA(FWnd, msg, wp, lp);
}

int TSetupWizard::Run()
{
    try {
        FPackage.ReadIndexFile();
        FPackage.OpenResourceFile();
    } catch (const std::exception& e) {
        std::string resources = FPackage.ResFileName().empty() ? "" : AppendPath(FFolder, FPackage.ResFileName());
        ShowErrorBox("Error", NoResourcesText(resources, e.what()));
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

    WNDCLASSEXA wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = FInstance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    wc.hIcon = LoadIcon(nullptr, IDI_APPLICATION);
    wc.lpszClassName = "VeltrinSetupWizard";
    RegisterClassExA(&wc);

    DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
    RECT r{0, 0, kClientWidth, kClientHeight};
    AdjustWindowRect(&r, style, FALSE);
    int w = r.right - r.left, h = r.bottom - r.top;
    int x = (GetSystemMetrics(SM_CXSCREEN) - w) / 2, y = (GetSystemMetrics(SM_CYSCREEN) - h) / 2;
    CreateWindowExA(WS_EX_CONTROLPARENT, wc.lpszClassName, "Setup", style, x, y, w, h, nullptr, nullptr, FInstance,
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
        PostMessageA(FWnd, WM_APP, 0, 0);

    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (!IsDialogMessageA(FWnd, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
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
    return TSetupWizard(instance, GetProgramDir()).Run();
}
