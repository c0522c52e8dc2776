#pragma once

#include <string>
#include <utility>
#include <vector>

// Writes a ZIP archive with libzip from in-memory entries (name, content);
// deflated unless store is set. Names are taken as they are, so a test can
// write the hostile ones the self-extractor must refuse.
void WriteTestZip(const std::string& path, const std::vector<std::pair<std::string, std::string>>& entries,
                  bool store = false);
