#include "package/ResourceFile.h"

#include "common/Paths.h"
#include "common/Platform.h"
#include "model/Builds.h"
#include "model/Project.h"
#include "storage/Languages.h"
#include "storage/uScramble.h"

namespace {

// The licence base is fixed here: the wizard looks for "EULA_*.txt",
// whatever the texts file calls the licence elsewhere.
std::string LicencePath(const TProject& project, int32_t language)
{
    return HostFileName(AppendPath(project.ProjectDir(), "EULA_" + LanguageName(language) + ".txt"));
}

void AppendSection(const TScrambeledMemIniFile& textsFile, const std::string& name, std::vector<std::string>& lines)
{
    std::vector<std::string> values;
    textsFile.ReadSectionValues(name, values);
    lines.push_back("[" + name + "]");
    lines.insert(lines.end(), values.begin(), values.end());
}

}

std::vector<std::string> WriteResourceFile(const TProject& project, const TBuild& build,
                                           const TScrambeledMemIniFile& textsFile, const std::string& tempDir)
{
    TScrambeledMemIniFile resource(AppendPath(tempDir, project.GetProjectName() + "_res.DAT"));
    std::vector<std::string> result{resource.FileName()};

    std::vector<std::string> lines;
    const TLanguages& languages = build.Languages();
    for (int i = 0; i < languages.Count(); ++i) {
        int32_t language = languages.Items(i)->FLanguage;
        AppendSection(textsFile, LanguageName(language), lines);
        result.push_back(LicencePath(project, language));
    }
    AppendSection(textsFile, LanguageName(NeutralLanguage), lines);

    lines.push_back("[General]");
    lines.push_back("Def_Lang=" + LanguageName(build.DefaultLanguage()));
    lines.push_back("Style=" + std::to_string(build.SetupType()));
    lines.push_back(std::string("Use1=") + (build.ShowWelcome() ? "1" : "0"));
    lines.push_back(std::string("Use2=") + (build.ShowEULA() ? "1" : "0"));
    lines.push_back(std::string("Use3=") + (build.ShowFinish() ? "1" : "0"));
    lines.push_back("AppName=" + project.AppName());
    lines.push_back("CompanyName=" + project.CompanyName());
    const std::string& image = project.SetupImage();
    if (!image.empty() && FileExists(HostFileName(NormalizeHostPath(image))))
        lines.push_back("SetupImage=" + ExtractFileName(NormalizeHostPath(image)));

    resource.SetStrings(lines);
    resource.UpdateFile();
    result.push_back(LicencePath(project, NeutralLanguage));
    return result;
}
