#pragma once

// How a window shows a dialog modally. The program runs the dialog's own
// event loop; tests install a runner that works the dialog's controls and
// returns its result, so no test ever waits in a nested event loop.

#include <QDialog>

#include <functional>

using TModalRunner = std::function<int(QDialog& dialog)>;

inline int RunModal(const TModalRunner& runner, QDialog& dialog)
{
    return runner ? runner(dialog) : dialog.exec();
}
