#include "varnitz/form.h"

namespace varnitz {

constexpr FieldInfo kFieldTable[kFieldCount] = {
    // id                     role               entry                   label           unit    start text
    {VoltageField,          FieldRole::Input,  FieldEntry::DigitsOnly, "Напряжение:", "В",     "2200"},
    {CapacitanceField,      FieldRole::Input,  FieldEntry::AnyText,    "Емкость:",    "мкФ",   "3.3"},
    {FrequencyField,        FieldRole::Input,  FieldEntry::DigitsOnly, "Частота:",    "Гц",    "50"},
    {EnergyField,           FieldRole::Result, FieldEntry::ReadOnly,   "Энергия:",    "Дж",    nullptr},
    {ReactanceField,        FieldRole::Result, FieldEntry::ReadOnly,   "Xc:",         "Ом",    nullptr},
    {SideAField,            FieldRole::Input,  FieldEntry::DigitsOnly, "a =",         "мм",    "100"},
    {SideBField,            FieldRole::Input,  FieldEntry::DigitsOnly, "b =",         "мм",    "100"},
    {ThicknessField,        FieldRole::Input,  FieldEntry::AnyText,    "d =",         "мм",    "4.5"},
    {PermittivityField,     FieldRole::Input,  FieldEntry::AnyText,    "epsilon:",    nullptr, "5"},
    {PlateCapacitanceField, FieldRole::Result, FieldEntry::ReadOnly,   "C =",         "пФ",    nullptr},
    {MaterialList,          FieldRole::List,   FieldEntry::ListChoice, nullptr,       nullptr, nullptr},
};

}  // namespace varnitz
