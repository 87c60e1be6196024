// The probe: a DLL that the driver's thread hooks load into Dorvel.exe. It sees what no message
// from outside can: each window's creation arguments in creation order, the field texts at the
// moment the main window is first shown and first painted, and each text written into a field;
// asked by the driver, it counts the program's drawing and window objects. It records and counts, and
// changes nothing but the objects it is asked to make for its own check: every hook passes the
// message on untouched.
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

void OnMarker(WPARAM serial) {
    static HANDLE marked;
    ProbeLog* log = Log();
    if (!log) return;
    if (!marked) {
        char name[160];
        const DWORD n = GetEnvironmentVariableA(e2e::kProbeEnvironmentName, name, sizeof name - sizeof e2e::kProbeMarkEventSuffix);
        if (n == 0 || n >= sizeof name - sizeof e2e::kProbeMarkEventSuffix) return;
        std::strcat(name, e2e::kProbeMarkEventSuffix);
        marked = OpenEventA(EVENT_MODIFY_STATE, FALSE, name);
    }
    log->marked = static_cast<LONG>(serial);
    if (marked) SetEvent(marked);
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

// Wine keeps a process's GDI objects in one table of its own, indexed by the low word of the
// handle, and its lookup takes a handle whose high word (the slot's generation) is 0 for any
// generation: GetObjectType of every index in turn finds every live GDI object of this process
// and of no other. USER handles work alike, with the slot in the low word as 0x20 + 2 * index:
// IsMenu and GetIconInfo find only this process's menus and icons; IsWindow finds the windows of
// every process, so the owner is asked too. Checked by ObjectCounts in the tests: objects made
// here raise each count by exactly their number, and freeing them brings it back.
constexpr ULONG_PTR kFirstGdiIndex = 0x10;
constexpr ULONG_PTR kFirstUserHandle = 0x20;
constexpr ULONG_PTR kLastIndex = 0xFFFF;

void CountObjects(e2e::ProbeObjects* counts) {
    *counts = {};
    for (ULONG_PTR i = kFirstGdiIndex; i <= kLastIndex; ++i) {
        const DWORD type = GetObjectType(reinterpret_cast<HGDIOBJ>(i));
        if (type == 0) continue;
        ++counts->gdi;
        if (type == OBJ_BITMAP) ++counts->bitmaps;
        if (type == OBJ_BRUSH) ++counts->brushes;
        if (type == OBJ_DC || type == OBJ_MEMDC) ++counts->dcs;
    }
    // After the GDI count: GetIconInfo hands out copies of the icon's bitmaps for a moment.
    const DWORD self = GetCurrentProcessId();
    for (ULONG_PTR i = kFirstUserHandle; i <= kLastIndex; i += 2) {
        HWND window = reinterpret_cast<HWND>(i);
        DWORD owner = 0;
        if (IsWindow(window) && GetWindowThreadProcessId(window, &owner) && owner == self) ++counts->windows;
        if (IsMenu(reinterpret_cast<HMENU>(i))) ++counts->menus;
        ICONINFO icon;
        if (GetIconInfo(reinterpret_cast<HICON>(i), &icon)) {
            ++counts->icons;
            if (icon.hbmMask) DeleteObject(icon.hbmMask);
            if (icon.hbmColor) DeleteObject(icon.hbmColor);
        }
    }
}

// Objects of each counted kind, made and freed on the driver's request to show that the counts see them.
constexpr int kMaxMade = 64;
HGDIOBJ g_madeBrushes[kMaxMade];
HGDIOBJ g_madeBitmaps[kMaxMade];
HDC g_madeDcs[kMaxMade];
HWND g_madeWindows[kMaxMade];
HMENU g_madeMenus[kMaxMade];
HICON g_madeIcons[kMaxMade];
int g_made;

void MakeObjects(int n) {
    if (n > kMaxMade - g_made) n = kMaxMade - g_made;
    for (int i = g_made; i < g_made + n; ++i) {
        g_madeBrushes[i] = CreateSolidBrush(RGB(i, 0, 0));
        g_madeBitmaps[i] = CreateBitmap(4, 4, 1, 32, nullptr);
        g_madeDcs[i] = CreateCompatibleDC(nullptr);
        g_madeWindows[i] = CreateWindowExA(0, "Static", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
        g_madeMenus[i] = CreatePopupMenu();
        g_madeIcons[i] = CopyIcon(LoadIconA(nullptr, IDI_APPLICATION));
    }
    g_made += n;
}

void FreeObjects() {
    for (int i = 0; i < g_made; ++i) {
        DeleteObject(g_madeBrushes[i]);
        DeleteObject(g_madeBitmaps[i]);
        DeleteDC(g_madeDcs[i]);
        DestroyWindow(g_madeWindows[i]);
        DestroyMenu(g_madeMenus[i]);
        DestroyIcon(g_madeIcons[i]);
    }
    g_made = 0;
}

void AnswerQuery(WPARAM query, LPARAM lParam) {
    ProbeLog* log = Log();
    if (!log) return;
    if (query == e2e::ProbeCountObjects) {
        e2e::ProbeObjects counts;
        CountObjects(&counts);
        log->objects = counts;
    } else if (query == e2e::ProbeMakeObjects) {
        MakeObjects(static_cast<int>(lParam));
    } else if (query == e2e::ProbeFreeObjects) {
        FreeObjects();
    }
}

void OnMainWindowMessage(HWND main, UINT message, WPARAM wParam, LPARAM lParam) {
    static const UINT query = RegisterWindowMessageA(e2e::kProbeQueryMessage);
    if (message == WM_PAINT) {
        if (ProbeLog* log = Log()) InterlockedIncrement(&log->paints);
    }
    if (message == query) {
        AnswerQuery(wParam, lParam);
    } else if (message == WM_SHOWWINDOW && wParam && !g_shown) {
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

// A WM_PAINT fetched from the queue passes no WH_CALLWNDPROC hook. A marker is seen here as the
// program takes it, after it has dispatched everything ahead of it.
extern "C" __declspec(dllexport) LRESULT CALLBACK ProbeGetMessageHook(int code, WPARAM wParam, LPARAM lParam) {
    static const UINT mark = RegisterWindowMessageA(e2e::kProbeMarkMessage);
    if (code == HC_ACTION && wParam == PM_REMOVE) {
        const MSG* m = reinterpret_cast<MSG*>(lParam);
        if (m->message == WM_PAINT && m->hwnd && IsMainWindow(m->hwnd)) OnMainWindowMessage(m->hwnd, m->message, m->wParam, m->lParam);
        if (m->message == mark && m->hwnd && IsMainWindow(m->hwnd)) OnMarker(m->wParam);
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
