#include "common/RunAndWait.h"

#include "common/Platform.h"
#include "common/RunConsoleProgram.h"

#include <cstdio>

std::string OSErrorText(int code)
{
    if (code == 0)
        return "A call to an OS function failed";
    char head[64];
    std::snprintf(head, sizeof head, "System Error.  Code: %d.\r\n", code);
    return head + SystemErrorMessage(code);
}

std::vector<std::string> SplitWindowsArguments(const std::string& arguments)
{
    std::vector<std::string> result;
    std::string current;
    bool started = false;
    size_t backslashes = 0;
    // Odd while inside a quoted part; reaching 3 by consecutive quotes emits a
    // literal quote, which is how CommandLineToArgvW reads "" in quotes.
    int quotes = 0;
    size_t i = 0;
    const size_t n = arguments.size();
    while (i < n) {
        char c = arguments[i];
        if ((c == ' ' || c == '\t') && quotes == 0) {
            if (started) {
                result.push_back(current);
                current.clear();
                started = false;
            }
            backslashes = 0;
            ++i;
        } else if (c == '\\') {
            current += c;
            ++backslashes;
            started = true;
            ++i;
        } else if (c == '"') {
            started = true;
            if (backslashes % 2 == 0) {
                current.resize(current.size() - backslashes / 2);
                ++quotes;
            } else {
                current.resize(current.size() - backslashes / 2 - 1);
                current += '"';
            }
            backslashes = 0;
            ++i;
            while (i < n && arguments[i] == '"') {
                if (++quotes == 3) {
                    current += '"';
                    quotes = 0;
                }
                ++i;
            }
            if (quotes == 2)
                quotes = 0;
        } else {
            current += c;
            backslashes = 0;
            started = true;
            ++i;
        }
    }
    if (started)
        result.push_back(current);
    return result;
}

std::string UnquoteProgram(const std::string& program)
{
    if (program.size() >= 2 && program.front() == '"' && program.back() == '"')
        return program.substr(1, program.size() - 2);
    return program;
}

std::string QuoteWindowsArgument(const std::string& value)
{
    std::string result = "\"";
    size_t backslashes = 0;
    for (char c : value) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        // Backslashes count as escapes only in front of a quote.
        result.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        result += c;
    }
    result.append(backslashes * 2, '\\');
    result += '"';
    return result;
}

int RunAndWait(const std::string& program, const std::string& arguments, const std::string& workingDir,
               const TBusyHook& busy)
{
    return RunConsoleProgram(program, arguments, workingDir, busy, nullptr);
}

int RunAndCapture(const std::string& program, const std::string& arguments, std::string& output,
                  const std::string& workingDir)
{
    output.clear();
    return RunConsoleProgram(program, arguments, workingDir, TBusyHook(), &output);
}

TGuiStarter& GuiStarter()
{
    static TGuiStarter starter = SystemGuiStarter();
    return starter;
}

int RunGuiAndWait(const std::string& program, const std::string& arguments, const std::string& workingDir)
{
    const TGuiStarter& starter = GuiStarter();
    intptr_t process = 0;
    int error = starter.Create(program, arguments, workingDir, process);
    if (error == kErrorElevationRequired) {
        error = starter.Shell(program, arguments, workingDir, process);
        if (error == kErrorCancelled)
            throw TStartRefused(UnquoteProgram(program) +
                                " needs administrator rights, and the request for them was refused.");
    }
    if (error != 0)
        throw Exception(OSErrorText(error));
    return starter.Wait(process);
}
