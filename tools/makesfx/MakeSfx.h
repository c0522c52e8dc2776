#pragma once

#include "formats/SfxTrailer.h"

#include <string>
#include <vector>

// What one makesfx run is asked to do.
struct TMakeSfxOptions {
    std::string Zip;
    std::string Sfx;
    TSfxSettings Settings;
    bool Overwrite = false;
};

// The makesfx tool: writes a self-extracting program as the stub followed by
// the ZIP archive and the settings trailer.
class TMakeSfx {
public:
    // Reads "/zip=... /sfx=... /title=... /exec=... /autoextract|/nogui
    // /overwrite" (keys in any case, values with or without surrounding
    // quotes). Raises Exception for an unknown or missing argument.
    static TMakeSfxOptions ParseArguments(const std::vector<std::string>& args);

    // Checks the archive with the stub's own reader (so that a package the
    // stub would refuse is never written), then writes the program through a
    // sibling file that replaces the target only when complete.
    static void Make(const TMakeSfxOptions& options, const std::string& stubPath);
};
