// What the program shows when it comes up, and when it is first painted.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "fixture.h"

namespace e2e {
namespace {

struct StartText {
    Field field;
    const char* text;
};
constexpr StartText kStartTexts[] = {
    // field             text at first display
    {Voltage,          "2200"},
    {Capacitance,      "3.3"},
    {Frequency,        "50"},
    {Energy,           "7.986"},
    {Reactance,        "965.065"},
    {SideA,            "100"},
    {SideB,            "100"},
    {Thickness,        "4.5"},
    {Permittivity,     "5"},
    {PlateCapacitance, "98.3778"},
    {Material,         "Стекло"},
};

using Start = DorvelTest;

TEST_F(Start, FieldsShowStartTextsAndResults) {
    for (const StartText& expected : kStartTexts) {
        EXPECT_TEXT(Text(app, expected.field), expected.text) << FieldName(expected.field);
    }
}

// Read as soon as the window was seen visible, before anything was typed or selected: no result
// waits for a first action of the user.
TEST_F(Start, ResultsAreThereWhenTheWindowIsFirstSeen) {
    for (const StartText& expected : kStartTexts) {
        if (expected.field != Energy && expected.field != Reactance && expected.field != PlateCapacitance) continue;
        EXPECT_TEXT(app.firstSeenTexts[expected.field], expected.text) << FieldName(expected.field);
    }
}

using ProbedStart = ProbedDorvelTest;

// Inside the program: the texts at its main window's first WM_SHOWWINDOW, while it is still hidden,
// and at its first WM_PAINT. The results are filled before anything of the window reaches the screen.
TEST_F(ProbedStart, ResultsAreFilledBeforeTheWindowIsShownOrPainted) {
    const std::vector<ProbeEvent> events = ProbeEvents(app);
    for (int kind : {ProbeShownText, ProbePaintedText}) {
        SCOPED_TRACE(kind == ProbeShownText ? "first WM_SHOWWINDOW" : "first WM_PAINT");
        std::vector<ProbeEvent> snapshot;
        std::copy_if(events.begin(), events.end(), std::back_inserter(snapshot),
                     [kind](const ProbeEvent& e) { return e.kind == kind; });
        ASSERT_EQ(snapshot.size(), static_cast<size_t>(kControlCount)) << "children at that moment";
        if (kind == ProbeShownText) {
            EXPECT_EQ(snapshot[0].mainVisible, 0) << "the window was visible before WM_SHOWWINDOW: created visible";
        }
        for (const StartText& expected : kStartTexts) {
            const HWND hwnd = app.fields[expected.field];
            auto it = std::find_if(snapshot.begin(), snapshot.end(),
                                   [hwnd](const ProbeEvent& e) { return e.hwnd == reinterpret_cast<UINT64>(hwnd); });
            ASSERT_NE(it, snapshot.end()) << FieldName(expected.field);
            EXPECT_TEXT(it->text, expected.text) << FieldName(expected.field);
        }
    }
    // RecalculateAll writes the plate capacitance, then the energy and the reactance, all before
    // the window is shown; nothing is written after.
    std::vector<std::pair<HWND, std::string>> written;
    bool shown = false;
    for (const ProbeEvent& e : events) {
        if (e.kind == ProbeShownText) shown = true;
        if (e.kind == ProbeSetText) {
            EXPECT_FALSE(shown) << "a field was written after the window was shown: " << e.text;
            written.emplace_back(reinterpret_cast<HWND>(e.hwnd), e.text);
        }
    }
    const std::vector<std::pair<HWND, std::string>> expected = {
        {app.fields[PlateCapacitance], "98.3778"},
        {app.fields[Energy], "7.986"},
        {app.fields[Reactance], "965.065"},
    };
    EXPECT_EQ(written, expected);
}

// The screenshot is kept as an artefact of the run; the picture's place is checked on it.
TEST_F(Start, ScreenshotShowsThePictureInsideTheLowerFrame) {
    Sync(app);
    const Capture shot = CaptureWindow(app.main);
    ASSERT_EQ(shot.width, 430);
    ASSERT_EQ(shot.height, 480);
    const std::string path = ArtifactDirectory() + "\\window.bmp";
    EXPECT_TRUE(SaveBitmap(shot, path)) << path;

    POINT origin{0, 0};
    ClientToScreen(app.main, &origin);
    RECT outer{};
    GetWindowRect(app.main, &outer);
    const int dx = origin.x - outer.left;
    const int dy = origin.y - outer.top;
    const DWORD face = GetSysColor(COLOR_BTNFACE);
    const DWORD faceRgb = (GetRValue(face) << 16) | (GetGValue(face) << 8) | GetBValue(face);

    int black = 0, red = 0;
    for (int y = 0; y < kPictureHeight; ++y) {
        for (int x = 0; x < kPictureWidth; ++x) {
            const DWORD p = shot.At(dx + kPictureX + x, dy + kPictureY + y);
            if (p == 0) ++black;
            if ((p >> 16) >= 0xC0 && ((p >> 8) & 0xFF) < 0x40 && (p & 0xFF) < 0x40) ++red;
        }
    }
    const int area = kPictureWidth * kPictureHeight;
    EXPECT_GT(black, area / 2) << "mostly black background of the picture";
    EXPECT_GT(red, 50) << "the red dimension lines and letters";
    // The picture's corners are black, the window's face just outside them.
    EXPECT_EQ(shot.At(dx + kPictureX, dy + kPictureY), 0u);
    EXPECT_EQ(shot.At(dx + kPictureX + kPictureWidth - 1, dy + kPictureY + kPictureHeight - 1), 0u);
    EXPECT_EQ(shot.At(dx + kPictureX - 3, dy + kPictureY + 100), faceRgb) << "left of the picture";
    EXPECT_EQ(shot.At(dx + kPictureX + 100, dy + kPictureY + kPictureHeight + 3), faceRgb) << "below the picture";
}

// Pixel for pixel the bitmap of the sources, unscaled, at its place.
TEST_F(Start, PictureIsTheBitmapFileAtFirstDisplay) {
    Sync(app);
    EXPECT_PICTURE(PictureOnScreen(app));
}

// A repaint comes when the program's queue is empty, after any message that could be waited for:
// the picture is watched until it is back, and compared exactly once more if it never comes.
void ExpectPictureComesBack(const Dorvel& app) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        Sync(app);
        if (PictureOnScreen(app).pixels == PlatePicture().pixels) return;
        Sleep(20);
    }
    EXPECT_PICTURE(PictureOnScreen(app)) << "the picture was not painted again unchanged";
}

TEST_F(Start, MinimiseAndRestoreRepaintThePictureAndKeepTheTexts) {
    ClickField(app, Capacitance);
    TypeInto(app, Capacitance, "3");
    const std::string energy = Text(app, Energy);

    Send(app.main, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    Sync(app);
    EXPECT_TRUE(IsIconic(app.main));
    Send(app.main, WM_SYSCOMMAND, SC_RESTORE, 0);
    Sync(app);
    ASSERT_FALSE(IsIconic(app.main));
    RECT restored{};
    GetWindowRect(app.main, &restored);
    EXPECT_EQ(restored.right - restored.left, 430);
    EXPECT_EQ(restored.bottom - restored.top, 480);
    EXPECT_TEXT(Text(app, Capacitance), "3.33");
    EXPECT_TEXT(Text(app, Energy), energy);
    ExpectPictureComesBack(app);
}

// A white window of the driver's own over the picture, then gone again. (Wine keeps a copy of
// each window's pixels and puts an uncovered part back from it without a WM_PAINT.)
TEST_F(Start, CoveredAndUncoveredRepaintsThePicture) {
    POINT origin{kPictureX, kPictureY};
    ClientToScreen(app.main, &origin);
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = "VarnitzE2eCover";
    RegisterClassA(&wc);
    HWND cover = CreateWindowExA(WS_EX_TOPMOST, wc.lpszClassName, "", WS_POPUP | WS_VISIBLE, origin.x - 10, origin.y - 10,
                                 kPictureWidth + 20, kPictureHeight + 20, nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(cover, nullptr);
    MSG message;
    for (int i = 0; i < 20; ++i) {
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
        Sleep(10);
    }
    const Capture covered = PictureOnScreen(app);
    DestroyWindow(cover);
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    EXPECT_NE(covered.pixels, PlatePicture().pixels) << "the cover did not cover the picture";
    ExpectPictureComesBack(app);
}

// The file properties that a user sees of the executable.
TEST(Resources, VersionRecord) {
    const std::string& path = DorvelPath();
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    ASSERT_GT(size, 0u) << "no version record";
    std::vector<char> data(size);
    ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, data.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed->dwFileVersionMS, 0x10001u) << "file version 1.1.0.0";
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x10001u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0u);
    EXPECT_EQ(fixed->dwFileFlagsMask, 0x17u);
    EXPECT_EQ(fixed->dwFileFlags, 0u);
    EXPECT_EQ(fixed->dwFileOS, static_cast<DWORD>(VOS__WINDOWS32));
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));

    WORD* translation = nullptr;
    ASSERT_TRUE(VerQueryValueA(data.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length));
    ASSERT_EQ(length, 4u) << "one language and code page pair";
    EXPECT_EQ(translation[0], 0x0419) << "Russian";
    EXPECT_EQ(translation[1], 0x04B0) << "Unicode";

    struct Entry {
        const char* key;
        const char* value;  // nullptr: any text but the empty one
    };
    constexpr Entry kEntries[] = {
        // key                 value
        {"CompanyName",        nullptr},
        {"FileDescription",    nullptr},
        {"OriginalFilename",   "Dorvel.exe"},
        {"ProductName",        "Varnitz"},
        {"ProductVersion",     "1.1"},
    };
    for (const Entry& entry : kEntries) {
        SCOPED_TRACE(entry.key);
        char* value = nullptr;
        const std::string key = std::string("\\StringFileInfo\\041904b0\\") + entry.key;
        ASSERT_TRUE(VerQueryValueA(data.data(), key.c_str(), reinterpret_cast<void**>(&value), &length));
        if (entry.value) {
            EXPECT_TEXT(value, entry.value);
        } else {
            EXPECT_GT(length, 1u);
        }
    }
}

}  // namespace
}  // namespace e2e
