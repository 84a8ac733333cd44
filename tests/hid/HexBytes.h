#pragma once

// Golden vectors are written as hex text ("06 13 05 ..."); these helpers turn
// them into bytes and compare a report against them.

#include "hid/Report.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

inline std::vector<uint8_t> Hex(std::string_view text)
{
    std::vector<uint8_t> bytes;
    std::string digits;
    for (char c : text) {
        if (c == ' ' || c == '|' || c == '\n')
            continue;
        digits.push_back(c);
        if (digits.size() == 2) {
            bytes.push_back(static_cast<uint8_t>(std::stoi(digits, nullptr, 16)));
            digits.clear();
        }
    }
    EXPECT_TRUE(digits.empty()) << "odd number of hex digits in " << text;
    return bytes;
}

inline std::string ToHex(std::span<const uint8_t> bytes)
{
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (uint8_t b : bytes) {
        if (!text.empty())
            text.push_back(' ');
        text.push_back(kDigits[b >> 4]);
        text.push_back(kDigits[b & 0xF]);
    }
    return text;
}

// The report starts with `expected` and every byte after it is zero.
inline void ExpectReport(const Report& report, std::string_view expected)
{
    const std::vector<uint8_t> prefix = Hex(expected);
    ASSERT_LE(prefix.size(), report.size());
    std::vector<uint8_t> want(report.size(), 0);
    std::copy(prefix.begin(), prefix.end(), want.begin());
    EXPECT_EQ(ToHex(report), ToHex(want));
}
