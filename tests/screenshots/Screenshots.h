#pragma once

// Pictures of the builder's windows for the documentation and for review:
// the main window without and with a project, each tab, and the small
// windows. A development aid started by scripts/screenshot.

#include <string>

class TfmMain;
class TfmSplash;

void TakeScreenshots(TfmMain& main, TfmSplash& splash, const std::string& dir);
