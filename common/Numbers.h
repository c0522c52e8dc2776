#pragma once

// Whole numbers as the project's text formats write them (texts files, the
// .inf, the registry store). Each parser takes the whole text: an empty
// text, a stray character or a value past the limit is no number, and
// nothing wraps silently.

#include <cstdint>
#include <optional>
#include <string_view>

// Digits in base 10 or 16 (either case), without prefix, sign or spaces,
// whose value is at most limit.
std::optional<uint64_t> ParseDigits(std::string_view digits, int base, uint64_t limit);

// Decimal digits, or "0x"/"0X" and hexadecimal digits, that fit 32 bits.
std::optional<uint32_t> ParseUInt32(std::string_view text);

// Decimal digits after an optional "-" or "+", within the signed 32-bit range.
std::optional<int32_t> ParseInt32(std::string_view text);
