// The process starts here rather than in the C runtime's start-up code. The program takes no
// arguments, reads no environment, registers nothing to run at exit and has no static
// constructors (every object at namespace scope is constant-initialized), so none of that code is
// needed; leaving it out keeps Dorvel.exe small and its start short. The msvcrt functions it does
// call (calloc, free, memcpy and the like) need no start-up of their own.
#include <windows.h>

extern "C" {

// Windows enters with the stack aligned to 4 bytes only; SSE spills need 16.
__attribute__((force_align_arg_pointer, noreturn)) void WinMainCRTStartup() {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    // The show command the starting program asked for, or the default where it gave none.
    const int showCommand = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : SW_SHOWDEFAULT;
    const int exitCode = WinMain(GetModuleHandleA(nullptr), nullptr, GetCommandLineA(), showCommand);
    ExitProcess(static_cast<UINT>(exitCode));
}

}  // extern "C"
