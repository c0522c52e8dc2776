#pragma once

// The window of the desktop setup wizard, one class in four files:
// SetupWizard.cpp runs the window and dispatches its messages,
// SetupWizardPages.cpp makes, lays out and shows the pages,
// SetupWizardTexts.cpp puts the package's texts and licence on them, and
// SetupWizardHandOver.cpp hands the CAB files to the Application Manager.

#include "handover/Deskstart.h"
#include "setupwizard/WizardModel.h"

#include <windows.h>
#include <ocidl.h>

#include <memory>
#include <string>
#include <vector>

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

inline int gDpi = 96;

inline int S(int pixels)
{
    return MulDiv(pixels, gDpi, 96);
}

enum TControlId { idBack = 100, idNext, idFinish, idCancel, idLanguage, idAccept, idDoNotAccept, idUnattendedStep };

inline const wchar_t* const kBrand = L"Veltrin Installer";

// The Wine tests' switch VI_SETUP_UNATTENDED (test variants only; the
// shipped wizard always answers false).
bool Unattended();

// True while the user has a high-contrast theme on (SPI_GETHIGHCONTRAST);
// test variants can force it with VI_SETUP_HIGH_CONTRAST=1, since Wine
// does not report it.
bool HighContrast();

// Texts of the package are Windows-1252; the wide calls show them the same
// on every system, whatever its ANSI code page.
void SetText(HWND window, const std::string& ansi);

// The height of a label's text wrapped to the width, in the font.
int TextHeight(HWND label, HFONT font, int width);

class TSetupWizard {
public:
    TSetupWizard(HINSTANCE instance, std::string folder)
        : FInstance(instance), FFolder(std::move(folder)), FPackage(FFolder)
    {
    }
    ~TSetupWizard();

    // Returns the exit code: kExitHandedOver after the hand-over,
    // kExitCancelled when the user left before it, kExitFailed when it
    // failed (or the package could not be read).
    int Run();
    // The package's hand-over steps, for the test variants' seams.
    TDeskstart& Package() { return FPackage; }

private:
    static LRESULT CALLBACK WindowProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);
    // The steps of Run and Handle.
    bool OpenPackage();
    bool CreateMainWindow();
    void MessageLoop();
    void PaintFrame();
    LRESULT StaticColors(HDC dc, HWND control);
    HBRUSH BandBrush() const;
    bool Command(WPARAM wp);
#ifdef VI_TEST_SWITCHES
    void RunUnattended();
#endif

    void CreateControls();
    void CreateLicenceControls();
    HWND Label(int x, int y, int w, int h, HFONT font);
    HWND Button(const wchar_t* caption, int id, DWORD style = BS_PUSHBUTTON);
    void ApplyTexts();
    void LayoutWelcome();
    void LayoutLicence();
    void LoadLicence();
    void ShowPage(size_t index);
    void UpdateButtons();
    void SetDefaultButton(int id);
    void PressDefaultButton();
    bool CanGoNext() const;
    bool Install();
    void Next();
    void Finish();
    void Cancel();
    void Message(const std::wstring& text, UINT icon);
    // A message box with the package's Yes, No and OK texts on its buttons.
    int Box(const std::wstring& text, UINT flags);
    std::wstring Caption() const;
    int ExitCode() const;
    void LoadPicture();
    void PaintPicture(HDC dc);
    void PaintProductName(HDC dc, const RECT& area, COLORREF color);

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
    // The button Enter presses (DM_GETDEFID answers it: a plain window
    // procedure has no dialog manager to keep it).
    int FDefaultId = idNext;
    // The control that has the focus while the window is not active, given
    // back when it is again (a plain window would keep it itself).
    HWND FFocus = nullptr;
    bool FInstalled = false;
    // A hand-over failed and was reported; leaving then is a failure, not a cancel.
    bool FFailed = false;
    // The user refused the Application Manager's elevation prompt.
    bool FRefused = false;
    bool FDone = false;
    // While the Application Manager runs the window still gets messages;
    // closing it then would pull the wizard out from under the wait.
    bool FWaiting = false;
};
