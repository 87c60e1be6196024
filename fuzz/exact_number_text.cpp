#include "exact_number_text.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "big_uint.h"

namespace varnitz {
namespace {

constexpr long long kExponentCap = 100000000;  // far beyond any double and any 4 KB of digits

bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsExponentLetter(char c) { return c == 'e' || c == 'E' || c == 'd' || c == 'D'; }

BigUint BigFromDigits(const std::string& digits) {
    BigUint a;
    std::uint32_t chunk = 0;
    std::uint32_t scale = 1;
    for (char c : digits) {
        chunk = chunk * 10 + static_cast<std::uint32_t>(c - '0');
        scale *= 10;
        if (scale == 1000000000u) {
            BigMulSmall(a, scale);
            BigAddSmall(a, chunk);
            chunk = 0;
            scale = 1;
        }
    }
    BigMulSmall(a, scale);
    BigAddSmall(a, chunk);
    return a;
}

// a x 2^shiftA against b x 2^shiftB, shifts of either sign.
int CompareScaled(BigUint a, int shiftA, BigUint b, int shiftB) {
    const int shift = shiftA - shiftB;
    if (shift >= 0) {
        BigShiftLeft(a, shift);
    } else {
        BigShiftLeft(b, -shift);
    }
    return BigCompare(a, b);
}

}  // namespace

ScannedNumber ScanNumber(const char* text, std::size_t length) {
    ScannedNumber number{0, false, "", 0};
    std::size_t i = 0;
    while (i < length && IsBlank(text[i])) ++i;
    bool negative = false;
    if (i < length && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';

    std::string mantissa;
    long long fractionDigits = 0;
    while (i < length && IsDigit(text[i])) mantissa += text[i++];
    if (i < length && text[i] == '.') {
        std::size_t j = i + 1;
        while (j < length && IsDigit(text[j])) {
            mantissa += text[j++];
            ++fractionDigits;
        }
        if (mantissa.empty()) return number;  // "." alone is no mantissa
        i = j;
    }
    if (mantissa.empty()) return number;

    long long exponent = 0;
    if (i < length && IsExponentLetter(text[i])) {
        std::size_t j = i + 1;
        bool exponentNegative = false;
        if (j < length && (text[j] == '+' || text[j] == '-')) exponentNegative = text[j++] == '-';
        if (j < length && IsDigit(text[j])) {
            while (j < length && IsDigit(text[j])) {
                exponent = exponent * 10 + (text[j++] - '0');
                if (exponent > kExponentCap) exponent = kExponentCap;
            }
            if (exponentNegative) exponent = -exponent;
            i = j;
        }
    }

    number.consumed = i;
    number.negative = negative;
    const std::size_t first = mantissa.find_first_not_of('0');
    if (first == std::string::npos) return number;  // zero, with its sign
    const std::size_t last = mantissa.find_last_not_of('0');
    number.digits = mantissa.substr(first, last - first + 1);
    number.exponent = exponent - fractionDigits + static_cast<long long>(mantissa.size() - 1 - last);
    return number;
}

ExactDouble NearestDouble(const ScannedNumber& number) {
    const double sign = number.negative ? -1.0 : 1.0;
    if (number.digits.empty()) return {sign * 0.0, false};
    // 10^(n-1+e) <= V < 10^(n+e): 10^309 is past 2^1024, 10^-324 below half the smallest subnormal.
    const long long n = static_cast<long long>(number.digits.size());
    if (n - 1 + number.exponent >= 309) return {sign * HUGE_VAL, false};
    if (n + number.exponent <= -324) return {sign * 0.0, false};

    BigUint numerator = BigFromDigits(number.digits);
    BigUint denominator = BigFromU64(1);
    if (number.exponent >= 0) {
        BigMulPow10(numerator, static_cast<int>(number.exponent));
    } else {
        BigMulPow10(denominator, static_cast<int>(-number.exponent));
    }
    // e2 = floor(log2 V): V lies in [2^(L-1), 2^(L+1)).
    int e2 = BigBitLength(numerator) - BigBitLength(denominator);
    if (CompareScaled(numerator, 0, denominator, e2) < 0) --e2;
    // The unit of the last place: 53 significant bits, but never below 2^-1074.
    int unitExponent = e2 - 52;
    if (unitExponent < -1074) unitExponent = -1074;
    if (unitExponent >= 0) {
        BigShiftLeft(denominator, unitExponent);
    } else {
        BigShiftLeft(numerator, -unitExponent);
    }
    std::uint64_t significand = BigDivide(numerator, denominator, 53);
    BigShiftLeft(numerator, 1);  // twice the remainder against the unit
    const int half = BigCompare(numerator, denominator);
    if (half > 0) ++significand;  // exactly half (half == 0) goes down: the smaller magnitude
    if (significand == (std::uint64_t{1} << 53)) {
        significand >>= 1;
        ++unitExponent;
    }
    if (unitExponent > 1023 - 52) return {sign * HUGE_VAL, half == 0};
    return {sign * std::ldexp(static_cast<double>(significand), unitExponent), half == 0};
}

double ReferenceParse(const char* text, std::size_t length) {
    return NearestDouble(ScanNumber(text, length)).value;
}

std::vector<DigitForm> ExactSeventeenDigitForms(double x) {
    std::uint64_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    const bool negative = (bits >> 63) != 0;
    const int biased = static_cast<int>((bits >> 52) & 0x7FF);
    std::uint64_t mantissa = bits & ((std::uint64_t{1} << 52) - 1);
    if (biased == 0x7FF) std::abort();
    if (biased == 0 && mantissa == 0) return {{negative, "0", 0}};
    int binaryExponent = -1074;
    if (biased != 0) {
        mantissa |= std::uint64_t{1} << 52;
        binaryExponent = biased - 1075;
    }
    // |x| = mantissa x 2^binaryExponent. Find P with 10^(P-1) <= |x| < 10^P, by exact comparison.
    const BigUint m = BigFromU64(mantissa);
    auto compareWithPow10 = [&](int power) {
        BigUint a = m;
        BigUint b = BigFromU64(1);
        if (power >= 0) {
            BigMulPow10(b, power);
        } else {
            BigMulPow10(a, -power);
        }
        return CompareScaled(a, binaryExponent, b, 0);
    };
    const int log2Floor = BigBitLength(m) - 1 + binaryExponent;
    int point = static_cast<int>(std::floor(log2Floor * 0.30102999566398120)) + 1;
    while (compareWithPow10(point - 1) < 0) --point;
    while (compareWithPow10(point) >= 0) ++point;

    // N = |x| / 10^(P-17), rounded to nearest.
    BigUint numerator = m;
    BigUint denominator = BigFromU64(1);
    if (17 - point >= 0) {
        BigMulPow10(numerator, 17 - point);
    } else {
        BigMulPow10(denominator, point - 17);
    }
    if (binaryExponent >= 0) {
        BigShiftLeft(numerator, binaryExponent);
    } else {
        BigShiftLeft(denominator, -binaryExponent);
    }
    const std::uint64_t below = BigDivide(numerator, denominator, 57);
    BigShiftLeft(numerator, 1);
    const int half = BigCompare(numerator, denominator);

    auto makeForm = [&](std::uint64_t n) {
        int p = point;
        if (n == 100000000000000000ull) {
            n = 10000000000000000ull;
            ++p;
        }
        std::string digits = std::to_string(n);
        digits.erase(digits.find_last_not_of('0') + 1);
        return DigitForm{negative, digits, p};
    };
    if (half < 0) return {makeForm(below)};
    if (half > 0) return {makeForm(below + 1)};
    return {makeForm(below), makeForm(below + 1)};
}

std::string SixDigitText(const DigitForm& form) {
    // S: six digits, rounded up by the seventh alone; a carry out of the first makes "1000000".
    std::string s = form.digits.substr(0, 6);
    s.resize(6, '0');
    int roundedPoint = form.point;
    if (form.digits.size() > 6 && form.digits[6] >= '5') {
        int i = 5;
        for (; i >= 0 && s[i] == '9'; --i) s[i] = '0';
        if (i >= 0) {
            ++s[i];
        } else {
            s = "1000000";
            ++roundedPoint;
        }
    }
    std::string text;
    if (form.point >= 0 && form.point <= 6) {  // chosen before the rounding
        const int decimals = 6 - form.point;
        const std::string integerPart = roundedPoint > 0 ? s.substr(0, roundedPoint) : "0";
        text = integerPart;
        if (decimals > 0) {
            const std::size_t from = roundedPoint > 0 ? static_cast<std::size_t>(roundedPoint) : 0;
            text += "." + s.substr(from, static_cast<std::size_t>(decimals));
        }
    } else {
        const int e = roundedPoint - 1;
        const int magnitude = e < 0 ? -e : e;
        const char hundreds = static_cast<char>('0' + magnitude / 100);
        const char tens = static_cast<char>('0' + magnitude / 10 % 10);
        const char ones = static_cast<char>('0' + magnitude % 10);
        text = s.substr(0, 1) + "." + s.substr(1, 5) + "e" + (e < 0 ? "-" : "+") + hundreds + tens + ones;
    }
    if (form.negative) text = "-" + text;
    // Zeros of the fraction go, the "." stays; a "." left at the very end goes too.
    const std::size_t dot = text.find('.');
    if (dot != std::string::npos) {
        const std::size_t e = text.find('e');
        std::size_t end = e == std::string::npos ? text.size() : e;
        std::size_t zeros = end;
        while (zeros > dot + 1 && text[zeros - 1] == '0') --zeros;
        text.erase(zeros, end - zeros);
    }
    if (!text.empty() && text.back() == '.') text.pop_back();
    return text;
}

std::string SpecialText(std::uint64_t bits) {
    const bool negative = (bits >> 63) != 0;
    const std::uint64_t fraction = bits & ((std::uint64_t{1} << 52) - 1);
    const std::uint64_t quietBit = std::uint64_t{1} << 51;
    const std::string sign = negative ? "-" : "";
    if (fraction == 0) return sign + "1.#INF";
    if (negative && fraction == quietBit) return "-1.#IND";
    if ((fraction & quietBit) != 0) return sign + "1.#QNAN";
    return sign + "1.#SNAN";
}

}  // namespace varnitz
