#include "TestSupport.h"

#include "common/Exception.h"
#include "common/Platform.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

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

std::string MakeTestCertificate(const TempDir& dir, const std::string& name, const std::string& password, bool expired)
{
    const std::string key = dir.File(name + ".key"), cert = dir.File(name + ".pem"), p12 = dir.File(name + ".p12");
    const std::string subject = "'/CN=Veltrin Test Publisher'";
    std::string command;
    if (!expired) {
        command = "openssl req -x509 -newkey rsa:2048 -nodes -keyout '" + key + "' -out '" + cert + "' -days 2 -subj " +
                  subject + " -addext extendedKeyUsage=codeSigning";
    } else {
        // Only "openssl ca" takes a validity in the past; it wants a database.
        const std::string ca = dir.File(name + "-ca");
        dir.Write(name + "-ca.cnf", "[ca]\ndefault_ca = d\n[d]\ndatabase = " + ca +
                                        "/index.txt\nnew_certs_dir = " + ca + "\nserial = " + ca +
                                        "/serial\ndefault_md = sha256\npolicy = p\n"
                                        "[p]\ncommonName = supplied\n");
        command = "mkdir -p '" + ca + "' && : > '" + ca + "/index.txt' && echo 01 > '" + ca +
                  "/serial' && openssl req -new -newkey rsa:2048 -nodes -keyout '" + key + "' -out '" + ca +
                  "/req.csr' -subj " + subject + " && openssl ca -batch -config '" + ca + ".cnf' -selfsign -keyfile '" +
                  key + "' -in '" + ca + "/req.csr' -startdate 20200101000000Z -enddate 20200102000000Z -out '" + cert +
                  "'";
    }
    command += " && openssl pkcs12 -export -inkey '" + key + "' -in '" + cert + "' -out '" + p12 +
               "' -passout 'pass:" + password + "'";
    command = "(" + command + ") > '" + dir.File(name + "-openssl.txt") + "' 2>&1";
    if (std::system(command.c_str()) != 0)
        ADD_FAILURE() << "openssl (scripts/bootstrap installs it) failed:\n" << dir.Read(name + "-openssl.txt");
    return p12;
}
