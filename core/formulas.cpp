#include "varnitz/formulas.h"

namespace varnitz {
namespace {

constexpr double kVacuumPermittivity = 8.854e-12;  // F/m, to four digits
constexpr double kSquareMmPerSquareM = 1000000.0;
constexpr double kMmPerM = 1000.0;
constexpr double kPfPerF = 1e12;
constexpr double kFPerUf = 1e-6;
constexpr double kHalf = 0.5;
constexpr double kTwoPi = 6.28;  // deliberately 6.28, not 6.283185...: the shown results depend on it

}  // namespace

// Each step is its own statement so that no compiler and no reader regroups them.
double PlateCapacitancePf(double a, double b, double d, double permittivity) {
    const double area_mm2 = b * a;
    const double area_m2 = area_mm2 / kSquareMmPerSquareM;
    const double permittivity_f_per_m = permittivity * kVacuumPermittivity;
    const double product = area_m2 * permittivity_f_per_m;
    const double thickness_m = d / kMmPerM;
    const double farads = product / thickness_m;
    return farads * kPfPerF;
}

double StoredEnergyJ(double voltage, double capacitance) {
    const double farads = capacitance * kFPerUf;
    const double charge = farads * voltage;
    const double twice_energy = charge * voltage;
    return twice_energy * kHalf;
}

double CapacitiveReactanceOhm(double frequency, double capacitance) {
    const double angular = frequency * kTwoPi;
    const double product = capacitance * angular;
    const double siemens = product * kFPerUf;
    return 1.0 / siemens;
}

}  // namespace varnitz
