#pragma once

// Part of the platform layer (implemented in Platform_posix.cpp and
// Platform_win32.cpp): whether a standard stream is a terminal, so that
// command-line programs draw a progress line only for a person watching and
// never into a log file or a pipe.

// True when standard error is a terminal (a console window on Windows).
bool StandardErrorIsTerminal();
