#include "storage/TextKeys.h"

#include "common/Exception.h"
#include "common/Paths.h"
#include "common/Platform.h"
#include "storage/Languages.h"
#include "storage/Resource.h"
#include "storage/uScramble.h"

const std::vector<TTextKey>& TextKeyTable()
{
    using K = TTextKind;
    static const std::vector<TTextKey> table = {
        {"Messages", "0.NoActiveSync", "ActiveSync not found", K::String},
        {"Messages", "0.NoResources", "Resources missing", K::String},
        {"Messages", "0.ConfirmQuit", "Confirm setup exit", K::String},
        {"Messages", "0.Error", "General error", K::String},
        {"Messages", "0.WaitingForAppManager", "Waiting for the Application Manager", K::String},
        {"Messages", "0.ElevationRefused", "Administrator rights refused", K::String},
        {"Messages", "0.Unpacking", "Unpacking the setup files", K::String},
        {"Welcome Screen", "1.String1", "String 1", K::String},
        {"Welcome Screen", "1.String2", "String 2", K::String},
        {"Welcome Screen", "1.String3", "String 3", K::String},
        // The tree has always labelled the fourth welcome text like the third.
        {"Welcome Screen", "1.String4", "String 3", K::String},
        {"Welcome Screen", "1.TopString", "Top String", K::String},
        {"License Agreement Screen", "2.License1", "License text 1", K::String},
        {"License Agreement Screen", "2.EULA", "License agreement", K::Memo},
        {"License Agreement Screen", "2.Accept", "Accept text", K::String},
        {"License Agreement Screen", "2.DoNotAccept", "Do not accept text", K::String},
        {"License Agreement Screen", "2.TopString", "Top String", K::String},
        {"Finish Screen", "3.String1", "Text 1", K::String},
        {"Finish Screen", "3.String2", "Text 2", K::String},
        {"Finish Screen", "3.TopString", "Top String", K::String},
        {"Buttons", "4.BackBtn", "Back", K::String},
        {"Buttons", "4.NextBtn", "Next", K::String},
        {"Buttons", "4.FinishBtn", "Finish", K::String},
        {"Buttons", "4.CancelBtn", "Cancel", K::String},
        {"Buttons", "4.YesBtn", "Yes", K::String},
        {"Buttons", "4.NoBtn", "No", K::String},
        {"Buttons", "4.OkBtn", "OK", K::String},
    };
    return table;
}

std::vector<std::string> TextKeyGroups()
{
    std::vector<std::string> groups;
    for (const TTextKey& key : TextKeyTable())
        if (groups.empty() || groups.back() != key.Group)
            groups.push_back(key.Group);
    return groups;
}

std::unique_ptr<TResource> CreateResource(const TTextKey& key, TScrambeledMemIniFile* textsFile)
{
    if (key.Kind == TTextKind::Memo)
        return std::make_unique<TMemoResource>(key.Key, textsFile, key.Caption);
    return std::make_unique<TStringResource>(key.Key, textsFile, key.Caption);
}

std::string LicenceFilePath(const std::string& folder, int32_t language, const TScrambeledMemIniFile& textsFile)
{
    std::string base = textsFile.ReadString(LanguageName(language), LicenceKey, "");
    return AppendPath(folder, LicenceFileName(base, language));
}

std::string ProvideLicenceFile(const std::string& folder, int32_t language, const TScrambeledMemIniFile& textsFile,
                               const std::string& programDir)
{
    std::string path = LicenceFilePath(folder, language, textsFile);
    if (FileExists(path))
        return path;
    std::string source = AppendPath(programDir, "EULA_Neutral.txt");
    // Another program may have made the file in between; that file stays.
    if (!CopyFileNoOverwrite(source, path) && !FileExists(path))
        throw Exception("Cannot copy the default licence " + source + " to " + path + ": " +
                        SystemErrorMessage(LastSystemError()));
    return path;
}
