// Checks the fuzz targets' exact references before they judge anything: the grammar scanner and
// the six-digit text against the documented examples, the nearest double and the 17-digit form
// against glibc (exact, but ties to even) on random and on exactly halfway inputs.
// Exit status 0 when all hold.
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "exact_number_text.h"

namespace {

int failures = 0;

void Fail(const std::string& what) {
    std::fprintf(stderr, "reference check failed: %s\n", what.c_str());
    ++failures;
}

std::uint64_t Bits(double x) {
    std::uint64_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    return bits;
}

std::string Hex(double x) {
    char text[64];
    std::snprintf(text, sizeof text, "%a", x);
    return text;
}

void CheckScan() {
    struct Case {
        const char* text;
        std::size_t consumed;
        double value;
    };
    const Case cases[] = {
        // text           consumed  value
        {"3.3",           3, 3.3},
        {" \t7x",         3, 7.0},
        {"3,3",           1, 3.0},
        {"1e3",           3, 1000.0},
        {"1d3",           3, 1000.0},
        {"1E+03",         5, 1000.0},
        {"1D3",           3, 1000.0},
        {"1.e2",          4, 100.0},
        {".5e1",          4, 5.0},
        {"1e-00005",      8, 0.00001},
        {"-4.5",          4, -4.5},
        {"+2",            2, 2.0},
        {"5.",            2, 5.0},
        {"007",           3, 7.0},
        {"1.5.3",         3, 1.5},
        {"12abc",         2, 12.0},
        {"1 000",         1, 1.0},
        {"1e",            1, 1.0},
        {"1e+",           1, 1.0},
        {"2e+x",          1, 2.0},
        {"2e 5",          1, 2.0},
        {"",              0, 0.0},
        {"abc",           0, 0.0},
        {".",             0, 0.0},
        {"-.",            0, 0.0},
        {"-",             0, 0.0},
        {"- 5",           0, 0.0},
        {"+-1",           0, 0.0},
        {"0x10",          1, 0.0},
        {"inf",           0, 0.0},
        {"-0",            2, -0.0},
        {"0e99",          4, 0.0},
        {"-0.000",        6, -0.0},
        {"1e400",         5, HUGE_VAL},
        {"-1e400",        6, -HUGE_VAL},
        {"1e-400",        6, 0.0},
        {"-1e-400",       7, -0.0},
        {"1e99999999999999999999", 22, HUGE_VAL},
        {"7e22",          4, 69999999999999995805696.0},  // halfway: the smaller magnitude
        {"1.#INF",        2, 1.0},
        {"-1.#IND",       3, -1.0},
    };
    for (const Case& c : cases) {
        const varnitz::ScannedNumber scanned = varnitz::ScanNumber(c.text, std::strlen(c.text));
        const double value = varnitz::NearestDouble(scanned).value;
        if (scanned.consumed != c.consumed || Bits(value) != Bits(c.value)) {
            Fail(std::string("scan \"") + c.text + "\": consumed " + std::to_string(scanned.consumed) + ", " +
                 Hex(value));
        }
    }
}

void CheckSixDigitText() {
    struct Case {
        double x;
        const char* text;
    };
    const Case cases[] = {
        {0.0, "0"}, {-0.0, "-0"}, {0.5, "0.5"}, {0.1, "0.1"}, {2.0 / 3.0, "0.666667"},
        {0.05, "5.e-002"}, {0.01, "1.e-002"}, {0.0099999, "9.9999e-003"}, {0.0001234, "1.234e-004"},
        {1.0, "1"}, {7.986, "7.986"}, {98.37777, "98.3778"}, {965.0646, "965.065"}, {12345.65, "12345.7"},
        {100000.0, "100000"}, {123456.7, "123457"}, {999999.4, "999999"}, {999999.5, "1000000"},
        {999999.6, "1000000"}, {std::nextafter(1e6, 0.0), "1000000"}, {1e6, "1.e+006"},
        {1234567.0, "1.23457e+006"}, {1650000.0, "1.65e+006"}, {9999995.0, "1.e+007"}, {99.99996, "100"},
        {0.9999996, "1"}, {0.099999996, "1.e-001"}, {0.1234565, "0.123457"}, {1.234565, "1.23456"},
        {1.000065, "1.00007"}, {0.2000005, "0.200001"}, {1e21, "1.e+021"}, {1e100, "1.e+100"},
        {1e-100, "1.e-100"}, {8.854e-12, "8.854e-012"}, {DBL_TRUE_MIN, "4.94066e-324"},
        {DBL_MAX, "1.79769e+308"}, {-4.5, "-4.5"}, {-0.05, "-5.e-002"}, {-123456.7, "-123457"},
        {-1234567.0, "-1.23457e+006"}, {-1.23456789e-100, "-1.23457e-100"}, {98.37777777777777, "98.3778"},
        {7.985999999999999, "7.986"}, {965.0646593321753, "965.065"}, {5e-7, "5.e-007"}, {50.0, "50"},
        {2000.0, "2000"}, {2.4, "2.4"}, {159235.66878980893, "159236"},
    };
    for (const Case& c : cases) {
        const std::string text = varnitz::SixDigitText(varnitz::ExactSeventeenDigitForms(c.x).front());
        if (text != c.text) Fail(Hex(c.x) + " gives \"" + text + "\", not \"" + c.text + "\"");
    }
    struct Special {
        std::uint64_t bits;
        const char* text;
    };
    const Special specials[] = {
        {0x7FF0000000000000ull, "1.#INF"},  {0xFFF0000000000000ull, "-1.#INF"},
        {0xFFF8000000000000ull, "-1.#IND"}, {0x7FF8000000000000ull, "1.#QNAN"},
        {0xFFF8000000000001ull, "-1.#QNAN"}, {0x7FF0000000000001ull, "1.#SNAN"},
        {0xFFF4000000000000ull, "-1.#SNAN"},
    };
    for (const Special& s : specials) {
        if (varnitz::SpecialText(s.bits) != s.text) Fail(std::string("special ") + s.text);
    }
}

// The exact decimal text of a long double (64 significant bits hold any midpoint of two doubles).
std::string ExactText(long double x) {
    // 800 significant digits hold the exact value of any such midpoint, subnormal ones included.
    static char text[1000];
    std::snprintf(text, sizeof text, "%.*Le", 800, x);
    return text;
}

// A text exactly halfway between `low` and the next double up, and texts a hair to either side.
void CheckHalfway(double low, double expectBelow, double expectTie, double expectAbove) {
    const long double ulp = low == DBL_MAX ? std::ldexp(1.0L, 971)
                                           : static_cast<long double>(std::nextafter(low, HUGE_VAL)) - low;
    const long double mid = low + ulp / 2;
    const long double near[] = {std::nextafterl(mid, 0.0L), mid, std::nextafterl(mid, HUGE_VALL)};
    const double expect[] = {expectBelow, expectTie, expectAbove};
    for (int i = 0; i < 3; ++i) {
        const std::string text = ExactText(near[i]);
        const double got = varnitz::ReferenceParse(text.data(), text.size());
        if (Bits(got) != Bits(expect[i])) Fail("halfway above " + Hex(low) + ", case " + std::to_string(i));
    }
}

void CheckAgainstGlibc() {
    CheckHalfway(0.0, 0.0, 0.0, DBL_TRUE_MIN);
    CheckHalfway(DBL_TRUE_MIN, DBL_TRUE_MIN, DBL_TRUE_MIN, 2 * DBL_TRUE_MIN);
    CheckHalfway(2 * DBL_TRUE_MIN, 2 * DBL_TRUE_MIN, 2 * DBL_TRUE_MIN, 3 * DBL_TRUE_MIN);
    const double largestSubnormal = std::nextafter(DBL_MIN, 0.0);
    CheckHalfway(largestSubnormal, largestSubnormal, largestSubnormal, DBL_MIN);
    CheckHalfway(DBL_MIN, DBL_MIN, DBL_MIN, std::nextafter(DBL_MIN, 1.0));
    CheckHalfway(DBL_MAX, DBL_MAX, DBL_MAX, HUGE_VAL);
    CheckHalfway(1.0, 1.0, 1.0, std::nextafter(1.0, 2.0));

    std::mt19937_64 random(20240611);
    for (int i = 0; i < 40000; ++i) {
        // Random decimal texts, short and long, over the whole range and past it.
        std::string text = (random() & 1) ? "-" : "";
        const int digits = 1 + static_cast<int>(random() % (i % 10 == 0 ? 60 : 20));
        for (int d = 0; d < digits; ++d) text += static_cast<char>('0' + random() % 10);
        text += "e" + std::to_string(static_cast<int>(random() % 700) - 360);
        const varnitz::ExactDouble exact = varnitz::NearestDouble(varnitz::ScanNumber(text.data(), text.size()));
        const double glibc = std::strtod(text.c_str(), nullptr);
        if (!exact.tie && Bits(exact.value) != Bits(glibc)) Fail("\"" + text + "\": " + Hex(exact.value));

        // Random doubles, and the midpoint above each: ties go to the smaller magnitude.
        const std::uint64_t bits = random() & 0x7FFFFFFFFFFFFFFFull;
        if ((bits >> 52) == 0x7FF) continue;
        double x;
        std::memcpy(&x, &bits, sizeof x);
        if (random() & 1) x = -x;
        const double next = std::nextafter(x, x < 0 ? -HUGE_VAL : HUGE_VAL);
        const std::string mid = ExactText((static_cast<long double>(x) + next) / 2);
        if (std::isfinite(next) && Bits(varnitz::ReferenceParse(mid.data(), mid.size())) != Bits(x)) {
            Fail("midpoint above " + Hex(x));
        }

        // The 17-digit form against printf's 17 significant digits, which agree but on a tie.
        char printed[64];
        std::snprintf(printed, sizeof printed, "%.16e", x);
        std::string shown = std::string(1, printed[x < 0 ? 1 : 0]) + std::string(printed + (x < 0 ? 3 : 2), 16);
        shown.erase(shown.find_last_not_of('0') + 1);
        const int point = std::atoi(std::strchr(printed, 'e') + 1) + 1;
        bool found = false;
        for (const varnitz::DigitForm& form : varnitz::ExactSeventeenDigitForms(x)) {
            found = found || (form.digits == shown && form.point == point && form.negative == (x < 0));
        }
        if (!found && x != 0) Fail(std::string("17-digit form of ") + printed);
    }
    // A double whose exact value has 18 digits ending in 5 has two 17-digit forms.
    if (varnitz::ExactSeventeenDigitForms(1125899906842624.25).size() != 2) Fail("17-digit halfway");
}

}  // namespace

int main() {
    CheckScan();
    CheckSixDigitText();
    CheckAgainstGlibc();
    if (failures != 0) {
        std::fprintf(stderr, "%d reference checks failed\n", failures);
        return 1;
    }
    std::printf("reference checks passed\n");
    return 0;
}
