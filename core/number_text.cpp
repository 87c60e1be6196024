// The two number text rules, with integer arithmetic only.
//
// No C runtime conversion (strtod, printf, from_chars, ...) is used: the shipped program links the
// Windows runtime, whose conversions differ from the rules. Double arithmetic appears only in the
// fast path of ParseDecimal, where one correctly rounded operation on exact operands is proved
// below to give the rule's answer.
#include "varnitz/number_text.h"

#include <cfloat>
#include <cstdint>
#include <cstring>

#include "big_integer.h"

namespace varnitz {
namespace {

using detail::BigInteger;
using detail::DivideSmallQuotient;
using detail::RemainderKind;
using detail::SmallQuotient;

constexpr std::uint64_t kSignBit = 0x8000000000000000u;
constexpr std::uint64_t kInfinityBits = 0x7FF0000000000000u;  // also the exponent mask
constexpr std::uint64_t kFractionMask = 0x000FFFFFFFFFFFFFu;
constexpr std::uint64_t kQuietBit = 0x0008000000000000u;
constexpr std::uint64_t kHiddenBit = 0x0010000000000000u;

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

int BitLength64(std::uint64_t v) {
    int n = 0;
    while (v != 0) {
        ++n;
        v >>= 1;
    }
    return n;
}

// ---------------------------------------------------------------------------------------------
// ParseDecimal
// ---------------------------------------------------------------------------------------------

bool IsBlank(unsigned c) { return c == ' ' || (c >= 9 && c <= 13); }
bool IsDigit(unsigned c) { return c >= '0' && c <= '9'; }
bool IsSign(unsigned c) { return c == '+' || c == '-'; }
bool IsExponentLetter(unsigned c) { return c == 'e' || c == 'E' || c == 'd' || c == 'D'; }

// Decimal significant digits kept exactly; the digits after them count only as "some nonzero digit
// follows" (a sticky digit 1 appended to the kept ones).
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

// Saturation of the exponent and of the digit counts, far beyond the range where the value
// matters (|decimal exponent| <= ~330) and small enough that their sum cannot overflow.
constexpr std::int64_t kExponentLimit = 1000000000000000000;  // 10^18
constexpr std::int64_t kCountLimit = 2000000000000000000;     // 2 * 10^18, beyond any text in memory

std::int64_t ClampCount(std::size_t count) {
    return count > static_cast<std::uint64_t>(kCountLimit) ? kCountLimit : static_cast<std::int64_t>(count);
}

// The fast path of ParseDecimal needs each double operation rounded once, to double: not so on the
// x87 unit's wider format (FLT_EVAL_METHOD 2), where everything takes the exact path.
#if defined(FLT_EVAL_METHOD) && FLT_EVAL_METHOD == 0
#define VARNITZ_PARSE_FAST_PATH 1
#else
#define VARNITZ_PARSE_FAST_PATH 0
#endif

#if VARNITZ_PARSE_FAST_PATH
// Powers of ten from 10^0 to 10^22 as doubles. Each product is exact (10^k = 5^k * 2^k and
// 5^22 < 2^53), so the table holds the exact powers without any text conversion.
struct PowersOfTen {
    double value[23];
    std::uint64_t five[23];  // 5^k, exact integers
    constexpr PowersOfTen() : value(), five() {
        double p = 1.0;
        std::uint64_t f = 1;
        for (int k = 0; k <= 22; ++k) {
            value[k] = p;
            five[k] = f;
            p *= 10.0;
            f *= 5;
        }
    }
};
constexpr PowersOfTen kPowers;

// True when d * 10^q (d < 2^53, 1 <= q <= 22) lies exactly halfway between two adjacent doubles.
// d * 10^q = (d * 5^q) * 2^q; with O the odd part of d * 5^q, the value is O * 2^j for some j >= 0.
// It is a double when O has at most 53 bits, exactly halfway when O has 54 bits (O / 2 is then
// an integer and a half in units of the last place), and neither with 55 bits or more (the part
// below the last place is an odd multiple of 2^-2 or finer).
bool ProductIsHalfway(std::uint64_t d, int q) {
    const std::uint64_t f = kPowers.five[q];
    const std::uint64_t dLo = d & 0xFFFFFFFFu, dHi = d >> 32;
    const std::uint64_t fLo = f & 0xFFFFFFFFu, fHi = f >> 32;
    const std::uint64_t ll = dLo * fLo, lh = dLo * fHi, hl = dHi * fLo, hh = dHi * fHi;
    const std::uint64_t mid = (ll >> 32) + (lh & 0xFFFFFFFFu) + (hl & 0xFFFFFFFFu);
    std::uint64_t lo = (ll & 0xFFFFFFFFu) | (mid << 32);
    std::uint64_t hi = hh + (lh >> 32) + (hl >> 32) + (mid >> 32);
    while ((lo & 1) == 0) {  // d * 5^q is not zero, so this ends
        lo = (lo >> 1) | (hi << 63);
        hi >>= 1;
    }
    const int bits = hi != 0 ? 64 + BitLength64(hi) : BitLength64(lo);
    return bits == 54;
}
#endif  // VARNITZ_PARSE_FAST_PATH

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

}  // namespace

ParseResult ParseDecimal(const char* text, std::size_t length) {
    const unsigned char* s = reinterpret_cast<const unsigned char*>(text);
    // Characters beyond `length` read as NUL, and a NUL continues nothing: scanning never goes past
    // a NUL, so the NUL-terminated overload may pass the largest length.
    auto at = [s, length](std::size_t i) -> unsigned { return i < length ? s[i] : 0u; };

    // The grammar: [blanks] [sign] (digits [. [digits]] | . digits) [letter [sign] digits].
    std::size_t pos = 0;
    while (IsBlank(at(pos))) ++pos;
    bool negative = false;
    if (IsSign(at(pos))) {
        negative = at(pos) == '-';
        ++pos;
    }
    const std::size_t intBegin = pos;
    while (IsDigit(at(pos))) ++pos;
    const std::size_t intEnd = pos;
    std::size_t fracBegin = pos;
    std::size_t fracEnd = pos;
    if (at(pos) == '.') {
        fracBegin = pos + 1;
        fracEnd = fracBegin;
        while (IsDigit(at(fracEnd))) ++fracEnd;
        pos = fracEnd;
    }
    const std::size_t intLength = intEnd - intBegin;
    const std::size_t fracLength = fracEnd - fracBegin;
    if (intLength == 0 && fracLength == 0) return {0.0, 0};  // no mantissa: +0, whatever the sign

    std::int64_t exponent = 0;
    if (IsExponentLetter(at(pos))) {
        std::size_t p = pos + 1;
        bool exponentNegative = false;
        if (IsSign(at(p))) {
            exponentNegative = at(p) == '-';
            ++p;
        }
        if (IsDigit(at(p))) {  // otherwise the letter is not part of the number
            while (IsDigit(at(p))) {
                const std::int64_t digit = static_cast<std::int64_t>(at(p) - '0');
                exponent = exponent < kExponentLimit / 10 ? exponent * 10 + digit : kExponentLimit;
                ++p;
            }
            if (exponentNegative) exponent = -exponent;
            pos = p;
        }
    }
    const std::size_t consumed = pos;
    const double signedZero = negative ? -0.0 : 0.0;

    // The mantissa's digits as one sequence: the integer part, then the fraction.
    const std::size_t total = intLength + fracLength;
    auto digitAt = [=](std::size_t k) -> unsigned {
        return k < intLength ? s[intBegin + k] : s[fracBegin + (k - intLength)];
    };
    std::size_t first = 0;  // the first significant digit
    while (first < total && digitAt(first) == '0') ++first;
    if (first == total) return {signedZero, consumed};

    // V = 0.(significant digits) * 10^magnitude, so 10^(magnitude-1) <= V < 10^magnitude.
    const std::int64_t pointPosition =
        first <= intLength ? ClampCount(intLength - first) : -ClampCount(first - intLength);
    const std::int64_t magnitude = pointPosition + exponent;
    // V >= 10^310 exceeds 2^1024; V < 10^-324 is below 2^-1075, half the smallest subnormal.
    if (magnitude > 310) return {FromBits(kInfinityBits | (negative ? kSignBit : 0)), consumed};
    if (magnitude < -323) return {signedZero, consumed};

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

    const std::uint64_t signBit = negative ? kSignBit : 0;

#if VARNITZ_PARSE_FAST_PATH
    // Fast path: D below 10^15 < 2^53 and |q| <= 22, so D and 10^|q| are exact doubles and one
    // IEEE operation, correctly rounded with ties to even, gives the double nearest to V. That
    // agrees with the rule except when V lies exactly halfway between two doubles:
    //  - D * 10^q (q > 0) can be halfway ("7e22"); ProductIsHalfway detects it exactly and leaves
    //    such a value to the exact path. It never overflows (V < 10^37) and is never subnormal.
    //  - D / 10^-q (q < 0) is never halfway: a halfway point is a dyadic rational (odd * 2^k),
    //    and D / 10^-q = (D / 5^-q) / 2^-q is dyadic only when 5^-q divides D, in which case it
    //    is a number of at most 50 significant bits, a double itself. V >= 10^-22 is normal.
    // FLT_EVAL_METHOD == 0 guarantees that the operation is rounded once, to double (not to the
    // x87's wider format first); the build also turns off contraction into fused operations.
    if (digitCount <= 15 && q >= -22 && q <= 22) {  // digitCount <= 15 means no sticky digit
        std::uint64_t d = 0;
        for (std::size_t k = first; k < keptEnd; ++k) d = d * 10 + (digitAt(k) - '0');
        const double dd = static_cast<double>(d);  // exact: d < 2^53
        if (q == 0) return {FromBits(ToBits(dd) | signBit), consumed};
        if (q < 0) return {FromBits(ToBits(dd / kPowers.value[-q]) | signBit), consumed};
        if (!ProductIsHalfway(d, q)) return {FromBits(ToBits(dd * kPowers.value[q]) | signBit), consumed};
    }
#endif

    // Exact path.
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
    return {FromBits(NearestDoubleBits(digits, q) | signBit), consumed};
}

double ParseDecimal(const char* text) {
    return ParseDecimal(text, static_cast<std::size_t>(-1)).value;
}

// ---------------------------------------------------------------------------------------------
// The 17-digit form and FormatSixDigits
// ---------------------------------------------------------------------------------------------

namespace {

constexpr std::uint64_t kTenTo16 = 10000000000000000u;
constexpr std::uint64_t kTenTo17 = 100000000000000000u;

// floor(a / b) for b > 0, also for negative a.
int FloorDivide(int a, int b) {
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

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

}  // namespace

SeventeenDigitForm MakeSeventeenDigitForm(double x) {
    SeventeenDigitForm form = {};
    const std::uint64_t bits = ToBits(x);
    form.negative = (bits & kSignBit) != 0;
    const std::uint64_t exponentField = (bits & kInfinityBits) >> 52;
    const std::uint64_t fraction = bits & kFractionMask;
    if ((exponentField == 0 && fraction == 0) || exponentField == 0x7FF) {
        // Zero: digits "0", point 0. Infinities and NaNs have no form; they get the same.
        form.digits[0] = '0';
        form.digits[1] = '\0';
        form.length = 1;
        form.point = 0;
        return form;
    }
    // |x| = m * 2^e exactly.
    const std::uint64_t m = exponentField == 0 ? fraction : (fraction | kHiddenBit);
    const int e = exponentField == 0 ? -1074 : static_cast<int>(exponentField) - 1075;

    // 2^(b-1) <= |x| < 2^b, so the P of step 2 (10^(P-1) <= |x| < 10^P) is floor((b-1) lg 2) + 1
    // or one more. 78913 / 2^18 is lg 2 to within 8e-7, |b - 1| <= 1074: the estimate is off by
    // at most one more, so P - 2 <= p <= P + 1; the loop below finds P exactly.
    const int b = BitLength64(m) + e;
    int p = FloorDivide((b - 1) * 78913, 1 << 18) + 1;
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

    char all[kMaxFormDigits];
    for (int i = kMaxFormDigits - 1; i >= 0; --i) {
        all[i] = static_cast<char>('0' + digitsValue % 10);
        digitsValue /= 10;
    }
    int length = kMaxFormDigits;
    while (length > 1 && all[length - 1] == '0') --length;
    std::memcpy(form.digits, all, static_cast<std::size_t>(length));
    form.digits[length] = '\0';
    form.length = length;
    form.point = p;
    return form;
}

namespace {

int WriteText(const char* text, char* buffer) {
    const int length = static_cast<int>(std::strlen(text));
    std::memcpy(buffer, text, static_cast<std::size_t>(length) + 1);
    return length;
}

}  // namespace

int FormatSixDigits(double x, char* buffer) {
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

    // Step 2.
    const SeventeenDigitForm form = MakeSeventeenDigitForm(x);

    // Step 3: the form is chosen by the point before rounding.
    const int pointBefore = form.point;
    const bool fixed = pointBefore >= 0 && pointBefore <= 6;

    // Step 4: six-digit rounding on the digit string.
    char s[8] = {};
    int sLength = 6;
    for (int i = 0; i < 6; ++i) s[i] = i < form.length ? form.digits[i] : '0';
    int point = pointBefore;
    if (form.length >= 7 && form.digits[6] >= '5') {
        int i = 5;
        while (i >= 0 && s[i] == '9') s[i--] = '0';
        if (i >= 0) {
            ++s[i];
        } else {  // "999999" carried out of its first digit
            std::memcpy(s, "1000000", 7);
            sLength = 7;
            ++point;
        }
    }

    char text[32];
    int length = 0;
    // Step 7 (the sign goes in front; done first here).
    if (form.negative) text[length++] = '-';
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
