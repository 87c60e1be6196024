#include <cstdlib>

#include "varnitz/formulas.h"
#include "varnitz/materials.h"
#include "varnitz/number_text.h"

namespace varnitz {
namespace {

enum class Formula { PlateCapacitance, StoredEnergy, CapacitiveReactance };

constexpr int kMaxRuleFields = 4;
constexpr int kMaxTextLength = 0x7FFFFFFE;  // so that length + 1 still fits the host's int capacity
constexpr int kFallbackLength = 255;

struct Rule {
    Formula formula;
    FieldId triggers[kMaxRuleFields];
    int triggerCount;
    FieldId guards[kMaxRuleFields];  // each must hold text, asked in this order
    int guardCount;
    FieldId inputs[kMaxRuleFields];  // read in this order, passed to the formula in this order
    int inputCount;
    FieldId result;
};

// Tried in this order on every update. No result field and not PermittivityField is a trigger:
// a rule's own write (reported back by the host) must not run a rule again.
constexpr Rule kRules[] = {
    {Formula::PlateCapacitance,
     {SideAField, SideBField, ThicknessField, MaterialList}, 4,
     {SideAField, SideBField, ThicknessField, MaterialList}, 4,  // the list, not the permittivity
     {SideAField, SideBField, ThicknessField, PermittivityField}, 4,
     PlateCapacitanceField},
    {Formula::StoredEnergy,
     {VoltageField, CapacitanceField}, 2,
     {VoltageField, CapacitanceField}, 2,
     {VoltageField, CapacitanceField}, 2,
     EnergyField},
    {Formula::CapacitiveReactance,
     {FrequencyField, CapacitanceField}, 2,
     {FrequencyField, CapacitanceField}, 2,
     {FrequencyField, CapacitanceField}, 2,
     ReactanceField},
};

bool IsTrigger(const Rule& rule, FieldId field) {
    for (int i = 0; i < rule.triggerCount; ++i) {
        if (rule.triggers[i] == field) return true;
    }
    return false;
}

double Compute(Formula formula, const double* in) {
    switch (formula) {
        case Formula::PlateCapacitance: return PlateCapacitancePf(in[0], in[1], in[2], in[3]);
        case Formula::StoredEnergy: return StoredEnergyJ(in[0], in[1]);
        case Formula::CapacitiveReactance: return CapacitiveReactanceOhm(in[0], in[1]);
    }
    return 0.0;
}

}  // namespace

void FormController::OnFieldUpdated(FieldId field) {
    for (const Rule& rule : kRules) {
        if (!IsTrigger(rule, field)) continue;
        bool guarded = true;
        for (int i = 0; i < rule.guardCount && guarded; ++i) {
            guarded = access_.FieldTextLength(rule.guards[i]) != 0;
        }
        if (!guarded) continue;  // the result keeps its text
        double in[kMaxRuleFields] = {};
        for (int i = 0; i < rule.inputCount; ++i) {
            in[i] = ReadFieldValue(rule.inputs[i]);
        }
        WriteFieldValue(rule.result, Compute(rule.formula, in));
    }
}

void FormController::OnMaterialSelected() {
    ApplyMaterialPermittivity(*this);
    OnFieldUpdated(MaterialList);
}

void FormController::RecalculateAll() {
    OnFieldUpdated(SideAField);
    OnFieldUpdated(CapacitanceField);
}

double FormController::ReadFieldValue(FieldId field) {
    // The buffer is sized to the whole text: nothing limits a field's length, and a long text
    // still reads as the number it begins with.
    int length = access_.FieldTextLength(field);
    if (length < 0) length = 0;
    if (length > kMaxTextLength) length = kMaxTextLength;
    const std::size_t capacity = static_cast<std::size_t>(length) + 1;
    char* text = static_cast<char*>(std::calloc(capacity, 1));
    if (text == nullptr) {
        // No memory for a giant text: read its beginning, which gives the same number unless
        // the number itself runs past it.
        char beginning[kFallbackLength + 1] = {};
        access_.FieldText(field, beginning, kFallbackLength + 1);
        return ParseDecimal(beginning, kFallbackLength).value;
    }
    access_.FieldText(field, text, static_cast<int>(capacity));
    text[capacity - 1] = '\0';
    const double value = ParseDecimal(text, capacity - 1).value;
    std::free(text);
    return value;
}

void FormController::WriteFieldValue(FieldId field, double value) {
    char text[kSixDigitsBufferSize] = {};
    FormatSixDigits(value, text);
    access_.SetFieldText(field, text);
}

}  // namespace varnitz
