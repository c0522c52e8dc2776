#pragma once

#include <iosfwd>
#include <string>
#include <vector>

// The builder's command line without a display: each command prints to the
// given streams and returns the process exit status.

// True when the arguments ask for a headless command (or for help/version),
// so that the GUI must not start.
bool IsHeadlessCommand(const std::vector<std::string>& args);

int RunHeadless(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// `--inf PROJECT.vip`: the .inf text of the project, as a build hands it to
// the CAB tool, in Windows-1252 with CR LF line ends.
int RunInfCommand(const std::string& projectPath, std::ostream& out, std::ostream& err);
