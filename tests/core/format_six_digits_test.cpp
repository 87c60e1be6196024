// FormatSixDigits and the 17-digit form by their tables and edge cases.
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "exact_reference.h"
#include "varnitz/number_text.h"

namespace varnitz {
namespace {

using testref::Bits;
using testref::FromBits;

constexpr double kInf = std::numeric_limits<double>::infinity();

std::string Format(double x) {
    char buffer[kSixDigitsBufferSize + 8];
    std::memset(buffer, 'X', sizeof buffer);
    const int length = FormatSixDigits(x, buffer);
    EXPECT_EQ(buffer[length], '\0');
    EXPECT_EQ(static_cast<std::size_t>(length), std::strlen(buffer));
    EXPECT_LE(length, kSixDigitsMaxLength);
    EXPECT_EQ(buffer[kSixDigitsBufferSize], 'X') << "wrote past the buffer";
    return std::string(buffer, static_cast<std::size_t>(length));
}

struct FormatCase {
    const char* name;
    double x;
    const char* digits;
    int point;
    const char* text;
};

// The worked table: the 17-digit form (digits and point) and the text.
TEST(FormatSixDigitsTable, WorkedTable) {
    const double belowMillion = std::nextafter(1e6, 0.0);
    const std::vector<FormatCase> cases = {
        {"0", 0.0, "0", 0, "0"},
        {"-0", -0.0, "0", 0, "-0"},
        {"0.5", 0.5, "5", 0, "0.5"},
        {"0.1", 0.1, "10000000000000001", 0, "0.1"},
        {"2/3", 2.0 / 3.0, "66666666666666663", 0, "0.666667"},
        {"0.05", 0.05, "50000000000000003", -1, "5.e-002"},
        {"0.01", 0.01, "1", -1, "1.e-002"},
        {"0.0099999", 0.0099999, "99999000000000008", -2, "9.9999e-003"},
        {"0.0001234", 0.0001234, "12339999999999999", -3, "1.234e-004"},
        {"1", 1.0, "1", 1, "1"},
        {"7.986", 7.986, "79859999999999998", 1, "7.986"},
        {"98.37777", 98.37777, "98377769999999998", 2, "98.3778"},
        {"965.0646", 965.0646, "96506460000000004", 3, "965.065"},
        {"12345.65", 12345.65, "1234565", 5, "12345.7"},
        {"100000", 100000.0, "1", 6, "100000"},
        {"123456.7", 123456.7, "1234567", 6, "123457"},
        {"999999.4", 999999.4, "99999940000000002", 6, "999999"},
        {"999999.5", 999999.5, "9999995", 6, "1000000"},
        {"999999.6", 999999.6, "99999959999999998", 6, "1000000"},
        {"largest below 10^6", belowMillion, "99999999999999988", 6, "1000000"},
        {"10^6", 1e6, "1", 7, "1.e+006"},
        {"1234567", 1234567.0, "1234567", 7, "1.23457e+006"},
        {"1650000", 1650000.0, "165", 7, "1.65e+006"},
        {"9999995", 9999995.0, "9999995", 7, "1.e+007"},
        {"99.99996", 99.99996, "99999960000000002", 2, "100"},
        {"0.9999996", 0.9999996, "99999959999999999", 0, "1"},
        {"0.099999996", 0.099999996, "99999995999999994", -1, "1.e-001"},
        {"0.1234565", 0.1234565, "1234565", 0, "0.123457"},
        {"1.234565", 1.234565, "12345649999999999", 1, "1.23456"},
        {"1.000065", 1.000065, "1000065", 1, "1.00007"},
        {"0.2000005", 0.2000005, "2000005", 0, "0.200001"},
        {"10^21", 1e21, "1", 22, "1.e+021"},
        {"10^100", 1e100, "1", 101, "1.e+100"},
        {"10^-100", 1e-100, "1", -99, "1.e-100"},
        {"8.854e-12", 8.854e-12, "88539999999999992", -11, "8.854e-012"},
        {"2^-1074", std::numeric_limits<double>::denorm_min(), "49406564584124654", -323, "4.94066e-324"},
        {"DBL_MAX", DBL_MAX, "17976931348623157", 309, "1.79769e+308"},
        {"-4.5", -4.5, "45", 1, "-4.5"},
        {"-0.05", -0.05, "50000000000000003", -1, "-5.e-002"},
        {"-123456.7", -123456.7, "1234567", 6, "-123457"},
        {"-1234567", -1234567.0, "1234567", 7, "-1.23457e+006"},
        {"-1.23456789e-100", -1.23456789e-100, "12345678900000001", -99, "-1.23457e-100"},
    };
    for (const FormatCase& c : cases) {
        const SeventeenDigitForm form = MakeSeventeenDigitForm(c.x);
        EXPECT_STREQ(form.digits, c.digits) << c.name;
        EXPECT_EQ(form.length, static_cast<int>(std::strlen(c.digits))) << c.name;
        EXPECT_EQ(form.point, c.point) << c.name;
        EXPECT_EQ(form.negative, std::signbit(c.x)) << c.name;
        EXPECT_EQ(testref::CheckSeventeenDigitForm(c.x, form), "") << c.name;
        EXPECT_EQ(Format(c.x), c.text) << c.name;
    }
}

// The special texts, told apart by the bit pattern alone.
TEST(FormatSixDigitsTable, InfinitiesAndNans) {
    struct Special {
        std::uint64_t bits;
        const char* text;
    };
    const std::vector<Special> cases = {
        {0x7FF0000000000000u, "1.#INF"},
        {0xFFF0000000000000u, "-1.#INF"},
        {0xFFF8000000000000u, "-1.#IND"},   // the x86 default NaN: sign, only the quiet bit
        {0x7FF8000000000000u, "1.#QNAN"},   // sign clear, only the quiet bit
        {0xFFF8000000000001u, "-1.#QNAN"},
        {0x7FF8000000000001u, "1.#QNAN"},
        {0xFFFC000000000000u, "-1.#QNAN"},
        {0x7FFFFFFFFFFFFFFFu, "1.#QNAN"},
        {0xFFFFFFFFFFFFFFFFu, "-1.#QNAN"},
        {0x7FF0000000000001u, "1.#SNAN"},   // quiet bit clear
        {0xFFF0000000000001u, "-1.#SNAN"},
        {0x7FF4000000000000u, "1.#SNAN"},
        {0x7FF7FFFFFFFFFFFFu, "1.#SNAN"},
        {0xFFF7FFFFFFFFFFFFu, "-1.#SNAN"},
    };
    for (const Special& c : cases) {
        // Bits put into a local double: a double returned by a function comes back in an x87
        // register on 32-bit x86, which would quiet a signalling NaN on the way.
        double x;
        std::memcpy(&x, &c.bits, sizeof x);
        EXPECT_EQ(Format(x), c.text) << std::hex << c.bits;
    }
    // They have no 17-digit form; MakeSeventeenDigitForm gives them that of zero, with their sign.
    const SeventeenDigitForm inf = MakeSeventeenDigitForm(-kInf);
    EXPECT_STREQ(inf.digits, "0");
    EXPECT_EQ(inf.point, 0);
    EXPECT_TRUE(inf.negative);
    EXPECT_STREQ(MakeSeventeenDigitForm(FromBits(0x7FF8000000000000u)).digits, "0");
    EXPECT_EQ(Format(kInf), "1.#INF");
    EXPECT_EQ(Format(-kInf), "-1.#INF");
#if defined(__x86_64__) || defined(__i386__) || defined(_M_X64) || defined(_M_IX86)
    // 0 / 0 on x86 gives the default NaN.
    volatile double zero = 0.0;
    EXPECT_EQ(Format(zero / zero), "-1.#IND");
    EXPECT_EQ(Format(zero * kInf), "-1.#IND");
#endif
}

// The consequences listed after the steps, and the trailing zero rules of steps 8 and 9.
TEST(FormatSixDigitsTable, Consequences) {
    const std::vector<std::pair<double, const char*>> cases = {
        {0.05, "5.e-002"},
        {1650000.0, "1.65e+006"},
        {0.099999996, "1.e-001"},
        {9999995.0, "1.e+007"},
        {999999.6, "1000000"},
        {100000.0, "100000"},
        {1.0, "1"},
        {50.0, "50"},
        {10.0, "10"},
        {100.0, "100"},
        {0.1, "0.1"},
        {0.5, "0.5"},
        {0.0999999, "9.99999e-002"},
        {0.09999995, "1.e-001"},
        {0.12, "0.12"},
        {123.456, "123.456"},
        {123.4564, "123.456"},
        {123.4565, "123.457"},  // 17-digit form 12345650000000001
        {-0.123457, "-0.123457"},
        {1e-5, "1.e-005"},
        {1.5e-5, "1.5e-005"},
        {1e300, "1.e+300"},
        {-1e-300, "-1.e-300"},
        {2.5e-310, "2.5e-310"},  // subnormal, 17-digit form 25000000000000171
        {1e-323, "9.88131e-324"},
        {123456.0, "123456"},
        {12345.6, "12345.6"},
        {999999.0, "999999"},
        {999999.49, "999999"},
        {9.999995, "10"},
        {-9.999995, "-10"},
        {0.9999995, "1"},
    };
    for (const auto& c : cases) EXPECT_EQ(Format(c.first), c.second) << c.first;
}

// The material permittivities: the text written, and reading it back gives the value.
TEST(FormatSixDigitsTable, MaterialTableRoundTrip) {
    const std::vector<std::pair<double, const char*>> materials = {
        {2.0, "2"},   {5.0, "5"},    {2.4, "2.4"}, {3.5, "3.5"}, {100.0, "100"}, {2000.0, "2000"},
        {2.0, "2"},   {3.5, "3.5"},  {500.0, "500"}, {5.7, "5.7"}, {5.0, "5"}, {2.3, "2.3"},
        {4.5, "4.5"}, {81.0, "81"},  {2.2, "2.2"}, {4.6, "4.6"}, {27.0, "27"}, {2.0, "2"},
        {4.0, "4"},   {8.0, "8"},    {16.0, "16"}, {5.5, "5.5"}, {3.0, "3"}, {2.9, "2.9"},
    };
    for (const auto& m : materials) {
        const std::string text = Format(m.first);
        EXPECT_EQ(text, m.second);
        EXPECT_EQ(Bits(ParseDecimal(text.c_str())), Bits(m.first)) << text;
    }
    // The start results of the form.
    EXPECT_EQ(Format(98.37777), "98.3778");
    EXPECT_EQ(Format(7.986), "7.986");
    EXPECT_EQ(Format(965.0646), "965.065");
    EXPECT_EQ(Format(196.7555), "196.756");
}

// Halfway 17-digit forms: exact 18-digit expansions ending in 5. We take the smaller neighbour.
// Such doubles exist only between about 10^14 and 2^51 (x = m / 4 or m / 8), and the digit before
// the final 5 is always 2 or 7, so the choice never reaches the six-digit text.
TEST(SeventeenDigitForm, HalfwayTakesTheSmallerNeighbour) {
    const std::vector<FormatCase> cases = {
        {"10^15 + 1/4", 1000000000000000.25, "10000000000000002", 16, "1.e+015"},
        {"10^15 + 3/4", 1000000000000000.75, "10000000000000007", 16, "1.e+015"},
        {"1268004014894833.25", 1268004014894833.25, "12680040148948332", 16, "1.268e+015"},
        {"695714508801671.625", 695714508801671.625, "69571450880167162", 15, "6.95715e+014"},
        {"-695714508801671.625", -695714508801671.625, "69571450880167162", 15, "-6.95715e+014"},
    };
    for (const FormatCase& c : cases) {
        const SeventeenDigitForm form = MakeSeventeenDigitForm(c.x);
        bool halfway = false;
        EXPECT_EQ(testref::CheckSeventeenDigitForm(c.x, form, &halfway), "") << c.name;
        EXPECT_TRUE(halfway) << c.name;
        EXPECT_STREQ(form.digits, c.digits) << c.name;
        EXPECT_EQ(form.point, c.point) << c.name;
        EXPECT_EQ(Format(c.x), c.text) << c.name;
    }
}

// Every text: at most 13 characters, only the allowed characters, never a final ".", fixed form
// at most 9 characters; the zero and subnormal ends; random doubles of every exponent.
TEST(FormatSixDigitsTable, TextShapeOnRandomDoubles) {
    std::mt19937_64 random(20240611);
    for (int i = 0; i < 200000; ++i) {
        const double x = FromBits(random());
        const std::string text = Format(x);
        ASSERT_FALSE(text.empty());
        ASSERT_LE(text.size(), 13u) << text;
        ASSERT_NE(text.back(), '.') << text;
        if (std::isfinite(x)) {
            ASSERT_EQ(text.find_first_not_of("0123456789.-+e"), std::string::npos) << text;
            if (text.find('e') == std::string::npos) {
                ASSERT_LE(text.size(), 9u) << text;
            }
            ASSERT_EQ(text[0] == '-', std::signbit(x)) << text;
        } else {
            ASSERT_EQ(text.find_first_not_of("-1.#INFDQAS"), std::string::npos) << text;
        }
    }
}

}  // namespace
}  // namespace varnitz
