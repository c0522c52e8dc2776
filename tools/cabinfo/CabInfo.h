#pragma once

// veltrin-cabinfo: what device CAB files install, as text or JSON, read
// through formats/CabReader. Kept apart from main() so the tests can run it
// in-process.

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

// Exit statuses: 0 every CAB listed, 1 a CAB was damaged (its message on
// `err`, the others still listed), 2 a command line that cannot be read.
int RunCabInfo(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The device folder a path starting with "%CEn%" stands for ("%CE1%\Firm"
// -> "\Program Files\Firm"), after the model's standard folders; other
// paths come back as they are, the empty one as "\".
std::string ResolveDeviceMacro(const std::string& path);

// The names of a file's copy flags as File Properties shows them: the copy
// mode, then the options, then any bit they do not cover ("0x00000100").
std::vector<std::string> CopyFlagNames(uint32_t flags);
