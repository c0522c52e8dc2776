#include "common/Registry.h"

#include <cstdlib>

std::string TRegistryValue::AsText() const
{
    return Kind == DWord ? std::to_string(Number) : Text;
}

std::string ExpandEnvironmentText(const std::string& text)
{
    std::string result;
    size_t at = 0;
    while (at < text.size()) {
        size_t open = text.find('%', at);
        size_t close = open == std::string::npos ? std::string::npos : text.find('%', open + 1);
        if (close == std::string::npos) {
            result += text.substr(at);
            break;
        }
        result += text.substr(at, open - at);
        std::string name = text.substr(open + 1, close - open - 1);
        const char* value = name.empty() ? nullptr : std::getenv(name.c_str());
        if (value) {
            result += value;
            at = close + 1;
        } else {
            // Not a variable: keep the first % and look again from the second.
            result += '%';
            at = open + 1;
        }
    }
    return result;
}
