// The fixed table of dielectric materials, in the list's order, and the reaction to a selection.
#pragma once

#include "varnitz/form.h"

namespace varnitz {

struct DielectricMaterial {
    const char* name;     // exactly as the list shows it, Windows-1251
    double permittivity;  // relative, without unit
};

constexpr int kDielectricCount = 24;
extern const DielectricMaterial DielectricTable[kDielectricCount];

constexpr int kDefaultMaterialIndex = 10;  // "Стекло", 5: agrees with the permittivity field's start text

// Writes the permittivity of the material selected in MaterialList into PermittivityField, when the
// selected name is exactly one of the table's names; otherwise writes nothing.
void ApplyMaterialPermittivity(FormController& form);

}  // namespace varnitz
