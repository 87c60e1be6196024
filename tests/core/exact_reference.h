// Test-side exact arithmetic for judging the number text conversions, independent of core/:
// a big natural number in base 10^9 (core/ works in base 2^32 and divides; this only multiplies
// and compares), the grammar read once more, and exact checks of a result against the rules.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "varnitz/number_text.h"

namespace varnitz {
namespace testref {

// A natural number in base 10^9, little-endian, no leading zero limb.
class Natural {
public:
    Natural() = default;
    explicit Natural(std::uint64_t value);
    static Natural FromDigits(const std::string& digits);  // decimal digits, leading zeros allowed

    void MultiplySmall(std::uint32_t factor);  // factor <= 2^31
    void MultiplyPowerOfTen(long long k);
    void MultiplyPowerOfTwo(long long k);
    void MultiplyPowerOfFive(long long k);
    void AddSmall(std::uint32_t addend);

    bool IsZero() const { return limbs_.empty(); }
    std::string ToDecimal() const;  // "0" for zero

    static int Compare(const Natural& a, const Natural& b);
    static Natural Multiply(const Natural& a, const Natural& b);  // schoolbook

    // 2^k and 5^k, kept once computed (0 <= k <= 4000).
    static const Natural& PowerOfTwo(long long k);
    static const Natural& PowerOfFive(long long k);

private:
    void Trim();
    std::vector<std::uint32_t> limbs_;
};

// A decimal value: digits x 10^exponent. digits has no leading and no trailing zero; "" is zero.
struct Decimal {
    bool negative = false;
    std::string digits;
    long long exponent = 0;  // saturated at +-10^15 (far beyond every double)
};

// The test's own reading of the number grammar.
struct Reading {
    std::size_t length = 0;  // characters of the number, blanks and sign included; 0 for none
    Decimal value;           // +0 when there is no number
};
Reading ReadNumber(const char* text, std::size_t length);

// The sign of |value| - m * 2^e, exactly. |value| must lie within 10^-400 .. 10^400.
int CompareWithDyadic(const Decimal& value, std::uint64_t m, long long e);

// The exact decimal expansion of m * 2^e as a Decimal (positive).
Decimal DyadicToDecimal(std::uint64_t m, long long e);

// Text of a Decimal in plain scientific notation, "d.ddde<exp>" ("0" for zero), for messages and
// for building test texts.
std::string ToScientific(const Decimal& value);

// "" when r is what ParseDecimal must give for the value (nearest double, exactly halfway the
// smaller magnitude, +-inf from (DBL_MAX + 2^1024) / 2 up exclusive, signed zero up to 2^-1075
// inclusive); otherwise a message. *halfway (if given) tells whether the value lay exactly
// halfway between r and its neighbour away from zero (only meaningful when "" is returned).
std::string CheckNearest(const Decimal& value, double r, bool* halfway = nullptr);

// The midpoints between a finite double's magnitude and its neighbours, as m * 2^e; `below` of
// the smallest normal power of two has half the spacing of `above`. Above DBL_MAX: the overflow
// boundary (2^54 - 1) * 2^970. Below a zero: none (m = 0).
struct Dyadic {
    std::uint64_t m;
    long long e;
};
Dyadic MidpointBelow(double magnitude);
Dyadic MidpointAbove(double magnitude);

// "" when form is the 17-digit form of the finite x by step 2 of FormatSixDigits, with an exact
// halfway going to the SMALLER neighbour; otherwise a message. *halfway tells whether |x| lay
// exactly halfway between two 17-digit decimals.
std::string CheckSeventeenDigitForm(double x, const SeventeenDigitForm& form, bool* halfway = nullptr);

std::uint64_t Bits(double x);
double FromBits(std::uint64_t bits);

}  // namespace testref
}  // namespace varnitz
