#include "form_model.h"

#include "exact_number_text.h"
#include "varnitz/formulas.h"
#include "varnitz/materials.h"
#include "varnitz/number_text.h"

namespace varnitz {
namespace {

constexpr int kMaterialNameCapacity = 260;

enum class Quantity { Plate, Energy, Reactance };

struct ModelRule {
    Quantity quantity;
    std::vector<FieldId> triggers;
    std::vector<FieldId> guards;  // asked in order, up to the first empty one
    std::vector<FieldId> inputs;  // read in order
    FieldId result;
};

const std::vector<ModelRule>& Rules() {
    static const std::vector<ModelRule> rules = {
        {Quantity::Plate,
         {SideAField, SideBField, ThicknessField, MaterialList},
         {SideAField, SideBField, ThicknessField, MaterialList},
         {SideAField, SideBField, ThicknessField, PermittivityField},
         PlateCapacitanceField},
        {Quantity::Energy, {VoltageField, CapacitanceField}, {VoltageField, CapacitanceField},
         {VoltageField, CapacitanceField}, EnergyField},
        {Quantity::Reactance, {FrequencyField, CapacitanceField}, {FrequencyField, CapacitanceField},
         {FrequencyField, CapacitanceField}, ReactanceField},
    };
    return rules;
}

void Expect(FormModel& model, HostEvent::Kind kind, FieldId field, const std::string& text, int depth,
            int capacity) {
    model.expected.push_back({kind, field, text, depth, capacity});
}

int Length(FormModel& model, FieldId field) {
    Expect(model, HostEvent::Length, field, "", 0, 0);
    return static_cast<int>(model.texts[field].size());
}

// The whole text is asked for and read up to its first NUL.
double Read(FormModel& model, FieldId field) {
    const int length = Length(model, field);
    Expect(model, HostEvent::Text, field, "", 0, length + 1);
    return ReferenceParse(model.texts[field].data(), static_cast<std::size_t>(length));
}

// A host over real controls reports the write as one update of that field, which runs nothing.
void Write(FormModel& model, FieldId field, double value) {
    char text[kSixDigitsBufferSize] = {};
    FormatSixDigits(value, text);
    Expect(model, HostEvent::Set, field, text, 0, 0);
    model.texts[field] = text;
    if (model.reportsWrites) Expect(model, HostEvent::Update, field, "", 1, 0);
}

void Update(FormModel& model, FieldId field) {
    for (const ModelRule& rule : Rules()) {
        bool triggered = false;
        for (FieldId trigger : rule.triggers) triggered = triggered || trigger == field;
        if (!triggered) continue;
        bool guarded = true;
        for (FieldId guard : rule.guards) {
            if (Length(model, guard) == 0) {
                guarded = false;
                break;
            }
        }
        if (!guarded) continue;
        std::vector<double> in;
        for (FieldId input : rule.inputs) in.push_back(Read(model, input));
        double result = 0.0;
        switch (rule.quantity) {
            case Quantity::Plate: result = PlateCapacitancePf(in[0], in[1], in[2], in[3]); break;
            case Quantity::Energy: result = StoredEnergyJ(in[0], in[1]); break;
            case Quantity::Reactance: result = CapacitiveReactanceOhm(in[0], in[1]); break;
        }
        Write(model, rule.result, result);
    }
}

}  // namespace

FormModel StartModel(bool reportsWrites) {
    FormModel model;
    model.reportsWrites = reportsWrites;
    const char* const start[kFieldCount] = {"2200", "3.3", "50", "", "", "100", "100", "4.5", "5", "", ""};
    for (int i = 0; i < kFieldCount; ++i) model.texts[i] = start[i];
    model.texts[MaterialList] = DielectricTable[kDefaultMaterialIndex].name;
    return model;
}

void ModelRecalculateAll(FormModel& model) {
    Update(model, SideAField);
    Update(model, CapacitanceField);
}

void ModelType(FormModel& model, FieldId field, const std::string& text) {
    model.texts[field] = text;
    Update(model, field);
}

void ModelSelect(FormModel& model, const std::string& name) {
    model.texts[MaterialList] = name;
    // The name as the 260-byte buffer holds it, compared with every row: at most one matches.
    Expect(model, HostEvent::Text, MaterialList, "", 0, kMaterialNameCapacity);
    std::string shown = name.substr(0, kMaterialNameCapacity - 1);
    shown = shown.substr(0, shown.find('\0'));
    for (const DielectricMaterial& material : DielectricTable) {
        if (shown == material.name) Write(model, PermittivityField, material.permittivity);
    }
    Update(model, MaterialList);
}

}  // namespace varnitz
