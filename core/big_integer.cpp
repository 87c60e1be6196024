#include "big_integer.h"

#include <cstdlib>

namespace varnitz {
namespace detail {

// The capacity is never reached (see the bounds in number_text.cpp); should a change ever break
// that proof, stop rather than write past the array.
#define VARNITZ_BIG_CHECK(condition) \
    do {                             \
        if (!(condition)) std::abort(); \
    } while (0)

namespace {

int BitLength32(std::uint32_t v) {
    int n = 0;
    while (v != 0) {
        ++n;
        v >>= 1;
    }
    return n;
}

}  // namespace

// Friend of BigInteger: the limb-level helpers of the division.
struct BigIntegerAccess {
    static std::uint32_t Limb(const BigInteger& x, int i) { return i < x.size_ ? x.limbs_[i] : 0; }

    // r >= d * 2^(32 j) ?  (-1, 0, +1)
    static int CompareShifted(const BigInteger& r, const BigInteger& d, int j) {
        if (r.size_ != d.size_ + j) return r.size_ < d.size_ + j ? -1 : 1;
        for (int k = d.size_ - 1; k >= 0; --k) {
            if (r.limbs_[k + j] != d.limbs_[k]) return r.limbs_[k + j] < d.limbs_[k] ? -1 : 1;
        }
        for (int k = j - 1; k >= 0; --k) {
            if (r.limbs_[k] != 0) return 1;
        }
        return 0;
    }

    // r -= m * d * 2^(32 j); the caller guarantees r >= m * d * 2^(32 j).
    static void SubtractMultipleShifted(BigInteger& r, const BigInteger& d, std::uint32_t m, int j) {
        std::uint64_t carry = 0;   // of the product m * d, below 2^32
        std::uint64_t borrow = 0;  // 0 or 1
        for (int i = 0; i < d.size_; ++i) {
            const std::uint64_t product = static_cast<std::uint64_t>(m) * d.limbs_[i] + carry;
            carry = product >> 32;
            const std::uint64_t difference =
                static_cast<std::uint64_t>(r.limbs_[i + j]) - (product & 0xFFFFFFFFu) - borrow;
            r.limbs_[i + j] = static_cast<std::uint32_t>(difference);
            borrow = difference >> 63;  // wrapped around: the difference was negative
        }
        for (int k = d.size_ + j; carry != 0 || borrow != 0; ++k) {
            VARNITZ_BIG_CHECK(k < r.size_);
            const std::uint64_t difference = static_cast<std::uint64_t>(r.limbs_[k]) - carry - borrow;
            r.limbs_[k] = static_cast<std::uint32_t>(difference);
            borrow = difference >> 63;
            carry = 0;
        }
        r.Trim();
    }

    static std::uint32_t Top(const BigInteger& x) { return x.limbs_[x.size_ - 1]; }
    static int Size(const BigInteger& x) { return x.size_; }
};

BigInteger::BigInteger(std::uint64_t value) : size_(0) {
    while (value != 0) {
        limbs_[size_++] = static_cast<std::uint32_t>(value);
        value >>= 32;
    }
}

void BigInteger::Trim() {
    while (size_ > 0 && limbs_[size_ - 1] == 0) --size_;
}

int BigInteger::BitLength() const {
    if (size_ == 0) return 0;
    return 32 * (size_ - 1) + BitLength32(limbs_[size_ - 1]);
}

void BigInteger::MultiplyAdd(std::uint32_t factor, std::uint32_t addend) {
    std::uint64_t carry = addend;
    for (int i = 0; i < size_; ++i) {
        const std::uint64_t product = static_cast<std::uint64_t>(limbs_[i]) * factor + carry;
        limbs_[i] = static_cast<std::uint32_t>(product);
        carry = product >> 32;
    }
    if (carry != 0) {
        VARNITZ_BIG_CHECK(size_ < kCapacity);
        limbs_[size_++] = static_cast<std::uint32_t>(carry);
    }
    Trim();  // only matters for 0 * factor + 0
}

void BigInteger::MultiplyByPowerOfFive(int exponent) {
    constexpr std::uint32_t kFiveToThe13 = 1220703125u;  // the largest power of five below 2^32
    while (exponent >= 13) {
        MultiplyAdd(kFiveToThe13, 0);
        exponent -= 13;
    }
    std::uint32_t rest = 1;
    while (exponent-- > 0) rest *= 5;
    if (rest != 1) MultiplyAdd(rest, 0);
}

void BigInteger::ShiftLeft(int bits) {
    if (size_ == 0 || bits == 0) return;
    const int limbShift = bits / 32;
    const int bitShift = bits % 32;
    const int newSize = size_ + limbShift + (bitShift != 0 ? 1 : 0);
    VARNITZ_BIG_CHECK(newSize <= kCapacity);
    if (bitShift == 0) {
        for (int i = size_ - 1; i >= 0; --i) limbs_[i + limbShift] = limbs_[i];
    } else {
        limbs_[size_ + limbShift] = limbs_[size_ - 1] >> (32 - bitShift);
        for (int i = size_ - 1; i > 0; --i) {
            limbs_[i + limbShift] = (limbs_[i] << bitShift) | (limbs_[i - 1] >> (32 - bitShift));
        }
        limbs_[limbShift] = limbs_[0] << bitShift;
    }
    for (int i = 0; i < limbShift; ++i) limbs_[i] = 0;
    size_ = newSize;
    Trim();
}

int BigInteger::Compare(const BigInteger& a, const BigInteger& b) {
    return BigIntegerAccess::CompareShifted(a, b, 0);
}

// Schoolbook division, one 32-bit quotient limb at a time. Each limb is first estimated from below
// (the estimate never exceeds the true limb) and then corrected upwards by plain comparison and
// subtraction, so the result is exact whatever the quality of the estimate; the normalisation
// only keeps the number of corrections small (at most about three).
SmallQuotient DivideSmallQuotient(const BigInteger& dividend, const BigInteger& divisor) {
    using A = BigIntegerAccess;
    VARNITZ_BIG_CHECK(!divisor.IsZero());

    // Scale both so that the divisor's top limb has its top bit set. The quotient stays the same;
    // the remainder is scaled by the same power of two, which keeps its comparison with the
    // divisor and with zero.
    const int shift = 32 - BitLength32(A::Top(divisor));
    BigInteger r = dividend;
    BigInteger d = divisor;
    r.ShiftLeft(shift);
    d.ShiftLeft(shift);

    const int n = A::Size(d);
    const std::uint64_t divisorTop = static_cast<std::uint64_t>(A::Top(d)) + 1;  // up to 2^32
    std::uint64_t quotient = 0;
    for (int j = A::Size(r) - n; j >= 0; --j) {
        // Invariant: r < d * 2^(32 (j + 1)), so the top two limbs below are < divisorTop * 2^32
        // and the estimate is below 2^32. With R >= top * 2^(32 (n+j-1)) and
        // d * 2^(32 j) < divisorTop * 2^(32 (n-1+j)), estimate <= floor(r / (d * 2^(32 j))).
        const std::uint64_t top =
            (static_cast<std::uint64_t>(A::Limb(r, n + j)) << 32) | A::Limb(r, n + j - 1);
        std::uint64_t limb = top / divisorTop;
        if (limb != 0) A::SubtractMultipleShifted(r, d, static_cast<std::uint32_t>(limb), j);
        while (A::CompareShifted(r, d, j) >= 0) {
            A::SubtractMultipleShifted(r, d, 1, j);
            ++limb;
        }
        VARNITZ_BIG_CHECK(limb <= 0xFFFFFFFFu);
        if (j >= 2) {
            VARNITZ_BIG_CHECK(limb == 0);  // the caller promised a quotient below 2^64
        } else {
            quotient |= limb << (32 * j);
        }
    }

    RemainderKind kind = RemainderKind::kZero;
    if (!r.IsZero()) {
        BigInteger twice = r;
        twice.ShiftLeft(1);
        const int c = BigInteger::Compare(twice, d);
        kind = c < 0 ? RemainderKind::kBelowHalf : c == 0 ? RemainderKind::kHalf : RemainderKind::kAboveHalf;
    }
    return {quotient, kind};
}

}  // namespace detail
}  // namespace varnitz
