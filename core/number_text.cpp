// The two number text rules, with integer arithmetic only.
//
// No C runtime conversion (strtod, printf, from_chars, ...) is used: the shipped program links the
// Windows runtime, whose conversions differ from the rules. Double arithmetic appears only in the
// Clinger path of ParseDecimal, where one correctly rounded operation on exact operands is proved
// below to give the rule's answer.
//
// Each conversion has fast paths that decide most values from a 64-bit significand and a 128-bit
// power of five with a proved error bound, and fall back to the exact big-integer path whenever
// that bound cannot decide (exactly halfway cases always among them).
#include "varnitz/number_text.h"

#include <cfloat>
#include <cstdint>
#include <cstring>

#include "big_integer.h"
#include "number_text_internal.h"
#include "powers_of_five.h"

namespace varnitz {
namespace detail {
namespace {

constexpr std::uint64_t kSignBit = 0x8000000000000000u;
constexpr std::uint64_t kInfinityBits = 0x7FF0000000000000u;  // also the exponent mask
constexpr std::uint64_t kFractionMask = 0x000FFFFFFFFFFFFFu;
constexpr std::uint64_t kQuietBit = 0x0008000000000000u;
constexpr std::uint64_t kHiddenBit = 0x0010000000000000u;
constexpr std::uint64_t kTwoTo53 = 0x0020000000000000u;
constexpr std::uint64_t kTenTo16 = 10000000000000000u;
constexpr std::uint64_t kTenTo17 = 100000000000000000u;
constexpr std::uint64_t kTenTo18 = 1000000000000000000u;

double FromBits(std::uint64_t bits) {
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

std::uint64_t ToBits(double value) {
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

// floor(a / b) for b > 0, also for negative a.
int FloorDivide(int a, int b) {
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

// v != 0.
int LeadingZeros64(std::uint64_t v) {
#if defined(__GNUC__)
    return __builtin_clzll(v);
#else
    int n = 0;
    while ((v & kSignBit) == 0) {
        ++n;
        v <<= 1;
    }
    return n;
#endif
}

// Keeps a rarely taken path out of its caller, whose registers it would otherwise claim.
#if defined(__GNUC__)
#define VARNITZ_NOINLINE __attribute__((noinline))
#else
#define VARNITZ_NOINLINE
#endif

int BitLength64(std::uint64_t v) { return v == 0 ? 0 : 64 - LeadingZeros64(v); }

// ---------------------------------------------------------------------------------------------
// 128-bit arithmetic: the 32-bit build has no 128-bit integer type.
// ---------------------------------------------------------------------------------------------

}  // namespace

Uint128 Multiply64Portable(std::uint64_t a, std::uint64_t b) {
    const std::uint64_t aLo = a & 0xFFFFFFFFu, aHi = a >> 32;
    const std::uint64_t bLo = b & 0xFFFFFFFFu, bHi = b >> 32;
    const std::uint64_t ll = aLo * bLo, lh = aLo * bHi, hl = aHi * bLo, hh = aHi * bHi;
    const std::uint64_t mid = (ll >> 32) + (lh & 0xFFFFFFFFu) + (hl & 0xFFFFFFFFu);  // below 3 * 2^32
    return {hh + (lh >> 32) + (hl >> 32) + (mid >> 32), (ll & 0xFFFFFFFFu) | (mid << 32)};
}

namespace {

Uint128 Multiply64(std::uint64_t a, std::uint64_t b) {
#if defined(__SIZEOF_INT128__)
    __extension__ typedef unsigned __int128 Wide;
    const Wide p = static_cast<Wide>(a) * b;
    return {static_cast<std::uint64_t>(p >> 64), static_cast<std::uint64_t>(p)};
#else
    return Multiply64Portable(a, b);
#endif
}

// a * (high * 2^64 + low), all 192 bits.
struct Uint192 {
    std::uint64_t high;
    std::uint64_t middle;
    std::uint64_t low;
};

Uint192 Multiply64By128(std::uint64_t a, std::uint64_t high, std::uint64_t low) {
    const Uint128 lowProduct = Multiply64(a, low);
    const Uint128 highProduct = Multiply64(a, high);
    const std::uint64_t middle = lowProduct.high + highProduct.low;
    const std::uint64_t carry = middle < lowProduct.high ? 1 : 0;
    return {highProduct.high + carry, middle, lowProduct.low};  // no overflow: the product is below 2^192
}

// Exact small powers: 5^0 .. 5^27 (5^27 < 2^63) and the doubles 10^0 .. 10^22 (exact: 10^k = 5^k * 2^k
// with 5^22 < 2^53, so each product below is exact and no text conversion is involved).
struct SmallPowers {
    std::uint64_t five[kAnchorStep];
    double ten[23];
    constexpr SmallPowers() : five(), ten() {
        five[0] = 1;
        for (int k = 1; k < kAnchorStep; ++k) five[k] = five[k - 1] * 5;
        ten[0] = 1.0;
        for (int k = 1; k <= 22; ++k) ten[k] = ten[k - 1] * 10.0;
    }
};
constexpr SmallPowers kSmallPowers;

}  // namespace

// 5^q = 5^(28 k) * 5^r with 0 <= r < 28. The anchor A (128 bits, rounded down, 5^(28 k) / 2^a in
// [A, A + 1)) times the exact S = 5^r gives p = A * S with 5^q / 2^a in [p, p + S). T keeps the top
// 128 bits of p, dropping s bits: 5^q / 2^(a + s) lies in [T, T + 1 + S / 2^s). As A >= 2^127, p has
// at least 127 + bits(S) bits, so s >= bits(S) - 1 and S / 2^s < 2: the error stays below 3.
PowerOfFive128 PowerOfFive(int q) {
    const int k = FloorDivide(q, kAnchorStep);
    const int r = q - k * kAnchorStep;
    const PowerAnchor& anchor = kPowerAnchors[k - kFirstAnchor];
    if (r == 0) return {anchor.high, anchor.low, anchor.exponent};
    const Uint192 p = Multiply64By128(kSmallPowers.five[r], anchor.high, anchor.low);
    const int lz = LeadingZeros64(p.high);  // p >= 2^127 * 5: p.high >= 2
    // Shifting by 63 - lz after 1 keeps lz = 0 defined.
    return {(p.high << lz) | ((p.middle >> 1) >> (63 - lz)), (p.middle << lz) | ((p.low >> 1) >> (63 - lz)),
            anchor.exponent + 64 - lz};
}

namespace {

// ---------------------------------------------------------------------------------------------
// ParseDecimal
// ---------------------------------------------------------------------------------------------

bool IsBlank(unsigned c) { return c == ' ' || (c >= 9 && c <= 13); }
bool IsSign(unsigned c) { return c == '+' || c == '-'; }
bool IsExponentLetter(unsigned c) { return c == 'e' || c == 'E' || c == 'd' || c == 'D'; }

// Decimal significant digits kept exactly by the exact path; the digits after them count only as
// "some nonzero digit follows" (a sticky digit 1 appended to the kept ones).
//
// Why 800 is enough. A rounding boundary of the result is a point halfway between two adjacent
// doubles (or between the largest double and 2^1024), H = odd * 2^k with the odd factor below
// 2^54 and k >= -1075. For k >= 0 H is an integer below 2^1024 < 10^309; for k < 0 its decimal
// expansion ends exactly at the digit of weight 10^k and has at most 768 significant digits (the
// most for k = -1075, odd near 2^54). Let V have its first significant digit at weight 10^L and
// be cut after 800 significant digits: V lies in [C, C + 10^(L-799)) with C the cut value. A
// boundary strictly inside (C, C + 10^(L-799)) would have to be near V (leading digit at weight
// 10^L or 10^(L+1) at most) yet not be a multiple of 10^(L-799), so it would need more than 800
// significant digits (k < 0) or a fraction below 10^(L-799) < 1 with L <= 309 (k >= 0): neither
// exists. So V and C + 10^(L-800) (the cut digits followed by one digit 1) lie on the same side
// of every boundary, or V equals C, and both round to the same double.
constexpr std::size_t kMaxSignificantDigits = 800;

// Significant digits the fast paths gather into a 64-bit integer: 10^19 - 1 < 2^64.
constexpr int kMaxFastDigits = 19;

// Saturation of the exponent and of the digit counts, far beyond the range where the value
// matters (|decimal exponent| <= ~330) and small enough that their sum cannot overflow.
constexpr std::int64_t kExponentLimit = 1000000000000000000;  // 10^18
constexpr std::int64_t kCountLimit = 2000000000000000000;     // 2 * 10^18, beyond any text in memory

std::int64_t ClampCount(std::size_t count) {
    return count > static_cast<std::uint64_t>(kCountLimit) ? kCountLimit : static_cast<std::int64_t>(count);
}

// The Clinger path needs each double operation rounded once, to double: not so on the x87 unit's
// wider format (FLT_EVAL_METHOD 2), where those values take the product path instead.
#if defined(FLT_EVAL_METHOD) && FLT_EVAL_METHOD == 0
#define VARNITZ_CLINGER_PATH 1
#else
#define VARNITZ_CLINGER_PATH 0
#endif

// The bits of the double nearest to V = digits * 10^q (digits > 0), exactly halfway taking the
// smaller magnitude; kInfinityBits when the rounded magnitude reaches 2^1024. The caller keeps V
// within [10^-324, 10^310] and digits below 10^801, so q lies in [-1124, 310]:
//   q >= 0: num = digits * 5^q < 10^310 < 2^1030;
//   q <  0: den = 5^-q < 2^2610, num = digits < 2^2661;
// after the scaling below the shifted operand has at most the other's bits + 63, and the division
// adds at most 32 more: well below the 4096 bits of a BigInteger.
std::uint64_t NearestDoubleBits(const BigInteger& digits, int q) {
    // V = num / den * 2^q, since 10^q = 5^q * 2^q.
    BigInteger num = digits;
    BigInteger den(1);
    if (q >= 0) {
        num.MultiplyByPowerOfFive(q);
    } else {
        den.MultiplyByPowerOfFive(-q);
    }
    // With bn, bd the bit lengths, num / den lies in (2^(bn-bd-1), 2^(bn-bd+1)); scaling by 2^s
    // with s = 63 - (bn - bd) puts it in (2^62, 2^64), so the quotient has 63 or 64 bits.
    const int s = 63 - (num.BitLength() - den.BitLength());
    if (s >= 0) {
        num.ShiftLeft(s);
    } else {
        den.ShiftLeft(-s);
    }
    const SmallQuotient division = DivideSmallQuotient(num, den);
    const std::uint64_t quotient = division.quotient;
    const bool sticky = division.remainder != RemainderKind::kZero;

    // V = (quotient + f) * 2^quotientLsb with 0 <= f < 1, f > 0 exactly when sticky.
    const int quotientLsb = q - s;
    const int binaryExponent = BitLength64(quotient) - 1 + quotientLsb;  // 2^e <= V < 2^(e+1)
    if (binaryExponent > 1023) return kInfinityBits;
    // The weight of the result's last place: 53 significant bits for normal results, 2^-1074 for
    // subnormal ones.
    const int lsb = binaryExponent - 52 > -1074 ? binaryExponent - 52 : -1074;
    const int drop = lsb - quotientLsb;  // bits of the quotient below the last place, 10 to 66
    if (drop > 64) return 0;             // V < 2^(quotientLsb + 64) <= 2^(lsb - 1): rounds to zero

    std::uint64_t kept, rest, half;
    if (drop == 64) {
        kept = 0;
        rest = quotient;
        half = std::uint64_t{1} << 63;
    } else {
        kept = quotient >> drop;
        rest = quotient & ((std::uint64_t{1} << drop) - 1);
        half = std::uint64_t{1} << (drop - 1);
    }
    // Above half a last place: up. Exactly half (rest == half, nothing below): the smaller
    // magnitude, i.e. stay. Below half: stay.
    const bool roundUp = rest > half || (rest == half && sticky);

    // For a normal result kept has 53 bits (the hidden bit included) and the exponent field is
    // binaryExponent + 1023 = (lsb + 1074) + 1, the hidden bit supplying the + 1. For a subnormal
    // one the field is 0 and kept < 2^52. A carry out of the 53 bits, or from the largest
    // subnormal into the smallest normal, moves into the exponent field by itself; a carry out of
    // the largest finite double gives exactly kInfinityBits.
    std::uint64_t bits = (static_cast<std::uint64_t>(lsb + 1074) << 52) + kept + (roundUp ? 1 : 0);
    if (bits > kInfinityBits) bits = kInfinityBits;  // cannot happen (binaryExponent <= 1023), kept for safety
    return bits;
}

// The exact path, also the range ends: the bits of |V| for V = the mantissa's digits (the integer
// part, then the fraction) * 10^exponent, |exponent| <= 10^18.
std::uint64_t ExactMagnitudeBits(const unsigned char* intDigits, std::size_t intLength,
                                 const unsigned char* fracDigits, std::size_t fracLength, std::int64_t exponent) {
    const std::size_t total = intLength + fracLength;
    auto digitAt = [=](std::size_t k) -> unsigned {
        return k < intLength ? intDigits[k] : fracDigits[k - intLength];
    };
    std::size_t first = 0;  // the first significant digit
    while (first < total && digitAt(first) == '0') ++first;
    if (first == total) return 0;

    // V = 0.(significant digits) * 10^magnitude, so 10^(magnitude-1) <= V < 10^magnitude.
    const std::int64_t pointPosition =
        first <= intLength ? ClampCount(intLength - first) : -ClampCount(first - intLength);
    const std::int64_t magnitude = pointPosition + exponent;
    // V >= 10^310 exceeds 2^1024; V < 10^-324 is below 2^-1075, half the smallest subnormal.
    if (magnitude > 310) return kInfinityBits;
    if (magnitude < -323) return 0;

    // The kept digits: at most kMaxSignificantDigits, then a sticky 1 if any later digit is not 0;
    // without a sticky digit, trailing zeros are dropped (they only scale by ten). The scan for a
    // nonzero digit is the only work on the digits beyond the kept ones: linear in the text.
    const std::size_t significant = total - first;
    std::size_t keptEnd = first + (significant < kMaxSignificantDigits ? significant : kMaxSignificantDigits);
    bool sticky = false;
    for (std::size_t k = keptEnd; k < total; ++k) {
        if (digitAt(k) != '0') {
            sticky = true;
            break;
        }
    }
    if (!sticky) {
        while (digitAt(keptEnd - 1) == '0') --keptEnd;  // stops at the first digit, which is not 0
    }
    const int digitCount = static_cast<int>(keptEnd - first) + (sticky ? 1 : 0);  // 1 to 801
    const int q = static_cast<int>(magnitude) - digitCount;                      // V = D * 10^q

    BigInteger digits;
    std::uint32_t chunk = 0;
    int chunkLength = 0;
    auto addDigit = [&](unsigned digit) {
        chunk = chunk * 10 + digit;
        if (++chunkLength == 9) {
            digits.MultiplyAdd(1000000000u, chunk);
            chunk = 0;
            chunkLength = 0;
        }
    };
    for (std::size_t k = first; k < keptEnd; ++k) addDigit(digitAt(k) - '0');
    if (sticky) addDigit(1);
    if (chunkLength > 0) {
        std::uint32_t scale = 1;
        for (int i = 0; i < chunkLength; ++i) scale *= 10;
        digits.MultiplyAdd(scale, chunk);
    }
    return NearestDoubleBits(digits, q);
}

}  // namespace

// V = w * 10^q = wn * 5^q * 2^(q - lz) with wn = w * 2^lz >= 2^63. With the power's T and exponent
// t, wn * 5^q / 2^t lies in [wn T, wn T + 3 wn). Let U = floor(wn T / 2^64), 2^126 <= U < 2^128:
// V = (U + g) * 2^(t + q - lz + 64) with 0 <= g < 1 + 3 wn / 2^64 < 4. The result's 53 bits are the
// top bits m of U; R, the s = 74 or 75 bits below them, against H = 2^(s-1) decides: V lies above
// the midpoint (m + 1/2) * 2^s when R > H (up; V < (m + 1) 2^s + 4 stays below the next midpoint),
// and below it when R + 4 <= H (down). Otherwise V may lie on the midpoint (every exactly halfway
// value lands here, whatever the tie rule would say) or on either side: undecided.
bool ProductNearestBits(std::uint64_t w, int q, std::uint64_t* bits) {
    if (q < kMinPowerOfFive || q > kMaxPowerOfFive) return false;
    const PowerOfFive128 t = PowerOfFive(q);
    const int lz = LeadingZeros64(w);
    const Uint192 p = Multiply64By128(w << lz, t.high, t.low);  // U = p.high * 2^64 + p.middle
    const int restBits = 10 + static_cast<int>(p.high >> 63);   // s - 64
    std::uint64_t m = p.high >> restBits;
    const std::uint64_t restHigh = p.high & ((std::uint64_t{1} << restBits) - 1);
    const std::uint64_t halfHigh = std::uint64_t{1} << (restBits - 1);
    bool up;
    if (restHigh > halfHigh || (restHigh == halfHigh && p.middle != 0)) {
        up = true;
    } else if (restHigh < halfHigh - 1 || (restHigh == halfHigh - 1 && p.middle <= ~std::uint64_t{0} - 3)) {
        up = false;  // R <= H - 4
    } else {
        return false;
    }
    // m's last place weighs 2^(s + t + q - lz + 64); the exponent field is that exponent + 1075.
    int field = 64 + restBits + t.exponent + q - lz + 64 + 1075;
    if (field < 1) return false;  // subnormal: the last place is no longer m's
    if (up && ++m == kTwoTo53) {
        m = kHiddenBit;
        ++field;
    }
    if (field > 2046) return false;  // rounds to infinity: left to the exact path
    *bits = (static_cast<std::uint64_t>(field) << 52) | (m & kFractionMask);
    return true;
}

namespace {

// What a scanner found: V = (w + f) * 10^q with 0 <= f < 1, f > 0 exactly when droppedNonzero, and
// the digits themselves for the exact path: V = (integer digits, fraction digits) * 10^exponent.
struct ScannedNumber {
    std::uint64_t w;
    int q;  // clamped to just beyond the power table
    bool droppedNonzero;
    const unsigned char* intDigits;
    std::size_t intLength;
    const unsigned char* fracDigits;
    std::size_t fracLength;
    std::int64_t exponent;
};

int ClampToTable(std::int64_t q) {
    return static_cast<int>(q < kMinPowerOfFive ? kMinPowerOfFive - 1 : q > kMaxPowerOfFive ? kMaxPowerOfFive + 1 : q);
}

#if VARNITZ_CLINGER_PATH
// w <= 2^53 and |q| <= 22: w and 10^|q| are exact doubles, and one IEEE operation, rounded once to
// nearest with ties to even, gives the double nearest to w * 10^q. That is the rule's answer unless
// the value lies exactly halfway between two doubles, which cannot happen here:
//  - w / 10^-q: a halfway point is dyadic (odd * 2^k), and w / 10^-q = (w / 5^-q) / 2^-q is dyadic
//    only when 5^-q divides w, and then it has at most 53 significant bits and is a double itself
//    (the value is at least 10^-22, far from the subnormals).
//  - w * 10^q, q > 0: taken only when w * 5^q < 2^53, so that the value (w 5^q) 2^q is a double
//    itself. The test is made on the rounded product: it is below 2^(53 + q) exactly when the
//    exact one is, as that power of two is a double and rounding is monotone.
// Both are done as (w * 10^up) / 10^down with one of up, down 0: an exact operation and the one
// that rounds, without a branch on the sign of q.
// FLT_EVAL_METHOD == 0 guarantees the single rounding to double (not to the x87's wider format
// first); the build also turns off contraction into fused operations.
bool ClingerBits(std::uint64_t w, int q, std::uint64_t* bits) {
    if (w > kTwoTo53 || q < -22 || q > 22) return false;
    const int up = q > 0 ? q : 0;
    const int down = q < 0 ? -q : 0;
    const double scaled = static_cast<double>(static_cast<std::int64_t>(w)) * kSmallPowers.ten[up];
    if ((ToBits(scaled) >> 52) >= static_cast<std::uint64_t>(1023 + 53 + up)) return false;
    *bits = ToBits(scaled / kSmallPowers.ten[down]);
    return true;
}
#else
bool ClingerBits(std::uint64_t, int, std::uint64_t*) { return false; }
#endif

// The bits of |V| for a number with a nonzero digit.
VARNITZ_NOINLINE std::uint64_t MagnitudeBits(const ScannedNumber& n, bool fast, ConversionPath* path) {
    const std::uint64_t w = n.w;
    const int q = n.q;
    std::uint64_t bits;
    if (fast && w != 0) {
        if (!n.droppedNonzero && ClingerBits(w, q, &bits)) {
            if (path) *path = ConversionPath::kClinger;
            return bits;
        }
        // V in [w, w + 1) * 10^q when digits were dropped: when both ends round alike, so does V
        // (rounding is monotone).
        std::uint64_t upperBits;
        if (ProductNearestBits(w, q, &bits) &&
            (!n.droppedNonzero || (ProductNearestBits(w + 1, q, &upperBits) && upperBits == bits))) {
            if (path) *path = ConversionPath::kProduct;
            return bits;
        }
    }
    if (path) *path = ConversionPath::kExact;
    return ExactMagnitudeBits(n.intDigits, n.intLength, n.fracDigits, n.fracLength, n.exponent);
}

// ---- Short texts ----
//
// A text of at most 19 characters has at most 19 digits, so they fit w without a count, and an
// exponent below 10^18 without saturation: the scanner for the common case needs no limits but
// the text's end. The field texts have at most 14 characters. Leading blanks, and values that
// the Clinger path cannot take, go to the general scanner.
constexpr std::size_t kShortTextMax = 19;

// false: the general scanner reads it.
bool ParseShort(const unsigned char* s, std::size_t length, ParseResult* result, ConversionPath* path) {
    if (length > kShortTextMax || length == 0) return false;
    unsigned c = s[0];
    if (IsBlank(c)) return false;
    std::size_t i = 0;
    bool negative = false;
    if (c == '-' || c == '+') {
        negative = c == '-';
        i = 1;
    }
    std::uint64_t w = 0;
    unsigned d;
    const std::size_t intBegin = i;
    while (i < length && (d = s[i] - '0') <= 9) {
        w = w * 10 + d;
        ++i;
    }
    const std::size_t intLength = i - intBegin;
    std::size_t fracBegin = i;
    if (i < length && s[i] == '.') {
        fracBegin = ++i;
        while (i < length && (d = s[i] - '0') <= 9) {
            w = w * 10 + d;
            ++i;
        }
    }
    const std::size_t fracLength = i - fracBegin;
    if (intLength + fracLength == 0) {
        *result = {0.0, 0};  // no mantissa: +0, whatever the sign
        return true;
    }
    std::int64_t exponent = 0;
    if (i < length && ((s[i] | 0x20) == 'e' || (s[i] | 0x20) == 'd')) {
        std::size_t j = i + 1;
        bool exponentNegative = false;
        if (j < length && (s[j] == '-' || s[j] == '+')) {
            exponentNegative = s[j] == '-';
            ++j;
        }
        if (j < length && (d = s[j] - '0') <= 9) {  // otherwise the letter is not part of the number
            do {
                exponent = exponent * 10 + d;
                ++j;
            } while (j < length && (d = s[j] - '0') <= 9);
            if (exponentNegative) exponent = -exponent;
            i = j;
        }
    }
    // Only the Clinger path here: the others are rare in typed numbers, and calling them would cost
    // every call the registers they need. The general scanner reads such texts again.
    std::uint64_t bits = 0;
    if (w != 0 && !ClingerBits(w, ClampToTable(exponent - static_cast<std::int64_t>(fracLength)), &bits)) return false;
    if (path) *path = w != 0 ? ConversionPath::kClinger : ConversionPath::kNoArithmetic;
    *result = {FromBits(bits | (negative ? kSignBit : 0)), i};
    return true;
}

// ---- Any text ----

VARNITZ_NOINLINE ParseResult ParseGeneral(const unsigned char* s, std::size_t length, bool fast, ConversionPath* path) {
    // Characters beyond `length` read as NUL, and a NUL continues nothing: scanning never goes past
    // a NUL, so the NUL-terminated overload may pass the largest length.
    auto at = [s, length](std::size_t i) -> unsigned { return i < length ? s[i] : 0u; };
    if (path) *path = ConversionPath::kNoArithmetic;

    // The grammar: [blanks] [sign] (digits [. [digits]] | . digits) [letter [sign] digits].
    std::size_t pos = 0;
    while (IsBlank(at(pos))) ++pos;
    bool negative = false;
    if (IsSign(at(pos))) {
        negative = at(pos) == '-';
        ++pos;
    }
    // w gathers the first 19 significant digits; the integer digits after them are only counted,
    // and any digit after them only checked for being nonzero. So V = (w + f) * 10^q with
    // q = exponent + droppedInt - fracInW and 0 <= f < 1, f > 0 exactly when droppedNonzero.
    std::uint64_t w = 0;
    int wDigits = 0;             // significant digits in w
    std::size_t droppedInt = 0;  // integer digits after the 19th significant one
    std::size_t fracInW = 0;     // fraction digits gathered into w, leading zeros included
    bool droppedNonzero = false;
    unsigned d;
    const std::size_t intBegin = pos;
    while ((d = at(pos) - '0') <= 9) {
        if (wDigits < kMaxFastDigits) {
            w = w * 10 + d;
            wDigits += w != 0 ? 1 : 0;  // leading zeros are not significant
        } else {
            ++droppedInt;
            droppedNonzero = droppedNonzero || d != 0;
        }
        ++pos;
    }
    const std::size_t intLength = pos - intBegin;
    std::size_t fracBegin = pos;
    std::size_t fracLength = 0;
    if (at(pos) == '.') {
        fracBegin = ++pos;
        while ((d = at(pos) - '0') <= 9) {
            if (wDigits < kMaxFastDigits) {
                w = w * 10 + d;
                wDigits += w != 0 ? 1 : 0;
                ++fracInW;
            } else {
                droppedNonzero = droppedNonzero || d != 0;
            }
            ++pos;
        }
        fracLength = pos - fracBegin;
    }
    if (intLength == 0 && fracLength == 0) return {0.0, 0};  // no mantissa: +0, whatever the sign

    std::int64_t exponent = 0;
    if (IsExponentLetter(at(pos))) {
        std::size_t p = pos + 1;
        bool exponentNegative = false;
        if (IsSign(at(p))) {
            exponentNegative = at(p) == '-';
            ++p;
        }
        if ((d = at(p) - '0') <= 9) {  // otherwise the letter is not part of the number
            do {
                exponent = exponent < kExponentLimit / 10 ? exponent * 10 + d : kExponentLimit;
                ++p;
            } while ((d = at(p) - '0') <= 9);
            if (exponentNegative) exponent = -exponent;
            pos = p;
        }
    }
    const std::size_t consumed = pos;
    const std::uint64_t signBit = negative ? kSignBit : 0;
    if (w == 0) return {FromBits(signBit), consumed};  // every digit is 0

    // Every q beyond the table goes to the exact path, which also decides the range ends.
    const ScannedNumber number = {w,
                                  ClampToTable(exponent + ClampCount(droppedInt) - ClampCount(fracInW)),
                                  droppedNonzero,
                                  s + intBegin,
                                  intLength,
                                  s + fracBegin,
                                  fracLength,
                                  exponent};
    return {FromBits(MagnitudeBits(number, fast, path) | signBit), consumed};
}

ParseResult Parse(const unsigned char* s, std::size_t length, bool fast, ConversionPath* path) {
    ParseResult result;
    if (fast && ParseShort(s, length, &result, path)) return result;
    return ParseGeneral(s, length, fast, path);
}

}  // namespace

ParseResult ParseDecimalTraced(const char* text, std::size_t length, ConversionPath* path) {
    return Parse(reinterpret_cast<const unsigned char*>(text), length, true, path);
}

ParseResult ParseDecimalExact(const char* text, std::size_t length) {
    return Parse(reinterpret_cast<const unsigned char*>(text), length, false, nullptr);
}

}  // namespace detail

ParseResult ParseDecimal(const char* text, std::size_t length) {
    return detail::Parse(reinterpret_cast<const unsigned char*>(text), length, true, nullptr);
}

double ParseDecimal(const char* text) {
    return ParseDecimal(text, static_cast<std::size_t>(-1)).value;
}

// ---------------------------------------------------------------------------------------------
// The 17-digit form and FormatSixDigits
// ---------------------------------------------------------------------------------------------

namespace detail {
namespace {

// Step 2's N and P: 10^16 <= N < 10^17 and |x| is N * 10^(P - 17) to 17 significant digits;
// N = 0 and P = 0 for zero (and for infinities and NaNs, which have no form).
struct SeventeenDigits {
    std::uint64_t n;
    int point;
};

// floor(|x| / 10^(p - 17)) for |x| = m * 2^e, with the class of the remainder. The quotient must
// be below 2^64, which holds for p >= P - 2 (P the true decimal exponent of step 2): then
// |x| / 10^(p-17) < 10^P / 10^(P-19) = 10^19 < 2^64. Sizes: m < 2^53, p in [-325, 310], e in
// [-1074, 971]: num and den stay below about 900 bits.
SmallQuotient ScaledQuotient(std::uint64_t m, int e, int p) {
    const int t = p - 17;
    // |x| / 10^t = m * 2^(e - t) * 5^(-t)
    BigInteger num(m);
    BigInteger den(1);
    if (t >= 0) {
        den.MultiplyByPowerOfFive(t);
    } else {
        num.MultiplyByPowerOfFive(-t);
    }
    if (e - t >= 0) {
        num.ShiftLeft(e - t);
    } else {
        den.ShiftLeft(t - e);
    }
    return DivideSmallQuotient(num, den);
}

// The first estimate of P for 2^(b-1) <= |x| < 2^b: floor((b - 1) lg 2) + 1, which is P or P - 1
// (10^(P-1) <= |x| < 2^b <= 2^(b-1) * 10). (n * 315653) >> 20 is floor(n lg 2) for |n| < 1200,
// checked against exact powers for every such n; were it off for some binade, the fast path would
// decline there, which the tests would see.
int DecimalExponentEstimate(int b) { return FloorDivide((b - 1) * 315653, 1 << 20) + 1; }

// The exact path, |x| = m * 2^e, m > 0.
SeventeenDigits SeventeenDigitsExact(std::uint64_t m, int e) {
    int p = DecimalExponentEstimate(BitLength64(m) + e);
    SmallQuotient n = ScaledQuotient(m, e, p);
    // floor(|x| / 10^(p-17)) >= 10^16 exactly when |x| >= 10^(p-1), and < 10^17 exactly when
    // |x| < 10^p.
    while (n.quotient >= kTenTo17 || n.quotient < kTenTo16) {
        p += n.quotient >= kTenTo17 ? 1 : -1;
        n = ScaledQuotient(m, e, p);
    }

    // Round to nearest. Exactly halfway (an 18-significant-digit expansion ending in 5) we take the
    // SMALLER neighbour, the truncated 17 digits: the one an 80-bit scaling usually lands on too.
    // The choice never reaches the six-digit text: such an expansion is m * 5^k / 10^k with m odd
    // and k >= 2 (k <= 0 gives an integer that is even or has at most 16 digits; k = 1 would need
    // m >= 2 * 10^16 > 2^53), and m * 5^k ends in 25 or 75. So the 17th digit is 2 or 7, rounding
    // up makes it 3 or 8 without a carry, and step 4 looks at the first seven digits only. (Such
    // doubles are m / 4 and m / 8 between about 10^14 and 2^51.)
    std::uint64_t digitsValue = n.quotient;
    if (n.remainder == RemainderKind::kAboveHalf) ++digitsValue;
    if (digitsValue == kTenTo17) {
        digitsValue = kTenTo16;
        ++p;
    }
    return {digitsValue, p};
}

// The fast path, |x| = m * 2^e, m > 0; false when the bound cannot decide.
//
// |x| = mn * 2^(e - lz) with mn = m * 2^lz >= 2^63, 2^(b-1) <= |x| < 2^b, and P is pe or pe + 1
// (DecimalExponentEstimate). Z = |x| / 10^(pe - 17) = mn * 5^k * 2^(e - lz + k) with k = 17 - pe;
// with the power (T, t), mn 5^k / 2^t lies in [c, c + 3 mn) for c = mn T, so
// Z = (c + g) / 2^(128 + shift) with shift = -(t + e - lz + k) - 128 and 0 <= g < 3 * 2^64. As Z lies
// in [10^16, 10^18) and c in [2^190, 2^192), shift is 3 to 10. n and the 64-bit fraction f are the
// bits of c above and just below the binary point: Z = n + (f + h) / 2^64 with 0 <= h < 2 (one for
// g, which is below 2^(shift + 64) = one unit of f, one for the bits of c below f).
bool SeventeenDigitsFast(std::uint64_t m, int e, SeventeenDigits* out) {
    const int lz = LeadingZeros64(m);
    const int pe = DecimalExponentEstimate(e - lz + 64);
    const int k = 17 - pe;  // -292 .. 341 for every finite double
    const PowerOfFive128 t = PowerOfFive(k);
    const Uint192 c = Multiply64By128(m << lz, t.high, t.low);
    const int shift = -(t.exponent + e - lz + k) - 128;
    if (shift < 1 || shift > 63) return false;  // never; guards the shifts below
    std::uint64_t n = c.high >> shift;
    const std::uint64_t f = (c.high << (64 - shift)) | (c.middle >> shift);
    if (n < kTenTo16 || n >= kTenTo18) return false;  // never, with the estimate's proof
    int point = pe;
    if (n < kTenTo17) {
        // Above n + 1/2 when f > 1/2; below it when f + 2 <= 1/2 (in units of 2^-64). If n + 1
        // reaches 10^17, Z lies in (10^17 - 1/2, 10^17 + 2^-63): either P = pe and N = 10^17, which
        // becomes 10^16 with P + 1, or P = pe + 1 and N = round(Z / 10) = 10^16: the same form.
        if (f > kSignBit) {
            ++n;
        } else if (f > kSignBit - 2) {
            return false;
        }
    } else {
        // P = pe + 1 and N = round(Z / 10); Z / 10 has the fraction (r + (f + h) / 2^64) / 10 with r
        // the last digit of n: above 1/2 when r > 5, or r = 5 and f > 0; below it when r < 4, or
        // r = 4 and f + 2 <= 2^64.
        const unsigned r = static_cast<unsigned>(n % 10);
        n /= 10;
        ++point;
        if (r > 5 || (r == 5 && f != 0)) {
            ++n;
        } else if (r == 5 || (r == 4 && f == ~std::uint64_t{0})) {
            return false;
        }
    }
    // Exactly halfway values (the exact path takes the smaller neighbour) never get here: they are
    // among the undecided ones above.
    if (n == kTenTo17) {
        n = kTenTo16;
        ++point;
    }
    *out = {n, point};
    return true;
}

SeventeenDigits MakeSeventeenDigits(std::uint64_t bits, bool fast, ConversionPath* path) {
    if (path) *path = ConversionPath::kNoArithmetic;
    const std::uint64_t exponentField = (bits & kInfinityBits) >> 52;
    const std::uint64_t fraction = bits & kFractionMask;
    if ((exponentField == 0 && fraction == 0) || exponentField == 0x7FF) return {0, 0};
    // |x| = m * 2^e exactly.
    const std::uint64_t m = exponentField == 0 ? fraction : (fraction | kHiddenBit);
    const int e = exponentField == 0 ? -1074 : static_cast<int>(exponentField) - 1075;
    SeventeenDigits digits;
    if (fast && SeventeenDigitsFast(m, e, &digits)) {
        if (path) *path = ConversionPath::kProduct;
        return digits;
    }
    if (path) *path = ConversionPath::kExact;
    return SeventeenDigitsExact(m, e);
}

SeventeenDigitForm FormOf(double x, bool fast, ConversionPath* path) {
    SeventeenDigitForm form = {};
    const std::uint64_t bits = ToBits(x);
    form.negative = (bits & kSignBit) != 0;
    const SeventeenDigits d = MakeSeventeenDigits(bits, fast, path);
    form.point = d.point;
    if (d.n == 0) {
        form.digits[0] = '0';
        form.length = 1;
        return form;
    }
    // Two halves below 10^9, so that the digits need only 32-bit divisions.
    std::uint32_t high = static_cast<std::uint32_t>(d.n / 100000000u);
    std::uint32_t low = static_cast<std::uint32_t>(d.n % 100000000u);
    for (int i = kMaxFormDigits - 1; i >= 9; --i) {
        form.digits[i] = static_cast<char>('0' + low % 10);
        low /= 10;
    }
    for (int i = 8; i >= 0; --i) {
        form.digits[i] = static_cast<char>('0' + high % 10);
        high /= 10;
    }
    int length = kMaxFormDigits;
    while (form.digits[length - 1] == '0') --length;  // stops at the first digit, which is not 0
    form.digits[length] = '\0';
    form.length = length;
    return form;
}

}  // namespace

SeventeenDigitForm MakeSeventeenDigitFormTraced(double x, ConversionPath* path) { return FormOf(x, true, path); }

SeventeenDigitForm MakeSeventeenDigitFormExact(double x) { return FormOf(x, false, nullptr); }

}  // namespace detail

SeventeenDigitForm MakeSeventeenDigitForm(double x) { return detail::FormOf(x, true, nullptr); }

namespace {

int WriteText(const char* text, char* buffer) {
    const int length = static_cast<int>(std::strlen(text));
    std::memcpy(buffer, text, static_cast<std::size_t>(length) + 1);
    return length;
}

}  // namespace

int FormatSixDigits(double x, char* buffer) {
    using namespace detail;
    const std::uint64_t bits = ToBits(x);
    const bool signSet = (bits & kSignBit) != 0;

    // Step 1: infinities and NaNs, by their bit pattern.
    if ((bits & kInfinityBits) == kInfinityBits) {
        const std::uint64_t fraction = bits & kFractionMask;
        if (fraction == 0) return WriteText(signSet ? "-1.#INF" : "1.#INF", buffer);
        if (signSet && fraction == kQuietBit) return WriteText("-1.#IND", buffer);
        if ((fraction & kQuietBit) != 0) return WriteText(signSet ? "-1.#QNAN" : "1.#QNAN", buffer);
        return WriteText(signSet ? "-1.#SNAN" : "1.#SNAN", buffer);
    }

    // Step 2, kept as N: its first seven digits are all that the later steps read.
    const SeventeenDigits form = MakeSeventeenDigits(bits, true, nullptr);
    const std::uint32_t firstNine = static_cast<std::uint32_t>(form.n / 100000000u);  // 0 for zero

    // Step 3: the form is chosen by the point before rounding.
    const int pointBefore = form.point;
    const bool fixed = pointBefore >= 0 && pointBefore <= 6;

    // Step 4: six-digit rounding. S is the first six digits (the form's digits filled up with
    // zeros); the seventh, when 5 or more, rounds up. Trailing zeros of the form are N's trailing
    // zeros, so "the form has a seventh digit and it is 5 or more" is just "N's seventh digit is".
    std::uint32_t six = firstNine / 1000;
    int point = pointBefore;
    char s[8] = {};
    int sLength = 6;
    if (firstNine / 100 % 10 >= 5) ++six;
    if (six == 1000000) {  // "999999" carried out of its first digit
        std::memcpy(s, "1000000", 7);
        sLength = 7;
        ++point;
    } else {
        for (int i = 5; i >= 0; --i) {
            s[i] = static_cast<char>('0' + six % 10);
            six /= 10;
        }
    }

    char text[32];
    int length = 0;
    // Step 7 (the sign goes in front; done first here).
    if (signSet) text[length++] = '-';
    int removableFrom;  // step 8 removes zeros only after this position (just after the ".")
    bool hasPoint = false;
    if (fixed) {
        // Step 5: n decimals, with n from the point before rounding.
        const int decimals = 6 - pointBefore;
        int next;  // index in s of the first character after the integer part
        if (point == 0) {
            text[length++] = '0';
            next = 0;
        } else {
            for (int i = 0; i < point; ++i) text[length++] = s[i];
            next = point;
        }
        removableFrom = length + 1;
        if (decimals > 0) {
            hasPoint = true;
            text[length++] = '.';
            for (int i = 0; i < decimals && next + i < sLength; ++i) text[length++] = s[next + i];
        }
    } else {
        // Step 6.
        text[length++] = s[0];
        text[length++] = '.';
        hasPoint = true;
        removableFrom = length;
        for (int i = 1; i < 6; ++i) text[length++] = s[i];
    }

    // Step 8: zeros directly before the end (fixed) or before the "e" (exponent form) go; the "."
    // stays.
    if (hasPoint) {
        while (length > removableFrom && text[length - 1] == '0') --length;
    }
    if (!fixed) {
        const int exponent = point - 1;
        const int magnitude = exponent < 0 ? -exponent : exponent;  // at most 324
        text[length++] = 'e';
        text[length++] = exponent < 0 ? '-' : '+';
        text[length++] = static_cast<char>('0' + magnitude / 100);
        text[length++] = static_cast<char>('0' + magnitude / 10 % 10);
        text[length++] = static_cast<char>('0' + magnitude % 10);
    }
    // Step 9: a final "." goes.
    if (text[length - 1] == '.') --length;

    std::memcpy(buffer, text, static_cast<std::size_t>(length));
    buffer[length] = '\0';
    return length;
}

}  // namespace varnitz
