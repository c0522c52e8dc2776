// The scrambled texts file loader, through a real file as the builder and
// the launcher read it. The input is the plain text; it is scrambled on the
// way to the file so that the fuzzer steers what the parser sees.

#include "common/Exception.h"
#include "common/Platform.h"
#include "storage/LanguageManager.h"
#include "storage/uScramble.h"

#include <unistd.h>

namespace {

std::string ScratchFile()
{
    const char* shm = "/dev/shm";
    std::string dir = access(shm, W_OK) == 0 ? shm : "/tmp";
    return dir + "/vi_fuzz_texts_" + std::to_string(getpid()) + ".dat";
}

}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::string path = ScratchFile();
    WriteFileAtomic(path, ScrambleText(std::string(reinterpret_cast<const char*>(data), size)));
    try {
        TScrambeledMemIniFile texts(path);
        TLanguageManager languages;
        languages.LoadLanguages(&texts);
        std::vector<std::string> lines;
        texts.GetStrings(lines);
        texts.SetStrings(lines);
    } catch (const Exception&) {
    }
    return 0;
}
