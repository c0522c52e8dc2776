#include "common/DebugTrace.h"

#include <utility>

namespace {
TDebugTraceHook& Hook()
{
    static TDebugTraceHook hook;
    return hook;
}
}

void DebugTrace(const std::string& message)
{
    if (auto& hook = Hook())
        hook(message);
}

TDebugTraceHook SetDebugTraceHook(TDebugTraceHook hook)
{
    return std::exchange(Hook(), std::move(hook));
}
