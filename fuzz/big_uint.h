// A plain, slow unsigned big integer for the exact references of the fuzz targets. It shares no
// code with core/: a reference that reused the code under test would agree with its bugs.
#pragma once

#include <cstdint>
#include <vector>

namespace varnitz {

// Little-endian 32-bit limbs with no high zero limb; zero has no limbs.
struct BigUint {
    std::vector<std::uint32_t> limbs;
};

BigUint BigFromU64(std::uint64_t value);
int BigBitLength(const BigUint& a);
void BigMulSmall(BigUint& a, std::uint32_t factor);
void BigAddSmall(BigUint& a, std::uint32_t addend);
void BigMulPow10(BigUint& a, int exponent);  // exponent >= 0
void BigShiftLeft(BigUint& a, int bits);     // bits >= 0
void BigShiftRight(BigUint& a, int bits);    // bits >= 0
int BigCompare(const BigUint& a, const BigUint& b);  // -1, 0 or 1
void BigSubtract(BigUint& a, const BigUint& b);      // needs a >= b

// floor(a / b) for a quotient below 2^quotientBits (at most 63), by shift and subtract;
// a keeps the remainder.
std::uint64_t BigDivide(BigUint& a, const BigUint& b, int quotientBits);

}  // namespace varnitz
