// A small fixed-capacity unsigned big integer for the exact paths of number_text.cpp.
// Internal to core/: not part of the library's interface.
//
// Only what the two conversions need: build from digits, multiply by small numbers and by powers
// of five, shift left, compare, and one division whose quotient is known to be below 2^64.
// No heap, no exceptions: the capacity is a bound proved in number_text.cpp (about 2,800 bits at
// most), and debug builds assert it.
#pragma once

#include <cstdint>

namespace varnitz {
namespace detail {

class BigInteger {
public:
    static constexpr int kCapacity = 128;  // 32-bit limbs: 4096 bits

    BigInteger() : size_(0) {}
    explicit BigInteger(std::uint64_t value);

    bool IsZero() const { return size_ == 0; }
    int BitLength() const;

    // *this = *this * factor + addend.
    void MultiplyAdd(std::uint32_t factor, std::uint32_t addend);
    // *this = *this * 5^exponent, exponent >= 0.
    void MultiplyByPowerOfFive(int exponent);
    // *this = *this * 2^bits, bits >= 0.
    void ShiftLeft(int bits);

    // -1, 0 or +1 as a < b, a == b, a > b.
    static int Compare(const BigInteger& a, const BigInteger& b);

private:
    friend struct BigIntegerAccess;
    void Trim();

    std::uint32_t limbs_[kCapacity];  // little-endian; limbs_[size_..] are unspecified
    int size_;                        // no leading zero limb: zero has size_ 0
};

// How a division's remainder R compares with half the divisor B.
enum class RemainderKind { kZero, kBelowHalf, kHalf, kAboveHalf };

struct SmallQuotient {
    std::uint64_t quotient;
    RemainderKind remainder;
};

// floor(dividend / divisor) and the class of the remainder. The divisor must not be zero and the
// quotient must be below 2^64.
SmallQuotient DivideSmallQuotient(const BigInteger& dividend, const BigInteger& divisor);

}  // namespace detail
}  // namespace varnitz
