#pragma once

// The builder's windowed start: `VeltrinInstaller [PROJECT.vip] [nosplash]`.
// The application object exists only on this path, so the headless
// commands never need a display.
int RunBuilderGui(int argc, char** argv);
