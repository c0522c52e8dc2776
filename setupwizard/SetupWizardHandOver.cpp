#include "setupwizard/SetupWizard.h"

#include "common/RunAndWait.h"
#include "common/WinString.h"

#include <exception>

// The hand-over: the CAB files go to the Application Manager before the
// finish page, or when Finish is pressed on a page before it.

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
            FFailed = true;
            Message(WideFromAnsi(FModel->Text("0.NoActiveSync", kNoActiveSyncText)), MB_ICONERROR);
        } else {
            SetWindowTextW(
                FBrand,
                WideFromAnsi(FModel->Text("0.WaitingForAppManager", "Waiting for the Application Manager...")).c_str());
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
    } catch (const TStartRefused&) {
        FRefused = true;
        Message(WideFromAnsi(FModel->Text("0.ElevationRefused", kElevationRefusedText)), MB_ICONINFORMATION);
    } catch (const std::exception& e) {
        Message(WideFromAnsi(FModel->Text("0.Error", "Error")) + L"\r\n\r\n" + WideFromUtf8(e.what()), MB_ICONERROR);
    }
    SetWindowTextW(FBrand, kBrand);
    EnableWindow(FWnd, TRUE);
    SetCursor(old);
    FInstalled = ok;
    FFailed = FFailed || (!ok && !FRefused);
    return ok;
}

int TSetupWizard::ExitCode() const
{
    if (FInstalled)
        return kExitHandedOver;
    return FFailed ? kExitFailed : kExitCancelled;
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
