#include "common/Numbers.h"

std::optional<uint64_t> ParseDigits(std::string_view digits, int base, uint64_t limit)
{
    if (digits.empty() || (base != 10 && base != 16))
        return std::nullopt;
    uint64_t value = 0;
    for (char c : digits) {
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return std::nullopt;
        // value * base + digit > limit, asked without overflowing.
        if (value > (limit - static_cast<uint64_t>(digit)) / static_cast<uint64_t>(base))
            return std::nullopt;
        value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
    }
    return value;
}

std::optional<uint32_t> ParseUInt32(std::string_view text)
{
    std::optional<uint64_t> value;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        value = ParseDigits(text.substr(2), 16, UINT32_MAX);
    else
        value = ParseDigits(text, 10, UINT32_MAX);
    if (!value)
        return std::nullopt;
    return static_cast<uint32_t>(*value);
}

std::optional<int32_t> ParseInt32(std::string_view text)
{
    bool negative = false;
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    std::optional<uint64_t> value = ParseDigits(text, 10, negative ? 0x80000000ull : 0x7FFFFFFFull);
    if (!value)
        return std::nullopt;
    return static_cast<int32_t>(negative ? -static_cast<int64_t>(*value) : static_cast<int64_t>(*value));
}
