#pragma once

// What the desktop setup wizard shows, read from the package: the languages
// of the build, the pages it asked for and the texts of each page. Plain C++
// so that it is tested natively; the window is SetupWizard.cpp.

#include <string>
#include <vector>

class TScrambeledMemIniFile;

enum TWizardPage { wpWelcome = 1, wpLicence = 2, wpFinish = 3 };

class TWizardModel {
public:
    // The resource file stays the caller's; its AppName and CompanyName are
    // already set, so placeholders in its texts come back replaced.
    explicit TWizardModel(const TScrambeledMemIniFile& resources);

    // The build's languages by name, in the file's order ("Neutral" and
    // "General" are no languages of their own).
    const std::vector<std::string>& Languages() const { return FLanguages; }
    const std::string& Language() const { return FLanguage; }
    // Any name of Languages(); others are ignored.
    void SetLanguage(const std::string& name);

    // The text of the key in the current language, else in "Neutral", else
    // the fallback.
    std::string Text(const std::string& key, const std::string& fallback = std::string()) const;

    // The pages the build shows, in order.
    const std::vector<TWizardPage>& Pages() const { return FPages; }
    std::string Heading(TWizardPage page) const;

    std::string AppName() const;
    std::string CompanyName() const;
    // The setup image's file name, or empty.
    std::string SetupImage() const;

    // The licence of the current language in the package folder, or the
    // neutral one when the language has none.
    std::string LicenceFile(const std::string& folder) const;

private:
    const TScrambeledMemIniFile& FResources;
    std::vector<std::string> FLanguages;
    std::string FLanguage;
    std::vector<TWizardPage> FPages;
};
