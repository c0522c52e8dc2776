#pragma once

#include <stdexcept>
#include <string>

// The one failure type of the builder's layers. The text is the message the
// user sees, exactly as the program's dialogs show it.
class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& message) : std::runtime_error(message) {}
    std::string Message() const { return what(); }
};
