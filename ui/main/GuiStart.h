#pragma once

#include <functional>

class QWidget;

// The builder's windowed start: `VeltrinInstaller [PROJECT.vip] [nosplash]`.
// The application object exists only on this path, so the headless
// commands never need a display.
//
// started runs with the main window once the event loop runs; the start
// test (tests/ui/GuiStartMain.cpp) ends the program there. The builder
// passes none.
int RunBuilderGui(int argc, char** argv, const std::function<void(QWidget& mainWindow)>& started = {});
