#include "setupwizard/SetupWizard.h"

#include "common/Exception.h"
#include "common/Platform.h"
#include "common/WinString.h"
#include "storage/RtfPlaceholders.h"

#include <richedit.h>

#include <cstring>

// The package's texts in the chosen language, and its licence.

void SetText(HWND window, const std::string& ansi)
{
    SetWindowTextW(window, WideFromAnsi(ansi).c_str());
}

namespace {

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
    // Alt and the first letter press a button, unless the text names its own key.
    auto withKey = [](const std::string& text) { return text.find('&') == std::string::npos ? "&" + text : text; };
    SetText(FBack, withKey(m.Text("4.BackBtn", "Back")));
    SetText(FNextButton, withKey(m.Text("4.NextBtn", "Next")));
    SetText(FFinishButton, withKey(m.Text("4.FinishBtn", "Finish")));
    SetText(FCancelButton, withKey(m.Text("4.CancelBtn", "Cancel")));
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
