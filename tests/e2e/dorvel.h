// Driving Dorvel.exe from another process, as a user and as Windows would: starting it, finding
// its window and controls, reading and writing them with window messages, typing into them through
// their own keyboard handling, and closing it. Texts are Windows-1251 bytes throughout.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "probe_log.h"

namespace e2e {

// The form's fields, in the program's own numbering.
enum Field : int {
    Voltage,
    Capacitance,
    Frequency,
    Energy,
    Reactance,
    SideA,
    SideB,
    Thickness,
    Permittivity,
    PlateCapacitance,
    Material,
    kFieldCount
};
constexpr int kNoField = -1;

struct ControlRow {
    const char* className;
    const char* text;  // nullptr: no text at creation
    DWORD style;
    int x, y, width, height;
    int id;
    int field;         // Field, or kNoField for frames and labels
};

constexpr int kControlCount = 34;
extern const ControlRow kControls[kControlCount];

constexpr int kMaterialCount = 24;
constexpr int kDefaultMaterial = 10;
extern const char* const kMaterialNames[kMaterialCount];

const char* FieldName(int field);

// Every message to the program waits at most this long: a hung program fails the test, not the run.
constexpr UINT kMessageTimeoutMs = 5000;
// Except where a field holds a very long text, which an edit control takes its time to lay out.
constexpr UINT kLongTextTimeoutMs = 60000;

struct Dorvel {
    PROCESS_INFORMATION process{};
    HWND main = nullptr;
    HWND controls[kControlCount] = {};  // children in z-order, top first: creation order when right
    int controlCount = 0;               // how many children were found
    HWND fields[kFieldCount] = {};      // by the control table's binding
    HHOOK hooks[4] = {};
    HANDLE probeMapping = nullptr;
    ProbeLog* probe = nullptr;
    HANDLE probeMarked = nullptr;       // set by the probe when it sees a marker taken
    // Results read as soon as the window was first seen visible, before any input.
    std::string firstSeenTexts[kFieldCount];
};

struct StartOptions {
    bool probe = false;         // the probe hooked into the program's thread before it runs at all
    int showCommand = -1;       // -1: none given, the system's default
};

void SetDorvelPath(const std::string& path);
void SetProbePath(const std::string& path);
const std::string& DorvelPath();

// Starts the program and waits for its window to be visible and idle; false and a reason when not.
bool Start(Dorvel& app, const StartOptions& options, std::string* error);
// Closes the window by WM_CLOSE unless already gone; the exit code is checked later (see e2e_main).
void Finish(Dorvel& app, const char* testName);
// Waits for the process to end; its exit code, or STILL_ACTIVE after the timeout.
DWORD WaitForExit(Dorvel& app, DWORD timeoutMs);
// Waits for every program closed by Finish and fails for each that did not end with exit code 0.
void CheckPendingExits();

// Window messages with a timeout. The W form is used where a text comes back through a pointer that
// the system copies between the processes in Unicode (list entries).
LRESULT Send(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT timeoutMs = kMessageTimeoutMs);
LRESULT SendW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT timeoutMs = kMessageTimeoutMs);
void Post(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

std::string Text(HWND hwnd, UINT timeoutMs = kMessageTimeoutMs);  // WM_GETTEXT, Windows-1251
// WM_SETTEXT: triggers the field's rules like any change of its text.
void SetText(HWND hwnd, const std::string& text, UINT timeoutMs = kMessageTimeoutMs);
std::string Text(const Dorvel& app, Field field);
int TextLimit(HWND edit);                        // EM_GETLIMITTEXT: the most the user can type or paste
std::string ClassOf(HWND hwnd);
RECT ClientRectIn(HWND child, HWND parent);     // the child's window rectangle in the parent's client coordinates

// Waits until the program's thread has handled every message posted to it so far.
void Sync(const Dorvel& app);
// The same through the probe in one round and without polling: a marker posted behind the rest is
// reported when the program takes it. A key press posted here must make no character, since
// TranslateMessage would post that behind the marker. False when not seen within the timeout.
bool WaitForPosted(Dorvel& app, DWORD timeoutMs = kMessageTimeoutMs);

// Keyboard and mouse, posted to the control as the system would deliver them.
void Click(const Dorvel& app, HWND hwnd, int x, int y);
void ClickField(const Dorvel& app, Field field);       // a click near the right end: focus, caret at the end
void Type(const Dorvel& app, HWND hwnd, const std::string& text);  // WM_CHAR per byte
void TypeInto(const Dorvel& app, Field field, const std::string& text);
void Key(const Dorvel& app, HWND hwnd, UINT virtualKey);  // WM_KEYDOWN and WM_KEYUP
void SelectAll(const Dorvel& app, Field field);
void ReplaceText(const Dorvel& app, Field field, const std::string& text);  // select all, type; "" empties by Backspace

// The clipboard as text in Windows-1251.
bool SetClipboardText(const std::string& text);
std::string ClipboardText();
void Paste(const Dorvel& app, Field field, const std::string& text);  // select all, clipboard, Ctrl+V

// The thread's keyboard focus, as the system keeps it.
HWND FocusOf(const Dorvel& app);

// The material list.
std::string ListEntry(HWND list, int index);  // CB_GETLBTEXT through the W message
int ListSelection(const Dorvel& app);
HWND DroppedList(const Dorvel& app);          // the list box window of the opened list, or nullptr
// Opens the list with a click, scrolls the entry into view with the list's scroll bar, clicks it.
void SelectByMouse(const Dorvel& app, int index);

// The probe's records, from `from` on.
std::vector<ProbeEvent> ProbeEvents(const Dorvel& app, int from = 0);
int ProbeCount(const Dorvel& app);

// What the probe counts inside the program (a ProbedDorvelTest): its drawing and window objects,
// and the paints of its main window so far.
ProbeObjects CountObjects(const Dorvel& app);
void MakeObjects(const Dorvel& app, int count);  // `count` more of each kind, kept by the probe
void FreeObjects(const Dorvel& app);
int PaintCount(const Dorvel& app);
// The program's private memory in bytes: GetProcessMemoryInfo's PagefileUsage, the commit charge
// (Windows gives the same as PrivateUsage). Wine leaves PrivateUsage 0 and fills this one with the
// resident anonymous memory of the Unix process: RssAnon and VmSwap of /proc/<pid>/status.
SIZE_T PrivateBytes(const Dorvel& app);

// Pixels of the screen inside the window's rectangle, 32 bits a pixel, top row first.
struct Capture {
    int width = 0, height = 0;
    std::vector<DWORD> pixels;  // 0x00RRGGBB
    DWORD At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};
Capture CaptureScreen(const RECT& screen);
Capture CaptureWindow(HWND hwnd);
Capture CaptureClient(HWND hwnd, int x, int y, int width, int height);  // a rectangle of the client area
bool SaveBitmap(const Capture& capture, const std::string& path);
// A 24-bit bitmap file, as SaveBitmap writes it and as the program's picture is kept in the sources.
bool ReadBitmap(const std::string& path, Capture* image, std::string* error);

// Where the program paints its picture, in client coordinates, at its own size.
constexpr int kPictureX = 175;
constexpr int kPictureY = 190;
constexpr int kPictureWidth = 240;
constexpr int kPictureHeight = 250;
constexpr RECT kPictureRect = {kPictureX, kPictureY, kPictureX + kPictureWidth, kPictureY + kPictureHeight};
Capture PictureOnScreen(const Dorvel& app);
// resources/plate_picture.bmp, the source of the program's picture resource; empty when unreadable.
const Capture& PlatePicture();
const std::string& ArtifactDirectory();
void SetArtifactDirectory(const std::string& path);

}  // namespace e2e
