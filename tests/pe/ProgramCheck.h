#pragma once

// What a program that ships inside a package must be for Windows to start
// it as intended on every desktop, judged from the file alone.

#include "PeImage.h"

#include <set>
#include <string>
#include <vector>

struct TShippedProgram {
    uint16_t Machine = kPeMachineI386;
    bool Gui = true;
};

// Each problem found, as a sentence; empty when the program passes.
std::vector<std::string> ShippedProgramProblems(const TPeImage& image, const TShippedProgram& expected);

// The names of environment switches ("VI_" and three or more capitals,
// digits or underscores) that a program's bytes hold as narrow or UTF-16LE
// text. Only test variants may read the Wine tests' switches.
std::set<std::string> SwitchNames(const std::vector<uint8_t>& bytes);

// DLLs that every Windows desktop from XP on has in its system folder.
bool IsSystemDll(const std::string& name);
// True for a known function of a system DLL that Windows XP lacks.
bool ImportNewerThanXp(const std::string& dll, const std::string& function);
