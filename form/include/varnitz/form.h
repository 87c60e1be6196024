// The form: its eleven fields, the host interface it reads and writes them through, and the
// controller that recomputes a result whenever one of its inputs changes. No platform header here.
#pragma once

namespace varnitz {

enum FieldId : int {
    VoltageField,
    CapacitanceField,
    FrequencyField,
    EnergyField,
    ReactanceField,
    SideAField,
    SideBField,
    ThicknessField,
    PermittivityField,
    PlateCapacitanceField,
    MaterialList,
};
constexpr int kFieldCount = 11;

enum class FieldRole { Input, Result, List };
enum class FieldEntry { DigitsOnly, AnyText, ReadOnly, ListChoice };

struct FieldInfo {
    FieldId id;
    FieldRole role;
    FieldEntry entry;       // what the user can type into it
    const char* label;      // static text left of the field; nullptr for the list
    const char* unit;       // static text right of the field; nullptr where there is none
    const char* startText;  // nullptr: a result, written at start; or the list, selected at start
};

// Indexed by FieldId.
extern const FieldInfo kFieldTable[kFieldCount];

// What the form needs from its host. A host over real controls calls OnFieldUpdated for a field
// before SetFieldText into it returns; the rules make that nested call harmless.
class FieldAccess {
public:
    // Characters in the field's text; for MaterialList the selected name's length, 0 for none.
    virtual int FieldTextLength(FieldId field) = 0;
    // At most capacity - 1 characters of the text, then a NUL.
    virtual void FieldText(FieldId field, char* buffer, int capacity) = 0;
    // Replaces an edit field's text. A host without that field's control does nothing.
    virtual void SetFieldText(FieldId field, const char* text) = 0;

protected:
    // Never deleted through this interface. Non-virtual, so that a host at namespace scope is
    // constant-initialized and needs no destructor registered at start-up.
    ~FieldAccess() = default;
};

// Holds only its host. Every value is read from text when a rule needs it.
class FormController {
public:
    constexpr explicit FormController(FieldAccess& access) : access_(access) {}

    void OnFieldUpdated(FieldId field);
    void OnMaterialSelected();
    void RecalculateAll();

    double ReadFieldValue(FieldId field);
    void WriteFieldValue(FieldId field, double value);

    FieldAccess& Access() { return access_; }

private:
    FieldAccess& access_;
};

}  // namespace varnitz
