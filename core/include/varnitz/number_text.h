// The only conversions between field text and numbers. Neither depends on the locale, neither fails.
//
// ParseDecimal reads the longest beginning of a text that forms a number:
//   [blanks] [+|-] (digits [. [digits]] | . digits) [(e|E|d|D) [+|-] digits]
// where blanks are tab, LF, VT, FF, CR and space. The value is the double nearest to the decimal
// value written; exactly halfway between two doubles it is the one of SMALLER magnitude (not the
// even one). Exact for texts of any length.
//   "3.3"      -> 3.3            consumed 3
//   " \t7x"    -> 7              consumed 3 (the blanks count, the "x" ends the number)
//   "3,3"      -> 3              (a comma is no decimal point)
//   "1d3"      -> 1000           (d and D are exponent letters too)
//   "1e"       -> 1              consumed 1 (a letter without exponent digits ends the number)
//   "2e+x"     -> 2              consumed 1
//   "1.5.3"    -> 1.5
//   "-"        -> +0             consumed 0 (no mantissa: positive zero, whatever the sign)
//   "."        -> +0             consumed 0
//   "0x10"     -> 0              consumed 1 (no hexadecimal)
//   "inf"      -> +0             consumed 0 (no infinity or NaN words)
//   "-0"       -> -0
//   "1e400"    -> +inf, "-1e400" -> -inf
//   "1e-400"   -> +0,   "-1e-400" -> -0
//   "7e22"     -> 7e22 - 2^22    (halfway: the smaller magnitude)
//
// FormatSixDigits writes x with at most six significant digits, at most 13 characters:
//   fixed form when the 17-digit form's point P is 0..6, exponent form otherwise; six-digit
//   rounding is done on the 17-digit form's digits (so it may round twice, on purpose).
//   0 -> "0", -0 -> "-0", 0.5 -> "0.5", 100000 -> "100000", 999999.5 -> "1000000"
//   0.05 -> "5.e-002", 1e6 -> "1.e+006", 1234567 -> "1.23457e+006"
//   0.1234565 -> "0.123457", 1.234565 -> "1.23456" (the 17-digit form decides)
//   +inf -> "1.#INF", -inf -> "-1.#INF", the x86 default NaN -> "-1.#IND",
//   other quiet NaNs -> "1.#QNAN" / "-1.#QNAN", signalling NaNs -> "1.#SNAN" / "-1.#SNAN"
#pragma once

#include <cstddef>

namespace varnitz {

struct ParseResult {
    double value;
    // Characters from the start of the text to the end of the number, leading blanks and sign
    // included; 0 when the text begins with no number.
    std::size_t consumed;
};

// Reads at most `length` characters of `text`; a NUL byte also ends the number. Linear in the
// number's length: digits after the first 800 significant ones are only scanned for a nonzero one.
ParseResult ParseDecimal(const char* text, std::size_t length);

// The same, for a NUL-terminated text.
double ParseDecimal(const char* text);

// The 17-digit form of a finite double, the intermediate of FormatSixDigits: |x| is 0.digits x 10^point
// to 17 significant digits, computed exactly. When |x| lies exactly halfway between two 17-digit
// decimals (an 18-significant-digit expansion ending in 5), the SMALLER one is taken (the digits
// are truncated); such a choice never changes the six-digit text. Infinities and NaNs have no form;
// they get the form of zero (with their sign bit).
constexpr int kMaxFormDigits = 17;
struct SeventeenDigitForm {
    bool negative;                     // the sign bit, also for -0
    char digits[kMaxFormDigits + 1];   // NUL-terminated; no leading or trailing '0', "0" for zero
    int length;                        // 1..17
    int point;                         // 0 for zero
};
SeventeenDigitForm MakeSeventeenDigitForm(double x);

constexpr int kSixDigitsMaxLength = 13;                          // "-1.23457e-100"
constexpr int kSixDigitsBufferSize = kSixDigitsMaxLength + 1;   // with the NUL

// Writes the text and a NUL into `buffer` (at least kSixDigitsBufferSize bytes); returns the length.
int FormatSixDigits(double x, char* buffer);

}  // namespace varnitz
