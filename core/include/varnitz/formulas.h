// The three capacitor formulas, in the units the form shows.
//
// Each is plain IEEE double arithmetic, rounded to nearest, in exactly the order written in
// formulas.cpp; regrouping any step changes the last bits and now and then the sixth digit shown.
// Any input is accepted: zero, negative, infinite and NaN inputs give whatever the arithmetic gives.
#pragma once

namespace varnitz {

// a, b and d in millimetres, permittivity without unit -> picofarads.
double PlateCapacitancePf(double a, double b, double d, double permittivity);

// voltage in volts, capacitance in microfarads -> joules.
double StoredEnergyJ(double voltage, double capacitance);

// frequency in hertz, capacitance in microfarads -> ohms, with 6.28 standing for 2 pi.
double CapacitiveReactanceOhm(double frequency, double capacitance);

}  // namespace varnitz
