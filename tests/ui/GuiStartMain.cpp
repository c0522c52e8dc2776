// The builder's windowed start as app/main.cpp runs it, ended as soon as the
// event loop runs: 0 when the main window shows by then ("nosplash"), 1
// when it does not.

#include "ui/main/GuiStart.h"

#include <QApplication>
#include <QWidget>

int main(int argc, char** argv)
{
    return RunBuilderGui(argc, argv, [](QWidget& mainWindow) { QApplication::exit(mainWindow.isVisible() ? 0 : 1); });
}
