#pragma once

#include "common/RunAndWait.h"

#include <string>

// The one runner of console programs behind RunAndWait and RunAndCapture,
// written once per operating system: starts the program with its standard
// streams on pipes, waits for it (calling busy while it runs) and returns
// its exit code. With captured, the first CapturedLimit bytes of its output
// and error streams end up there.
int RunConsoleProgram(const std::string& program, const std::string& arguments, const std::string& workingDir,
                      const TBusyHook& busy, std::string* captured);

// The system's way to start and wait for a program with windows, which
// GuiStarter() starts out as.
TGuiStarter SystemGuiStarter();
