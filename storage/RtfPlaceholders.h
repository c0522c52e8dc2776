#pragma once

// Placeholders of licence texts replaced in the text a reader sees, so that
// "%AppName%" split by formatting in the file is still found. Plain C++: the
// builder's preview and the setup wizard on the desktop share it, and
// through it show the same text.

#include <string>

// True for the destinations whose text a reader never shows, even without
// the "\*" that marks optional ones.
bool IsHiddenRtfDestination(const std::string& word);

// Replaces every placeholder, in any letter case, in the text the reader of
// the Rich Text Format sees, however the markup splits it ("%App{\b Name}%",
// a line break in the file). The value takes the formatting of the
// placeholder's first character; the markup inside the placeholder stays,
// so the text after it keeps its own. Backslashes and braces of the value
// are escaped, its other bytes go in as they are. The search goes on after
// each inserted value.
std::string ReplaceRtfPlaceholder(const std::string& rtf, const std::string& placeholder, const std::string& value);

// Replaces "%CompanyName%" and then "%AppName%", in any letter case, in a
// licence text: in what the reader sees of Rich Text Format, or in plain
// text as it is. The search goes on after each inserted name, so a name that
// holds its own placeholder cannot make it loop.
std::string ExpandLicencePlaceholders(const std::string& text, const std::string& appName,
                                      const std::string& companyName);
