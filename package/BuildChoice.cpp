#include "package/BuildChoice.h"

#include "model/Project.h"
#include "storage/Languages.h"

void PrepareBuilds(TProject& project, const TPairList& pairs, const TLanguages& languages)
{
    TBuilds& builds = project.Builds();
    if (builds.Count() == 0) {
        auto build = std::make_unique<TBuild>();
        build->SetName(AllInOneBuildName);
        build->SetAllInOne(true);
        builds.Add(std::move(build));
    }
    for (int i = 0; i < builds.Count(); ++i) {
        TBuild* build = builds.GetBuild(i);
        if (!build || !build->AllInOne())
            continue;
        build->ClearPairs();
        for (const auto& pair : pairs)
            build->AddPair(std::make_unique<TPlatformProcPair>(pair->FPlatform, pair->FProcessor));
        build->Languages().Clear();
        for (int l = 0; l < languages.Count(); ++l)
            if (int32_t id = languages.Items(l)->FLanguage; id != NeutralLanguage)
                build->Languages().Add(id);
        build->SetDefaultLanguage(build->DefaultLanguage());
    }
}
