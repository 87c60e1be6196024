#include "big_uint.h"

#include <cstdlib>

namespace varnitz {
namespace {

void Trim(BigUint& a) {
    while (!a.limbs.empty() && a.limbs.back() == 0) a.limbs.pop_back();
}

}  // namespace

BigUint BigFromU64(std::uint64_t value) {
    BigUint a;
    a.limbs = {static_cast<std::uint32_t>(value), static_cast<std::uint32_t>(value >> 32)};
    Trim(a);
    return a;
}

int BigBitLength(const BigUint& a) {
    if (a.limbs.empty()) return 0;
    int bits = 32 * static_cast<int>(a.limbs.size() - 1);
    for (std::uint32_t top = a.limbs.back(); top != 0; top >>= 1) ++bits;
    return bits;
}

void BigMulSmall(BigUint& a, std::uint32_t factor) {
    std::uint64_t carry = 0;
    for (std::uint32_t& limb : a.limbs) {
        const std::uint64_t product = static_cast<std::uint64_t>(limb) * factor + carry;
        limb = static_cast<std::uint32_t>(product);
        carry = product >> 32;
    }
    if (carry != 0) a.limbs.push_back(static_cast<std::uint32_t>(carry));
    Trim(a);
}

void BigAddSmall(BigUint& a, std::uint32_t addend) {
    std::uint64_t carry = addend;
    for (std::size_t i = 0; carry != 0; ++i) {
        if (i == a.limbs.size()) a.limbs.push_back(0);
        const std::uint64_t sum = static_cast<std::uint64_t>(a.limbs[i]) + carry;
        a.limbs[i] = static_cast<std::uint32_t>(sum);
        carry = sum >> 32;
    }
}

void BigMulPow10(BigUint& a, int exponent) {
    for (; exponent >= 9; exponent -= 9) BigMulSmall(a, 1000000000u);
    for (; exponent > 0; --exponent) BigMulSmall(a, 10u);
}

void BigShiftLeft(BigUint& a, int bits) {
    if (a.limbs.empty() || bits == 0) return;
    const int whole = bits / 32;
    const int part = bits % 32;
    a.limbs.insert(a.limbs.begin(), static_cast<std::size_t>(whole), 0u);
    if (part != 0) {
        std::uint32_t carry = 0;
        for (std::size_t i = static_cast<std::size_t>(whole); i < a.limbs.size(); ++i) {
            const std::uint32_t limb = a.limbs[i];
            a.limbs[i] = (limb << part) | carry;
            carry = limb >> (32 - part);
        }
        if (carry != 0) a.limbs.push_back(carry);
    }
}

void BigShiftRight(BigUint& a, int bits) {
    const std::size_t whole = static_cast<std::size_t>(bits / 32);
    const int part = bits % 32;
    if (whole >= a.limbs.size()) {
        a.limbs.clear();
        return;
    }
    a.limbs.erase(a.limbs.begin(), a.limbs.begin() + static_cast<std::ptrdiff_t>(whole));
    if (part != 0) {
        for (std::size_t i = 0; i < a.limbs.size(); ++i) {
            const std::uint32_t high = i + 1 < a.limbs.size() ? a.limbs[i + 1] : 0u;
            a.limbs[i] = (a.limbs[i] >> part) | (high << (32 - part));
        }
    }
    Trim(a);
}

int BigCompare(const BigUint& a, const BigUint& b) {
    if (a.limbs.size() != b.limbs.size()) return a.limbs.size() < b.limbs.size() ? -1 : 1;
    for (std::size_t i = a.limbs.size(); i-- > 0;) {
        if (a.limbs[i] != b.limbs[i]) return a.limbs[i] < b.limbs[i] ? -1 : 1;
    }
    return 0;
}

void BigSubtract(BigUint& a, const BigUint& b) {
    if (BigCompare(a, b) < 0) std::abort();
    std::int64_t borrow = 0;
    for (std::size_t i = 0; i < a.limbs.size(); ++i) {
        std::int64_t difference = static_cast<std::int64_t>(a.limbs[i]) - borrow -
                                  (i < b.limbs.size() ? static_cast<std::int64_t>(b.limbs[i]) : 0);
        borrow = difference < 0 ? 1 : 0;
        if (difference < 0) difference += std::int64_t{1} << 32;
        a.limbs[i] = static_cast<std::uint32_t>(difference);
    }
    Trim(a);
}

std::uint64_t BigDivide(BigUint& a, const BigUint& b, int quotientBits) {
    if (b.limbs.empty() || quotientBits < 1 || quotientBits > 63) std::abort();
    BigUint shifted = b;
    BigShiftLeft(shifted, quotientBits);
    if (BigCompare(a, shifted) >= 0) std::abort();  // the quotient would not fit
    std::uint64_t quotient = 0;
    for (int bit = quotientBits - 1; bit >= 0; --bit) {
        BigShiftRight(shifted, 1);
        if (BigCompare(a, shifted) >= 0) {
            BigSubtract(a, shifted);
            quotient |= std::uint64_t{1} << bit;
        }
    }
    return quotient;
}

}  // namespace varnitz
