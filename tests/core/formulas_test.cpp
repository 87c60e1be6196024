// The formulas against their worked results, bit for bit, and against the operation order.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include <gtest/gtest.h>

#include "varnitz/formulas.h"

namespace varnitz {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

std::uint64_t Bits(double x) {
    std::uint64_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    return bits;
}

// The default NaN of x86 for invalid operations: sign set, only the quiet bit in the fraction.
constexpr std::uint64_t kDefaultNanBits = 0xFFF8000000000000u;

enum class Formula { Plate, Energy, Reactance };

struct FormulaCase {
    const char* name;
    Formula formula;
    double in[4];  // plate: a, b, d, eps; energy: U, C; reactance: f, C
    double expected;
};

double Evaluate(const FormulaCase& c) {
    switch (c.formula) {
        case Formula::Plate: return PlateCapacitancePf(c.in[0], c.in[1], c.in[2], c.in[3]);
        case Formula::Energy: return StoredEnergyJ(c.in[0], c.in[1]);
        case Formula::Reactance: return CapacitiveReactanceOhm(c.in[0], c.in[1]);
    }
    return 0;
}

TEST(Formulas, WorkedResultsBitForBit) {
    const FormulaCase cases[] = {
        // name                  formula             inputs                    expected
        {"plate start",          Formula::Plate,     {100, 100, 4.5, 5},       98.37777777777777},
        {"plate eps 10",         Formula::Plate,     {100, 100, 4.5, 10},      196.75555555555553},
        {"plate eps 81",         Formula::Plate,     {100, 100, 4.5, 81},      1593.7200000000003},
        {"plate eps 2000",       Formula::Plate,     {100, 100, 4.5, 2000},    39351.11111111112},
        {"plate eps 0",          Formula::Plate,     {100, 100, 4.5, 0},       0.0},
        {"plate eps -5",         Formula::Plate,     {100, 100, 4.5, -5},      -98.37777777777777},
        {"plate d -4.5",         Formula::Plate,     {100, 100, -4.5, 5},      -98.37777777777777},
        {"plate d 0",            Formula::Plate,     {100, 100, 0, 5},         kInf},
        {"energy start",         Formula::Energy,    {2200, 3.3},              7.985999999999999},
        {"energy C 0",           Formula::Energy,    {2200, 0},                0.0},
        {"energy C -3.3",        Formula::Energy,    {2200, -3.3},             -7.985999999999999},
        {"energy U 1e6",         Formula::Energy,    {1000000, 3.3},           1650000.0},
        {"energy U 1 C 1",       Formula::Energy,    {1, 1},                   5e-7},
        {"energy C -0",          Formula::Energy,    {2200, -0.0},             -0.0},
        {"reactance start",      Formula::Reactance, {50, 3.3},                965.0646593321753},
        {"reactance C 0",        Formula::Reactance, {50, 0},                  kInf},
        {"reactance f 0",        Formula::Reactance, {0, 3.3},                 kInf},
        {"reactance C -3.3",     Formula::Reactance, {50, -3.3},               -965.0646593321753},
        {"reactance C -0",       Formula::Reactance, {50, -0.0},               -kInf},
        {"reactance f 1 C 1",    Formula::Reactance, {1, 1},                   159235.66878980893},
        // Plain double range: the intermediate C * 1e-6 * U overflows although the energy would not.
        {"energy wide range",    Formula::Energy,    {1000000, 2e302},         kInf},
    };
    for (const FormulaCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Bits(Evaluate(c)), Bits(c.expected)) << Evaluate(c);
    }
}

TEST(Formulas, InvalidOperationsGiveTheDefaultNan) {
    // 0 * ... / 0: the plate with a = 0 and d = 0 divides zero by zero.
    EXPECT_EQ(Bits(PlateCapacitancePf(0, 100, 0, 5)), kDefaultNanBits);
    // inf * 0 in the energy.
    EXPECT_EQ(Bits(StoredEnergyJ(kInf, 0)), kDefaultNanBits);
}

// The order of the steps is the definition: a regrouping changes the last bits.
// Each reference here is written step by step independently; the regrouped forms must differ
// somewhere over a sweep, which proves the sweep can see the order.
TEST(Formulas, OperationOrderIsTheWrittenOne) {
    int plateDiffers = 0;
    int energyDiffers = 0;
    for (int i = 1; i <= 2000; ++i) {
        const double a = i * 0.37;
        const double b = 1000.0 / i;
        const double d = 0.1 + i * 0.013;
        const double eps = 1.0 + i * 0.7;
        volatile double t1 = b * a;
        volatile double t2 = t1 / 1000000.0;
        volatile double t3 = eps * 8.854e-12;
        volatile double t4 = t2 * t3;
        volatile double t5 = d / 1000.0;
        volatile double t6 = t4 / t5;
        const double plate = t6 * 1e12;
        ASSERT_EQ(Bits(PlateCapacitancePf(a, b, d, eps)), Bits(plate)) << i;
        const double folded = a * b * eps * 8.854e-6 / d;
        plateDiffers += Bits(folded) != Bits(plate);

        const double u = i * 3.7;
        const double c = 1.0 / i;
        volatile double e1 = c * 1e-6;
        volatile double e2 = e1 * u;
        volatile double e3 = e2 * u;
        const double energy = e3 * 0.5;
        ASSERT_EQ(Bits(StoredEnergyJ(u, c)), Bits(energy)) << i;
        volatile double uu = u * u;
        energyDiffers += Bits(uu * c * 1e-6 * 0.5) != Bits(energy);

        const double f = i * 1.1;
        volatile double r1 = f * 6.28;
        volatile double r2 = c * r1;
        volatile double r3 = r2 * 1e-6;
        ASSERT_EQ(Bits(CapacitiveReactanceOhm(f, c)), Bits(1.0 / r3)) << i;
    }
    EXPECT_GT(plateDiffers, 0);
    EXPECT_GT(energyDiffers, 0);
}

}  // namespace
}  // namespace varnitz
