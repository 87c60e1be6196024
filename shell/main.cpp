// Dorvel.exe: registers the main window's class, creates the window and runs the message loop.
#include <windows.h>
#include <commctrl.h>

#include "main_window.h"

namespace {

constexpr int kProgramIconId = 1;  // icon group; LoadIconA picks the standard size from it

// Arithmetic goes through SSE2, but whatever still runs on the x87 (the C runtime's maths, doubles
// returned in st(0)) must round as the 64-bit and native builds do. The x87 state at start is the
// loader's and the runtime's choice, so it is set here: 53-bit precision, round to nearest, every
// exception masked so that a division by zero gives an infinity instead of a trap.
void UseDoublePrecision() {
#if defined(__i386__)
    const unsigned short kDoubleControlWord = 0x027F;
    __asm__ volatile("fldcw %0" : : "m"(kDoubleControlWord));
#endif
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    varnitz::ProgramInstance = instance;
    UseDoublePrecision();

    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_DBLCLKS;  // no CS_HREDRAW/CS_VREDRAW: the window never changes size
    windowClass.lpfnWndProc = varnitz::MainWindowProc;
    windowClass.cbClsExtra = 0;
    windowClass.cbWndExtra = 0;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(kProgramIconId));
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszMenuName = nullptr;
    windowClass.lpszClassName = varnitz::kMainWindowClass;
    windowClass.hIconSm = LoadIconA(instance, MAKEINTRESOURCEA(kProgramIconId));
    if (!RegisterClassExA(&windowClass)) return 0;

    InitCommonControls();

    const SIZE size = varnitz::MainWindowSize();
    HWND window = CreateWindowExA(0, varnitz::kMainWindowClass, varnitz::kMainWindowCaption,
                                  varnitz::kMainWindowStyle, CW_USEDEFAULT, CW_USEDEFAULT, size.cx, size.cy,
                                  nullptr, nullptr, instance, nullptr);
    if (!window) return 0;  // without a window nothing would ever post the quit message

    ShowWindow(window, showCommand);
    UpdateWindow(window);

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}
