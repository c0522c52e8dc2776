#pragma once

// Window styles and placement shared by the build dialogs.

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

// A fixed-size dialog with a title bar and no title-bar buttons.
inline constexpr Qt::WindowFlags FixedDialogFlags =
    Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::MSWindowsFixedSizeDialogHint;

// A fixed-size dialog whose title bar has the close button.
inline constexpr Qt::WindowFlags PropertyDialogFlags =
    FixedDialogFlags | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;

// Puts the window in the middle of the screen it is on (the primary screen
// before it has been shown).
inline void CenterOnScreen(QWidget& window)
{
    QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    window.adjustSize();
    QRect frame = window.frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window.move(frame.topLeft());
}
