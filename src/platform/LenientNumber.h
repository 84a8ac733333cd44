#pragma once

#include <QString>

#include <cstdint>

// The number conversions the program applies to text from files, the settings
// file, the store and edits (what _wtoi and wcstol do): leading blanks and a
// sign are allowed, the digits stop at the first other character, missing or
// non-numeric text gives 0, and values saturate at the 32-bit range instead of
// overflowing.
namespace LenientNumber {

// "12ab" is 12, "" and "x" are 0.
int32_t Decimal(const QString& text);

// Base 16 with an optional "0x": "7768", "0x7768" and "0X7768" are 0x7768, and a
// decimal-looking "1234" is 0x1234.
int32_t Hex(const QString& text);

}
