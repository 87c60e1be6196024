// The 34 child controls of the main window, and the form's access to the texts of the bound ones.
#pragma once

#include <windows.h>

#include "varnitz/form.h"

namespace varnitz {

// The control of each field, indexed by FieldId; a null handle where creation failed.
// Filled once by CreateFormControls, valid until the main window is destroyed.
extern HWND FieldControls[kFieldCount];

// Creates all controls in `window`, fills the material list and selects the default material.
void CreateFormControls(HWND window, HINSTANCE instance);

// The field whose control is `control`; false for frames, labels, null and foreign handles.
bool FieldOfControl(HWND control, FieldId* field);

// FieldAccess over FieldControls. A field without a control reads as empty and ignores writes.
class ControlFieldAccess final : public FieldAccess {
public:
    int FieldTextLength(FieldId field) override;
    void FieldText(FieldId field, char* buffer, int capacity) override;
    void SetFieldText(FieldId field, const char* text) override;
};

}  // namespace varnitz
