// The paths of the two number text conversions, one at a time: for core/'s tests, which compare the
// fast paths with the exact ones and count how often each path decides. Not part of the library's
// interface; the program itself calls only number_text.h.
#pragma once

#include <cstddef>
#include <cstdint>

#include "varnitz/number_text.h"

namespace varnitz {
namespace detail {

// 5^q to 128 bits, for kMinPowerOfFive <= q <= kMaxPowerOfFive:
//   high * 2^64 + low <= 5^q / 2^exponent < high * 2^64 + low + 3, the top bit of high set.
// Built from a 128-bit anchor 5^(28 k) (rounded down) and the exact 64-bit 5^(q - 28 k).
constexpr int kMinPowerOfFive = -364;
constexpr int kMaxPowerOfFive = 363;
struct PowerOfFive128 {
    std::uint64_t high;
    std::uint64_t low;
    int exponent;
};
PowerOfFive128 PowerOfFive(int q);

// a * b, all 128 bits, from four 32 x 32-bit products: what the 32-bit build uses (the 64-bit ones
// multiply with the compiler's 128-bit type).
struct Uint128 {
    std::uint64_t high;
    std::uint64_t low;
};
Uint128 Multiply64Portable(std::uint64_t a, std::uint64_t b);

// Which way a conversion went.
enum class ConversionPath {
    kNoArithmetic,  // no number, zero, or beyond the range: decided by the text's shape alone
    kClinger,       // ParseDecimal: one correctly rounded double operation on exact operands
    kProduct,       // a 64-bit significand times the 128-bit power of five, with its error bound
    kExact,         // big integers
};

// ParseDecimal as the program calls it, telling the path taken.
ParseResult ParseDecimalTraced(const char* text, std::size_t length, ConversionPath* path);
// ParseDecimal with the exact path for every value (the same scanner and range shortcuts).
ParseResult ParseDecimalExact(const char* text, std::size_t length);

// The bits of the double nearest to w * 10^q (w > 0) by the rule of ParseDecimal, from the 128-bit
// power alone; false when that cannot decide (the value may lie on or within the error bound of a
// rounding boundary), when the result would be subnormal or overflow, or q is beyond the table.
bool ProductNearestBits(std::uint64_t w, int q, std::uint64_t* bits);

// The 17-digit form as the program makes it, telling the path taken; and by the exact path alone.
SeventeenDigitForm MakeSeventeenDigitFormTraced(double x, ConversionPath* path);
SeventeenDigitForm MakeSeventeenDigitFormExact(double x);

}  // namespace detail
}  // namespace varnitz
