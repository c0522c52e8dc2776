#include "TestSupport.h"

#include "common/Exception.h"
#include "common/Platform.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

TraceRecorder::TraceRecorder()
{
    FPrevious = SetDebugTraceHook([this](const std::string& m) { FMessages.push_back(m); });
}

TraceRecorder::~TraceRecorder()
{
    SetDebugTraceHook(FPrevious);
}

int TraceRecorder::Count(const std::string& message) const
{
    int n = 0;
    for (const auto& m : FMessages)
        n += m == message;
    return n;
}

TempDir::TempDir() : FPath(CreatePrivateTempDir("vitest_"))
{
}

TempDir::~TempDir()
{
    RemoveTree(FPath);
}

void TempDir::Write(const std::string& name, const std::string& content) const
{
    std::ofstream out(FPath + name, std::ios::binary);
    out << content;
}

std::string TempDir::Read(const std::string& name) const
{
    std::ifstream in(FPath + name, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::vector<uint8_t> Bytes(std::initializer_list<int> values)
{
    std::vector<uint8_t> out;
    for (int v : values)
        out.push_back(static_cast<uint8_t>(v));
    return out;
}

std::string HexDump(const std::vector<uint8_t>& data)
{
    std::string out;
    char buf[4];
    for (size_t i = 0; i < data.size(); ++i) {
        std::snprintf(buf, sizeof buf, i ? " %02X" : "%02X", data[i]);
        out += buf;
    }
    return out;
}

ScopedEnv::ScopedEnv(const std::string& name, const char* value) : FName(name)
{
    if (const char* old = std::getenv(name.c_str())) {
        FHadValue = true;
        FOldValue = old;
    }
    if (value)
        setenv(name.c_str(), value, 1);
    else
        unsetenv(name.c_str());
}

ScopedEnv::~ScopedEnv()
{
    if (FHadValue)
        setenv(FName.c_str(), FOldValue.c_str(), 1);
    else
        unsetenv(FName.c_str());
}

std::string ErrorOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const Exception& e) {
        return e.Message();
    }
    return "";
}
