#include "exact_reference.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <sstream>

namespace varnitz {
namespace testref {

namespace {
constexpr std::uint32_t kBase = 1000000000u;
constexpr long long kExponentSaturation = 1000000000000000LL;  // 10^15
}  // namespace

std::uint64_t Bits(double x) {
    std::uint64_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    return bits;
}

double FromBits(std::uint64_t bits) {
    double x;
    std::memcpy(&x, &bits, sizeof x);
    return x;
}

// ---- Natural ---------------------------------------------------------------------------------

Natural::Natural(std::uint64_t value) {
    while (value != 0) {
        limbs_.push_back(static_cast<std::uint32_t>(value % kBase));
        value /= kBase;
    }
}

Natural Natural::FromDigits(const std::string& digits) {
    Natural n;
    // Groups of nine digits from the right are the limbs.
    long long end = static_cast<long long>(digits.size());
    while (end > 0) {
        const long long begin = std::max(0LL, end - 9);
        std::uint32_t limb = 0;
        for (long long i = begin; i < end; ++i) limb = limb * 10 + static_cast<std::uint32_t>(digits[i] - '0');
        n.limbs_.push_back(limb);
        end = begin;
    }
    n.Trim();
    return n;
}

void Natural::Trim() {
    while (!limbs_.empty() && limbs_.back() == 0) limbs_.pop_back();
}

void Natural::MultiplySmall(std::uint32_t factor) {
    std::uint64_t carry = 0;
    for (std::uint32_t& limb : limbs_) {
        const std::uint64_t p = static_cast<std::uint64_t>(limb) * factor + carry;
        limb = static_cast<std::uint32_t>(p % kBase);
        carry = p / kBase;
    }
    while (carry != 0) {
        limbs_.push_back(static_cast<std::uint32_t>(carry % kBase));
        carry /= kBase;
    }
    Trim();
}

void Natural::AddSmall(std::uint32_t addend) {
    std::uint64_t carry = addend;
    for (std::size_t i = 0; carry != 0; ++i) {
        if (i == limbs_.size()) limbs_.push_back(0);
        const std::uint64_t s = limbs_[i] + carry;
        limbs_[i] = static_cast<std::uint32_t>(s % kBase);
        carry = s / kBase;
    }
}

void Natural::MultiplyPowerOfTen(long long k) {
    if (IsZero()) return;
    limbs_.insert(limbs_.begin(), static_cast<std::size_t>(k / 9), 0u);
    std::uint32_t rest = 1;
    for (long long i = 0; i < k % 9; ++i) rest *= 10;
    MultiplySmall(rest);
}

void Natural::MultiplyPowerOfTwo(long long k) {
    if (k <= 4000) {
        *this = Multiply(*this, PowerOfTwo(k));
        return;
    }
    for (; k >= 31; k -= 31) MultiplySmall(1u << 31);
    MultiplySmall(1u << k);
}

void Natural::MultiplyPowerOfFive(long long k) {
    if (k <= 4000) {
        *this = Multiply(*this, PowerOfFive(k));
        return;
    }
    for (; k >= 13; k -= 13) MultiplySmall(1220703125u);
    std::uint32_t rest = 1;
    for (long long i = 0; i < k; ++i) rest *= 5;
    MultiplySmall(rest);
}

std::string Natural::ToDecimal() const {
    if (limbs_.empty()) return "0";
    std::string out = std::to_string(limbs_.back());
    std::size_t at = out.size();
    out.resize(at + 9 * (limbs_.size() - 1));
    for (std::size_t i = limbs_.size() - 1; i-- > 0; at += 9) {
        std::uint32_t limb = limbs_[i];
        for (int k = 8; k >= 0; --k) {
            out[at + static_cast<std::size_t>(k)] = static_cast<char>('0' + limb % 10);
            limb /= 10;
        }
    }
    return out;
}

Natural Natural::Multiply(const Natural& a, const Natural& b) {
    Natural product;
    if (a.IsZero() || b.IsZero()) return product;
    product.limbs_.assign(a.limbs_.size() + b.limbs_.size(), 0u);
    for (std::size_t i = 0; i < a.limbs_.size(); ++i) {
        std::uint64_t carry = 0;
        for (std::size_t j = 0; j < b.limbs_.size(); ++j) {
            // < (10^9)^2 + 10^9 + 10^9: fits
            const std::uint64_t t = static_cast<std::uint64_t>(a.limbs_[i]) * b.limbs_[j] + product.limbs_[i + j] + carry;
            product.limbs_[i + j] = static_cast<std::uint32_t>(t % kBase);
            carry = t / kBase;
        }
        for (std::size_t k = i + b.limbs_.size(); carry != 0; ++k) {
            const std::uint64_t t = product.limbs_[k] + carry;
            product.limbs_[k] = static_cast<std::uint32_t>(t % kBase);
            carry = t / kBase;
        }
    }
    product.Trim();
    return product;
}

namespace {
const Natural& CachedPower(std::vector<Natural>& cache, std::uint32_t base, long long k) {
    if (k < 0 || k > 4000) std::abort();
    if (cache.empty()) cache.push_back(Natural(1));
    while (static_cast<long long>(cache.size()) <= k) {
        Natural next = cache.back();
        next.MultiplySmall(base);
        cache.push_back(std::move(next));
    }
    return cache[static_cast<std::size_t>(k)];
}
}  // namespace

const Natural& Natural::PowerOfTwo(long long k) {
    static std::vector<Natural> cache;
    return CachedPower(cache, 2, k);
}

const Natural& Natural::PowerOfFive(long long k) {
    static std::vector<Natural> cache;
    return CachedPower(cache, 5, k);
}

int Natural::Compare(const Natural& a, const Natural& b) {
    if (a.limbs_.size() != b.limbs_.size()) return a.limbs_.size() < b.limbs_.size() ? -1 : 1;
    for (std::size_t i = a.limbs_.size(); i-- > 0;) {
        if (a.limbs_[i] != b.limbs_[i]) return a.limbs_[i] < b.limbs_[i] ? -1 : 1;
    }
    return 0;
}

// ---- The grammar, once more ------------------------------------------------------------------

namespace {

enum class CharClass { kBlank, kDigit, kPoint, kSign, kLetter, kOther };

CharClass Classify(unsigned char c) {
    switch (c) {
        case 9: case 10: case 11: case 12: case 13: case 32: return CharClass::kBlank;
        case '.': return CharClass::kPoint;
        case '+': case '-': return CharClass::kSign;
        case 'e': case 'E': case 'd': case 'D': return CharClass::kLetter;
        default: return (c >= '0' && c <= '9') ? CharClass::kDigit : CharClass::kOther;
    }
}

long long SaturatedAdd(long long a, long long b) {
    const long long s = a + b;  // both operands within 10^15 + text length: no overflow
    return std::max(-kExponentSaturation, std::min(kExponentSaturation, s));
}

}  // namespace

Reading ReadNumber(const char* text, std::size_t length) {
    auto cls = [&](std::size_t i) { return i < length ? Classify(static_cast<unsigned char>(text[i])) : CharClass::kOther; };
    Reading reading;
    std::size_t i = 0;
    while (cls(i) == CharClass::kBlank) ++i;
    bool negative = false;
    if (cls(i) == CharClass::kSign) negative = text[i++] == '-';

    std::string mantissa;  // all mantissa digits, integer and fraction part
    long long fractionDigits = 0;
    while (cls(i) == CharClass::kDigit) mantissa += text[i++];
    bool any = !mantissa.empty();
    if (cls(i) == CharClass::kPoint) {
        std::size_t j = i + 1;
        while (cls(j) == CharClass::kDigit) {
            mantissa += text[j++];
            ++fractionDigits;
        }
        if (any || fractionDigits > 0) {
            any = true;
            i = j;
        }
    }
    if (!any) return reading;  // no number: +0, length 0

    long long exponent = 0;
    if (cls(i) == CharClass::kLetter) {
        std::size_t j = i + 1;
        bool exponentNegative = false;
        if (cls(j) == CharClass::kSign) exponentNegative = text[j++] == '-';
        if (cls(j) == CharClass::kDigit) {
            for (; cls(j) == CharClass::kDigit; ++j) {
                exponent = std::min(kExponentSaturation, exponent * 10 + (text[j] - '0'));
            }
            if (exponentNegative) exponent = -exponent;
            i = j;
        }
    }
    reading.length = i;
    reading.value.negative = negative;

    const std::size_t first = mantissa.find_first_not_of('0');
    if (first == std::string::npos) return reading;  // zero, with the sign read
    const std::size_t last = mantissa.find_last_not_of('0');
    reading.value.digits = mantissa.substr(first, last + 1 - first);
    const long long trailingZeros = static_cast<long long>(mantissa.size() - 1 - last);
    reading.value.exponent = SaturatedAdd(exponent, trailingZeros - fractionDigits);
    return reading;
}

// ---- Exact comparisons ---------------------------------------------------------------------------

int CompareWithDyadic(const Decimal& value, std::uint64_t m, long long e) {
    if (value.digits.empty()) return m == 0 ? 0 : -1;
    if (m == 0) return 1;
    // digits * 10^exponent  vs  m * 2^e, both sides made integers.
    Natural left = Natural::FromDigits(value.digits);
    Natural right(m);
    if (value.exponent >= 0) {
        left.MultiplyPowerOfTen(value.exponent);
    } else {
        right.MultiplyPowerOfTen(-value.exponent);
    }
    if (e >= 0) {
        right.MultiplyPowerOfTwo(e);
    } else {
        left.MultiplyPowerOfTwo(-e);
    }
    return Natural::Compare(left, right);
}

Decimal DyadicToDecimal(std::uint64_t m, long long e) {
    Decimal d;
    if (m == 0) return d;
    Natural n(m);
    if (e >= 0) {
        n.MultiplyPowerOfTwo(e);
    } else {
        n.MultiplyPowerOfFive(-e);  // m * 2^e = m * 5^-e * 10^e
        d.exponent = e;
    }
    std::string digits = n.ToDecimal();
    const std::size_t last = digits.find_last_not_of('0');
    d.exponent += static_cast<long long>(digits.size() - 1 - last);
    digits.resize(last + 1);
    d.digits = digits;
    return d;
}

std::string ToScientific(const Decimal& value) {
    if (value.digits.empty()) return value.negative ? "-0" : "0";
    std::string s = value.negative ? "-" : "";
    s += value.digits[0];
    if (value.digits.size() > 1) s += "." + value.digits.substr(1);
    s += "e" + std::to_string(value.exponent + static_cast<long long>(value.digits.size()) - 1);
    return s;
}

namespace {

struct Parts {
    std::uint64_t m;  // with the hidden bit for normal numbers
    long long e;
    std::uint64_t fraction;
    int exponentField;
};

Parts Decompose(double magnitude) {
    const std::uint64_t bits = Bits(magnitude) & 0x7FFFFFFFFFFFFFFFu;
    Parts p;
    p.fraction = bits & 0x000FFFFFFFFFFFFFu;
    p.exponentField = static_cast<int>(bits >> 52);
    p.m = p.exponentField == 0 ? p.fraction : (p.fraction | (std::uint64_t{1} << 52));
    p.e = p.exponentField == 0 ? -1074 : p.exponentField - 1075;
    return p;
}

std::string Describe(const Decimal& value, double r) {
    std::ostringstream out;
    out << "value " << ToScientific(value) << ", result bits 0x" << std::hex << Bits(r);
    return out.str();
}

}  // namespace

Dyadic MidpointBelow(double magnitude) {
    const Parts p = Decompose(magnitude);
    if (p.m == 0) return {0, 0};
    if (p.fraction == 0 && p.exponentField > 1) return {4 * p.m - 1, p.e - 2};  // a power of two
    return {2 * p.m - 1, p.e - 1};
}

Dyadic MidpointAbove(double magnitude) {
    const Parts p = Decompose(magnitude);
    if (p.m == 0) return {1, -1075};
    return {2 * p.m + 1, p.e - 1};  // for DBL_MAX: (2^54 - 1) * 2^970, the overflow boundary
}

std::string CheckNearest(const Decimal& value, double r, bool* halfway) {
    if (halfway != nullptr) *halfway = false;
    const std::uint64_t bits = Bits(r);
    const bool signBit = (bits >> 63) != 0;
    if (signBit != value.negative) return "wrong sign: " + Describe(value, r);
    const std::uint64_t magnitudeBits = bits & 0x7FFFFFFFFFFFFFFFu;
    if (magnitudeBits > 0x7FF0000000000000u) return "NaN: " + Describe(value, r);
    if (value.digits.empty()) {
        return magnitudeBits == 0 ? "" : "zero expected: " + Describe(value, r);
    }
    // 10^(magnitude-1) <= |value| < 10^magnitude
    const long long magnitude = value.exponent + static_cast<long long>(value.digits.size());
    if (magnitude > 400) return magnitudeBits == 0x7FF0000000000000u ? "" : "infinity expected: " + Describe(value, r);
    if (magnitude < -400) return magnitudeBits == 0 ? "" : "zero expected: " + Describe(value, r);

    if (magnitudeBits == 0x7FF0000000000000u) {
        const int c = CompareWithDyadic(value, (std::uint64_t{1} << 54) - 1, 970);
        return c > 0 ? "" : "infinity although not beyond (DBL_MAX + 2^1024) / 2: " + Describe(value, r);
    }
    const double a = FromBits(magnitudeBits);
    const Dyadic below = MidpointBelow(a);
    const Dyadic above = MidpointAbove(a);
    if (below.m != 0 && CompareWithDyadic(value, below.m, below.e) <= 0) {
        return "too large (value at or below the lower midpoint): " + Describe(value, r);
    }
    const int c = CompareWithDyadic(value, above.m, above.e);
    if (c > 0) return "too small (value above the upper midpoint): " + Describe(value, r);
    if (halfway != nullptr) *halfway = c == 0;
    return "";
}

std::string CheckSeventeenDigitForm(double x, const SeventeenDigitForm& form, bool* halfway) {
    if (halfway != nullptr) *halfway = false;
    const std::uint64_t bits = Bits(x);
    std::ostringstream where;
    where << " (x bits 0x" << std::hex << bits << std::dec << ", form " << (form.negative ? "-" : "+") << form.digits
          << " point " << form.point << ")";
    if (form.negative != ((bits >> 63) != 0)) return "wrong sign" + where.str();
    const std::size_t length = strnlen(form.digits, sizeof form.digits);
    if (length == sizeof form.digits || static_cast<int>(length) != form.length || length == 0 || length > 17) {
        return "bad digit string" + where.str();
    }
    for (std::size_t i = 0; i < length; ++i) {
        if (form.digits[i] < '0' || form.digits[i] > '9') return "bad digit" + where.str();
    }
    const Parts p = Decompose(x);
    if (p.m == 0) {
        return std::strcmp(form.digits, "0") == 0 && form.point == 0 ? "" : "zero expected" + where.str();
    }
    if (form.digits[0] == '0' || form.digits[length - 1] == '0') return "leading or trailing zero" + where.str();

    std::uint64_t n = 0;  // the 17 digits as an integer, 10^16 <= n < 10^17
    for (std::size_t i = 0; i < 17; ++i) n = n * 10 + (i < length ? static_cast<std::uint64_t>(form.digits[i] - '0') : 0);
    // (n - 1/2) * 10^t < |x| <= (n + 1/2) * 10^t with t = point - 17, compared as
    // (2n -+ 1) * 10^t against 2|x| = m * 2^(e+1). 2n +- 1 is odd, so it has no trailing zero.
    // For n = 10^16 the lower neighbour is 99999999999999999 one decade down, whose upper
    // midpoint is (2 * 10^17 - 1) * 10^(t-1) / 2.
    Decimal lower{false, std::to_string(2 * n - 1), static_cast<long long>(form.point) - 17};
    if (n == 10000000000000000u) lower = Decimal{false, "199999999999999999", static_cast<long long>(form.point) - 18};
    Decimal upper{false, std::to_string(2 * n + 1), static_cast<long long>(form.point) - 17};
    if (CompareWithDyadic(lower, p.m, p.e + 1) >= 0) return "digits too large" + where.str();
    const int c = CompareWithDyadic(upper, p.m, p.e + 1);
    if (c < 0) return "digits too small" + where.str();
    if (halfway != nullptr) *halfway = c == 0;
    return "";
}

}  // namespace testref
}  // namespace varnitz
