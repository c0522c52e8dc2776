#pragma once

// Model text is Windows-1252; Qt text is Unicode. Host paths handed to the
// platform layer are in the host's own 8-bit form (UTF-8 on Linux). These
// functions are the only crossings in the user interface.

#include <QString>

#include <optional>
#include <string>

QString AnsiToQt(const std::string& ansi);

// The typed text in Windows-1252, or nullopt when it holds a character the
// code page cannot store; `refusal` then gets the message to show.
std::optional<std::string> QtToAnsi(const QString& text, std::string* refusal = nullptr);

std::string HostPathFromQt(const QString& path);
QString HostPathToQt(const std::string& path);

class QLabel;
class QWidget;

// A label for the control (its buddy, so that the mnemonic moves the focus
// there); the control takes the label's text as its accessible name unless
// it has one, since not every kind of control reads its buddy label.
QLabel* NewBuddyLabel(const QString& text, QWidget* buddy, QWidget* parent);
