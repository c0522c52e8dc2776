// makesfx: turns a ZIP archive into a self-extracting Windows program.
//   makesfx /zip="a.zip" /sfx="Setup.exe" /title="Viewer" /exec="$temp$\Setup.exe"
//           /autoextract|/nogui /overwrite
// The stub, sfxstub.exe, is taken from the folder of this program.

#include "tools/makesfx/MakeSfx.h"

#include "common/Exception.h"
#include "common/Paths.h"
#include "common/Platform.h"

#include <cstdio>
#include <cstring>

namespace {

const char* const Usage =
    "Usage: makesfx /zip=ARCHIVE.zip /sfx=OUT.exe /exec=PROGRAM [/title=TITLE]\n"
    "               [/unpacking=TEXT] [/failure=TEXT] [/autoextract | /nogui] [/overwrite]\n"
    "       makesfx --help | --version\n"
    "\n"
    "Appends the ZIP archive to the Windows self-extractor stub (sfxstub.exe in\n"
    "the folder of makesfx) and writes the self-extracting program OUT.exe.\n"
    "  /zip         the archive to append\n"
    "  /sfx         the program to write\n"
    "  /exec        what the program starts once the archive is unpacked;\n"
    "               $temp$ stands for the folder it unpacks into\n"
    "  /title       the caption of its progress window\n"
    "  /unpacking   the text of its progress window (default \"Unpacking...\")\n"
    "  /failure     the text that leads its messages about a failure\n"
    "  /autoextract unpack with a progress window (the default)\n"
    "  /nogui       unpack without any window\n"
    "  /overwrite   replace an existing OUT.exe (without it an existing OUT.exe\n"
    "               is an error)\n"
    "Options may also start with \"-\"; values may be quoted.\n";

} // namespace

int main(int argc, char** argv)
{
    // The usual spellings are checked before the tool's own options, whose
    // "-" form would otherwise read "--help" as an unknown "/-help".
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0 || std::strcmp(argv[i], "/?") == 0) {
            std::fputs(Usage, stdout);
            return std::fflush(stdout) == 0 ? 0 : 1;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("makesfx (Veltrin Installer) %s\n", VI_VERSION);
            return std::fflush(stdout) == 0 ? 0 : 1;
        }
    }
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
