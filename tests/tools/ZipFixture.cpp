#include "ZipFixture.h"

#include <zip.h>

#include <stdexcept>

void WriteTestZip(const std::string& path, const std::vector<std::pair<std::string, std::string>>& entries, bool store)
{
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!archive)
        throw std::runtime_error("zip_open failed");
    for (const auto& [name, content] : entries) {
        zip_source_t* source = zip_source_buffer(archive, content.data(), content.size(), 0);
        zip_int64_t index = zip_file_add(archive, name.c_str(), source, ZIP_FL_ENC_GUESS);
        if (index < 0)
            throw std::runtime_error(zip_strerror(archive));
        zip_set_file_compression(archive, index, store ? ZIP_CM_STORE : ZIP_CM_DEFLATE, 9);
    }
    if (zip_close(archive) < 0)
        throw std::runtime_error(zip_strerror(archive));
}
