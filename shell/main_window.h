// The one main window: its class, its size and its procedure.
#pragma once

#include <windows.h>

namespace varnitz {

constexpr const char* kMainWindowClass = "Dorvel_main_window";
constexpr const char* kMainWindowCaption = "Varnitz";
// Caption, system menu, close and minimise boxes: no sizing border, no maximise box, created hidden.
constexpr DWORD kMainWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
static_assert(kMainWindowStyle == 0x00CA0000, "");

// The program's instance, recorded by WinMain before anything else.
extern HINSTANCE ProgramInstance;

// The outer size that shows the whole layout with this system's frame and caption.
SIZE MainWindowSize();

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace varnitz
