#pragma once

// The one way the builder's windows talk to the author through message
// boxes. The GUI shows modal Qt boxes (TQtMessageService); tests install a
// service that answers from a script and records every text, so no test
// ever blocks on a modal box.

#include "storage/MessageBox.h"

#include <string>

enum class TAnswer { Yes, No, Cancel, Ok };

enum class TQuestionButtons {
    YesNo,
    YesNoCancel,
};

class TMessageService : public TMessageBox {
public:
    // A confirmation box with the question icon and the buttons named.
    virtual TAnswer Confirm(const std::string& text, TQuestionButtons buttons) = 0;
    // An information box: the information icon and one OK button.
    virtual void ShowInformation(const std::string& text) { ShowMessage(text); }
    // The program's error box: stop icon, one OK button; the text is shown
    // as given (ErrorBoxText makes it from an error message).
    virtual void ShowError(const std::string& text) = 0;
};

// The text of the program's error box for an error message: a full stop is
// appended when the last character sorts after "." (so "File not found: x"
// gains one and "Invalid!" does not).
std::string ErrorBoxText(const std::string& message);
