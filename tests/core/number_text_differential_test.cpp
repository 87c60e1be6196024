// Differential tests of the number text conversions, seeded and repeatable.
//
//  - ParseDecimal against glibc's strtod (correctly rounded, ties to even) on random texts of the
//    fields' grammar; they must agree except exactly halfway between two doubles, where
//    ParseDecimal must give the smaller magnitude. Halfway cases are found exactly with the
//    test-side big-number reference (exact_reference.h).
//  - The 17-digit form against glibc's exact "%.16e" on random doubles; equal except exactly
//    halfway between two 17-digit decimals, where the form must take the smaller one.
//  - Both against the exact reference alone, on every platform (the win64 build has no glibc).
//  - FormatSixDigits against a string implementation of steps 3 to 9 from the 17-digit form.
//
// Counts: 1,000,000 cases for each glibc comparison (native only); 100,000 or so for the checks
// against the reference alone, natively and under _WIN32 (wine); twenty times more with
// VARNITZ_LONG_TESTS. The seed is fixed;
// VARNITZ_TEST_SEED in the environment replaces it.
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "exact_reference.h"
#include "varnitz/number_text.h"

namespace varnitz {
namespace {

using testref::Bits;
using testref::FromBits;

#if defined(VARNITZ_LONG_TESTS)
constexpr int kScale = 20;
#else
constexpr int kScale = 1;
#endif

#if defined(_WIN32)
constexpr bool kWindows = true;
#else
constexpr bool kWindows = false;
#endif

int CaseCount(int native, int windows) { return (kWindows ? windows : native) * kScale; }

std::uint64_t Seed(std::uint64_t salt) {
    std::uint64_t seed = 0x5EEDC0DE2024ull;
    if (const char* text = std::getenv("VARNITZ_TEST_SEED")) seed = std::strtoull(text, nullptr, 0);
    return seed ^ (salt * 0x9E3779B97F4A7C15ull);
}

// ---- Random texts ----------------------------------------------------------------------------

class TextGenerator {
public:
    explicit TextGenerator(std::uint64_t seed) : random_(seed) {}

    std::string Next() {
        std::string text;
        switch (Below(16)) {
            case 0: case 1: text = Soup(); break;
            case 2: case 3: case 4: text = Structured(); break;
            case 5: case 6: case 7: text = NearMidpoint(RandomDouble()); break;
            case 8: case 9: text = ExactTie(); break;
            case 10: text = NearMidpoint(RandomSubnormal()); break;
            case 11: text = NearMidpoint(RandomNearRangeEnd()); break;
            case 12: text = RangeEndPrefix(); break;
            case 13: text = ProductText(); break;
            default: text = NearMidpoint(RandomModerate()); break;
        }
        if (text.size() > 40) text.resize(40);
        if (text.empty()) text = "0";
        return text;
    }

private:
    std::uint64_t Below(std::uint64_t n) { return random_() % n; }
    bool Chance(int percent) { return static_cast<int>(Below(100)) < percent; }
    char Digit() { return static_cast<char>('0' + Below(10)); }
    char Letter() { return "eEdD"[Below(4)]; }

    std::string Digits(std::size_t n) {
        std::string s;
        for (std::size_t i = 0; i < n; ++i) s += Digit();
        return s;
    }

    std::string Blanks() {
        std::string s;
        if (Chance(15)) {
            const std::size_t n = 1 + Below(3);
            for (std::size_t i = 0; i < n; ++i) s += " \t\n\v\f\r"[Below(6)];
        }
        return s;
    }

    std::string Sign() {
        const std::uint64_t r = Below(10);
        return r < 3 ? "-" : r < 4 ? "+" : "";
    }

    std::string Tail() {
        static const char* const tails[] = {"", "", "", "", "x", ".", "e", "E+", "d-", ",5", " 1", "-", "+3",
                                            "e", "\xa0", "\xe5", "abc", "..", "#", "1e"};
        return tails[Below(sizeof tails / sizeof tails[0])];
    }

    // Any mix of the characters that matter and a few that do not.
    std::string Soup() {
        static const char alphabet[] = "0123456789012345678901234567890123456789..eEdD+-+- \t\nx,\xa0";
        const std::size_t n = 1 + Below(40);
        std::string s;
        for (std::size_t i = 0; i < n; ++i) s += alphabet[Below(sizeof alphabet - 1)];
        return s;
    }

    std::string Exponent() {
        std::string e(1, Letter());
        const std::uint64_t r = Below(10);
        if (r < 3) e += '-';
        else if (r < 5) e += '+';
        std::size_t n;
        const std::uint64_t k = Below(20);
        if (k < 12) n = 1 + Below(2);
        else if (k < 18) n = 3;
        else n = 4 + Below(20);  // huge, or with many leading zeros
        if (n == 3 && Chance(70)) {
            e += std::to_string(280 + Below(50));  // near the ends of the range
        } else {
            std::string d = Digits(n);
            if (n > 3 && Chance(50)) d = std::string(n - 1, '0') + Digit();
            e += d;
        }
        return e;
    }

    std::string Structured() {
        std::string s = Blanks() + Sign();
        const std::size_t intDigits = Below(4) == 0 ? 0 : Below(21);
        s += Chance(20) ? std::string(Below(5), '0') : "";
        s += Digits(intDigits);
        if (Chance(60)) {
            s += '.';
            s += Digits(Below(21));
        }
        if (Chance(60)) s += Exponent();
        return s + Tail();
    }

    double RandomDouble() {
        for (;;) {
            const double x = FromBits(random_() & 0x7FFFFFFFFFFFFFFFu);
            if (std::isfinite(x)) return x;
        }
    }
    double RandomSubnormal() { return FromBits(random_() & 0x000FFFFFFFFFFFFFu); }
    double RandomModerate() {  // 2^-70 .. 2^70
        const std::uint64_t exponentField = 1023 - 70 + Below(141);
        return FromBits((exponentField << 52) | (random_() & 0x000FFFFFFFFFFFFFu));
    }
    double RandomNearRangeEnd() {
        const std::uint64_t exponentField = Chance(50) ? 2046 - Below(8) : 1 + Below(8);
        std::uint64_t fraction = random_() & 0x000FFFFFFFFFFFFFu;
        if (Chance(30)) fraction = Chance(50) ? 0x000FFFFFFFFFFFFFu - Below(4) : Below(4);
        return FromBits((exponentField << 52) | fraction);
    }

    // Writes digits x 10^exponent (digits without leading zero) as text of some random shape.
    std::string Shape(const std::string& digits, long long exponent) {
        std::string s = Blanks() + Sign();
        const long long n = static_cast<long long>(digits.size());
        const long long scientific = exponent + n - 1;  // value = d.ddd x 10^scientific
        const std::uint64_t style = Below(4);
        if (style == 0 && scientific >= -25 && scientific <= 25) {
            // Fixed notation.
            if (scientific < 0) {
                s += "0." + std::string(static_cast<std::size_t>(-scientific - 1), '0') + digits;
            } else if (scientific + 1 >= n) {
                s += digits + std::string(static_cast<std::size_t>(scientific + 1 - n), '0');
                if (Chance(30)) s += ".";
            } else {
                s += digits.substr(0, static_cast<std::size_t>(scientific + 1)) + "." +
                     digits.substr(static_cast<std::size_t>(scientific + 1));
            }
        } else if (style == 1) {
            // An integer mantissa with an exponent.
            s += (Chance(20) ? "00" : "") + digits + Letter() + std::to_string(exponent);
        } else if (style == 2) {
            // ".ddd" with an exponent.
            s += "." + digits + Letter() + std::to_string(scientific + 1);
        } else {
            s += digits.substr(0, 1);
            if (n > 1 || Chance(30)) s += ".";
            s += digits.substr(1);
            s += Letter();
            if (scientific >= 0 && Chance(30)) s += "+";
            s += std::to_string(scientific);
        }
        if (Chance(20)) s += Tail();
        return s;
    }

    // A text near the midpoint above x: its exact expansion cut to a few digits, sometimes with the
    // last digit moved, or the midpoint itself when it is short enough.
    std::string NearMidpoint(double x) {
        const testref::Dyadic mid = testref::MidpointAbove(x);
        testref::Decimal d = testref::DyadicToDecimal(mid.m, mid.e);
        std::size_t keep = 1 + Below(34);
        if (keep < d.digits.size()) {
            d.exponent += static_cast<long long>(d.digits.size() - keep);
            d.digits.resize(keep);
            const std::uint64_t r = Below(4);
            std::string& s = d.digits;
            if (r == 0) {  // one more in the last place: just above
                std::size_t i = s.size();
                while (i > 0 && s[i - 1] == '9') s[--i] = '0';
                if (i == 0) {
                    s.insert(s.begin(), '1');
                    s.pop_back();
                    ++d.exponent;
                } else {
                    ++s[i - 1];
                }
            }
            while (s.size() > 1 && s.back() == '0') {
                s.pop_back();
                ++d.exponent;
            }
        }
        return Shape(d.digits, d.exponent);
    }

    // A midpoint whose exact expansion is short enough for the text: odd * 2^e with a 54-bit odd
    // number and e from -25 to 55.
    std::string ExactTie() {
        const std::uint64_t odd = (std::uint64_t{1} << 53) | (random_() & ((std::uint64_t{1} << 53) - 1)) | 1;
        const long long e = static_cast<long long>(Below(81)) - 25;
        const testref::Decimal d = testref::DyadicToDecimal(odd, e);
        return Shape(d.digits, d.exponent);
    }

    // Short products d x 10^q: "7e22" and its kind.
    std::string ProductText() {
        std::string digits = std::to_string(1 + Below(Chance(50) ? 1000 : 100000000));
        while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
        return Shape(digits, static_cast<long long>(Below(45)) - 5);
    }

    // The beginning of a famous boundary with random digits behind.
    std::string RangeEndPrefix() {
        static const char* const prefixes[] = {
            "1.797693134862315", "1.7976931348623158079", "2.225073858507201", "2.2250738585072013830902",
            "4.940656458412465", "2.470328229206232", "2.4703282292062327208", "7.4109846876186981626"};
        static const char* const exponents[] = {"e308", "e308", "e-308", "e-308", "e-324", "e-324", "e-324", "e-324"};
        const std::size_t k = Below(8);
        return Sign() + prefixes[k] + Digits(Below(12)) + exponents[k] + (Chance(20) ? Tail() : "");
    }

    std::mt19937_64 random_;
};

double RandomDoubleForForm(std::mt19937_64& random) {
    for (;;) {
        const std::uint64_t r = random() % 8;
        double x;
        if (r < 4) {
            x = FromBits(random());  // any bit pattern, subnormals included
        } else if (r == 4) {
            x = FromBits(random() & 0x800FFFFFFFFFFFFFu);  // subnormal
        } else if (r == 5) {
            // Decimal-like: a short decimal read as a double (ParseDecimal only makes the input).
            const std::string text = std::to_string(random() % 100000000) + "e" +
                                     std::to_string(static_cast<int>(random() % 640) - 330);
            x = ParseDecimal(text.c_str());
        } else if (r == 6) {
            // Six-digit rounding edges: d.dddddX with X near 5.
            const std::string text = std::to_string(100000 + random() % 900000) + std::to_string(4 + random() % 2) +
                                     std::to_string(random() % 100) + "e" +
                                     std::to_string(static_cast<int>(random() % 60) - 30);
            x = ParseDecimal(text.c_str());
        } else {
            // Candidates for halfway 17-digit forms: m / 4 and m / 8 with 53-bit m.
            const std::uint64_t m = (std::uint64_t{1} << 52) | (random() & ((std::uint64_t{1} << 52) - 1));
            const int shift = 2 + static_cast<int>(random() % 2);
            const std::uint64_t bits = static_cast<std::uint64_t>(1075 - shift) << 52 | (m & 0x000FFFFFFFFFFFFFu);
            x = FromBits(bits);  // m * 2^-shift
        }
        if (std::isfinite(x)) return (random() & 1) ? -x : x;
    }
}

// ---- A string implementation of steps 3 to 9 ---------------------------------------------------

std::string SixDigitTextFromForm(const SeventeenDigitForm& form) {
    const std::string digits = form.digits;
    std::string s = (digits + "000000").substr(0, 6);
    int point = form.point;
    const bool fixed = point >= 0 && point <= 6;
    const int n = 6 - point;
    if (digits.size() >= 7 && digits[6] >= '5') {
        long value = std::stol(s) + 1;
        if (value == 1000000) {
            s = "1000000";
            ++point;
        } else {
            s = std::to_string(value);
            s = std::string(6 - s.size(), '0') + s;
        }
    }
    std::string text;
    if (fixed) {
        text = point == 0 ? "0" : s.substr(0, static_cast<std::size_t>(point));
        if (n > 0) text += "." + s.substr(point == 0 ? 0 : static_cast<std::size_t>(point), static_cast<std::size_t>(n));
        if (text.find('.') != std::string::npos) {
            while (text.back() == '0') text.pop_back();
        }
    } else {
        std::string mantissa = s.substr(0, 1) + "." + s.substr(1, 5);
        while (mantissa.back() == '0') mantissa.pop_back();
        char exponent[16];
        std::snprintf(exponent, sizeof exponent, "e%c%03d", point - 1 < 0 ? '-' : '+', std::abs(point - 1));
        text = mantissa + exponent;
    }
    if (text.back() == '.') text.pop_back();
    return (form.negative ? "-" : "") + text;
}

std::string FormatText(double x) {
    char buffer[kSixDigitsBufferSize];
    const int length = FormatSixDigits(x, buffer);
    return std::string(buffer, static_cast<std::size_t>(length));
}

std::string Printable(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        if (c >= 32 && c < 127) {
            out += static_cast<char>(c);
        } else {
            char buffer[8];
            std::snprintf(buffer, sizeof buffer, "\\x%02x", c);
            out += buffer;
        }
    }
    return out;
}

// ---- ParseDecimal against the exact reference (every platform) ---------------------------------

TEST(ParseDecimalDifferential, AgainstExactReference) {
    TextGenerator generator(Seed(1));
    const int count = CaseCount(100000, 400000);
    int ties = 0;
    for (int i = 0; i < count; ++i) {
        const std::string text = generator.Next();
        const testref::Reading reading = testref::ReadNumber(text.data(), text.size());
        const ParseResult r = ParseDecimal(text.data(), text.size());
        ASSERT_EQ(r.consumed, reading.length) << "case " << i << " \"" << Printable(text) << "\"";
        bool halfway = false;
        const std::string problem = testref::CheckNearest(reading.value, r.value, &halfway);
        ASSERT_EQ(problem, "") << "case " << i << " \"" << Printable(text) << "\"";
        ties += halfway ? 1 : 0;
    }
    std::printf("%d cases, %d exactly halfway\n", count, ties);
    EXPECT_GT(ties, count / 50);
}

// ---- The 17-digit form and the six-digit text against the exact reference (every platform) -----

TEST(SeventeenDigitFormDifferential, AgainstExactReference) {
    std::mt19937_64 random(Seed(2));
    const int count = CaseCount(100000, 200000);
    int ties = 0;
    for (int i = 0; i < count; ++i) {
        const double x = RandomDoubleForForm(random);
        const SeventeenDigitForm form = MakeSeventeenDigitForm(x);
        bool halfway = false;
        ASSERT_EQ(testref::CheckSeventeenDigitForm(x, form, &halfway), "") << "case " << i;
        ties += halfway ? 1 : 0;
        ASSERT_EQ(FormatText(x), SixDigitTextFromForm(form)) << "case " << i << " bits " << std::hex << Bits(x);
    }
    std::printf("%d cases, %d exactly halfway\n", count, ties);
    EXPECT_GT(ties, 0);
}

TEST(FormatSixDigitsDifferential, AgainstStepByStepText) {
    std::mt19937_64 random(Seed(3));
    const int count = CaseCount(300000, 1000000);
    for (int i = 0; i < count; ++i) {
        const double x = RandomDoubleForForm(random);
        ASSERT_EQ(FormatText(x), SixDigitTextFromForm(MakeSeventeenDigitForm(x))) << "bits " << std::hex << Bits(x);
    }
}

// ---- Against glibc ----------------------------------------------------------------------------

#if defined(__GLIBC__)

long double LongDoubleOf(const testref::Dyadic& d) { return std::ldexp(static_cast<long double>(d.m), static_cast<int>(d.e)); }

TEST(ParseDecimalDifferential, AgainstGlibcStrtod) {
    static_assert(LDBL_MANT_DIG >= 56, "the halfway filter needs the midpoints exactly in long double");
    TextGenerator generator(Seed(4));
    const int count = CaseCount(1000000, 0);
    int differentTies = 0;  // strtod took the even neighbour, the larger one
    int equalTies = 0;      // the smaller neighbour was the even one
    for (int i = 0; i < count; ++i) {
        const std::string text = generator.Next();
        const ParseResult r = ParseDecimal(text.data(), text.size());
        const testref::Reading reading = testref::ReadNumber(text.data(), text.size());
        ASSERT_EQ(r.consumed, reading.length) << "case " << i << " \"" << Printable(text) << "\"";

        // strtod gets only the number's own characters, with d and D made e.
        std::string prefix = text.substr(0, r.consumed);
        for (char& c : prefix) {
            if (c == 'd' || c == 'D') c = 'e';
        }
        char* end = nullptr;
        const double s = std::strtod(prefix.c_str(), &end);
        ASSERT_EQ(static_cast<std::size_t>(end - prefix.c_str()), prefix.size()) << "\"" << Printable(text) << "\"";
        const double expected = r.consumed == 0 ? 0.0 : s;

        if (Bits(r.value) != Bits(expected)) {
            // Only exactly halfway, and then r must be the smaller neighbour of the two.
            bool halfway = false;
            const std::string problem = testref::CheckNearest(reading.value, r.value, &halfway);
            ASSERT_EQ(problem, "") << "case " << i << " \"" << Printable(text) << "\" strtod " << s;
            ASSERT_TRUE(halfway) << "case " << i << " \"" << Printable(text) << "\"";
            ASSERT_EQ(Bits(std::fabs(expected)), Bits(std::fabs(r.value)) + 1) << "\"" << Printable(text) << "\"";
            ++differentTies;
            continue;
        }
        // Equal. Was the value exactly halfway below strtod's result, so that the smaller
        // neighbour should have been taken? A long double holds that midpoint exactly, so glibc's
        // correctly rounded strtold returns it exactly when the value is on it: a filter that
        // misses no such case; the reference then decides exactly.
        const double magnitude = std::fabs(expected);
        const testref::Dyadic below = testref::MidpointBelow(magnitude);
        bool exactCheck = (i % 64) == 0;
        if (below.m != 0 && std::isfinite(magnitude) && r.consumed > 0) {
            const long double value = std::fabs(std::strtold(prefix.c_str(), nullptr));
            exactCheck = exactCheck || value == LongDoubleOf(below) || value == LongDoubleOf(testref::MidpointAbove(magnitude));
        }
        if (exactCheck) {
            bool halfway = false;
            const std::string problem = testref::CheckNearest(reading.value, r.value, &halfway);
            ASSERT_EQ(problem, "") << "case " << i << " \"" << Printable(text) << "\"";
            equalTies += halfway ? 1 : 0;
        }
    }
    std::printf("%d cases; exactly halfway: %d where strtod took the larger even neighbour, %d (found) where "
                "the smaller was the even one\n",
                count, differentTies, equalTies);
    EXPECT_GT(differentTies, count / 200);
}

struct GlibcForm {
    bool negative;
    std::string digits;
    int point;
};

GlibcForm GlibcSeventeenDigits(double x) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.16e", x);  // exact: [-]d.dddddddddddddddde[+-]dd
    GlibcForm form;
    const char* p = buffer;
    form.negative = *p == '-';
    if (form.negative) ++p;
    std::string digits(1, p[0]);
    digits += std::string(p + 2, 16);
    const int exponent = std::atoi(p + 19);
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
    form.digits = digits;
    form.point = digits == "0" ? 0 : exponent + 1;
    return form;
}

// A candidate for an exact 17-digit halfway case: the 18th significant digit is 5 and the next
// seven are 0 (every true halfway case looks so; the reference decides exactly).
bool SeventeenDigitHalfwayCandidate(double x) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.24e", std::fabs(x));
    // d.ddddddddddddddddd5 0000000 e...: the 18th digit is buffer[18]
    return buffer[18] == '5' && std::strncmp(buffer + 19, "0000000", 7) == 0;
}

TEST(SeventeenDigitFormDifferential, AgainstGlibcPrintf) {
    std::mt19937_64 random(Seed(5));
    const int count = CaseCount(1000000, 0);
    int ties = 0;
    for (int i = 0; i < count; ++i) {
        const double x = RandomDoubleForForm(random);
        const SeventeenDigitForm form = MakeSeventeenDigitForm(x);
        const GlibcForm glibc = GlibcSeventeenDigits(x);
        const bool same = form.negative == glibc.negative && glibc.digits == form.digits && glibc.point == form.point;
        const bool candidate = SeventeenDigitHalfwayCandidate(x);
        if (candidate || !same || i % 64 == 0) {
            bool halfway = false;
            ASSERT_EQ(testref::CheckSeventeenDigitForm(x, form, &halfway), "")
                << "case " << i << " glibc " << glibc.digits << " point " << glibc.point;
            ASSERT_TRUE(same || halfway) << "case " << i << " bits " << std::hex << Bits(x) << " glibc "
                                         << glibc.digits << " form " << form.digits;
            if (halfway) {
                ASSERT_TRUE(candidate);
                ++ties;
            }
        }
    }
    std::printf("%d cases, %d exactly halfway\n", count, ties);
    EXPECT_GT(ties, 0);
}

#endif  // __GLIBC__

}  // namespace
}  // namespace varnitz
