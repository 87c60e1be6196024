// The record that the probe DLL, hooked into Dorvel.exe's thread, writes and the driver reads:
// one block of shared memory, named by the driver in an environment variable that the program
// inherits. Only the probe writes; an event is complete before the count includes it.
#pragma once

#include <windows.h>

namespace e2e {

constexpr char kProbeEnvironmentName[] = "VARNITZ_E2E_PROBE";
constexpr char kProbeDllName[] = "varnitz_e2e_probe.dll";
constexpr char kMainWindowClass[] = "Dorvel_main_window";

enum ProbeKind : int {
    ProbeCreate,      // HCBT_CREATEWND: the window's creation arguments, in creation order
    ProbeClass,       // the main window's class record, read inside the program at its first show
    ProbeShownText,   // a child's text when the main window receives its first WM_SHOWWINDOW
    ProbePaintedText, // a child's text when the main window receives its first WM_PAINT
    ProbeSetText,     // a field's text after a WM_SETTEXT to it has been handled
    ProbeCommand,     // a WM_COMMAND delivered to the main window
    ProbeSystemMenu,  // the system menu's entries when its menu loop ends
};

// The system menu entries whose state ProbeSystemMenu records, in this order.
constexpr UINT kProbeMenuCommands[] = {SC_RESTORE, SC_MOVE, SC_SIZE, SC_MINIMIZE, SC_MAXIMIZE, SC_CLOSE};
constexpr int kProbeMenuCommandCount = 6;

constexpr int kProbeTextSize = 96;    // enough for every caption and result; longer texts are cut
constexpr int kProbeMaxEvents = 8192;

struct ProbeEvent {
    int kind;
    int mainVisible;       // IsWindowVisible(main window) when the event was taken
    UINT64 hwnd;
    UINT64 parent;         // ProbeCreate: the parent given
    UINT64 wParam;         // ProbeCommand; ProbeClass: the class style
    UINT64 lParam;         // ProbeCommand; ProbeClass: the background brush
    DWORD style;           // ProbeCreate
    DWORD exStyle;         // ProbeCreate
    int x, y, width, height;
    INT64 id;              // ProbeCreate: the hMenu argument, the control identifier
    int textLength;        // the full length of `text` before cutting; -1 for no text
    int hasIcon;           // ProbeClass: large and small icons loaded (bit 0, bit 1)
    int standardArrow;     // ProbeClass: the class cursor is LoadCursor(NULL, IDC_ARROW)
    int menuStates[kProbeMenuCommandCount];  // ProbeSystemMenu: GetMenuState of each, -1 when missing
    char className[64];
    char text[kProbeTextSize];
};

// Questions to the probe, sent to the main window as the registered message kProbeQueryMessage
// with one of these in wParam: the probe answers inside the program before the send returns.
constexpr char kProbeQueryMessage[] = "VarnitzE2eProbeQuery";
enum ProbeQuery : int {
    ProbeCountObjects,  // counts the program's drawing and window objects into ProbeLog::objects
    ProbeMakeObjects,   // makes lParam objects of each kind counted, kept until ProbeFreeObjects
    ProbeFreeObjects,
};

// A marker posted to the main window: when the program takes it from its queue, everything posted
// before it has been handled. The probe then stores its wParam in ProbeLog::marked and sets the
// event named as the shared memory with this suffix.
constexpr char kProbeMarkMessage[] = "VarnitzE2eProbeMark";
constexpr char kProbeMarkEventSuffix[] = ".marked";

// The process's objects by kind. GetGuiResources gives 0 under Wine; see the probe for how these
// are counted.
struct ProbeObjects {
    int gdi;       // every GDI object, of whichever kind
    int bitmaps;
    int brushes;
    int dcs;       // display and memory contexts
    int windows;   // windows of this process
    int menus;
    int icons;     // icons and cursors
};

struct ProbeLog {
    volatile LONG count;
    ProbeEvent events[kProbeMaxEvents];
    volatile LONG paints;  // WM_PAINT handled by the main window, sent or from the queue
    volatile LONG marked;  // the last marker taken
    ProbeObjects objects;  // the last answer to ProbeCountObjects
};

}  // namespace e2e
