// Exact, slow references for the number text conversions, written from the rules alone: a
// scanner for the grammar, the nearest double by big rational arithmetic, the 17-digit form by
// exact division, and the six-digit text built from a 17-digit form step by step.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace varnitz {

// What the grammar reads from the start of a text.
struct ScannedNumber {
    std::size_t consumed;   // blanks and sign included; 0 when no mantissa follows them
    bool negative;          // a "-" was read before a mantissa
    std::string digits;     // the mantissa's digits without leading and trailing zeros; "" for zero
    long long exponent;     // value = digits x 10^exponent; saturated far beyond the double range
};
ScannedNumber ScanNumber(const char* text, std::size_t length);

struct ExactDouble {
    double value;
    bool tie;  // the value written lay exactly halfway between two doubles
};
// The double nearest to the scanned value; halfway goes to the smaller magnitude.
ExactDouble NearestDouble(const ScannedNumber& number);

// ScanNumber, then NearestDouble.
double ReferenceParse(const char* text, std::size_t length);

struct DigitForm {
    bool negative;
    std::string digits;  // no leading or trailing '0'; "0" for zero
    int point;           // |x| = 0.digits x 10^point, to 17 digits
};
// The 17-digit form of a finite x: one form, or both neighbours when |x| lies exactly halfway
// between two 17-digit numbers (the smaller first).
std::vector<DigitForm> ExactSeventeenDigitForms(double x);

// The six-digit text of a finite value from its 17-digit form.
std::string SixDigitText(const DigitForm& form);

// The text of an infinity or a NaN, told apart by the bits.
std::string SpecialText(std::uint64_t bits);

}  // namespace varnitz
