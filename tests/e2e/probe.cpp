// The probe: a DLL that the driver's thread hooks load into Dorvel.exe. It sees what no message
// from outside can: each window's creation arguments in creation order, the field texts at the
// moment the main window is first shown and first painted, and each text written into a field.
// It records, and changes nothing: every hook passes the message on untouched.
#include <cstring>

#include "probe_log.h"

namespace {

using e2e::ProbeEvent;
using e2e::ProbeLog;

ProbeLog* g_log;
bool g_shown;
bool g_painted;

ProbeLog* Log() {
    if (g_log) return g_log;
    char name[128];
    DWORD n = GetEnvironmentVariableA(e2e::kProbeEnvironmentName, name, sizeof name);
    if (n == 0 || n >= sizeof name) return nullptr;
    HANDLE mapping = OpenFileMappingA(FILE_MAP_WRITE, FALSE, name);
    if (!mapping) return nullptr;
    g_log = static_cast<ProbeLog*>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, sizeof(ProbeLog)));
    return g_log;
}

void CopyText(char* to, int size, const char* from) {
    std::strncpy(to, from, size - 1);
    to[size - 1] = '\0';
}

bool IsMainWindow(HWND hwnd) {
    char name[64];
    return GetClassNameA(hwnd, name, sizeof name) > 0 && std::strcmp(name, e2e::kMainWindowClass) == 0;
}

// The next free record, zeroed; nullptr when there is no log or it is full.
ProbeEvent* Begin(int kind, HWND main) {
    ProbeLog* log = Log();
    if (!log || log->count >= e2e::kProbeMaxEvents) return nullptr;
    ProbeEvent* e = &log->events[log->count];
    std::memset(e, 0, sizeof *e);
    e->kind = kind;
    e->mainVisible = main ? IsWindowVisible(main) : 0;
    e->textLength = -1;
    return e;
}

// Published only now: the driver reads no record beyond the count.
void Commit() {
    InterlockedIncrement(&g_log->count);
}

void RecordWindowText(int kind, HWND main, HWND hwnd) {
    ProbeEvent* e = Begin(kind, main);
    if (!e) return;
    e->hwnd = reinterpret_cast<UINT64>(hwnd);
    e->parent = reinterpret_cast<UINT64>(GetParent(hwnd));
    GetClassNameA(hwnd, e->className, sizeof e->className);
    e->textLength = GetWindowTextLengthA(hwnd);
    GetWindowTextA(hwnd, e->text, sizeof e->text);
    Commit();
}

void RecordChildTexts(int kind, HWND main) {
    for (HWND child = GetWindow(main, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        RecordWindowText(kind, main, child);
    }
}

void RecordClass(HWND main) {
    ProbeEvent* e = Begin(e2e::ProbeClass, main);
    if (!e) return;
    e->hwnd = reinterpret_cast<UINT64>(main);
    e->wParam = GetClassLongPtrA(main, GCL_STYLE);
    e->lParam = GetClassLongPtrA(main, GCLP_HBRBACKGROUND);
    e->hasIcon = (GetClassLongPtrA(main, GCLP_HICON) ? 1 : 0) | (GetClassLongPtrA(main, GCLP_HICONSM) ? 2 : 0);
    e->standardArrow = reinterpret_cast<HCURSOR>(GetClassLongPtrA(main, GCLP_HCURSOR)) == LoadCursorA(nullptr, IDC_ARROW);
    GetClassNameA(main, e->className, sizeof e->className);
    Commit();
}

// By the end of the menu loop the system has enabled or greyed each entry for the window's style.
void RecordSystemMenu(HWND main) {
    ProbeEvent* e = Begin(e2e::ProbeSystemMenu, main);
    if (!e) return;
    e->hwnd = reinterpret_cast<UINT64>(main);
    HMENU menu = GetSystemMenu(main, FALSE);
    for (int i = 0; i < e2e::kProbeMenuCommandCount; ++i) {
        e->menuStates[i] = menu ? static_cast<int>(GetMenuState(menu, e2e::kProbeMenuCommands[i], MF_BYCOMMAND)) : -1;
    }
    Commit();
}

void OnMainWindowMessage(HWND main, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SHOWWINDOW && wParam && !g_shown) {
        g_shown = true;
        RecordClass(main);
        RecordChildTexts(e2e::ProbeShownText, main);
    } else if (message == WM_PAINT && !g_painted) {
        g_painted = true;
        RecordChildTexts(e2e::ProbePaintedText, main);
    } else if (message == WM_EXITMENULOOP) {
        RecordSystemMenu(main);
    } else if (message == WM_COMMAND) {
        ProbeEvent* e = Begin(e2e::ProbeCommand, main);
        if (!e) return;
        e->hwnd = reinterpret_cast<UINT64>(main);
        e->wParam = wParam;
        e->lParam = static_cast<UINT64>(lParam);
        Commit();
    }
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK ProbeCbtHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND) {
        const CREATESTRUCTA* cs = reinterpret_cast<CBT_CREATEWNDA*>(lParam)->lpcs;
        if (ProbeEvent* e = Begin(e2e::ProbeCreate, nullptr)) {
            e->hwnd = wParam;
            e->parent = reinterpret_cast<UINT64>(cs->hwndParent);
            e->style = static_cast<DWORD>(cs->style);
            e->exStyle = cs->dwExStyle;
            e->x = cs->x;
            e->y = cs->y;
            e->width = cs->cx;
            e->height = cs->cy;
            e->id = reinterpret_cast<INT64>(cs->hMenu);
            // A class given as an atom has no name to copy.
            if (HIWORD(reinterpret_cast<ULONG_PTR>(cs->lpszClass))) CopyText(e->className, sizeof e->className, cs->lpszClass);
            if (cs->lpszName) {
                e->textLength = static_cast<int>(std::strlen(cs->lpszName));
                CopyText(e->text, sizeof e->text, cs->lpszName);
            }
            Commit();
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

extern "C" __declspec(dllexport) LRESULT CALLBACK ProbeCallWndHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION) {
        const CWPSTRUCT* m = reinterpret_cast<CWPSTRUCT*>(lParam);
        if (IsMainWindow(m->hwnd)) OnMainWindowMessage(m->hwnd, m->message, m->wParam, m->lParam);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// A WM_PAINT fetched from the queue passes no WH_CALLWNDPROC hook.
extern "C" __declspec(dllexport) LRESULT CALLBACK ProbeGetMessageHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION && wParam == PM_REMOVE) {
        const MSG* m = reinterpret_cast<MSG*>(lParam);
        if (m->message == WM_PAINT && m->hwnd && IsMainWindow(m->hwnd)) OnMainWindowMessage(m->hwnd, m->message, m->wParam, m->lParam);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// After the edit has taken the text: the text as the field holds it, whatever the sender's encoding.
extern "C" __declspec(dllexport) LRESULT CALLBACK ProbeCallWndRetHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION) {
        const CWPRETSTRUCT* m = reinterpret_cast<CWPRETSTRUCT*>(lParam);
        if (m->message == WM_SETTEXT) {
            HWND parent = GetParent(m->hwnd);
            if (parent && IsMainWindow(parent)) RecordWindowText(e2e::ProbeSetText, parent, m->hwnd);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
