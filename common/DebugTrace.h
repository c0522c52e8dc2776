#pragma once

#include <functional>
#include <string>

// Inconsistencies inside the model are no errors: the model reports them here
// and carries on. The product discards the messages; a test (or a debug
// build) may install a hook to observe them.
void DebugTrace(const std::string& message);

using TDebugTraceHook = std::function<void(const std::string&)>;

// Installs a hook and returns the previous one. An empty hook restores the
// default, which discards.
TDebugTraceHook SetDebugTraceHook(TDebugTraceHook hook);
