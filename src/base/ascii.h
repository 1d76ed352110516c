// Small ASCII text helpers for protocol text (header names, schemes, file
// names): bytes above 0x7F are left as they are. Portable.
#pragma once

#include <string>
#include <string_view>

// `s` without leading and trailing spaces and control bytes (every byte <= ' ').
std::string_view Trim(std::string_view s);

// Whether `a` and `b` are equal when ASCII letters are compared without case.
bool EqualsIgnoreCase(std::string_view a, std::string_view b);
bool StartsWithIgnoreCase(std::string_view s, std::string_view prefix);

// `s` with its ASCII capitals made small.
std::string ToLowerAscii(std::string_view s);
