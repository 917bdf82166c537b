#pragma once

#include <optional>
#include <string>
#include <string_view>

// A ZEL location or alarm code is a number: two codes are the same code when their values
// are equal, however a file writes them. A stored code is read leniently so that a file
// written by hand or by another program still matches: blanks around it, leading zeros and
// one sign are accepted ("012", " 12 ", "+12" are all 12). Anything else is not a whole
// number and names no code: an empty text, blanks inside, a decimal point, an exponent, a
// hexadecimal prefix, letters or digits other than 0 to 9.
//
// A value too large for any range saturates, so that it is out of every range rather than
// no number at all.
std::optional<long long> zelCodeValue(std::string_view text);

// The number rule under both readers: decimal digits with at most one sign in front and
// nothing else, not even blanks. Values too large saturate as above.
std::optional<long long> wholeNumberValue(std::string_view text);

// A stored count (a delay in seconds, a repeat interval in minutes): a whole number by the rule
// above, without blanks around it, that fits an int. Nothing for any other text, which the
// caller reads as no value.
std::optional<int> storedCountValue(std::string_view text);

// The one form the program writes: plain decimal, no sign, no leading zeros.
std::string zelCodeText(long long code);

// The text written for a code read from a file: its plain decimal form when it is a whole
// number, the text unchanged otherwise.
std::string canonicalZelCode(std::string_view text);
