#include "dorvel.h"

#include <psapi.h>

#include "fixture.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

namespace e2e {

// The window's controls as the program creates them, in creation order.
constexpr ControlRow kControls[kControlCount] = {
    // class       text                                          style       x    y    w    h    id field
    {"Button",   "Энергия заряда и реактивное сопротивление", 0x50000207, 5,   20,  415, 130, 0, kNoField},
    {"Static",   "Напряжение:",                               0x50000000, 15,  50,  100, 20,  0, kNoField},
    {"Edit",     "2200",                                      0x50002082, 110, 50,  50,  18,  0, Voltage},
    {"Static",   "В",                                         0x50000000, 165, 50,  30,  20,  0, kNoField},
    {"Static",   "Емкость:",                                  0x50000000, 15,  80,  100, 20,  0, kNoField},
    {"Edit",     "3.3",                                       0x50000082, 110, 80,  50,  18,  0, Capacitance},
    {"Static",   "мкФ",                                       0x50000000, 165, 80,  30,  20,  0, kNoField},
    {"Static",   "Частота:",                                  0x50000000, 15,  110, 100, 20,  0, kNoField},
    {"Edit",     "50",                                        0x50002082, 110, 110, 50,  18,  0, Frequency},
    {"Static",   "Гц",                                        0x50000000, 165, 110, 30,  20,  0, kNoField},
    {"Static",   "Энергия:",                                  0x50000000, 235, 65,  100, 20,  0, kNoField},
    {"Edit",     nullptr,                                     0x50002882, 300, 65,  80,  18,  0, Energy},
    {"Static",   "Дж",                                        0x50000000, 385, 65,  30,  20,  0, kNoField},
    {"Static",   "Xc:",                                       0x50000000, 235, 95,  100, 20,  0, kNoField},
    {"Edit",     nullptr,                                     0x50002882, 300, 95,  80,  18,  0, Reactance},
    {"Static",   "Ом",                                        0x50000000, 385, 95,  30,  20,  0, kNoField},
    {"Button",   "Плоский конденсатор",                       0x50000207, 5,   170, 415, 280, 0, kNoField},
    {"Button",   "Полезная площадь",                          0x50000007, 10,  195, 150, 90,  0, kNoField},
    {"Static",   "a =",                                       0x50000000, 15,  225, 25,  20,  0, kNoField},
    {"Edit",     "100",                                       0x50002082, 45,  225, 50,  18,  0, SideA},
    {"Static",   "мм",                                        0x50000000, 100, 225, 20,  20,  0, kNoField},
    {"Static",   "b =",                                       0x50000000, 15,  255, 25,  20,  0, kNoField},
    {"Edit",     "100",                                       0x50002082, 45,  255, 50,  18,  0, SideB},
    {"Static",   "мм",                                        0x50000000, 100, 255, 20,  20,  0, kNoField},
    {"Button",   "Диэлектрик",                                0x50000007, 10,  295, 150, 110, 0, kNoField},
    {"Static",   "d =",                                       0x50000000, 15,  325, 25,  20,  0, kNoField},
    {"Edit",     "4.5",                                       0x50000082, 45,  325, 50,  18,  0, Thickness},
    {"Static",   "мм",                                        0x50000000, 100, 325, 20,  20,  0, kNoField},
    {"Static",   "epsilon:",                                  0x50000000, 15,  380, 100, 20,  0, kNoField},
    {"Edit",     "5",                                         0x50000082, 100, 380, 50,  18,  0, Permittivity},
    {"Static",   "C =",                                       0x50000000, 15,  425, 25,  20,  0, kNoField},
    {"Edit",     nullptr,                                     0x50000882, 45,  425, 90,  18,  0, PlateCapacitance},
    {"Static",   "пФ",                                        0x50000000, 140, 425, 22,  20,  0, kNoField},
    {"ComboBox", nullptr,                                     0x50200003, 15,  350, 135, 20,  1, Material},
};

// The list's entries in their order.
const char* const kMaterialNames[kMaterialCount] = {
    "Сухая бумага", "Гетинакс", "Каучук", "Кварц", "Конд.керамика", "Метатитанат бария",
    "Парафин", "Оргстекло", "Сегнетова соль", "Слюда", "Стекло", "Полиэтилен",
    "Фарфор", "Вода дисц.", "Масло трансф.", "Масло кастор.", "Спирт этиловый", "Фторопласт",
    "Бумага промасл.", "Мрамор", "Аммиак", "Стеклотекстолит", "Полистирол", "Поливинилхлорид",
};

const char* FieldName(int field) {
    static const char* const kNames[kFieldCount] = {
        "Voltage", "Capacitance", "Frequency", "Energy", "Reactance", "SideA",
        "SideB", "Thickness", "Permittivity", "PlateCapacitance", "Material",
    };
    return field >= 0 && field < kFieldCount ? kNames[field] : "none";
}

namespace {

constexpr DWORD kStartTimeoutMs = 20000;
constexpr DWORD kSyncTimeoutMs = 30000;  // long enough for a long pasted text

std::string g_dorvelPath;
std::string g_probePath;
std::string g_artifactDirectory = ".";
HMODULE g_probe;
int g_probeSerial;
HWND g_clipboardOwner;

struct FindMain {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK FindMainWindow(HWND hwnd, LPARAM param) {
    auto* find = reinterpret_cast<FindMain*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid == find->processId && ClassOf(hwnd) == kMainWindowClass) {
        find->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

bool HookProbe(Dorvel& app, std::string* error) {
    if (!g_probe) g_probe = LoadLibraryA(g_probePath.c_str());
    if (!g_probe) {
        *error = "cannot load the probe " + g_probePath;
        return false;
    }
    struct Hook {
        int type;
        const char* name;
    };
    constexpr Hook kHooks[] = {
        {WH_CBT, "ProbeCbtHook"},
        {WH_CALLWNDPROC, "ProbeCallWndHook"},
        {WH_CALLWNDPROCRET, "ProbeCallWndRetHook"},
        {WH_GETMESSAGE, "ProbeGetMessageHook"},
    };
    for (int i = 0; i < 4; ++i) {
        auto proc = reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(GetProcAddress(g_probe, kHooks[i].name)));
        app.hooks[i] = proc ? SetWindowsHookExA(kHooks[i].type, proc, g_probe, app.process.dwThreadId) : nullptr;
        if (!app.hooks[i]) {
            *error = std::string("cannot set the hook ") + kHooks[i].name;
            return false;
        }
    }
    return true;
}

// A block of shared memory for the probe, named in the environment that the program inherits.
bool CreateProbeLog(Dorvel& app, std::string* error) {
    char name[96];
    std::snprintf(name, sizeof name, "VarnitzE2eProbe.%lu.%d", GetCurrentProcessId(), ++g_probeSerial);
    app.probeMapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(ProbeLog), name);
    if (app.probeMapping) {
        app.probe = static_cast<ProbeLog*>(MapViewOfFile(app.probeMapping, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(ProbeLog)));
    }
    if (!app.probe) {
        *error = "cannot create the probe's shared memory";
        return false;
    }
    app.probeMarked = CreateEventA(nullptr, FALSE, FALSE, (std::string(name) + kProbeMarkEventSuffix).c_str());
    SetEnvironmentVariableA(kProbeEnvironmentName, name);
    return true;
}

void ReleaseProbe(Dorvel& app) {
    for (HHOOK& hook : app.hooks) {
        if (hook) UnhookWindowsHookEx(hook);
        hook = nullptr;
    }
    if (app.probe) UnmapViewOfFile(app.probe);
    if (app.probeMapping) CloseHandle(app.probeMapping);
    if (app.probeMarked) CloseHandle(app.probeMarked);
    app.probe = nullptr;
    app.probeMapping = nullptr;
    app.probeMarked = nullptr;
}

// Binds the fields by class and position, so that a wrong creation order shows in the layout
// tests alone and does not derail every other test.
void BindFields(Dorvel& app) {
    for (const ControlRow& row : kControls) {
        if (row.field == kNoField) continue;
        for (int i = 0; i < app.controlCount; ++i) {
            RECT r = ClientRectIn(app.controls[i], app.main);
            if (_stricmp(ClassOf(app.controls[i]).c_str(), row.className) == 0 && r.left == row.x && r.top == row.y) {
                app.fields[row.field] = app.controls[i];
                break;
            }
        }
    }
}

LRESULT CALLBACK ClipboardOwnerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

HWND ClipboardOwner() {
    if (!g_clipboardOwner) {
        WNDCLASSA wc{};
        wc.lpfnWndProc = ClipboardOwnerProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "VarnitzE2eClipboardOwner";
        RegisterClassA(&wc);
        g_clipboardOwner = CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    }
    return g_clipboardOwner;
}

bool OpenClipboardRetrying(HWND owner) {
    for (int attempt = 0; attempt < 200; ++attempt) {
        if (OpenClipboard(owner)) return true;
        Sleep(10);
    }
    return false;
}

struct FindList {
    HWND found;
};

BOOL CALLBACK FindDroppedListChild(HWND hwnd, LPARAM param) {
    if (ClassOf(hwnd) == "ComboLBox" && IsWindowVisible(hwnd)) {
        reinterpret_cast<FindList*>(param)->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK FindDroppedList(HWND hwnd, LPARAM param) {
    if (!FindDroppedListChild(hwnd, param)) return FALSE;
    EnumChildWindows(hwnd, FindDroppedListChild, param);
    return reinterpret_cast<FindList*>(param)->found == nullptr;
}

}  // namespace

void SetDorvelPath(const std::string& path) { g_dorvelPath = path; }
void SetProbePath(const std::string& path) { g_probePath = path; }
const std::string& DorvelPath() { return g_dorvelPath; }
const std::string& ArtifactDirectory() { return g_artifactDirectory; }
void SetArtifactDirectory(const std::string& path) { g_artifactDirectory = path; }

bool Start(Dorvel& app, const StartOptions& options, std::string* error) {
    if (options.probe) {
        if (!CreateProbeLog(app, error)) return false;
    } else {
        SetEnvironmentVariableA(kProbeEnvironmentName, nullptr);
    }
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    if (options.showCommand >= 0) {
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = static_cast<WORD>(options.showCommand);
    }
    std::string commandLine = "\"" + g_dorvelPath + "\"";
    // Suspended while the probe is hooked in, so that it sees the first window created.
    DWORD flags = options.probe ? CREATE_SUSPENDED : 0;
    if (!CreateProcessA(g_dorvelPath.c_str(), &commandLine[0], nullptr, nullptr, FALSE, flags, nullptr, nullptr,
                        &startup, &app.process)) {
        *error = "CreateProcess failed for " + g_dorvelPath + ", error " + std::to_string(GetLastError());
        return false;
    }
    if (options.probe) {
        if (!HookProbe(app, error)) return false;
        ResumeThread(app.process.hThread);
    }

    // The window is looked for from the first moment; its results are read as soon as it is
    // visible, before anything else is sent to the program.
    const DWORD started = GetTickCount();
    const bool hidden = options.showCommand == SW_HIDE;
    for (;;) {
        FindMain find{app.process.dwProcessId, nullptr};
        EnumWindows(FindMainWindow, reinterpret_cast<LPARAM>(&find));
        if (find.found && (hidden || IsWindowVisible(find.found))) {
            app.main = find.found;
            break;
        }
        if (WaitForSingleObject(app.process.hProcess, 0) == WAIT_OBJECT_0) {
            *error = "the program ended before showing its window";
            return false;
        }
        if (GetTickCount() - started > kStartTimeoutMs) {
            *error = "no visible window of class Dorvel_main_window";
            return false;
        }
        Sleep(1);
    }
    // A window that is never shown is complete once the program waits for input.
    if (hidden) WaitForInputIdle(app.process.hProcess, kStartTimeoutMs);
    for (HWND child = GetWindow(app.main, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (app.controlCount < kControlCount) app.controls[app.controlCount] = child;
        ++app.controlCount;
    }
    BindFields(app);
    for (int field : {Energy, Reactance, PlateCapacitance}) {
        if (app.fields[field]) app.firstSeenTexts[field] = Text(app.fields[field]);
    }
    WaitForInputIdle(app.process.hProcess, kStartTimeoutMs);
    return true;
}

namespace {

struct PendingExit {
    HANDLE process;
    std::string test;
};
std::vector<PendingExit> g_pendingExits;

}  // namespace

void Finish(Dorvel& app, const char* testName) {
    ReleaseProbe(app);
    if (!app.process.hProcess) return;
    if (WaitForSingleObject(app.process.hProcess, 0) != WAIT_OBJECT_0 && app.main && IsWindow(app.main)) {
        Post(app.main, WM_CLOSE, 0, 0);
    }
    // Wine takes about two seconds to end a process after its last window: that wait is shared
    // by all tests at the end instead of being paid by each.
    g_pendingExits.push_back({app.process.hProcess, testName ? testName : "?"});
    CloseHandle(app.process.hThread);
    app.process = {};
    app.main = nullptr;
}

void CheckPendingExits() {
    for (const PendingExit& pending : g_pendingExits) {
        DWORD code = STILL_ACTIVE;
        if (WaitForSingleObject(pending.process, 15000) == WAIT_OBJECT_0) {
            GetExitCodeProcess(pending.process, &code);
        }
        if (code == STILL_ACTIVE) {
            ADD_FAILURE() << pending.test << ": the program did not end within 15 s of WM_CLOSE";
            TerminateProcess(pending.process, 1);
        } else if (code != 0) {
            ADD_FAILURE() << pending.test << ": the program ended with exit code " << code << ", not 0";
        }
        CloseHandle(pending.process);
    }
    g_pendingExits.clear();
}

DWORD WaitForExit(Dorvel& app, DWORD timeoutMs) {
    DWORD code = STILL_ACTIVE;
    if (WaitForSingleObject(app.process.hProcess, timeoutMs) == WAIT_OBJECT_0) {
        GetExitCodeProcess(app.process.hProcess, &code);
    }
    return code;
}

LRESULT Send(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT timeoutMs) {
    DWORD_PTR result = 0;
    SetLastError(0);
    // Wine answers some messages (WM_GETFONT) across processes with 0 and no error: only an error
    // means that the message was not answered.
    if (!SendMessageTimeoutA(hwnd, message, wParam, lParam, SMTO_NORMAL, timeoutMs, &result) &&
        GetLastError() != 0) {
        ADD_FAILURE() << "message 0x" << std::hex << message << " to window " << hwnd << " was not answered";
        return 0;
    }
    return static_cast<LRESULT>(result);
}

LRESULT SendW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT timeoutMs) {
    DWORD_PTR result = 0;
    SetLastError(0);
    // Wine answers some messages (WM_GETFONT) across processes with 0 and no error: only an error
    // means that the message was not answered.
    if (!SendMessageTimeoutW(hwnd, message, wParam, lParam, SMTO_NORMAL, timeoutMs, &result) &&
        GetLastError() != 0) {
        ADD_FAILURE() << "message 0x" << std::hex << message << " to window " << hwnd << " was not answered";
        return 0;
    }
    return static_cast<LRESULT>(result);
}

void Post(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!PostMessageA(hwnd, message, wParam, lParam)) {
        ADD_FAILURE() << "cannot post message 0x" << std::hex << message << " to window " << hwnd;
    }
}

std::string Text(HWND hwnd, UINT timeoutMs) {
    if (!hwnd) return "<no control>";
    const LRESULT length = Send(hwnd, WM_GETTEXTLENGTH, 0, 0, timeoutMs);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    const LRESULT copied = Send(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]), timeoutMs);
    text.resize(static_cast<size_t>(copied));
    return text;
}

std::string Text(const Dorvel& app, Field field) { return Text(app.fields[field]); }

int TextLimit(HWND edit) { return static_cast<int>(Send(edit, EM_GETLIMITTEXT, 0, 0)); }

void SetText(HWND hwnd, const std::string& text, UINT timeoutMs) {
    Send(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), timeoutMs);
}

std::string ClassOf(HWND hwnd) {
    char name[256] = "";
    GetClassNameA(hwnd, name, sizeof name);
    return name;
}

RECT ClientRectIn(HWND child, HWND parent) {
    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// A SendMessage is answered before the posted messages ahead of it are handled, so it proves
// nothing by itself. Instead a flag of an edit field is set directly and then cleared by a posted
// message: once it reads cleared, everything posted before has been handled. Two rounds, since a
// posted key press makes TranslateMessage post its character behind the first round's message.
void Sync(const Dorvel& app) {
    HWND edit = app.fields[Voltage];
    if (!edit) return;
    for (int round = 0; round < 2; ++round) {
        Send(edit, EM_SETMODIFY, TRUE, 0);
        Post(edit, EM_SETMODIFY, FALSE, 0);
        const DWORD started = GetTickCount();
        while (Send(edit, EM_GETMODIFY, 0, 0)) {
            if (GetTickCount() - started > kSyncTimeoutMs) {
                ADD_FAILURE() << "the program did not handle its posted messages within " << kSyncTimeoutMs / 1000 << " s";
                return;
            }
            Sleep(1);
        }
    }
}

bool WaitForPosted(Dorvel& app, DWORD timeoutMs) {
    static const UINT mark = RegisterWindowMessageA(kProbeMarkMessage);
    if (!app.probe || !app.probeMarked) {
        ADD_FAILURE() << "the probe is not hooked into this program";
        return false;
    }
    const LONG serial = app.probe->marked + 1;
    Post(app.main, mark, static_cast<WPARAM>(serial), 0);
    const DWORD started = GetTickCount();
    while (app.probe->marked != serial) {
        const DWORD waited = GetTickCount() - started;
        if (waited >= timeoutMs || WaitForSingleObject(app.probeMarked, timeoutMs - waited) == WAIT_FAILED) return false;
    }
    return true;
}

void Click(const Dorvel& app, HWND hwnd, int x, int y) {
    const LPARAM at = MAKELPARAM(x, y);
    Post(hwnd, WM_MOUSEMOVE, 0, at);
    Post(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, at);
    Post(hwnd, WM_LBUTTONUP, 0, at);
    Sync(app);
}

void ClickField(const Dorvel& app, Field field) {
    HWND hwnd = app.fields[field];
    RECT r{};
    GetClientRect(hwnd, &r);
    Click(app, hwnd, r.right - 2, r.bottom / 2);
    Key(app, hwnd, VK_END);
}

void Type(const Dorvel& app, HWND hwnd, const std::string& text) {
    for (char c : text) {
        Post(hwnd, WM_CHAR, static_cast<unsigned char>(c), 1);
    }
    Sync(app);
}

void TypeInto(const Dorvel& app, Field field, const std::string& text) { Type(app, app.fields[field], text); }

void Key(const Dorvel& app, HWND hwnd, UINT virtualKey) {
    const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyA(virtualKey, MAPVK_VK_TO_VSC)) << 16;
    Post(hwnd, WM_KEYDOWN, virtualKey, 1 | scan);
    Post(hwnd, WM_KEYUP, virtualKey, 1 | scan | 0xC0000000);
    Sync(app);
}

void SelectAll(const Dorvel& app, Field field) {
    Send(app.fields[field], EM_SETSEL, 0, -1);
}

void ReplaceText(const Dorvel& app, Field field, const std::string& text) {
    SelectAll(app, field);
    TypeInto(app, field, text.empty() ? std::string("\b") : text);
}

bool SetClipboardText(const std::string& text) {
    HWND owner = ClipboardOwner();
    if (!OpenClipboardRetrying(owner)) return false;
    EmptyClipboard();
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    bool done = false;
    if (memory) {
        std::memcpy(GlobalLock(memory), text.c_str(), text.size() + 1);
        GlobalUnlock(memory);
        done = SetClipboardData(CF_TEXT, memory) != nullptr;
        if (!done) GlobalFree(memory);
    }
    CloseClipboard();
    return done;
}

std::string ClipboardText() {
    if (!OpenClipboardRetrying(ClipboardOwner())) return "<clipboard busy>";
    std::string text = "<no text>";
    if (HANDLE data = GetClipboardData(CF_TEXT)) {
        if (const char* p = static_cast<const char*>(GlobalLock(data))) {
            text = p;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

// Ctrl+V, as TranslateMessage gives it to the field: the control character 0x16.
void Paste(const Dorvel& app, Field field, const std::string& text) {
    if (!SetClipboardText(text)) ADD_FAILURE() << "cannot set the clipboard";
    SelectAll(app, field);
    TypeInto(app, field, "\x16");
}

HWND FocusOf(const Dorvel& app) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(app.process.dwThreadId, &info)) return nullptr;
    return info.hwndFocus;
}

std::string ListEntry(HWND list, int index) {
    const LRESULT length = SendW(list, CB_GETLBTEXTLEN, index, 0);
    if (length == CB_ERR) return "<no entry>";
    std::wstring wide(static_cast<size_t>(length) + 1, L'\0');
    SendW(list, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(&wide[0]));
    char text[512] = "";
    WideCharToMultiByte(1251, 0, wide.c_str(), -1, text, sizeof text, nullptr, nullptr);
    return text;
}

int ListSelection(const Dorvel& app) {
    return static_cast<int>(Send(app.fields[Material], CB_GETCURSEL, 0, 0));
}

// The opened list is a window of its own, not reachable through the closed list's messages
// across processes: it is looked for among the program's windows.
HWND DroppedList(const Dorvel& app) {
    FindList find{nullptr};
    EnumThreadWindows(app.process.dwThreadId, FindDroppedList, reinterpret_cast<LPARAM>(&find));
    if (!find.found) EnumChildWindows(app.fields[Material], FindDroppedListChild, reinterpret_cast<LPARAM>(&find));
    return find.found;
}

void SelectByMouse(const Dorvel& app, int index) {
    HWND list = app.fields[Material];
    RECT closed{};
    GetClientRect(list, &closed);
    Click(app, list, closed.right / 2, closed.bottom / 2);
    HWND dropped = DroppedList(app);
    ASSERT_NE(dropped, nullptr) << "a click did not open the list";
    RECT client{};
    GetClientRect(dropped, &client);
    const int itemHeight = static_cast<int>(Send(dropped, LB_GETITEMHEIGHT, 0, 0));
    ASSERT_GT(itemHeight, 0);
    const int visible = client.bottom / itemHeight;
    ASSERT_GT(visible, 0) << "the opened list shows no entry";
    for (int guard = 0; guard < 2 * kMaterialCount; ++guard) {
        const int top = static_cast<int>(Send(dropped, LB_GETTOPINDEX, 0, 0));
        if (index < top) {
            Post(dropped, WM_VSCROLL, SB_LINEUP, 0);
        } else if (index >= top + visible) {
            ASSERT_NE(GetWindowLongA(dropped, GWL_STYLE) & WS_VSCROLL, 0) << "entries out of view and no scroll bar";
            Post(dropped, WM_VSCROLL, SB_LINEDOWN, 0);
        } else {
            break;
        }
        Sync(app);
    }
    const int top = static_cast<int>(Send(dropped, LB_GETTOPINDEX, 0, 0));
    ASSERT_TRUE(index >= top && index < top + visible) << "entry " << index << " not scrolled into view";
    Click(app, dropped, client.right / 2, (index - top) * itemHeight + itemHeight / 2);
    EXPECT_EQ(DroppedList(app), nullptr) << "the list stayed open after the click";
}

int ProbeCount(const Dorvel& app) {
    return app.probe ? static_cast<int>(app.probe->count) : 0;
}

std::vector<ProbeEvent> ProbeEvents(const Dorvel& app, int from) {
    std::vector<ProbeEvent> events;
    const int count = ProbeCount(app);
    for (int i = from; i < count && i < kProbeMaxEvents; ++i) events.push_back(app.probe->events[i]);
    return events;
}

namespace {

LRESULT Query(const Dorvel& app, ProbeQuery query, LPARAM argument = 0) {
    static const UINT message = RegisterWindowMessageA(kProbeQueryMessage);
    if (!app.probe) ADD_FAILURE() << "the probe is not hooked into this program";
    return Send(app.main, message, query, argument);
}

}  // namespace

ProbeObjects CountObjects(const Dorvel& app) {
    Query(app, ProbeCountObjects);
    return app.probe ? app.probe->objects : ProbeObjects{};
}

void MakeObjects(const Dorvel& app, int count) { Query(app, ProbeMakeObjects, count); }
void FreeObjects(const Dorvel& app) { Query(app, ProbeFreeObjects); }
int PaintCount(const Dorvel& app) { return app.probe ? static_cast<int>(app.probe->paints) : 0; }

SIZE_T PrivateBytes(const Dorvel& app) {
    PROCESS_MEMORY_COUNTERS counters{};
    if (!GetProcessMemoryInfo(app.process.hProcess, &counters, sizeof counters)) {
        ADD_FAILURE() << "GetProcessMemoryInfo failed, error " << GetLastError();
        return 0;
    }
    return counters.PagefileUsage;
}

Capture CaptureWindow(HWND hwnd) {
    RECT r{};
    GetWindowRect(hwnd, &r);
    return CaptureScreen(r);
}

Capture CaptureClient(HWND hwnd, int x, int y, int width, int height) {
    POINT origin{x, y};
    ClientToScreen(hwnd, &origin);
    return CaptureScreen({origin.x, origin.y, origin.x + width, origin.y + height});
}

Capture CaptureScreen(const RECT& r) {
    Capture capture;
    capture.width = r.right - r.left;
    capture.height = r.bottom - r.top;
    if (capture.width <= 0 || capture.height <= 0) return capture;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = capture.width;
    info.bmiHeader.biHeight = -capture.height;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, capture.width, capture.height, screen, r.left, r.top, SRCCOPY);
    GdiFlush();
    const DWORD* p = static_cast<const DWORD*>(bits);
    capture.pixels.assign(p, p + static_cast<size_t>(capture.width) * capture.height);
    for (DWORD& pixel : capture.pixels) pixel &= 0x00FFFFFF;
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return capture;
}

// A 24-bit bottom-up bitmap file, the plainest form every viewer reads.
bool SaveBitmap(const Capture& capture, const std::string& path) {
    const int rowBytes = (capture.width * 3 + 3) & ~3;
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = capture.width;
    header.biHeight = capture.height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    header.biSizeImage = static_cast<DWORD>(rowBytes) * capture.height;
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = file.bfOffBits + header.biSizeImage;
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) return false;
    std::fwrite(&file, sizeof file, 1, out);
    std::fwrite(&header, sizeof header, 1, out);
    std::vector<unsigned char> row(static_cast<size_t>(rowBytes), 0);
    for (int y = capture.height - 1; y >= 0; --y) {
        for (int x = 0; x < capture.width; ++x) {
            const DWORD pixel = capture.At(x, y);
            row[x * 3 + 0] = static_cast<unsigned char>(pixel);
            row[x * 3 + 1] = static_cast<unsigned char>(pixel >> 8);
            row[x * 3 + 2] = static_cast<unsigned char>(pixel >> 16);
        }
        std::fwrite(row.data(), 1, row.size(), out);
    }
    return std::fclose(out) == 0;
}

bool ReadBitmap(const std::string& path, Capture* image, std::string* error) {
    FILE* in = std::fopen(path.c_str(), "rb");
    if (!in) {
        *error = "cannot open " + path;
        return false;
    }
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER header{};
    bool ok = std::fread(&file, sizeof file, 1, in) == 1 && std::fread(&header, sizeof header, 1, in) == 1 &&
              file.bfType == 0x4D42 && header.biBitCount == 24 && header.biCompression == BI_RGB &&
              header.biWidth > 0 && header.biHeight != 0 && std::fseek(in, file.bfOffBits, SEEK_SET) == 0;
    if (ok) {
        // Rows are stored bottom up unless the height is negative, each filled up to 4 bytes.
        const bool bottomUp = header.biHeight > 0;
        image->width = header.biWidth;
        image->height = bottomUp ? header.biHeight : -header.biHeight;
        image->pixels.assign(static_cast<size_t>(image->width) * image->height, 0);
        std::vector<unsigned char> row(static_cast<size_t>((image->width * 3 + 3) & ~3));
        for (int i = 0; ok && i < image->height; ++i) {
            ok = std::fread(row.data(), 1, row.size(), in) == row.size();
            const int y = bottomUp ? image->height - 1 - i : i;
            for (int x = 0; ok && x < image->width; ++x) {
                image->pixels[static_cast<size_t>(y) * image->width + x] =
                    (DWORD{row[x * 3 + 2]} << 16) | (DWORD{row[x * 3 + 1]} << 8) | row[x * 3];
            }
        }
    }
    std::fclose(in);
    if (!ok) *error = path + " is no complete 24-bit bitmap file";
    return ok;
}

Capture PictureOnScreen(const Dorvel& app) {
    return CaptureClient(app.main, kPictureX, kPictureY, kPictureWidth, kPictureHeight);
}

const Capture& PlatePicture() {
    static Capture picture;
    static bool read = false;
    if (!read) {
        read = true;
        std::string error;
        if (!ReadBitmap(VARNITZ_E2E_PLATE_PICTURE, &picture, &error)) {
            ADD_FAILURE() << error;
            picture = Capture();
        }
    }
    return picture;
}

namespace {

std::string Readable(const std::string& cp1251) {
    if (cp1251.size() > 200) return "<" + std::to_string(cp1251.size()) + " characters beginning \"" + Readable(cp1251.substr(0, 40)) + "\">";
    std::wstring wide(cp1251.size() + 1, L'\0');
    MultiByteToWideChar(1251, 0, cp1251.c_str(), -1, &wide[0], static_cast<int>(wide.size()));
    std::string utf8(wide.size() * 3 + 1, '\0');
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, &utf8[0], static_cast<int>(utf8.size()), nullptr, nullptr);
    utf8.resize(n > 0 ? n - 1 : 0);
    return utf8;
}

}  // namespace

void MarkResults(const Dorvel& app) {
    for (Field result : {Energy, Reactance, PlateCapacitance}) SetText(app.fields[result], kKept);
    for (Field result : {Energy, Reactance, PlateCapacitance}) {
        ASSERT_TEXT(Text(app, result), kKept) << "writing a marker into a result recomputed something";
    }
}

void ExpectResults(const Dorvel& app, const char* energy, const char* reactance, const char* plate) {
    EXPECT_TEXT(Text(app, Energy), energy);
    EXPECT_TEXT(Text(app, Reactance), reactance);
    EXPECT_TEXT(Text(app, PlateCapacitance), plate);
}

::testing::AssertionResult ShowsThePicture(const char* expression, const Capture& shot) {
    static int mismatches = 0;
    const Capture& expected = PlatePicture();
    if (expected.pixels.empty()) return ::testing::AssertionFailure() << "no picture to compare with";
    if (shot.width != expected.width || shot.height != expected.height) {
        return ::testing::AssertionFailure() << expression << " is " << shot.width << " by " << shot.height << ", the picture "
                                             << expected.width << " by " << expected.height;
    }
    size_t differing = 0, first = 0;
    for (size_t i = shot.pixels.size(); i-- > 0;) {
        if (shot.pixels[i] == expected.pixels[i]) continue;
        ++differing;
        first = i;
    }
    if (differing == 0) return ::testing::AssertionSuccess();
    const std::string path = ArtifactDirectory() + "\\picture-mismatch-" + std::to_string(++mismatches) + ".bmp";
    SaveBitmap(shot, path);
    char pixels[96];
    std::snprintf(pixels, sizeof pixels, "0x%06lX instead of 0x%06lX", static_cast<unsigned long>(shot.pixels[first]),
                  static_cast<unsigned long>(expected.pixels[first]));
    return ::testing::AssertionFailure() << expression << ": " << differing << " of " << shot.pixels.size()
                                         << " pixels differ from plate_picture.bmp, the first at (" << first % shot.width
                                         << ", " << first / shot.width << "): " << pixels << "; saved as " << path;
}

::testing::AssertionResult SameText(const char* actualExpression, const char* expectedExpression,
                                    const std::string& actual, const std::string& expected) {
    if (actual == expected) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << actualExpression << " is \"" << Readable(actual) << "\", expected \""
                                         << Readable(expected) << "\" (" << expectedExpression << ")";
}

}  // namespace e2e
