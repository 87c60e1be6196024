// The programs Dorvel.exe's start-up is measured against, from one source (STARTUP_PROGRAM):
//   1  startup_floor_empty     the same class, window and message loop, with nothing in the window
//   2  startup_floor_controls  the same with the 34 controls made, the list filled and the default
//                              selected, but computing nothing and painting no picture
//   3  startup_dorvel_marked   Dorvel itself: the shell's window procedure
// Each takes a time mark at every step of its start-up (a dozen counter reads, microseconds in all)
// and writes them to a file when it ends, so that the phases of the three can be set side by side.
// They start through the shell's own entry and flags; WinMain follows shell/main.cpp step for step:
// keep the two alike, or the floors stop being floors.
#include <windows.h>
#include <commctrl.h>

#include "controls.h"
#include "main_window.h"

namespace {

constexpr bool kControls = STARTUP_PROGRAM >= 2;
constexpr bool kDorvel = STARTUP_PROGRAM == 3;

constexpr int kProgramIconId = 1;
// Where the marks go: the driver names the file; without it they are dropped.
constexpr const char* kMarksVariable = "VARNITZ_STARTUP_MARKS";

// Kept in memory until the program ends, so that no file is touched while it starts.
struct Mark {
    const char* name;
    LARGE_INTEGER at;
};
constexpr int kMaxMarks = 16;
Mark Marks[kMaxMarks];
int MarkCount = 0;

void MarkTime(const char* name) {
    if (MarkCount == kMaxMarks) return;
    Marks[MarkCount].name = name;
    QueryPerformanceCounter(&Marks[MarkCount].at);
    ++MarkCount;
}

// "<ticks> <name>\n", by hand: Dorvel starts without the C runtime's start-up, so its stdio is
// not ours to rely on, and no library string should make this copy bigger than Dorvel.
constexpr int kLineSize = 64;
int FormatLine(char* line, long long ticks, const char* name) {
    char digits[24];
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + ticks % 10);
        ticks /= 10;
    } while (ticks > 0);
    int length = 0;
    while (n > 0) line[length++] = digits[--n];
    line[length++] = ' ';
    while (*name && length < kLineSize - 1) line[length++] = *name++;
    line[length++] = '\n';
    return length;
}

void WriteMarks() {
    char path[MAX_PATH];
    const DWORD length = GetEnvironmentVariableA(kMarksVariable, path, sizeof path);
    if (length == 0 || length >= sizeof path) return;
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    char line[kLineSize];
    DWORD written = 0;
    WriteFile(file, line, static_cast<DWORD>(FormatLine(line, frequency.QuadPart, "frequency")), &written, nullptr);
    for (int i = 0; i < MarkCount; ++i) {
        WriteFile(file, line, static_cast<DWORD>(FormatLine(line, Marks[i].at.QuadPart, Marks[i].name)), &written,
                  nullptr);
    }
    CloseHandle(file);
}

LRESULT CALLBACK FloorProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            if (kControls) varnitz::CreateFormControls(window, varnitz::ProgramInstance);
            return 0;
        case WM_DESTROY: PostQuitMessage(0); return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);  // WM_PAINT too: validated, nothing drawn
}

// The first write of each result reports back as EN_UPDATE: the first one ends CreateFormControls
// (plus the four reads of the plate rule), the last one RecalculateAll.
bool FirstUpdateOf(varnitz::FieldId field, WPARAM wParam, LPARAM lParam) {
    static bool seen[varnitz::kFieldCount];
    if (HIWORD(wParam) != EN_UPDATE || reinterpret_cast<HWND>(lParam) != varnitz::FieldControls[field] ||
        seen[field]) {
        return false;
    }
    seen[field] = true;
    return true;
}

LRESULT CALLBACK MarkedProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    static bool painted = false;
    const WNDPROC inner = kDorvel ? varnitz::MainWindowProc : FloorProc;
    switch (message) {
        case WM_CREATE: {
            MarkTime("WM_CREATE");
            const LRESULT result = inner(window, message, wParam, lParam);
            MarkTime("WM_CREATE returns");
            return result;
        }
        case WM_COMMAND:
            if (FirstUpdateOf(varnitz::PlateCapacitanceField, wParam, lParam)) {
                MarkTime("controls made, first result written");
            } else if (FirstUpdateOf(varnitz::ReactanceField, wParam, lParam)) {
                MarkTime("last result written");
            }
            break;
        case WM_PAINT:
            if (!painted) {
                painted = true;
                MarkTime("first WM_PAINT");
                const LRESULT result = inner(window, message, wParam, lParam);
                MarkTime("first WM_PAINT returns");
                return result;
            }
            break;
    }
    return inner(window, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    MarkTime("WinMain");
    varnitz::ProgramInstance = instance;

    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_DBLCLKS;
    windowClass.lpfnWndProc = MarkedProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(kProgramIconId));
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = varnitz::kMainWindowClass;
    windowClass.hIconSm = LoadIconA(instance, MAKEINTRESOURCEA(kProgramIconId));
    if (!RegisterClassExA(&windowClass)) return 0;
    MarkTime("class registered");

    InitCommonControls();
    MarkTime("common controls");

    const SIZE size = varnitz::MainWindowSize();
    HWND window = CreateWindowExA(0, varnitz::kMainWindowClass, varnitz::kMainWindowCaption,
                                  varnitz::kMainWindowStyle, CW_USEDEFAULT, CW_USEDEFAULT, size.cx, size.cy,
                                  nullptr, nullptr, instance, nullptr);
    if (!window) return 0;
    MarkTime("window created");

    ShowWindow(window, showCommand);
    MarkTime("shown");
    UpdateWindow(window);
    MarkTime("updated");

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    WriteMarks();
    return static_cast<int>(message.wParam);
}
