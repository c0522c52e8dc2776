#include "setupwizard/SetupWizard.h"

#include "common/DllSearch_win32.h"
#include "common/Exception.h"
#include "common/Paths.h"
#include "common/Platform.h"
#include "common/WinString.h"

#include <olectl.h>
#include <richedit.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

// The controls of the pages, their layout, which page shows, and the
// picture beside the pages.

HWND TSetupWizard::Label(int x, int y, int w, int h, HFONT font)
{
    HWND wnd = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | SS_LEFT | SS_NOPREFIX, S(x), S(y), S(w), S(h), FWnd,
                               nullptr, FInstance, nullptr);
    SendMessageW(wnd, WM_SETFONT, WPARAM(font), FALSE);
    return wnd;
}

HWND TSetupWizard::Button(const wchar_t* caption, int id, DWORD style)
{
    // Each button a group of its own: the arrows of the radio pair above
    // stay within the pair.
    HWND wnd = CreateWindowExW(0, L"BUTTON", caption, WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_GROUP | style, 0,
                               S(kBottomTop + 12), S(kButtonWidth), S(kButtonHeight), FWnd, HMENU(INT_PTR(id)),
                               FInstance, nullptr);
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
    FLanguage = CreateWindowExW(0, L"COMBOBOX", L"", WS_CHILD | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 0, 0,
                                S(150), S(200), FWnd, HMENU(INT_PTR(idLanguage)), FInstance, nullptr);
    SendMessageW(FLanguage, WM_SETFONT, WPARAM(FFont), FALSE);
    for (const auto& language : FModel->Languages())
        SendMessageW(FLanguage, CB_ADDSTRING, 0, LPARAM(WideFromAnsi(language).c_str()));
    for (size_t i = 0; i < FModel->Languages().size(); ++i)
        if (FModel->Languages()[i] == FModel->Language())
            SendMessageW(FLanguage, CB_SETCURSEL, i, 0);
    FWelcome.push_back(FLanguage);

    CreateLicenceControls();

    FFinish.push_back(Label(kPageLeft, kPageTop + 8, kPageInnerWidth, 20, FBold));
    FFinish.push_back(Label(kPageLeft, kPageTop + 36, kPageInnerWidth, 20, FFont));

    FBack = Button(L"", idBack);
    FNextButton = Button(L"", idNext, BS_DEFPUSHBUTTON);
    FFinishButton = Button(L"", idFinish);
    FCancelButton = Button(L"", idCancel);
}

void TSetupWizard::CreateLicenceControls()
{
    FLicence.push_back(Label(kPageLeft, kPageTop, kPageInnerWidth, 32, FFont));
    LoadSystemLibrary(L"riched20.dll");
    FLicenceText = CreateWindowExW(WS_EX_CLIENTEDGE, RICHEDIT_CLASSW, L"",
                                   WS_CHILD | WS_VSCROLL | WS_TABSTOP | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL,
                                   S(kPageLeft), S(kPageTop + 36), S(kPageInnerWidth), S(kPageInnerHeight - 36 - 50),
                                   FWnd, nullptr, FInstance, nullptr);
    SendMessageW(FLicenceText, WM_SETFONT, WPARAM(FFont), FALSE);
    FLicence.push_back(FLicenceText);
    int radioTop = kPageTop + kPageInnerHeight - 44;
    FAccept = CreateWindowExW(0, L"BUTTON", L"", WS_CHILD | WS_TABSTOP | BS_AUTORADIOBUTTON | BS_MULTILINE | WS_GROUP,
                              S(kPageLeft), S(radioTop), S(kPageInnerWidth), S(20), FWnd, HMENU(INT_PTR(idAccept)),
                              FInstance, nullptr);
    FDoNotAccept = CreateWindowExW(0, L"BUTTON", L"", WS_CHILD | WS_TABSTOP | BS_AUTORADIOBUTTON | BS_MULTILINE,
                                   S(kPageLeft), S(radioTop + 22), S(kPageInnerWidth), S(20), FWnd,
                                   HMENU(INT_PTR(idDoNotAccept)), FInstance, nullptr);
    for (HWND radio : {FAccept, FDoNotAccept})
        SendMessageW(radio, WM_SETFONT, WPARAM(FFont), FALSE);
    SendMessageW(FDoNotAccept, BM_SETCHECK, BST_CHECKED, 0);
    FLicence.push_back(FAccept);
    FLicence.push_back(FDoNotAccept);
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
    MoveWindow(FLicenceText, S(kPageLeft), licenceTop, S(kPageInnerWidth),
               std::max(S(40), acceptTop - S(6) - licenceTop), TRUE);
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
    // The focus goes to the page's default button; where that waits for the
    // licence to be accepted, to the radio button that is checked, from
    // which the arrows choose.
    FFocus = FDefaultId == idFinish ? FFinishButton : FNextButton;
    if (!IsWindowEnabled(FFocus))
        FFocus = page == wpLicence ? (SendMessageW(FAccept, BM_GETCHECK, 0, 0) == BST_CHECKED ? FAccept : FDoNotAccept)
                                   : FCancelButton;
    SetFocus(FFocus);
#ifdef VI_TEST_SWITCHES
    // The Wine tests read which pages an unattended run showed.
    if (Unattended())
        std::fprintf(stderr, "shown page: %s\n",
                     page == wpWelcome   ? "welcome"
                     : page == wpLicence ? "licence"
                                         : "finish");
#endif
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
    SetDefaultButton(last ? idFinish : idNext);
}

void TSetupWizard::SetDefaultButton(int id)
{
    FDefaultId = id;
    for (HWND button : {FNextButton, FFinishButton})
        SendMessageW(button, BM_SETSTYLE, GetDlgCtrlID(button) == id ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

void TSetupWizard::PressDefaultButton()
{
    HWND button = FDefaultId == idFinish ? FFinishButton : FNextButton;
    if (IsWindowEnabled(button) && IsWindowVisible(button))
        SendMessageW(FWnd, WM_COMMAND, MAKEWPARAM(FDefaultId, BN_CLICKED), LPARAM(button));
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
        if (FAILED(
                OleLoadPicture(stream, LONG(bytes.size()), FALSE, IID_IPicture, reinterpret_cast<void**>(&FPicture))))
            FPicture = nullptr;
        stream->Release();
    } else {
        GlobalFree(memory);
    }
}

void TSetupWizard::PaintPicture(HDC dc)
{
    RECT area{0, S(kMiddleTop), S(kPictureWidth), S(kMiddleTop + kPictureHeight)};
    // A high-contrast theme wants no picture behind text: the area takes the
    // theme's colours, the product's name its text colour.
    if (HighContrast()) {
        FillRect(dc, &area, GetSysColorBrush(COLOR_WINDOW));
        PaintProductName(dc, area, GetSysColor(COLOR_WINDOWTEXT));
        return;
    }
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
    PaintProductName(dc, area, RGB(255, 255, 255));
}

void TSetupWizard::PaintProductName(HDC dc, const RECT& area, COLORREF color)
{
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, color);
    HGDIOBJ old = SelectObject(dc, FHeadingFont);
    RECT text{area.left + S(12), area.top + S(24), area.right - S(12), area.bottom - S(24)};
    std::wstring app = WideFromAnsi(FModel->AppName());
    DrawTextW(dc, app.c_str(), -1, &text, DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(dc, old);
}
