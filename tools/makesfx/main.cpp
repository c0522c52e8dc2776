// makesfx: turns a ZIP archive into a self-extracting Windows program.
//   makesfx /zip="a.zip" /sfx="Setup.exe" /title="Viewer" /exec="$temp$\Setup.exe"
//           /autoextract|/nogui /overwrite
// The stub, sfxstub.exe, is taken from the folder of this program.

#include "tools/makesfx/MakeSfx.h"

#include "common/Exception.h"
#include "common/Paths.h"
#include "common/Platform.h"

#include <cstdio>

int main(int argc, char** argv)
{
    try {
        std::vector<std::string> args(argv + 1, argv + argc);
        TMakeSfxOptions options = TMakeSfx::ParseArguments(args);
        TMakeSfx::Make(options, AppendPath(GetProgramDir(), "sfxstub.exe"));
        return 0;
    } catch (const Exception& e) {
        std::fprintf(stderr, "makesfx: %s\n", e.what());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "makesfx: %s\n", e.what());
    }
    return 1;
}
