// The window and its 34 controls as another process sees them, and as the program created them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "fixture.h"

namespace e2e {
namespace {

// Wine's frame around a 430x480 window of this style leaves this client area.
constexpr int kWineClientWidth = 424;
constexpr int kWineClientHeight = 455;

// Wine's drop-down list drops WS_VSCROLL from its own style (the opened list box gets it) and
// reports the closed height of its selection field instead of the height it was created with.
constexpr DWORD kListStyleWithoutScrollBar = 0x50200003 & ~WS_VSCROLL;

std::string Describe(HWND hwnd, HWND parent) {
    const RECT r = ClientRectIn(hwnd, parent);
    return ClassOf(hwnd) + " at " + std::to_string(r.left) + "," + std::to_string(r.top);
}

using Layout = DorvelTest;

TEST_F(Layout, ChildrenFollowTheControlTableInCreationOrder) {
    // A child created later goes below its elder siblings, so the z-order from GW_CHILD down is
    // the creation order (Windows and Wine alike); the class and position of each say which it is.
    std::string order;
    bool inOrder = true;
    for (int i = 0; i < kControlCount; ++i) {
        const RECT r = ClientRectIn(app.controls[i], app.main);
        const bool same = _stricmp(ClassOf(app.controls[i]).c_str(), kControls[i].className) == 0 &&
                          r.left == kControls[i].x && r.top == kControls[i].y;
        inOrder = inOrder && same;
        order += "\n  #" + std::to_string(i + 1) + " " + Describe(app.controls[i], app.main) + (same ? "" : "  <- differs");
    }
    ASSERT_TRUE(inOrder) << "children in z-order:" << order;

    for (int i = 0; i < kControlCount; ++i) {
        const ControlRow& row = kControls[i];
        HWND hwnd = app.controls[i];
        SCOPED_TRACE("control #" + std::to_string(i + 1) + " " + row.className + " " + (row.text ? row.text : ""));
        EXPECT_EQ(ClassOf(hwnd), row.className);
        EXPECT_EQ(GetParent(hwnd), app.main) << "a direct child of the main window";
        EXPECT_EQ(GetWindowLongA(hwnd, GWL_EXSTYLE), 0);
        EXPECT_EQ(GetWindowLongA(hwnd, GWL_ID), row.id);
        EXPECT_EQ(Send(hwnd, WM_GETFONT, 0, 0), 0) << "no font set: the system font";
        const DWORD style = static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE));
        const RECT r = ClientRectIn(hwnd, app.main);
        EXPECT_EQ(r.left, row.x);
        EXPECT_EQ(r.top, row.y);
        EXPECT_EQ(r.right - r.left, row.width);
        if (row.field == Material) {
            EXPECT_EQ(style, kListStyleWithoutScrollBar) << std::hex << "style 0x" << style;
            // The height it was created with is what the opened list reaches to.
            RECT dropped{};
            Send(hwnd, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
            MapWindowPoints(nullptr, app.main, reinterpret_cast<POINT*>(&dropped), 2);
            EXPECT_EQ(dropped.left, row.x);
            EXPECT_EQ(dropped.top, row.y);
            EXPECT_EQ(dropped.right - dropped.left, row.width);
        } else {
            EXPECT_EQ(style, row.style) << std::hex << "style 0x" << style;
            EXPECT_EQ(r.bottom - r.top, row.height);
        }
        if (row.text) {
            EXPECT_TEXT(Text(hwnd), row.text);
        }
    }
}

// The picture is painted at client (175, 190), 240 by 250, over the lower frame (#17) alone.
TEST_F(Layout, NoControlButTheLowerFrameOverlapsThePicture) {
    const RECT picture{175, 190, 175 + 240, 190 + 250};
    for (int i = 0; i < kControlCount; ++i) {
        const RECT r = ClientRectIn(app.controls[i], app.main);
        RECT overlap{};
        const bool overlaps = IntersectRect(&overlap, &r, &picture) != FALSE;
        EXPECT_EQ(overlaps, i == 16) << "control #" << i + 1 << " " << Describe(app.controls[i], app.main);
    }
}

TEST_F(Layout, MainWindowHasFixedSizeCaptionAndNoMaximiseBox) {
    EXPECT_TEXT(Text(app.main), "Varnitz");
    EXPECT_EQ(GetParent(app.main), nullptr);
    const DWORD style = static_cast<DWORD>(GetWindowLongA(app.main, GWL_STYLE));
    // Of the style given at creation, 0x00CA0000, all is kept; the system adds WS_VISIBLE by
    // showing the window and WS_CLIPSIBLINGS, which every top-level window has.
    EXPECT_EQ(style, 0x00CA0000u | WS_VISIBLE | WS_CLIPSIBLINGS) << std::hex << "style 0x" << style;
    EXPECT_EQ(style & (WS_MAXIMIZEBOX | WS_THICKFRAME | WS_CLIPCHILDREN), 0u);
    EXPECT_EQ(GetClassLongA(app.main, GCL_STYLE), static_cast<DWORD>(CS_DBLCLKS));
    RECT outer{}, client{};
    GetWindowRect(app.main, &outer);
    GetClientRect(app.main, &client);
    EXPECT_EQ(outer.right - outer.left, 430);
    EXPECT_EQ(outer.bottom - outer.top, 480);
    EXPECT_EQ(client.right, kWineClientWidth);
    EXPECT_EQ(client.bottom, kWineClientHeight);
}

TEST_F(Layout, ListHoldsTheMaterialsInTableOrderWithGlassSelected) {
    HWND list = app.fields[Material];
    ASSERT_EQ(Send(list, CB_GETCOUNT, 0, 0), kMaterialCount);
    for (int i = 0; i < kMaterialCount; ++i) {
        EXPECT_TEXT(ListEntry(list, i), kMaterialNames[i]) << "entry " << i;
    }
    EXPECT_EQ(FindWindowExA(list, nullptr, "Edit", nullptr), nullptr) << "a drop-down list has no edit field";
    // "Стекло" is the beginning of "Стеклотекстолит" (21), which a careless search would find.
    EXPECT_EQ(ListSelection(app), kDefaultMaterial);
    EXPECT_TEXT(Text(list), "Стекло");
    EXPECT_TEXT(Text(app, Permittivity), "5") << "the default selection writes nothing";
}

using ProbedLayout = ProbedDorvelTest;

// What the program passed to CreateWindowExA, seen inside it: the exact arguments, in creation
// order, before the system adjusts any of them.
TEST_F(ProbedLayout, WindowsAreCreatedWithTheTableArguments) {
    const std::vector<ProbeEvent> events = ProbeEvents(app);
    std::vector<ProbeEvent> created;
    for (const ProbeEvent& e : events) {
        if (e.kind == ProbeCreate) created.push_back(e);
    }
    ASSERT_FALSE(created.empty());
    const ProbeEvent& main = created[0];
    EXPECT_TEXT(main.className, kMainWindowClass);
    EXPECT_TEXT(main.text, "Varnitz");
    EXPECT_EQ(main.style, 0x00CA0000u) << "created hidden, without maximise box or sizing border";
    EXPECT_EQ(main.exStyle & ~WS_EX_WINDOWEDGE, 0u) << "the system adds WS_EX_WINDOWEDGE to a captioned window";
    EXPECT_EQ(main.parent, 0u);
    EXPECT_EQ(main.id, 0);
    EXPECT_EQ(main.width, 430);
    EXPECT_EQ(main.height, 480);
    EXPECT_EQ(main.hwnd, reinterpret_cast<UINT64>(app.main));

    std::vector<ProbeEvent> children;
    for (const ProbeEvent& e : created) {
        if (e.parent == reinterpret_cast<UINT64>(app.main)) children.push_back(e);
    }
    ASSERT_EQ(children.size(), static_cast<size_t>(kControlCount));
    for (int i = 0; i < kControlCount; ++i) {
        const ControlRow& row = kControls[i];
        const ProbeEvent& e = children[i];
        SCOPED_TRACE("control #" + std::to_string(i + 1) + " " + row.className + " " + (row.text ? row.text : ""));
        // Wine hands the hook the class name as the manifest redirects it, "6.0.2600.2982!Button",
        // and spells that one "Combobox"; class names ignore case.
        const std::string created = e.className;
        const std::string name = created.substr(created.find('!') == std::string::npos ? 0 : created.find('!') + 1);
        EXPECT_EQ(_stricmp(name.c_str(), row.className), 0) << "class " << created;
        if (row.text) {
            EXPECT_TEXT(e.text, row.text);
        } else {
            EXPECT_EQ(e.textLength, -1) << "created without text, got \"" << e.text << "\"";
        }
        EXPECT_EQ(e.style, row.style) << std::hex << "style 0x" << e.style;
        EXPECT_EQ(e.exStyle, 0u);
        EXPECT_EQ(e.x, row.x);
        EXPECT_EQ(e.y, row.y);
        EXPECT_EQ(e.width, row.width);
        EXPECT_EQ(e.height, row.height);
        EXPECT_EQ(e.id, row.id);
        EXPECT_EQ(e.hwnd, reinterpret_cast<UINT64>(app.controls[i])) << "the same window as the z-order's #" << i + 1;
    }
}

TEST_F(ProbedLayout, ClassRecordAsRegistered) {
    const std::vector<ProbeEvent> events = ProbeEvents(app);
    auto it = std::find_if(events.begin(), events.end(), [](const ProbeEvent& e) { return e.kind == ProbeClass; });
    ASSERT_NE(it, events.end()) << "the probe saw no first WM_SHOWWINDOW";
    EXPECT_TEXT(it->className, kMainWindowClass);
    EXPECT_EQ(it->wParam, static_cast<UINT64>(CS_DBLCLKS)) << "no CS_HREDRAW, no CS_VREDRAW";
    EXPECT_EQ(it->lParam, static_cast<UINT64>(COLOR_BTNFACE + 1)) << "the button face brush";
    EXPECT_EQ(it->hasIcon, 3) << "large (bit 0) and small (bit 1) icon from the icon group";
    EXPECT_EQ(it->standardArrow, 1) << "the system's arrow cursor";
}

}  // namespace
}  // namespace e2e
