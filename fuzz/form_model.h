// A small model of the form for the fuzz target, written from the rules and not from the
// controller: the eleven texts, and the host calls that each action must cause, in order.
// Inputs are read with the exact reference parser; results are formatted with FormatSixDigits,
// which fuzz_format_six_digits checks on its own.
#pragma once

#include <string>
#include <vector>

#include "string_host.h"
#include "varnitz/form.h"

namespace varnitz {

struct FormModel {
    bool reportsWrites;
    std::string texts[kFieldCount];
    std::vector<HostEvent> expected;  // since the last check
};

// The texts the form starts with: the start texts, empty results, the default material.
FormModel StartModel(bool reportsWrites);
void ModelRecalculateAll(FormModel& model);
void ModelType(FormModel& model, FieldId field, const std::string& text);
void ModelSelect(FormModel& model, const std::string& name);

}  // namespace varnitz
