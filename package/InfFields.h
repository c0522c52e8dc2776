#pragma once

// How a text becomes a field of an .inf line so that a CAB Wizard .inf
// reader gets it back unchanged, and which texts no field can carry.

#include <string>

// Fails with a message naming the text (what: "The file name \"a.exe\"")
// when it holds a line break or another control character.
void CheckInfText(const std::string& text, const std::string& what);

// A field that is always quoted: names and registry keys.
std::string InfQuoted(const std::string& text);

// A field that stays bare unless its text needs the quotes. A device path
// ("%CE1%\Firm\App") is such a field; its leading macro stays a macro.
std::string InfField(const std::string& text);

// The blanks an .inf reader takes for layout around a field.
bool IsInfBlank(char c);
