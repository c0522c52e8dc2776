#pragma once

// Pictures of the builder's windows for the documentation and for review:
// the main window without and with a project, each tab, and the small
// windows. A development aid started by scripts/screenshot.

#include <string>

class TfmMain;
class TfmSplash;

// programDir is the builder's program folder (the new-project wizard's
// default texts).
void TakeScreenshots(TfmMain& main, TfmSplash& splash, const std::string& dir, const std::string& programDir);
