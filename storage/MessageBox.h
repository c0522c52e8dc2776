#pragma once

// How plain C++ code shows the author a message it can act on (a refused
// request) without knowing the user interface: the GUI implements this with
// a modal message box, tests with a recorder.

#include <string>

class TMessageBox {
public:
    virtual ~TMessageBox() = default;
    // Shows the text with an OK button and returns when it is dismissed.
    virtual void ShowMessage(const std::string& text) = 0;
};
