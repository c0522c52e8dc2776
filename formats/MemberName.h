#pragma once

#include <cstddef>
#include <string>

// Member numbers are three decimal digits: .000 is the setup file and .999
// the setup DLL, so a cabinet holds at most 998 installed files. The
// builder checks a project against the same limit before it runs the tool.
constexpr size_t MaxNumberedFiles = 998;

// The 8.3 name of a cabinet member: a stem made from the source name and the
// three-digit member number as extension. A base name of up to 8 plain
// characters keeps its case and is padded on the left with "0"
// ("app.exe", 1 -> "00000app.001"); a longer one, or one with blanks or
// other characters an 8.3 name cannot hold, becomes its first 6 usable
// characters upper-cased, then "~1" ("Blackjack Help.htp" -> "BLACKJ~1.001").
// Only the number matters to the device; the stem follows CAB Wizard's habit.
std::string MemberName(const std::string& sourceName, int number);
