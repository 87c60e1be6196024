// The fast paths of the number text conversions against their exact paths, bit for bit, on random
// and on constructed inputs (near halfway points, exact ties, powers of ten, the range ends), with
// a count of the paths taken: a fast path that silently stopped deciding would fail here too.
// Below them, the 128-bit powers of five and the portable 64 x 64-bit product against the tests'
// own exact arithmetic.
//
// Seeded and repeatable (VARNITZ_TEST_SEED in the environment replaces the seed); twenty times more
// cases with VARNITZ_LONG_TESTS.
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "exact_reference.h"
#include "number_text_internal.h"
#include "varnitz/number_text.h"

namespace varnitz {
namespace {

using detail::ConversionPath;
using testref::Bits;
using testref::FromBits;
using testref::Natural;

#if defined(VARNITZ_LONG_TESTS)
constexpr int kScale = 20;
#else
constexpr int kScale = 1;
#endif

int Cases(int count) { return count * kScale; }

std::uint64_t Seed(std::uint64_t salt) {
    std::uint64_t seed = 0xFA57BA7Du;
    if (const char* text = std::getenv("VARNITZ_TEST_SEED")) seed = std::strtoull(text, nullptr, 0);
    return seed ^ (salt * 0x9E3779B97F4A7C15ull);
}

const char* PathName(ConversionPath path) {
    switch (path) {
        case ConversionPath::kNoArithmetic: return "no arithmetic";
        case ConversionPath::kClinger: return "Clinger";
        case ConversionPath::kProduct: return "product";
        case ConversionPath::kExact: return "exact";
    }
    return "?";
}

struct PathCounts {
    int count[4] = {};
    void Add(ConversionPath path) { ++count[static_cast<int>(path)]; }
    int operator[](ConversionPath path) const { return count[static_cast<int>(path)]; }
    int Total() const { return count[0] + count[1] + count[2] + count[3]; }
    void Print(const char* what) const {
        std::printf("%s: %d cases;", what, Total());
        for (int i = 0; i < 4; ++i) std::printf(" %s %d", PathName(static_cast<ConversionPath>(i)), count[i]);
        std::printf("\n");
    }
};

// high * 2^64 + low.
Natural FromHighLow(std::uint64_t high, std::uint64_t low) {
    Natural n(high);
    n.MultiplyPowerOfTwo(32);
    n.AddSmall(static_cast<std::uint32_t>(low >> 32));
    n.MultiplyPowerOfTwo(32);
    n.AddSmall(static_cast<std::uint32_t>(low));
    return n;
}

// ---- The 128-bit powers and the portable product ------------------------------------------------

// T <= 5^q / 2^e < T + 3 for every q of the table, in integers:
// T * 2^max(e,0) * 5^max(-q,0) <= 5^max(q,0) * 2^max(-e,0) < (T + 3) * 2^max(e,0) * 5^max(-q,0).
TEST(PowerOfFive, EveryPowerBracketsTheExactValue) {
    for (int q = detail::kMinPowerOfFive; q <= detail::kMaxPowerOfFive; ++q) {
        const detail::PowerOfFive128 p = detail::PowerOfFive(q);
        ASSERT_NE(p.high >> 63, 0u) << "q " << q;
        const long long e = p.exponent;
        Natural low = FromHighLow(p.high, p.low);
        Natural high = low;
        high.AddSmall(3);
        for (Natural* side : {&low, &high}) {
            side->MultiplyPowerOfTwo(std::max(e, 0LL));
            side->MultiplyPowerOfFive(std::max(-q, 0));
        }
        Natural exact(1);
        exact.MultiplyPowerOfFive(std::max(q, 0));
        exact.MultiplyPowerOfTwo(std::max(-e, 0LL));
        ASSERT_LE(Natural::Compare(low, exact), 0) << "q " << q;
        ASSERT_LT(Natural::Compare(exact, high), 0) << "q " << q;
    }
}

TEST(PowerOfFive, PortableProductAgainstExactArithmetic) {
    std::mt19937_64 random(Seed(1));
    const std::uint64_t edges[] = {0, 1, 2, 0xFFFFFFFFu, 0x100000000u, 0xFFFFFFFFFFFFFFFFu, 0x8000000000000000u,
                                   0xFFFFFFFF00000000u, 0x00000000FFFFFFFFu, 0x7FFFFFFFFFFFFFFFu};
    std::vector<std::pair<std::uint64_t, std::uint64_t>> pairs;
    for (std::uint64_t a : edges) {
        for (std::uint64_t b : edges) pairs.emplace_back(a, b);
    }
    for (int i = 0; i < Cases(20000); ++i) {
        // Random bit lengths, so that short factors and carries between the partial products occur.
        const std::uint64_t a = random() >> (random() % 64);
        const std::uint64_t b = random() >> (random() % 64);
        pairs.emplace_back(a, b);
    }
    for (const auto& ab : pairs) {
        const detail::Uint128 p = detail::Multiply64Portable(ab.first, ab.second);
        const Natural expected = Natural::Multiply(Natural(ab.first), Natural(ab.second));
        ASSERT_EQ(Natural::Compare(FromHighLow(p.high, p.low), expected), 0) << std::hex << ab.first << " * " << ab.second;
    }
}

// ---- ParseDecimal ----------------------------------------------------------------------------

std::string ProductText(std::uint64_t w, int q) { return std::to_string(w) + "e" + std::to_string(q); }

std::uint64_t ExactBits(const std::string& text) {
    return Bits(detail::ParseDecimalExact(text.data(), text.size()).value);
}

// A random w of a random bit length.
std::uint64_t RandomSignificand(std::mt19937_64& random) {
    const int bits = 1 + static_cast<int>(random() % 64);
    const std::uint64_t top = std::uint64_t{1} << (bits - 1);
    return top | (random() & (top - 1));
}

// w * 10^q by the product path, where it decides, against the exact path; the result's whole range
// and beyond, so that the subnormal and overflow ends, where it must decline, are crossed too.
TEST(ParseDecimalPaths, ProductAgainstExactOnRandomSignificands) {
    std::mt19937_64 random(Seed(2));
    int normal = 0;
    int decided = 0;
    for (int i = 0; i < Cases(200000); ++i) {
        const std::uint64_t w = RandomSignificand(random);
        const int q = static_cast<int>(random() % 670) - 350;
        const std::string text = ProductText(w, q);
        const std::uint64_t exact = ExactBits(text);
        std::uint64_t bits = 0;
        const bool decides = detail::ProductNearestBits(w, q, &bits);
        if (decides) {
            ASSERT_EQ(bits, exact) << text;
        }
        const std::uint64_t field = exact >> 52;
        if (field >= 1 && field <= 2046) {
            ++normal;
            decided += decides ? 1 : 0;
            if (!decides && field > 1) {
                // Declined: only an exact tie (w * 5^q with an odd part of 54 bits) may be.
                bool halfway = false;
                const testref::Reading reading = testref::ReadNumber(text.data(), text.size());
                ASSERT_EQ(testref::CheckNearest(reading.value, FromBits(exact), &halfway), "") << text;
                ASSERT_TRUE(halfway) << text << " was declined but is no tie";
            }
        } else {
            ASSERT_FALSE(decides) << text << ": subnormal, zero or infinite results are left to the exact path";
        }
    }
    std::printf("%d normal results, %d decided by the product\n", normal, decided);
    EXPECT_GE(decided, normal - normal / 1000);
}

// Exact ties w * 10^q, the odd part of w * 5^q having 54 bits (w = u * 2^t for q >= 0 with 5^q u
// odd and of 54 bits; w = u * 5^-q * 2^t for q < 0 with u odd and of 54 bits): no fast path may
// decide them, and ParseDecimal gives the smaller neighbour through the exact path.
TEST(ParseDecimalPaths, ExactTiesGoToTheExactPath) {
    std::mt19937_64 random(Seed(3));
    int count = 0;
    for (int i = 0; i < Cases(6000); ++i) {
        const int q = static_cast<int>(random() % 28) - 4;  // -4 .. 23
        std::uint64_t five = 1;
        for (int k = 0; k < (q < 0 ? -q : q); ++k) five *= 5;
        std::uint64_t u;
        std::uint64_t w;
        const std::uint64_t low = std::uint64_t{1} << 53, high = std::uint64_t{1} << 54;  // the odd part's range
        if (q >= 0) {
            const std::uint64_t uLow = (low + five - 1) / five, uHigh = (high - 1) / five;  // 5^q u in [2^53, 2^54)
            if (uLow > uHigh) continue;
            u = uLow + random() % (uHigh - uLow + 1);
            if (u % 2 == 0) u = u + 1 <= uHigh ? u + 1 : u - 1;
            if (u < uLow || five * u < low) continue;
            w = u;
        } else {
            u = low | (random() & (low - 1)) | 1;
            w = u * five;
        }
        while (w < (std::uint64_t{1} << 62) && random() % 2 == 0) w <<= 1;  // u * 2^t: still a tie
        const std::string text = ProductText(w, q);
        std::uint64_t bits;
        ASSERT_FALSE(detail::ProductNearestBits(w, q, &bits)) << text;
        ConversionPath path;
        const ParseResult r = detail::ParseDecimalTraced(text.data(), text.size(), &path);
        ASSERT_EQ(path, ConversionPath::kExact) << text;
        bool halfway = false;
        const testref::Reading reading = testref::ReadNumber(text.data(), text.size());
        ASSERT_EQ(testref::CheckNearest(reading.value, r.value, &halfway), "") << text;
        ASSERT_TRUE(halfway) << text;
        ++count;
    }
    std::printf("%d exact ties\n", count);
    EXPECT_GT(count, Cases(6000) / 2);
}

// The midpoint above a random double, cut to 19 significant digits: w - 1, w and w + 1 lie within
// about 10^-18 of it, where the product's error bound matters most.
TEST(ParseDecimalPaths, ProductNearMidpoints) {
    std::mt19937_64 random(Seed(4));
    int cases = 0;
    int decided = 0;
    for (int i = 0; i < Cases(6000); ++i) {
        const std::uint64_t exponentField = 1 + random() % 2045;  // no midpoint at the overflow boundary
        const double x = FromBits(exponentField << 52 | (random() & 0x000FFFFFFFFFFFFFu));
        const testref::Dyadic mid = testref::MidpointAbove(x);
        testref::Decimal d = testref::DyadicToDecimal(mid.m, mid.e);
        if (d.digits.size() > 19) {
            d.exponent += static_cast<long long>(d.digits.size() - 19);
            d.digits.resize(19);
        }
        const std::uint64_t w = std::stoull(d.digits);
        for (std::uint64_t candidate : {w - 1, w, w + 1}) {
            if (candidate == 0) continue;
            const int q = static_cast<int>(d.exponent);
            const std::string text = ProductText(candidate, q);
            std::uint64_t bits;
            ++cases;
            if (detail::ProductNearestBits(candidate, q, &bits)) {
                ++decided;
                ASSERT_EQ(bits, ExactBits(text)) << text;
            } else {
                // Only the midpoint itself, when its expansion is that short, may be declined.
                ASSERT_EQ(candidate, w) << text;
                ASSERT_EQ(testref::CompareWithDyadic(testref::ReadNumber(text.data(), text.size()).value, mid.m, mid.e), 0) << text;
            }
        }
    }
    std::printf("%d cases near midpoints, %d decided by the product\n", cases, decided);
    EXPECT_GT(decided, cases / 2);
}

// Texts of every kind: ParseDecimal as the program calls it against the exact path with the same
// grammar, value and consumed characters alike. The short scanner (up to 19 characters) and the
// general one both meet the exact path's general scanner here.
class PathTextGenerator {
public:
    explicit PathTextGenerator(std::uint64_t seed) : random_(seed) {}

    std::string Next() {
        switch (Below(10)) {
            case 0: return Prefix() + Shaped(Digits(1 + Below(15)), Exponent(25)) + Tail();
            case 1: return Prefix() + Shaped(Digits(1 + Below(15)), Exponent(400)) + Tail();
            case 2: return Prefix() + Shaped(Digits(16 + Below(4)), Exponent(330)) + Tail();
            case 3: return Prefix() + Shaped(Digits(20 + Below(21)), Exponent(330)) + Tail();
            case 4: return Prefix() + NearMidpoint();
            case 5: return Prefix() + Typed();
            case 6: return Prefix() + std::string(Below(25), '0') + Shaped(Digits(1 + Below(25)), Exponent(40));
            case 7: return Prefix() + Shaped(Digits(1 + Below(19)), RangeEndExponent());
            case 8: return Prefix() + Soup();
            default: return Prefix() + Shaped(Digits(1 + Below(19)), Exponent(60)) + Tail();
        }
    }

private:
    std::uint64_t Below(std::uint64_t n) { return random_() % n; }
    bool Chance(int percent) { return static_cast<int>(Below(100)) < percent; }

    std::string Digits(std::size_t n) {
        std::string s(1, static_cast<char>('1' + Below(9)));
        while (s.size() < n) s += static_cast<char>('0' + Below(10));
        return s;
    }

    std::string Prefix() {
        std::string s;
        if (Chance(10)) s += " \t\n\v\f\r"[Below(6)];
        if (Chance(20)) s += Chance(70) ? "-" : "+";
        return s;
    }

    std::string Tail() {
        static const char* const tails[] = {"", "", "", "", "x", ".", "e", "E+", "d-", ",5", " 1", "-", "\xa0", "..", "1e"};
        return tails[Below(sizeof tails / sizeof tails[0])];
    }

    long long Exponent(long long range) { return static_cast<long long>(Below(static_cast<std::uint64_t>(2 * range + 1))) - range; }

    // Scientific exponents around the subnormals and the overflow.
    long long RangeEndExponent() {
        return Chance(50) ? 300 + static_cast<long long>(Below(15)) : -(300 + static_cast<long long>(Below(30)));
    }

    // digits x 10^exponent in a random shape: an integer, a fraction, with an exponent letter.
    std::string Shaped(const std::string& digits, long long exponent) {
        const std::size_t n = digits.size();
        const std::size_t point = Below(n + 1);  // digits before the point
        std::string s = digits.substr(0, point);
        if (point < n || Chance(20)) s += ".";
        s += digits.substr(point);
        const long long shift = exponent + static_cast<long long>(n - point);  // the letter's exponent
        if (shift != 0 || Chance(30)) {
            s += "eEdD"[Below(4)];
            if (shift >= 0 && Chance(30)) s += "+";
            s += std::to_string(shift);
        }
        return s;
    }

    // The midpoint above a random double, cut anywhere, sometimes one higher in its last digit.
    std::string NearMidpoint() {
        const double x = FromBits(random_() & 0x7FEFFFFFFFFFFFFFu);
        const testref::Dyadic mid = testref::MidpointAbove(x);
        testref::Decimal d = testref::DyadicToDecimal(mid.m, mid.e);
        const std::size_t keep = 1 + Below(40);
        if (keep < d.digits.size()) {
            d.exponent += static_cast<long long>(d.digits.size() - keep);
            d.digits.resize(keep);
            if (Chance(50)) {
                std::size_t i = d.digits.size();
                while (i > 0 && d.digits[i - 1] == '9') d.digits[--i] = '0';
                if (i == 0) {
                    d.digits.insert(d.digits.begin(), '1');
                    d.digits.pop_back();
                    ++d.exponent;
                } else {
                    ++d.digits[i - 1];
                }
            }
        }
        return d.digits + "e" + std::to_string(d.exponent);
    }

    // What the fields see: "3.3", "0.000123", "2200", "4.7e-6", "5.".
    std::string Typed() {
        switch (Below(4)) {
            case 0: return Digits(1 + Below(6));
            case 1: return "0." + std::string(Below(5), '0') + Digits(1 + Below(5));
            case 2: return Digits(1 + Below(3)) + "." + (Chance(10) ? "" : Digits(1 + Below(4)));
            default: return Digits(1) + (Chance(50) ? "." + Digits(1 + Below(3)) : "") + "eE"[Below(2)] + (Chance(50) ? "-" : "") + std::to_string(Below(16));
        }
    }

    std::string Soup() {
        static const char alphabet[] = "0123456789012345678901234567890123456789..eEdD+-+- \tx,";
        std::string s;
        const std::size_t n = 1 + Below(24);
        for (std::size_t i = 0; i < n; ++i) s += alphabet[Below(sizeof alphabet - 1)];
        return s;
    }

    std::mt19937_64 random_;
};

TEST(ParseDecimalPaths, TracedAgainstExactOnRandomTexts) {
    PathTextGenerator generator(Seed(5));
    PathCounts paths;
    for (int i = 0; i < Cases(300000); ++i) {
        const std::string text = generator.Next();
        ConversionPath path;
        const ParseResult fast = detail::ParseDecimalTraced(text.data(), text.size(), &path);
        const ParseResult exact = detail::ParseDecimalExact(text.data(), text.size());
        ASSERT_EQ(Bits(fast.value), Bits(exact.value)) << "\"" << text << "\" path " << PathName(path);
        ASSERT_EQ(fast.consumed, exact.consumed) << "\"" << text << "\"";
        paths.Add(path);
    }
    paths.Print("texts");
    // Each path takes its share; the fast ones most of it.
    const int total = paths.Total();
    EXPECT_GT(paths[ConversionPath::kClinger], total / 5);
    EXPECT_GT(paths[ConversionPath::kProduct], total / 5);
    EXPECT_GT(paths[ConversionPath::kExact], total / 200);
    EXPECT_GT(paths[ConversionPath::kNoArithmetic], total / 200);
    EXPECT_LT(paths[ConversionPath::kExact], total / 4);
}

// The field texts and what users type take the Clinger path, not the exact one.
TEST(ParseDecimalPaths, TypedNumbersTakeTheClingerPath) {
    const char* const texts[] = {"3.3", "2200", "0.000123", "1e-6", "2.5E3", "-4.7", "47", ".5", "5.", "8.854e-12",
                                 "123456.789", "0.1", "99999999999999", "1d15", "6.28"};
    for (const char* text : texts) {
        ConversionPath path;
        detail::ParseDecimalTraced(text, std::char_traits<char>::length(text), &path);
        EXPECT_EQ(path, ConversionPath::kClinger) << text;
    }
}

// ---- The 17-digit form -----------------------------------------------------------------------

// The form by both paths, which must agree; the fast one declines only exact ties (18 significant
// digits ending in 5), whose probability of lying within its error bound of a half without being
// one is far below anything these tests could meet.
void ExpectSameForm(double x, ConversionPath* path) {
    const SeventeenDigitForm fast = detail::MakeSeventeenDigitFormTraced(x, path);
    const SeventeenDigitForm exact = detail::MakeSeventeenDigitFormExact(x);
    ASSERT_EQ(fast.negative, exact.negative) << std::hex << Bits(x);
    ASSERT_STREQ(fast.digits, exact.digits) << std::hex << Bits(x) << " path " << PathName(*path);
    ASSERT_EQ(fast.length, exact.length) << std::hex << Bits(x);
    ASSERT_EQ(fast.point, exact.point) << std::hex << Bits(x);
    if (*path == ConversionPath::kExact) {
        bool halfway = false;
        ASSERT_EQ(testref::CheckSeventeenDigitForm(x, exact, &halfway), "") << std::hex << Bits(x);
        ASSERT_TRUE(halfway) << "the fast path declined " << std::hex << Bits(x) << ", which is no tie";
    }
}

TEST(SeventeenDigitPaths, FastAgainstExactOnRandomDoubles) {
    std::mt19937_64 random(Seed(6));
    PathCounts paths;
    for (int i = 0; i < Cases(1000000); ++i) {
        std::uint64_t bits = random();
        if (i % 10 == 0) bits &= 0x800FFFFFFFFFFFFFu;  // subnormal
        const double x = FromBits(bits);
        if (!std::isfinite(x)) continue;
        ConversionPath path;
        ExpectSameForm(x, &path);
        paths.Add(path);
    }
    paths.Print("random doubles");
    // The exact path takes only the ties, which random doubles meet between 10^14 and 2^51.
    EXPECT_GE(paths[ConversionPath::kProduct], paths.Total() - paths.Total() / 500);
}

// The smallest and the largest double of every binade: the fast path decides them all but the
// exact ties (2^-25 is one: 0.298023223876953125e-7), so its estimate of P (P or P - 1 from the
// binary exponent) holds for every binade.
TEST(SeventeenDigitPaths, FastPathDecidesInEveryBinade) {
    int ties = 0;
    for (int field = 0; field <= 2046; ++field) {
        const std::uint64_t base = static_cast<std::uint64_t>(field) << 52;
        std::vector<std::uint64_t> ends = {base | 0x000FFFFFFFFFFFFFu};
        if (field != 0) ends.push_back(base);
        if (field == 0) {
            for (int bit = 0; bit < 52; ++bit) {  // the subnormal "binades": 2^k and 2^(k+1) - 1 units
                ends.push_back(std::uint64_t{1} << bit);
                ends.push_back((std::uint64_t{2} << bit) - 1);
            }
        }
        for (std::uint64_t bits : ends) {
            ConversionPath path;
            ExpectSameForm(FromBits(bits), &path);  // declined only if a tie
            ties += path == ConversionPath::kProduct ? 0 : 1;
        }
    }
    std::printf("%d exact ties among the binade ends\n", ties);
    EXPECT_LE(ties, 4);
}

// The double nearest to (N + 1/2) * 10^(P-17) and its neighbours, for random 17-digit N and every
// range of P; the exact 17-digit ties (x = m / 4, m / 8), which must take the exact path; the
// powers of ten and the values just below them, where P is decided; the range ends.
TEST(SeventeenDigitPaths, NearHalfwayPowersOfTenAndRangeEnds) {
    std::mt19937_64 random(Seed(7));
    PathCounts paths;
    auto withNeighbours = [&](double x, int reach) {
        for (int k = -reach; k <= reach; ++k) {
            const std::uint64_t bits = Bits(x) + static_cast<std::uint64_t>(static_cast<std::int64_t>(k));
            const double y = FromBits(bits);
            if (!std::isfinite(y) || Bits(y) >> 63 != Bits(x) >> 63) continue;
            ConversionPath path;
            ExpectSameForm(y, &path);
            paths.Add(path);
        }
    };

    for (int i = 0; i < Cases(4000); ++i) {
        std::string n = std::to_string(10000000000000000u + random() % 90000000000000000u);
        const int point = static_cast<int>(random() % 630) - 322;
        withNeighbours(ParseDecimal((n + "5e" + std::to_string(point - 18)).c_str()), 2);
    }
    int ties = 0;
    for (int i = 0; i < Cases(3000); ++i) {
        const std::uint64_t m = (std::uint64_t{1} << 52) | (random() & ((std::uint64_t{1} << 52) - 1)) | 1;
        const std::uint64_t shift = 2 + random() % 2;
        const double x = FromBits((1075 - shift) << 52 | (m & 0x000FFFFFFFFFFFFFu));  // m * 2^-shift
        bool halfway = false;
        ASSERT_EQ(testref::CheckSeventeenDigitForm(x, MakeSeventeenDigitForm(x), &halfway), "");
        if (!halfway) continue;
        ConversionPath path;
        ExpectSameForm(x, &path);
        ASSERT_EQ(path, ConversionPath::kExact) << std::hex << Bits(x);
        ++ties;
    }
    for (int k = -323; k <= 308; ++k) {
        withNeighbours(ParseDecimal(("1e" + std::to_string(k)).c_str()), 3);
        withNeighbours(ParseDecimal(("9.99999999999999995e" + std::to_string(k - 1)).c_str()), 3);
        withNeighbours(ParseDecimal(("9.9999999999999999e" + std::to_string(k - 1)).c_str()), 1);
    }
    for (double x : {DBL_MAX, DBL_MIN, std::numeric_limits<double>::denorm_min(), FromBits(0x000FFFFFFFFFFFFFu), 1.0}) {
        withNeighbours(x, 3);
        withNeighbours(-x, 3);
    }
    paths.Print("constructed doubles");
    std::printf("%d exact 17-digit ties\n", ties);
    EXPECT_GT(ties, Cases(3000) / 20);
    EXPECT_GE(paths[ConversionPath::kProduct], paths.Total() * 9 / 10);
}

}  // namespace
}  // namespace varnitz
