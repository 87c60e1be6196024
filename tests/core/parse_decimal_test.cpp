// ParseDecimal by its tables and edge cases, bit for bit, with `consumed`.
#include <cfloat>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "exact_reference.h"
#include "varnitz/number_text.h"

namespace varnitz {
namespace {

using testref::Bits;
using testref::Decimal;
using testref::DyadicToDecimal;
using testref::FromBits;
using testref::ToScientific;

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kMinSubnormal = std::numeric_limits<double>::denorm_min();  // 2^-1074

struct ParseCase {
    std::string text;
    double expected;      // compared bit for bit: the sign of zero counts
    std::size_t consumed;
};

std::string Show(const std::string& text) {
    std::string out;
    for (unsigned char c : text.substr(0, 80)) {
        if (c >= 32 && c < 127) {
            out += static_cast<char>(c);
        } else {
            out += "\\x" + std::string(1, "0123456789abcdef"[c >> 4]) + "0123456789abcdef"[c & 15];
        }
    }
    if (text.size() > 80) out += "... (" + std::to_string(text.size()) + " characters)";
    return out;
}

void ExpectParse(const ParseCase& c) {
    const ParseResult r = ParseDecimal(c.text.data(), c.text.size());
    EXPECT_EQ(Bits(r.value), Bits(c.expected))
        << "text \"" << Show(c.text) << "\": got " << r.value << " expected " << c.expected;
    EXPECT_EQ(r.consumed, c.consumed) << "text \"" << Show(c.text) << "\"";
    // The NUL-terminated form reads the same, as long as the text has no NUL of its own.
    if (c.text.find('\0') == std::string::npos) {
        EXPECT_EQ(Bits(ParseDecimal(c.text.c_str())), Bits(c.expected)) << "text \"" << Show(c.text) << "\"";
    }
}

// The edge-case table, with the characters each text's number takes.
TEST(ParseDecimalTable, EdgeCases) {
    const std::vector<ParseCase> cases = {
        {"3.3", 3.3, 3},
        {" 3.3", 3.3, 4},
        {"\t7", 7.0, 2},
        {"3,3", 3.0, 1},
        {"1e3", 1000.0, 3},
        {"1d3", 1000.0, 3},
        {"1E+03", 1000.0, 5},
        {"1D3", 1000.0, 3},
        {"1.e2", 100.0, 4},
        {".5e1", 5.0, 4},
        {"1e-00005", 0.00001, 8},
        {"-4.5", -4.5, 4},
        {"+2", 2.0, 2},
        {".5", 0.5, 2},
        {"5.", 5.0, 2},
        {"007", 7.0, 3},
        {"1.5.3", 1.5, 3},
        {"12abc", 12.0, 2},
        {"1 000", 1.0, 1},
        {"1e", 1.0, 1},
        {"2e+x", 2.0, 1},
        {"", 0.0, 0},
        {"abc", 0.0, 0},
        {".", 0.0, 0},
        {"-", 0.0, 0},
        {"- 5", 0.0, 0},
        {"+-1", 0.0, 0},
        {"0x10", 0.0, 1},
        {"inf", 0.0, 0},
        {"nan", 0.0, 0},
        {"-0", -0.0, 2},
        {"1e400", kInf, 5},
        {"-1e400", -kInf, 6},
        {"1e-400", 0.0, 6},
        {"-1e-400", -0.0, 7},
        {"7e22", 69999999999999995805696.0, 4},  // 7 * 10^22 - 2^22: halfway, the smaller magnitude
    };
    for (const ParseCase& c : cases) ExpectParse(c);
}

// More of the grammar: what ends a number, and what is not one.
TEST(ParseDecimalTable, GrammarDetails) {
    const std::vector<ParseCase> cases = {
        // Each of the six blanks before the number; none after the sign.
        {"\n7", 7.0, 2},
        {"\v7", 7.0, 2},
        {"\f7", 7.0, 2},
        {"\r7", 7.0, 2},
        {" \t\n\v\f\r -7", -7.0, 9},
        {"- 7", 0.0, 0},
        {"-\t7", 0.0, 0},
        // Other bytes are no blanks: backspace, DEL, the no-break space 160, bytes above 127.
        {"\b7", 0.0, 0},
        {"\x7f" "7", 0.0, 0},
        {"\xa0" "7", 0.0, 0},
        {"\xff" "7", 0.0, 0},
        {"7\xa0" "5", 7.0, 1},
        {"7\xe5" "5", 7.0, 1},  // Cyrillic "e" in Windows-1251 is no exponent letter
        // Signs.
        {"+", 0.0, 0},
        {"-.", 0.0, 0},
        {"-abc", 0.0, 0},
        {"--1", 0.0, 0},
        {"-.5", -0.5, 3},
        {"+.5", 0.5, 3},
        {"-5.", -5.0, 3},
        {"1-2", 1.0, 1},
        {"1+2", 1.0, 1},
        // Zeros of all kinds keep the sign read.
        {"0", 0.0, 1},
        {"+0", 0.0, 2},
        {"-0.000", -0.0, 6},
        {"0.000", 0.0, 5},
        {"0e99", 0.0, 4},
        {"-0e99", -0.0, 5},
        {"-.0", -0.0, 3},
        {"-0.", -0.0, 3},
        {"00000000000000000000000000000000000000000", 0.0, 41},
        // Exponents.
        {"1e5", 100000.0, 3},
        {"1e+5", 100000.0, 4},
        {"1e-5", 0.00001, 4},
        {"1E5", 100000.0, 3},
        {"1d-5", 0.00001, 4},
        {"1D+5", 100000.0, 4},
        {"1e-", 1.0, 1},
        {"1e+", 1.0, 1},
        {"1e--5", 1.0, 1},
        {"1e+-5", 1.0, 1},
        {"2ex", 2.0, 1},
        {"2e 5", 2.0, 1},
        {"2e.5", 2.0, 1},
        {"1e5.5", 100000.0, 3},
        {"1e5e5", 100000.0, 3},
        {"1e5+5", 100000.0, 3},
        {"1ee5", 1.0, 1},
        {"1de5", 1.0, 1},
        {"1e0000000000000000000000000000000003", 1000.0, 36},
        {"1e-0", 1.0, 4},
        {".e5", 0.0, 0},
        {"e5", 0.0, 0},
        {"5.e-1", 0.5, 5},
        // No hexadecimal, infinity or NaN words, grouping or decimal comma.
        {"0x1p3", 0.0, 1},
        {"0X10", 0.0, 1},
        {"infinity", 0.0, 0},
        {"-inf", 0.0, 0},
        {"NAN", 0.0, 0},
        {"1,5", 1.0, 1},
        {"1'000", 1.0, 1},
        {"1_000", 1.0, 1},
        // The field texts that FormatSixDigits writes read back as the number they begin with.
        {"1.#INF", 1.0, 2},
        {"-1.#IND", -1.0, 3},
        {"1.#QNAN", 1.0, 2},
        {"-1.#SNAN", -1.0, 3},
        {"1.e+006", 1000000.0, 7},
        {"5.e-002", 0.05, 7},
        {"-1.23457e-100", -1.23457e-100, 13},
        {"4.94066e-324", kMinSubnormal, 12},
    };
    for (const ParseCase& c : cases) ExpectParse(c);
}

TEST(ParseDecimalTable, LengthAndNulEndTheText) {
    const std::string withNul("12\0" "34", 5);
    ExpectParse({withNul, 12.0, 2});
    ExpectParse({std::string("\0" "5", 2), 0.0, 0});
    ExpectParse({std::string("1e\0" "5", 4), 1.0, 1});
    ExpectParse({std::string("1.\0" "5", 4), 1.0, 2});

    auto parse = [](const char* text, std::size_t length) { return ParseDecimal(text, length); };
    EXPECT_EQ(parse("12345", 3).value, 123.0);
    EXPECT_EQ(parse("12345", 3).consumed, 3u);
    EXPECT_EQ(parse("1e5", 2).value, 1.0);  // the exponent's digit lies beyond the length
    EXPECT_EQ(parse("1e5", 2).consumed, 1u);
    EXPECT_EQ(parse("1e+5", 3).consumed, 1u);
    EXPECT_EQ(parse("-5", 1).consumed, 0u);
    EXPECT_EQ(Bits(parse("-5", 1).value), Bits(0.0));
    EXPECT_EQ(parse("   ", 3).consumed, 0u);
    EXPECT_EQ(parse(nullptr, 0).consumed, 0u);
    EXPECT_EQ(Bits(parse(nullptr, 0).value), Bits(0.0));
    EXPECT_EQ(ParseDecimal("2.5e1xyz"), 25.0);
}

// Values that need all the digits, ordinary and at the ends of the range.
TEST(ParseDecimalTable, Values) {
    const std::vector<ParseCase> cases = {
        {"0.1", 0.1, 3},
        {"8.854e-12", 8.854e-12, 9},
        {"1e-6", 1e-6, 4},
        {"6.28", 6.28, 4},
        {"1e12", 1e12, 4},
        {"2.4", 2.4, 3},
        {"5.7", 5.7, 3},
        {"123456789012345678901234567890", 1.2345678901234568e29, 30},
        {"0.000000000000000000000000000001", 1e-30, 32},
        {"9007199254740993", 9007199254740992.0, 16},  // 2^53 + 1, halfway: 2^53 (also even)
        {"1.7976931348623157e308", DBL_MAX, 22},
        {"1.7976931348623158e308", DBL_MAX, 22},
        {"1.797693134862315807e308", DBL_MAX, 24},  // just below the overflow boundary
        {"1.797693134862315808e308", kInf, 24},     // just above it
        {"2.2250738585072014e-308", DBL_MIN, 23},
        {"2.2250738585072011e-308", 2.2250738585072009e-308, 23},  // the largest subnormal
        {"4.9406564584124654e-324", kMinSubnormal, 23},
        {"5e-324", kMinSubnormal, 6},
        {"3e-324", kMinSubnormal, 6},
        {"2.4703282292062328e-324", kMinSubnormal, 23},  // just above 2^-1075
        {"2.4703282292062327e-324", 0.0, 23},            // just below it
        {"-2.4703282292062327e-324", -0.0, 24},
        {"1e-320", 9.99988671826831e-321, 6},
        {"1e308", 1e308, 5},
        {"1e309", kInf, 5},
        {"-1e309", -kInf, 6},
        {"1e-323", 9.8813129168249309e-324, 6},
        {"1e-324", 0.0, 6},
        {"0.0000000000000000000000000000000000000000001e43", 1.0, 48},
        {"100000000000000000000000000000000000000000000e-44", 1.0, 49},
        {"1e22", 1e22, 4},
        {"1e23", 1e23, 4},
        {"123456789012345e-22", 1.23456789012345e-8, 19},
        {"999999999999999e22", 9.99999999999999e36, 18},
    };
    for (const ParseCase& c : cases) ExpectParse(c);
}

// Huge exponents saturate: no overflow of an integer, no wrap-around.
TEST(ParseDecimalTable, HugeExponents) {
    const std::vector<ParseCase> cases = {
        {"1e99999999999999999999", kInf, 22},
        {"-1e99999999999999999999", -kInf, 23},
        {"1e-99999999999999999999", 0.0, 23},
        {"-1e-99999999999999999999", -0.0, 24},
        {"0e999999999999", 0.0, 14},
        {"-0e999999999999", -0.0, 15},
        {"0e-999999999999", 0.0, 15},
        {"1e2147483648", kInf, 12},
        {"1e-2147483649", 0.0, 13},
        {"1e4294967296", kInf, 12},
        {"1e9223372036854775807", kInf, 21},
        {"1e9223372036854775808", kInf, 21},
        {"1e-9223372036854775808", 0.0, 22},
        {"1e-9223372036854775809", 0.0, 22},
        {"1e18446744073709551616", kInf, 22},
        {"1e-18446744073709551617", 0.0, 23},
        {"0.0000e-99999999999999999999999", 0.0, 31},
        {"1e" + std::string(1000, '9'), kInf, 1002},
        {"1e-" + std::string(1000, '9'), 0.0, 1003},
        {"1e" + std::string(1000, '0') + "5", 100000.0, 1003},
    };
    for (const ParseCase& c : cases) ExpectParse(c);
}

// Halfway cases: the smaller magnitude, also where the even neighbour is the larger one.
TEST(ParseDecimalTies, KnownAndConstructedTies) {
    const double twoTo53 = 9007199254740992.0;
    const std::vector<ParseCase> cases = {
        {"7e22", 69999999999999995805696.0, 4},    // even neighbour would be 7e22 + 2^22
        {"-7e22", -69999999999999995805696.0, 5},
        {"1e23", 99999999999999991611392.0, 4},    // smaller happens to be even too
        {"5e22", 49999999999999995805696.0, 4},
        {"9007199254740993", twoTo53, 16},         // 2^53 + 1 -> 2^53 (also even)
        {"9007199254740995", twoTo53 + 2, 16},     // 2^53 + 3 -> 2^53 + 2 (even: 2^53 + 4)
        {"-9007199254740995", -(twoTo53 + 2), 17},
        {"9007199254740997", twoTo53 + 4, 16},     // 2^53 + 5 -> 2^53 + 4 (also even)
        {"9.007199254740995e15", twoTo53 + 2, 20},
        {"900719925474099.5e1", twoTo53 + 2, 19},
        {"0.9007199254740995e16", twoTo53 + 2, 21},
        {"475e19", 4749999999999999475712.0, 6},   // a fast-path product with an odd smaller neighbour
        {"1.00000000000000033306690738754696212708950042724609375", 1.0000000000000002, 55},  // 1 + 3 * 2^-53
        {"1.00000000000000011102230246251565404236316680908203125", 1.0, 55},                 // 1 + 2^-53
        {"0.99999999999999994448884876874217297881841659545898437", 0.99999999999999989, 55},  // below 1 - 2^-54
        {"0.999999999999999944488848768742172978818416595458984375", 0.99999999999999989, 56}, // 1 - 2^-54 exactly
        {"0.999999999999999944488848768742172978818416595458984376", 1.0, 56},
    };
    for (const ParseCase& c : cases) ExpectParse(c);
}

// Every product D * 10^q with D up to 2000 and q up to 30, fast-path sized or not, judged by the
// exact reference; among them are hundreds of ties.
TEST(ParseDecimalTies, ProductTiesAgainstReference) {
    int ties = 0;
    for (int q = 1; q <= 30; ++q) {
        for (int d = 1; d <= 2000; ++d) {
            const std::string text = std::to_string(d) + "e" + std::to_string(q);
            const testref::Reading reading = testref::ReadNumber(text.data(), text.size());
            const ParseResult r = ParseDecimal(text.data(), text.size());
            bool halfway = false;
            const std::string problem = testref::CheckNearest(reading.value, r.value, &halfway);
            ASSERT_EQ(problem, "") << text;
            ties += halfway ? 1 : 0;
        }
    }
    EXPECT_GT(ties, 600);  // 672 of them with q <= 22 alone, about half with an odd smaller neighbour
}

// The text of m * 2^e, exactly, in scientific notation.
std::string ExactText(std::uint64_t m, long long e) { return ToScientific(DyadicToDecimal(m, e)); }

// The same value with `extra` appended to its digit string (before the exponent).
std::string ExactTextWithTail(std::uint64_t m, long long e, const std::string& tail) {
    const Decimal d = DyadicToDecimal(m, e);
    const std::string text = ToScientific(d);
    const std::size_t letter = text.find('e');
    std::string mantissa = text.substr(0, letter);
    if (mantissa.find('.') == std::string::npos) mantissa += ".";
    return mantissa + tail + text.substr(letter);
}

// Subnormal ties, the tie with the smallest normal, and the tie at the overflow boundary.
TEST(ParseDecimalTies, RangeEndTies) {
    struct Tie {
        std::uint64_t m;
        long long e;
        double smaller;  // the expected result: the neighbour of smaller magnitude
        double larger;
    };
    const double largestSubnormal = FromBits(0x000FFFFFFFFFFFFFu);
    const std::vector<Tie> ties = {
        {1, -1075, 0.0, kMinSubnormal},                              // 2^-1075: to zero
        {3, -1075, kMinSubnormal, 2 * kMinSubnormal},                // even would be 2 * 2^-1074
        {5, -1075, 2 * kMinSubnormal, 3 * kMinSubnormal},
        {7, -1075, 3 * kMinSubnormal, 4 * kMinSubnormal},
        {(std::uint64_t{1} << 53) - 1, -1075, largestSubnormal, DBL_MIN},  // even would be DBL_MIN
        {(std::uint64_t{1} << 53) + 1, -1075, DBL_MIN, FromBits(Bits(DBL_MIN) + 1)},
        {(std::uint64_t{1} << 53) + 3, -1075, FromBits(Bits(DBL_MIN) + 1), FromBits(Bits(DBL_MIN) + 2)},
        {(std::uint64_t{1} << 54) - 1, 970, DBL_MAX, kInf},          // (DBL_MAX + 2^1024) / 2
        {(std::uint64_t{1} << 54) - 3, 970, FromBits(Bits(DBL_MAX) - 1), DBL_MAX},
    };
    for (const Tie& t : ties) {
        const std::string exact = ExactText(t.m, t.e);
        ExpectParse({exact, t.smaller, exact.size()});
        ExpectParse({"-" + exact, -t.smaller, exact.size() + 1});
        // A nonzero digit far behind turns the tie into "above halfway".
        const std::string above = ExactTextWithTail(t.m, t.e, std::string(300, '0') + "1");
        ExpectParse({above, t.larger, above.size()});
        ExpectParse({"-" + above, -t.larger, above.size() + 1});
    }
    // Just below the overflow boundary, read as a plain integer and with a fraction.
    const Decimal boundary = DyadicToDecimal((std::uint64_t{1} << 54) - 1, 970);
    ASSERT_EQ(boundary.exponent, 0);  // an integer of 309 digits
    ExpectParse({boundary.digits, DBL_MAX, boundary.digits.size()});
    ExpectParse({boundary.digits + ".000000000000000000001", kInf, boundary.digits.size() + 22});
    std::string below = boundary.digits;
    below.back() = static_cast<char>(below.back() - 1);
    ExpectParse({below + ".99999999999999999999", DBL_MAX, below.size() + 21});
}

// Texts far longer than 800 significant digits: later digits count only as "nonzero follows".
TEST(ParseDecimalLong, TiesWithFarDigits) {
    // The tie between DBL_MIN and its successor has 767 significant digits.
    const std::uint64_t m = (std::uint64_t{1} << 53) + 1;
    const Decimal tie = DyadicToDecimal(m, -1075);
    ASSERT_GT(tie.digits.size(), 700u);
    ASSERT_LT(tie.digits.size(), 800u);
    const long long exponent = tie.exponent + static_cast<long long>(tie.digits.size()) - 1;
    const std::string mantissa = tie.digits.substr(0, 1) + "." + tie.digits.substr(1);
    const std::string e = "e" + std::to_string(exponent);
    const double up = FromBits(Bits(DBL_MIN) + 1);

    // Padded to 800 digits, then a 1 at digit 5000: above halfway. All zeros instead: the tie.
    std::string digits800 = mantissa + std::string(800 - tie.digits.size(), '0');
    ExpectParse({digits800 + std::string(4199, '0') + "1" + e, up, 800 + 1 + 4200 + e.size()});
    ExpectParse({digits800 + std::string(4200, '0') + e, DBL_MIN, 800 + 1 + 4200 + e.size()});
    // The nonzero digit at each place around the 800 kept digits.
    for (std::size_t place : {799u, 800u, 801u, 802u, 803u, 1000u, 100000u}) {
        const std::size_t zeros = place - 1 - tie.digits.size();
        const std::string text = mantissa + std::string(zeros, '0') + "1" + e;
        ExpectParse({text, up, text.size()});
    }
    // Just below the tie, with a long run of nines: down.
    std::string lower = mantissa;
    ASSERT_EQ(lower.back(), '5');
    lower.back() = '4';
    const std::string nines = lower + std::string(5000, '9') + e;
    ExpectParse({nines, DBL_MIN, nines.size()});
    // The tie written in fixed notation: "0.000...".
    const std::string fixed = "0." + std::string(static_cast<std::size_t>(-exponent - 1), '0') + tie.digits;
    ExpectParse({fixed, DBL_MIN, fixed.size()});
    ExpectParse({fixed + std::string(5000, '0'), DBL_MIN, fixed.size() + 5000});
    ExpectParse({fixed + std::string(5000, '0') + "3", up, fixed.size() + 5001});

    // A normal-range tie with an odd smaller neighbour: 1 + 3 * 2^-53.
    const std::string oneTie = "1.00000000000000033306690738754696212708950042724609375";
    const double oneSmaller = 1.0000000000000002;  // 1 + 2^-52
    const double oneLarger = 1.0000000000000004;   // 1 + 2^-51, the even neighbour
    ExpectParse({oneTie + std::string(5000, '0'), oneSmaller, oneTie.size() + 5000});
    ExpectParse({oneTie + std::string(4944, '0') + "1", oneLarger, oneTie.size() + 4945});
    ExpectParse({oneTie + std::string(100000, '0') + "1e0", oneLarger, oneTie.size() + 100003});
}

// One million digits and more: read in linear time.
TEST(ParseDecimalLong, MillionDigitTexts) {
    const std::size_t n = 1000000;
    // "1." followed by a million ones: 10/9 to double precision.
    const std::string ones = "1." + std::string(n, '1');
    ExpectParse({ones, 1.1111111111111112, ones.size()});
    // A million leading zeros in the fraction, made up by the exponent.
    const std::string lead = "0." + std::string(n, '0') + "1e1000001";
    ExpectParse({lead, 1.0, lead.size()});
    // A million trailing zeros of the integer part, taken back by the exponent.
    const std::string trail = "1" + std::string(n, '0') + "e-1000000";
    ExpectParse({trail, 1.0, trail.size()});
    // A million digits after the tie 1 + 3 * 2^-53: zeros keep the tie, a last 1 goes up.
    const std::string oneTie = "1.00000000000000033306690738754696212708950042724609375";
    ExpectParse({oneTie + std::string(n, '0'), 1.0000000000000002, oneTie.size() + n});
    ExpectParse({oneTie + std::string(n, '0') + "1", 1.0000000000000004, oneTie.size() + n + 1});
    // Ten million digits, big: the integer part alone exceeds any double.
    const std::string big(10 * n, '7');
    ExpectParse({big, kInf, big.size()});
    const std::string bigFraction = "0." + std::string(10 * n, '7') + "e1";
    const testref::Reading reading = testref::ReadNumber(bigFraction.data(), bigFraction.size());
    const ParseResult r = ParseDecimal(bigFraction.data(), bigFraction.size());
    EXPECT_EQ(r.consumed, bigFraction.size());
    EXPECT_EQ(testref::CheckNearest(reading.value, r.value), "");
}

}  // namespace
}  // namespace varnitz
