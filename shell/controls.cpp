#include "controls.h"

#include "varnitz/materials.h"

namespace varnitz {

HWND FieldControls[kFieldCount] = {};

namespace {

constexpr DWORD kOuterFrame = WS_CHILD | WS_VISIBLE | BS_GROUPBOX | BS_RIGHT;  // caption on the right
constexpr DWORD kInnerFrame = WS_CHILD | WS_VISIBLE | BS_GROUPBOX;
constexpr DWORD kLabel = WS_CHILD | WS_VISIBLE | SS_LEFT;
constexpr DWORD kDigitsInput = WS_CHILD | WS_VISIBLE | ES_NUMBER | ES_AUTOHSCROLL | ES_RIGHT;
constexpr DWORD kTextInput = WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL | ES_RIGHT;
constexpr DWORD kDigitsResult = WS_CHILD | WS_VISIBLE | ES_NUMBER | ES_READONLY | ES_AUTOHSCROLL | ES_RIGHT;
constexpr DWORD kTextResult = WS_CHILD | WS_VISIBLE | ES_READONLY | ES_AUTOHSCROLL | ES_RIGHT;
constexpr DWORD kDropDownList = WS_CHILD | WS_VISIBLE | WS_VSCROLL | CBS_DROPDOWNLIST;
static_assert(kOuterFrame == 0x50000207 && kInnerFrame == 0x50000007 && kLabel == 0x50000000, "");
static_assert(kDigitsInput == 0x50002082 && kTextInput == 0x50000082, "");
static_assert(kDigitsResult == 0x50002882 && kTextResult == 0x50000882 && kDropDownList == 0x50200003, "");

constexpr int kUnbound = -1;  // frames and labels
constexpr int kListId = 1;    // the only control with an identifier; controls are told apart by handle

struct ControlRow {
    const char* className;
    const char* text;  // nullptr: no text
    DWORD style;
    int x, y, width, height;
    int id;
    int field;  // FieldId, or kUnbound
};

// Creation order is also the z-order, first on top. The list comes last although it stands
// between the rows of d and epsilon.
constexpr ControlRow kControls[] = {
    // class     text                                         style          x    y    w    h   id       field
    {"Button",   "Энергия заряда и реактивное сопротивление", kOuterFrame,   5,   20,  415, 130, 0,       kUnbound},
    {"Static",   "Напряжение:",                               kLabel,        15,  50,  100, 20,  0,       kUnbound},
    {"Edit",     "2200",                                      kDigitsInput,  110, 50,  50,  18,  0,       VoltageField},
    {"Static",   "В",                                         kLabel,        165, 50,  30,  20,  0,       kUnbound},
    {"Static",   "Емкость:",                                  kLabel,        15,  80,  100, 20,  0,       kUnbound},
    {"Edit",     "3.3",                                       kTextInput,    110, 80,  50,  18,  0,       CapacitanceField},
    {"Static",   "мкФ",                                       kLabel,        165, 80,  30,  20,  0,       kUnbound},
    {"Static",   "Частота:",                                  kLabel,        15,  110, 100, 20,  0,       kUnbound},
    {"Edit",     "50",                                        kDigitsInput,  110, 110, 50,  18,  0,       FrequencyField},
    {"Static",   "Гц",                                        kLabel,        165, 110, 30,  20,  0,       kUnbound},
    {"Static",   "Энергия:",                                  kLabel,        235, 65,  100, 20,  0,       kUnbound},
    {"Edit",     nullptr,                                     kDigitsResult, 300, 65,  80,  18,  0,       EnergyField},
    {"Static",   "Дж",                                        kLabel,        385, 65,  30,  20,  0,       kUnbound},
    {"Static",   "Xc:",                                       kLabel,        235, 95,  100, 20,  0,       kUnbound},
    {"Edit",     nullptr,                                     kDigitsResult, 300, 95,  80,  18,  0,       ReactanceField},
    {"Static",   "Ом",                                        kLabel,        385, 95,  30,  20,  0,       kUnbound},
    {"Button",   "Плоский конденсатор",                       kOuterFrame,   5,   170, 415, 280, 0,       kUnbound},
    {"Button",   "Полезная площадь",                          kInnerFrame,   10,  195, 150, 90,  0,       kUnbound},
    {"Static",   "a =",                                       kLabel,        15,  225, 25,  20,  0,       kUnbound},
    {"Edit",     "100",                                       kDigitsInput,  45,  225, 50,  18,  0,       SideAField},
    {"Static",   "мм",                                        kLabel,        100, 225, 20,  20,  0,       kUnbound},
    {"Static",   "b =",                                       kLabel,        15,  255, 25,  20,  0,       kUnbound},
    {"Edit",     "100",                                       kDigitsInput,  45,  255, 50,  18,  0,       SideBField},
    {"Static",   "мм",                                        kLabel,        100, 255, 20,  20,  0,       kUnbound},
    {"Button",   "Диэлектрик",                                kInnerFrame,   10,  295, 150, 110, 0,       kUnbound},
    {"Static",   "d =",                                       kLabel,        15,  325, 25,  20,  0,       kUnbound},
    {"Edit",     "4.5",                                       kTextInput,    45,  325, 50,  18,  0,       ThicknessField},
    {"Static",   "мм",                                        kLabel,        100, 325, 20,  20,  0,       kUnbound},
    {"Static",   "epsilon:",                                  kLabel,        15,  380, 100, 20,  0,       kUnbound},
    {"Edit",     "5",                                         kTextInput,    100, 380, 50,  18,  0,       PermittivityField},
    {"Static",   "C =",                                       kLabel,        15,  425, 25,  20,  0,       kUnbound},
    {"Edit",     nullptr,                                     kTextResult,   45,  425, 90,  18,  0,       PlateCapacitanceField},
    {"Static",   "пФ",                                        kLabel,        140, 425, 22,  20,  0,       kUnbound},
    {"ComboBox", nullptr,                                     kDropDownList, 15,  350, 135, 20,  kListId, MaterialList},
};
constexpr int kControlCount = sizeof kControls / sizeof kControls[0];
static_assert(kControlCount == 34, "four frames, nineteen labels, ten fields and the list");

constexpr const char* kDefaultMaterial = "Стекло";  // a prefix search: finds index 10 before 21

RECT RectOf(const ControlRow& row) {
    return RECT{row.x, row.y, row.x + row.width, row.y + row.height};
}

bool IsLabel(const ControlRow& row) {
    return row.field == kUnbound && row.style == kLabel;
}

bool OverlapsField(const ControlRow& label) {
    for (const ControlRow& other : kControls) {
        RECT shared;
        const RECT a = RectOf(label), b = RectOf(other);
        if (other.field != kUnbound && IntersectRect(&shared, &a, &b)) return true;
    }
    return false;
}

WNDPROC StaticProc = nullptr;  // the labels' own class procedure

// Some labels are wider than the gap before their field and reach under it. Neither window has
// WS_CLIPSIBLINGS, so whichever paints last owns the shared strip, and a static fills its whole
// rectangle with the background brush: a label repainted on its own (Windows repaints statics when
// Alt shows the keyboard cues) would wipe the start of the field's text. Taking the strip out of
// the label's update region before the static paints clips its BeginPaint to the rest, whatever
// the order of painting; class, style, place and size stay as they are. A window region would do
// the same on Windows, but Wine ignores the regions of child windows.
LRESULT CALLBACK OverlappingLabelProc(HWND label, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
        RECT labelRect;
        GetWindowRect(label, &labelRect);  // no border: the window's corner is the client origin
        for (HWND field : FieldControls) {
            RECT fieldRect, shared;
            if (!field || !GetWindowRect(field, &fieldRect) || !IntersectRect(&shared, &labelRect, &fieldRect)) continue;
            OffsetRect(&shared, -labelRect.left, -labelRect.top);
            ValidateRect(label, &shared);
        }
    }
    return CallWindowProcA(StaticProc, label, message, wParam, lParam);
}

}  // namespace

void CreateFormControls(HWND window, HINSTANCE instance) {
    for (const ControlRow& c : kControls) {
        HWND control = CreateWindowExA(0, c.className, c.text, c.style, c.x, c.y, c.width, c.height, window,
                                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)), instance, nullptr);
        if (c.field != kUnbound) FieldControls[c.field] = control;
        if (control && IsLabel(c) && OverlapsField(c)) {
            StaticProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
                control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(OverlappingLabelProc)));
        }
    }

    HWND list = FieldControls[MaterialList];
    for (const DielectricMaterial& material : DielectricTable) {
        SendMessageA(list, CB_INSERTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(material.name));
    }
    // Selecting here sends no CBN_SELCHANGE: the permittivity field keeps its start text "5".
    SendMessageA(list, CB_SELECTSTRING, 0, reinterpret_cast<LPARAM>(kDefaultMaterial));
}

bool FieldOfControl(HWND control, FieldId* field) {
    if (!control) return false;  // a failed control's null entry must not match a command without one
    for (int i = 0; i < kFieldCount; ++i) {
        if (FieldControls[i] == control) {
            *field = static_cast<FieldId>(i);
            return true;
        }
    }
    return false;
}

int ControlFieldAccess::FieldTextLength(FieldId field) {
    HWND control = FieldControls[field];
    return control ? GetWindowTextLengthA(control) : 0;
}

void ControlFieldAccess::FieldText(FieldId field, char* buffer, int capacity) {
    if (capacity <= 0) return;
    buffer[0] = '\0';  // GetWindowTextA leaves the buffer alone when it fails
    HWND control = FieldControls[field];
    if (control) GetWindowTextA(control, buffer, capacity);
}

void ControlFieldAccess::SetFieldText(FieldId field, const char* text) {
    HWND control = FieldControls[field];
    if (control) SetWindowTextA(control, text);
}

}  // namespace varnitz
