#include "main_window.h"

#include "controls.h"
#include "paint.h"
#include "varnitz/form.h"

namespace varnitz {

HINSTANCE ProgramInstance = nullptr;

namespace {

// The window's outer size; with classic frames it leaves a client area of about 424 by 455.
constexpr int kOuterWidth = 430;
constexpr int kOuterHeight = 480;
// The layout reaches to x 420 and y 450 of the client area.
constexpr int kLayoutWidth = 420;
constexpr int kLayoutHeight = 450;

ControlFieldAccess Access;
FormController Form(Access);

LRESULT OnCreate(HWND window) {
    CreateFormControls(window, ProgramInstance);
    Form.RecalculateAll();  // after the list has its default, so the plate capacitance is computed too
    return 0;
}

LRESULT OnDestroy() {
    PostQuitMessage(0);
    return 0;
}

LRESULT OnPaint(HWND window) {
    PaintPlatePicture(window, ProgramInstance);
    return 0;
}

// Controls are recognised by handle alone; the identifier in LOWORD(wParam) is never read.
LRESULT OnCommand(WPARAM wParam, LPARAM lParam) {
    HWND control = reinterpret_cast<HWND>(lParam);
    const WORD code = HIWORD(wParam);
    FieldId field;
    if (code == CBN_SELCHANGE && control && control == FieldControls[MaterialList]) {
        Form.OnMaterialSelected();
    } else if (code == EN_UPDATE && FieldOfControl(control, &field)) {
        Form.OnFieldUpdated(field);
    }
    return 0;  // every other notification, EN_CHANGE included, is dropped
}

}  // namespace

SIZE MainWindowSize() {
    // Thick frames (Windows 10 and later) would cut off the right and bottom of the layout at the
    // fixed outer size; grow just enough there, and keep 430 by 480 wherever that already fits.
    RECT outer = {0, 0, kLayoutWidth, kLayoutHeight};
    AdjustWindowRectEx(&outer, kMainWindowStyle, FALSE, 0);
    const int width = outer.right - outer.left;
    const int height = outer.bottom - outer.top;
    return SIZE{width > kOuterWidth ? width : kOuterWidth, height > kOuterHeight ? height : kOuterHeight};
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE: return OnCreate(window);
        case WM_DESTROY: return OnDestroy();
        case WM_PAINT: return OnPaint(window);
        case WM_COMMAND: return OnCommand(wParam, lParam);
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace varnitz
