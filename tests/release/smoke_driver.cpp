// Drives one start of the shipped 32-bit Dorvel.exe from outside, as a user would see it:
//   smoke_driver.exe <Dorvel.exe> [seconds to wait for the window]
// Built for x86_64 and run natively by wine64 in a WoW64 prefix, while Dorvel.exe itself runs
// under the emulated 32-bit Wine of the same prefix; both talk through the one wineserver.
// Every step prints one line with the seconds since the start; the exit code is 0 only when all
// steps passed. Messages cross the process boundary, so only those that Wine marshals are used:
// WM_GETTEXT, EM_SETSEL, CB_GETCURSEL, posted WM_CHAR and WM_KEYDOWN, WM_CLOSE.
#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr char kMainWindowClass[] = "Dorvel_main_window";
constexpr DWORD kMessageTimeoutMs = 30000;  // each cross-process message runs through the emulator
constexpr DWORD kStepTimeoutMs = 30000;     // a recalculation seen from outside, and the exit
constexpr int kDefaultWindowTimeoutS = 600;
constexpr int kMaterialDefault = 10;        // "Стекло"
constexpr int kMaterialWater = 13;          // "Вода дисц.", three entries further down

// The bound controls, found by their place in the main window's client area.
struct ControlPlace {
    const char* name;
    const char* className;
    int x, y;
};
constexpr ControlPlace kPlaces[] = {
    // name             class        x    y
    {"frequency",       "Edit",      110, 110},
    {"energy",          "Edit",      300, 65},
    {"reactance",       "Edit",      300, 95},
    {"permittivity",    "Edit",      100, 380},
    {"plate",           "Edit",      45,  425},
    {"material list",   "ComboBox",  15,  350},
};
enum Place { kFrequency, kEnergy, kReactance, kPermittivity, kPlate, kMaterialList, kPlaceCount };

DWORD StartTick;
int Failures = 0;

void Report(bool ok, const char* format, ...) {
    std::printf("[%6.1f s] %s ", (GetTickCount() - StartTick) / 1000.0, ok ? "ok  " : "FAIL");
    va_list args;
    va_start(args, format);
    std::vprintf(format, args);
    va_end(args);
    std::printf("\n");
    std::fflush(stdout);
    if (!ok) ++Failures;
}

struct Search {
    DWORD processId;
    HWND window;
};

BOOL CALLBACK FindMainWindow(HWND window, LPARAM lParam) {
    auto* search = reinterpret_cast<Search*>(lParam);
    char className[64] = {};
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->processId && GetClassNameA(window, className, sizeof className) &&
        std::strcmp(className, kMainWindowClass) == 0 && IsWindowVisible(window)) {
        search->window = window;
        return FALSE;
    }
    return TRUE;
}

struct Children {
    HWND parent;
    HWND found[kPlaceCount];
};

BOOL CALLBACK FindControl(HWND child, LPARAM lParam) {
    auto* children = reinterpret_cast<Children*>(lParam);
    char className[64] = {};
    GetClassNameA(child, className, sizeof className);
    RECT rect;
    GetWindowRect(child, &rect);
    MapWindowPoints(HWND_DESKTOP, children->parent, reinterpret_cast<POINT*>(&rect), 2);
    for (int i = 0; i < kPlaceCount; ++i) {
        if (lstrcmpiA(className, kPlaces[i].className) == 0 && rect.left == kPlaces[i].x &&
            rect.top == kPlaces[i].y) {
            children->found[i] = child;
        }
    }
    return TRUE;
}

std::string TextOf(HWND control) {
    char text[256] = {};
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutA(control, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                             SMTO_ABORTIFHUNG, kMessageTimeoutMs, &copied)) {
        return "<no answer>";
    }
    return std::string(text, copied);
}

LRESULT Send(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    SendMessageTimeoutA(control, message, wParam, lParam, SMTO_ABORTIFHUNG, kMessageTimeoutMs, &result);
    return static_cast<LRESULT>(result);
}

// Waits until the control shows the text; the program recomputes on its own thread, later.
bool WaitForText(HWND control, const char* expected, std::string* last) {
    const DWORD start = GetTickCount();
    for (;;) {
        *last = TextOf(control);
        if (*last == expected) return true;
        if (GetTickCount() - start > kStepTimeoutMs) return false;
        Sleep(200);
    }
}

void ExpectText(HWND control, const char* what, const char* expected) {
    std::string last;
    const bool ok = WaitForText(control, expected, &last);
    Report(ok, "%s shows \"%s\"%s%s%s", what, expected, ok ? "" : " (it shows \"", ok ? "" : last.c_str(),
           ok ? "" : "\")");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: smoke_driver <Dorvel.exe> [seconds to wait for the window]\n");
        return 2;
    }
    const int windowTimeoutS = argc == 3 ? std::atoi(argv[2]) : kDefaultWindowTimeoutS;
    StartTick = GetTickCount();

    std::string commandLine = std::string("\"") + argv[1] + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(argv[1], &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        Report(false, "start %s: error %lu", argv[1], GetLastError());
        return 1;
    }
    Report(true, "started %s, process %lu", argv[1], process.dwProcessId);

    // The window appears once WM_CREATE has filled every field and ShowWindow has run.
    Search search = {process.dwProcessId, nullptr};
    while (!search.window) {
        EnumWindows(FindMainWindow, reinterpret_cast<LPARAM>(&search));
        if (search.window) break;
        if (WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0) {
            DWORD code = 0;
            GetExitCodeProcess(process.hProcess, &code);
            Report(false, "the program ended with code %lu before its window appeared", code);
            return 1;
        }
        if (GetTickCount() - StartTick > static_cast<DWORD>(windowTimeoutS) * 1000) {
            Report(false, "no visible window of class %s after %d s", kMainWindowClass, windowTimeoutS);
            TerminateProcess(process.hProcess, 1);
            return 1;
        }
        Sleep(500);
    }
    char caption[64] = {};
    GetWindowTextA(search.window, caption, sizeof caption);
    Report(std::strcmp(caption, "Varnitz") == 0, "window of class %s, caption \"%s\"", kMainWindowClass, caption);

    Children children = {search.window, {}};
    EnumChildWindows(search.window, FindControl, reinterpret_cast<LPARAM>(&children));
    for (int i = 0; i < kPlaceCount; ++i) {
        if (!children.found[i]) {
            Report(false, "no %s control at (%d, %d)", kPlaces[i].className, kPlaces[i].x, kPlaces[i].y);
        }
    }
    if (Failures == 0) {
        HWND* c = children.found;

        // The start results, computed before the window was first shown.
        ExpectText(c[kPlate], "plate capacitance", "98.3778");
        ExpectText(c[kEnergy], "energy", "7.986");
        ExpectText(c[kReactance], "reactance", "965.065");

        // A typed character: '0' after "50" in the frequency field.
        const int length = static_cast<int>(TextOf(c[kFrequency]).size());
        Send(c[kFrequency], EM_SETSEL, length, length);
        PostMessageA(c[kFrequency], WM_CHAR, '0', 1);
        ExpectText(c[kFrequency], "frequency after typing 0", "500");
        ExpectText(c[kReactance], "reactance", "96.5065");

        // A material chosen from the keyboard, so that the list itself sends CBN_SELCHANGE for
        // every step: three times the down arrow from "Стекло" to "Вода дисц.".
        const LRESULT before = Send(c[kMaterialList], CB_GETCURSEL, 0, 0);
        Report(before == kMaterialDefault, "material list selection at start: %ld", static_cast<long>(before));
        for (int i = kMaterialDefault; i < kMaterialWater; ++i) {
            PostMessageA(c[kMaterialList], WM_KEYDOWN, VK_DOWN, 1);
            PostMessageA(c[kMaterialList], WM_KEYUP, VK_DOWN, 0xC0000001);
        }
        ExpectText(c[kPermittivity], "permittivity after choosing distilled water", "81");
        ExpectText(c[kPlate], "plate capacitance", "1593.72");
        const LRESULT after = Send(c[kMaterialList], CB_GETCURSEL, 0, 0);
        Report(after == kMaterialWater, "material list selection: %ld", static_cast<long>(after));
    }

    // Closing the window ends the process with exit code 0.
    PostMessageA(search.window, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process.hProcess, kStepTimeoutMs) != WAIT_OBJECT_0) {
        Report(false, "the program still runs %lu s after WM_CLOSE", kStepTimeoutMs / 1000);
        TerminateProcess(process.hProcess, 1);
        return 1;
    }
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    Report(code == 0, "after WM_CLOSE the program ended with exit code %lu", code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return Failures == 0 ? 0 : 1;
}
