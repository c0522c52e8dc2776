// viscramble decode IN OUT | viscramble encode IN OUT | viscramble --help | --version
//
// For authors who keep wizard texts under version control, and for looking
// into the resource file of a package. Both directions work on the bytes as
// they are: no INI parsing, so a file decodes and encodes back unchanged.

#include "common/Exception.h"
#include "common/Platform.h"
#include "storage/uScramble.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char* const Usage =
    "Usage: viscramble decode IN OUT\n"
    "       viscramble encode IN OUT\n"
    "\n"
    "decode  writes the plain text of the scrambled texts file IN to OUT.\n"
    "encode  scrambles the file IN byte for byte into OUT, as the builder\n"
    "        and the setup programs read it (Resources.dat, <project>_res.dat).\n"
    "\n"
    "OUT may be \"-\" for standard output. An existing OUT is replaced.\n"
    "\n"
    "       viscramble --help | --version\n";

int WriteOutput(const std::string& path, const std::vector<uint8_t>& data)
{
    if (path == "-") {
        if (!data.empty() && std::fwrite(data.data(), 1, data.size(), stdout) != data.size()) {
            std::fprintf(stderr, "viscramble: cannot write to standard output\n");
            return 1;
        }
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    WriteFileAtomic(path, data.data(), data.size());
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(Usage, stdout);
            return std::fflush(stdout) == 0 ? 0 : 1;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("viscramble (Veltrin Installer) %s\n", VI_VERSION);
            return std::fflush(stdout) == 0 ? 0 : 1;
        }
    }
    if (argc != 4 || (std::strcmp(argv[1], "decode") != 0 && std::strcmp(argv[1], "encode") != 0)) {
        if (argc < 2)
            std::fputs("viscramble: no command given\n", stderr);
        else if (std::strcmp(argv[1], "decode") != 0 && std::strcmp(argv[1], "encode") != 0)
            std::fprintf(stderr, "viscramble: unknown command %s\n", argv[1]);
        else
            std::fprintf(stderr, "viscramble: %s takes an input and an output file\n", argv[1]);
        std::fputs("Try 'viscramble --help' for more information.\n", stderr);
        return 2;
    }
    bool decode = std::strcmp(argv[1], "decode") == 0;
    try {
        std::vector<uint8_t> input = ReadFileBytes(argv[2]);
        std::vector<uint8_t> output(input.size());
        // One request over the whole file, the way the programs read and
        // write these files: the key position starts at the first byte.
        if (decode)
            UnscrambleBytes(input.data(), output.data(), input.size());
        else
            ScrambleBytes(input.data(), output.data(), input.size());
        return WriteOutput(argv[3], output);
    } catch (const Exception& e) {
        std::fprintf(stderr, "viscramble: %s\n", e.what());
        return 1;
    }
}
