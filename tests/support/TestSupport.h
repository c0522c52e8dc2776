#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "common/DebugTrace.h"

// Collects the model's trace messages while it lives.
class TraceRecorder {
public:
    TraceRecorder();
    ~TraceRecorder();
    TraceRecorder(const TraceRecorder&) = delete;
    TraceRecorder& operator=(const TraceRecorder&) = delete;

    const std::vector<std::string>& Messages() const { return FMessages; }
    int Count(const std::string& message) const;
    void Clear() { FMessages.clear(); }

private:
    std::vector<std::string> FMessages;
    TDebugTraceHook FPrevious;
};

// A temporary folder that is removed with everything in it at the end of the test.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // The folder with a trailing separator.
    const std::string& Path() const { return FPath; }
    std::string File(const std::string& name) const { return FPath + name; }
    void Write(const std::string& name, const std::string& content) const;
    std::string Read(const std::string& name) const;

private:
    std::string FPath;
};

// A throwaway code-signing certificate made with openssl in dir: <name>.pem,
// the certificate (to trust when verifying), and <name>.p12 with its key,
// locked with the password. An expired one was valid on 1 January 2020 only.
// Returns the .p12 path; the test fails when openssl does.
std::string MakeTestCertificate(const TempDir& dir, const std::string& name, const std::string& password,
                                bool expired = false);

// Sets (or, with no value, removes) an environment variable while it lives;
// the previous state comes back at the end. Programs the test starts inherit it.
class ScopedEnv {
public:
    ScopedEnv(const std::string& name, const char* value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string FName;
    bool FHadValue = false;
    std::string FOldValue;
};

// The message of the Exception that f raises; empty when it raises none.
std::string ErrorOf(const std::function<void()>& f);

std::vector<uint8_t> Bytes(std::initializer_list<int> values);
std::string HexDump(const std::vector<uint8_t>& data);
