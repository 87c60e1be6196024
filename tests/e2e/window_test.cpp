// The main window as a whole: closing it, its fixed size, the show command, a second instance.
#include <gtest/gtest.h>

#include <algorithm>

#include "fixture.h"

namespace e2e {
namespace {

constexpr DWORD kExitTimeoutMs = 15000;
constexpr LPARAM kAltDown = 1 << 29;  // the context code of a key pressed with Alt

// A point of the main window, in screen coordinates, whose hit test gives `code`.
bool FindHit(HWND main, LRESULT code, POINT* at) {
    RECT r{};
    GetWindowRect(main, &r);
    for (int y = r.top; y < r.top + 40; ++y) {
        for (int x = r.right - 1; x > r.right - 120; --x) {
            if (Send(main, WM_NCHITTEST, 0, MAKELPARAM(x, y)) == code) {
                *at = {x, y};
                return true;
            }
        }
    }
    return false;
}

enum CloseWay { CloseMessage, SystemMenuClose, AltF4ToWindow, AltF4ToField, CloseBoxClick };
struct Closing {
    const char* name;
    CloseWay way;
};
constexpr Closing kClosings[] = {
    // name               way
    {"WmClose",           CloseMessage},
    {"SystemMenuClose",   SystemMenuClose},
    {"AltF4",             AltF4ToWindow},
    {"AltF4InAField",     AltF4ToField},
    {"CloseBox",          CloseBoxClick},
};

class Close : public DorvelTest, public ::testing::WithParamInterface<Closing> {};

TEST_P(Close, EndsTheProcessWithExitCodeZero) {
    const Closing& c = GetParam();
    const LPARAM f4 = 1 | (static_cast<LPARAM>(MapVirtualKeyA(VK_F4, MAPVK_VK_TO_VSC)) << 16) | kAltDown;
    switch (c.way) {
        case CloseMessage:
            Post(app.main, WM_CLOSE, 0, 0);
            break;
        case SystemMenuClose:
            Post(app.main, WM_SYSCOMMAND, SC_CLOSE, 0);
            break;
        case AltF4ToWindow:
            Post(app.main, WM_SYSKEYDOWN, VK_F4, f4);
            Post(app.main, WM_SYSKEYUP, VK_F4, f4 | 0xC0000000);
            break;
        case AltF4ToField:
            ClickField(app, Capacitance);
            ASSERT_EQ(FocusOf(app), app.fields[Capacitance]);
            Post(app.fields[Capacitance], WM_SYSKEYDOWN, VK_F4, f4);
            Post(app.fields[Capacitance], WM_SYSKEYUP, VK_F4, f4 | 0xC0000000);
            break;
        case CloseBoxClick: {
            POINT box{};
            ASSERT_TRUE(FindHit(app.main, HTCLOSE, &box)) << "no close box on the caption";
            SetCursorPos(box.x, box.y);
            Post(app.main, WM_NCLBUTTONDOWN, HTCLOSE, MAKELPARAM(box.x, box.y));
            POINT client = box;
            ScreenToClient(app.main, &client);
            Post(app.main, WM_LBUTTONUP, 0, MAKELPARAM(client.x, client.y));
            break;
        }
    }
    EXPECT_EQ(WaitForExit(app, kExitTimeoutMs), 0u);
    EXPECT_FALSE(IsWindow(app.main));
}

INSTANTIATE_TEST_SUITE_P(Ways, Close, ::testing::ValuesIn(kClosings), CaseName<Closing>);

// What a user can do to the frame: double-click the caption, drag a border, use the system menu.
// (WM_SYSCOMMAND with SC_MAXIMIZE or SC_SIZE sent by another program does maximise and size the
// window under Wine: the default handling does not look at the style; the program leaves both to it.)
using FixedSize = ProbedDorvelTest;

TEST_F(FixedSize, NoUserActionMaximisesOrResizesTheWindow) {
    RECT before{};
    GetWindowRect(app.main, &before);
    POINT caption{};
    ASSERT_TRUE(FindHit(app.main, HTCAPTION, &caption));
    Post(app.main, WM_NCLBUTTONDBLCLK, HTCAPTION, MAKELPARAM(caption.x, caption.y));
    Sync(app);
    EXPECT_FALSE(IsZoomed(app.main)) << "a double click on the caption maximised the window";

    // Every point of the frame answers as a plain border, none as a sizing edge or corner.
    const POINT edges[] = {
        {before.left, (before.top + before.bottom) / 2},
        {before.right - 1, (before.top + before.bottom) / 2},
        {(before.left + before.right) / 2, before.bottom - 1},
        {(before.left + before.right) / 2, before.top},
        {before.left, before.top},
        {before.right - 1, before.bottom - 1},
    };
    for (const POINT& p : edges) {
        const LRESULT hit = Send(app.main, WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y));
        EXPECT_TRUE(hit < HTSIZEFIRST || hit > HTSIZELAST) << "hit test " << hit << " at " << p.x << "," << p.y;
        EXPECT_NE(hit, HTGROWBOX);
    }

    // The system menu, opened with Alt+Space and closed with Escape: Size and Maximise greyed.
    const int from = ProbeCount(app);
    const LPARAM space = 1 | (static_cast<LPARAM>(MapVirtualKeyA(VK_SPACE, MAPVK_VK_TO_VSC)) << 16) | kAltDown;
    Post(app.main, WM_SYSKEYDOWN, VK_SPACE, space);
    Post(app.main, WM_SYSKEYUP, VK_SPACE, space | 0xC0000000);
    Sync(app);
    Key(app, app.main, VK_ESCAPE);
    Key(app, app.main, VK_ESCAPE);
    const std::vector<ProbeEvent> events = ProbeEvents(app, from);
    auto menu = std::find_if(events.begin(), events.end(), [](const ProbeEvent& e) { return e.kind == ProbeSystemMenu; });
    ASSERT_NE(menu, events.end()) << "Alt+Space opened no system menu";
    for (int i = 0; i < kProbeMenuCommandCount; ++i) {
        const UINT command = kProbeMenuCommands[i];
        const int state = menu->menuStates[i];
        SCOPED_TRACE("system menu command 0x" + std::to_string(command));
        if (command == SC_SIZE || command == SC_MAXIMIZE) {
            EXPECT_TRUE(state == -1 || (state & MF_GRAYED)) << "state " << state;
        } else if (command != SC_RESTORE) {
            EXPECT_TRUE(state != -1 && !(state & (MF_GRAYED | MF_DISABLED))) << "state " << state;
        }
    }
    RECT after{};
    GetWindowRect(app.main, &after);
    EXPECT_EQ(after.right - after.left, 430);
    EXPECT_EQ(after.bottom - after.top, 480);
}

struct ShowCase {
    const char* name;
    int command;
    bool visible;
    bool iconic;
};
constexpr ShowCase kShowCases[] = {
    // name             show command          visible iconic
    {"Normal",          SW_SHOWNORMAL,        true,   false},
    {"Minimised",       SW_SHOWMINNOACTIVE,   true,   true},
    {"Hidden",          SW_HIDE,              false,  false},
};

class ShowCommand : public ::testing::TestWithParam<ShowCase> {};

TEST_P(ShowCommand, IsHonoured) {
    const ShowCase& c = GetParam();
    Dorvel app;
    StartOptions options;
    options.showCommand = c.command;
    std::string error;
    ASSERT_TRUE(Start(app, options, &error)) << error;
    EXPECT_EQ(IsWindowVisible(app.main) != FALSE, c.visible);
    EXPECT_EQ(IsIconic(app.main) != FALSE, c.iconic);
    EXPECT_TEXT(Text(app, PlateCapacitance), "98.3778");
    Finish(app, c.name);
}

INSTANTIATE_TEST_SUITE_P(Start, ShowCommand, ::testing::ValuesIn(kShowCases), CaseName<ShowCase>);

// Activation gives the focus to the main window itself, not to the field that had it: typing
// starts after a click into a field.
using Focus = DorvelTest;

TEST_F(Focus, ActivationFocusesTheMainWindowNotTheLastField) {
    EXPECT_EQ(FocusOf(app), app.main) << "at start";
    ClickField(app, Capacitance);
    ASSERT_EQ(FocusOf(app), app.fields[Capacitance]);
    Send(app.main, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    Send(app.main, WM_SYSCOMMAND, SC_RESTORE, 0);
    Sync(app);
    EXPECT_EQ(FocusOf(app), app.main) << "after minimise and restore";
}

TEST(SecondInstance, HasAWindowOfItsOwn) {
    Dorvel first, second;
    std::string error;
    ASSERT_TRUE(Start(first, {}, &error)) << error;
    ASSERT_TRUE(Start(second, {}, &error)) << error;
    EXPECT_NE(first.main, second.main);
    ReplaceText(first, Voltage, "1");
    EXPECT_TEXT(Text(first, Energy), "1.65e-006");
    EXPECT_TEXT(Text(second, Voltage), "2200");
    EXPECT_TEXT(Text(second, Energy), "7.986");
    Finish(second, "HasAWindowOfItsOwn/second");
    Finish(first, "HasAWindowOfItsOwn/first");
}

}  // namespace
}  // namespace e2e
