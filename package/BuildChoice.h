#pragma once

// What the Build Wizard does to the project's builds before it lists them,
// shared by the dialog and the headless build.

#include "model/Builds.h"

#include <memory>
#include <vector>

class TLanguages;
class TProject;

using TPairList = std::vector<std::unique_ptr<TPlatformProcPair>>;

// Gives a project without builds the build "All In One" (all-in-one flag
// set), then refreshes every all-in-one build: its pairs become copies of
// the available pairs, its languages every language of the list but
// "Neutral", and its default language is kept when it is still among them,
// else the first of them, else none.
void PrepareBuilds(TProject& project, const TPairList& pairs, const TLanguages& languages);

// The name the Build Wizard gives the build of a project without builds.
inline constexpr const char* AllInOneBuildName = "All In One";
