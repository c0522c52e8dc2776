#pragma once

// What a program that ships inside a package must be for Windows to start
// it as intended on every desktop, judged from the file alone.

#include "PeImage.h"

#include <string>
#include <vector>

struct TShippedProgram {
    uint16_t Machine = kPeMachineI386;
    bool Gui = true;
};

// Each problem found, as a sentence; empty when the program passes.
std::vector<std::string> ShippedProgramProblems(const TPeImage& image, const TShippedProgram& expected);

// DLLs that every Windows desktop from XP on has in its system folder.
bool IsSystemDll(const std::string& name);
// True for a known function of a system DLL that Windows XP lacks.
bool ImportNewerThanXp(const std::string& dll, const std::string& function);
