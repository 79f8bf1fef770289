#pragma once
// Reading numbers from text, the same way everywhere and whatever the user's locale: the
// decimal point is always '.', as in every file the program reads and writes.
#include <cstdint>
#include <string_view>

namespace tessaly {

// Parses a whole word as a decimal number: an optional sign ('+' or '-'), digits with an
// optional decimal point, an optional exponent ("1e-3", "2E+5"), or "Inf", "Infinity" and
// "NaN" in any letter case. Nothing else may be in the word, blanks included; a number
// beyond the range of a double is not taken. Returns false and leaves x alone when the word is
// not a number.
bool parseNumber(std::string_view word, double& x);

// Parses the first number at the start of [first, last), as parseNumber does for a word;
// returns the position after it, or nullptr when no number starts there.
const char* parseNumberPrefix(const char* first, const char* last, double& x);

// Parses a whole word of decimal digits as a count (0 or more); false when the word is empty,
// holds anything but digits, or is too large for 64 bits.
bool parseCount(std::string_view word, std::uint64_t& n);

}  // namespace tessaly
