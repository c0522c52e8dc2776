#include "setupwizard/WizardModel.h"

#include "common/AnsiText.h"
#include "common/Paths.h"
#include "common/Platform.h"
#include "storage/uScramble.h"

namespace {

const char* const kNeutral = "Neutral";
const char* const kGeneral = "General";
}

TWizardModel::TWizardModel(const TScrambeledMemIniFile& resources) : FResources(resources)
{
    std::vector<std::string> sections;
    FResources.ReadSections(sections);
    for (const auto& s : sections)
        if (!SameText(s, kNeutral) && !SameText(s, kGeneral))
            FLanguages.push_back(s);
    FLanguage = FLanguages.empty() ? kNeutral : FLanguages.front();
    SetLanguage(FResources.ReadString(kGeneral, "Def_Lang", ""));

    static const std::pair<const char*, TWizardPage> uses[] = {
        {"Use1", wpWelcome}, {"Use2", wpLicence}, {"Use3", wpFinish}};
    for (auto [key, page] : uses)
        if (FResources.ReadInteger(kGeneral, key, 0) != 0)
            FPages.push_back(page);
}

void TWizardModel::SetLanguage(const std::string& name)
{
    for (const auto& language : FLanguages)
        if (SameText(language, name))
            FLanguage = language;
}

std::string TWizardModel::Text(const std::string& key, const std::string& fallback) const
{
    std::string text = FResources.ReadString(FLanguage, key, "");
    if (text.empty())
        text = FResources.ReadString(kNeutral, key, "");
    return text.empty() ? fallback : text;
}

std::string TWizardModel::Heading(TWizardPage page) const
{
    return Text(std::to_string(int(page)) + ".TopString");
}

std::string TWizardModel::AppName() const
{
    return FResources.ReadString(kGeneral, "AppName", "");
}

std::string TWizardModel::CompanyName() const
{
    return FResources.ReadString(kGeneral, "CompanyName", "");
}

std::string TWizardModel::SetupImage() const
{
    return FResources.ReadString(kGeneral, "SetupImage", "");
}

std::string TWizardModel::LicenceFile(const std::string& folder) const
{
    // Language names are Windows-1252, file names UTF-8.
    std::string own = AppendPath(folder, AnsiToUtf8("EULA_" + FLanguage + ".txt"));
    return FileExists(own) ? own : AppendPath(folder, std::string("EULA_") + kNeutral + ".txt");
}
