// The program's drawing and window objects, counted inside it by the probe: first that the counts
// see objects at all, then that painting again and again leaves them where they were.
#include <gtest/gtest.h>

#include <cstdio>

#include "fixture.h"

namespace e2e {

void PrintObjects(const char* when, const ProbeObjects& o) {
    std::printf("    objects %-22s GDI %5d (bitmaps %d, brushes %d, contexts %d); USER windows %d, menus %d, icons %d\n",
                when, o.gdi, o.bitmaps, o.brushes, o.dcs, o.windows, o.menus, o.icons);
}

::testing::AssertionResult SameObjects(const char* beforeExpression, const char* afterExpression,
                                       const ProbeObjects& before, const ProbeObjects& after) {
    struct Kind {
        const char* name;
        int ProbeObjects::*count;
    };
    constexpr Kind kKinds[] = {
        {"GDI objects", &ProbeObjects::gdi},   {"bitmaps", &ProbeObjects::bitmaps}, {"brushes", &ProbeObjects::brushes},
        {"contexts", &ProbeObjects::dcs},      {"windows", &ProbeObjects::windows}, {"menus", &ProbeObjects::menus},
        {"icons", &ProbeObjects::icons},
    };
    ::testing::AssertionResult result = ::testing::AssertionSuccess();
    std::string differences;
    for (const Kind& kind : kKinds) {
        if (before.*kind.count == after.*kind.count) continue;
        differences += std::string("\n  ") + kind.name + ": " + std::to_string(before.*kind.count) + " -> " +
                       std::to_string(after.*kind.count);
    }
    if (differences.empty()) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << beforeExpression << " and " << afterExpression << " differ:" << differences;
}

namespace {

using ObjectCounts = ProbedDorvelTest;

// The counts are a tool of the other tests: objects made in the program must show in them one
// for one, and disappear again when freed. (The first round loads the system's shared icon that
// the probe copies its icons from, which stays.)
TEST_F(ObjectCounts, SeeObjectsMadeAndFreedInTheProgram) {
    MakeObjects(app, 1);
    FreeObjects(app);
    const ProbeObjects before = CountObjects(app);
    PrintObjects("at start", before);
    EXPECT_GT(before.gdi, 0);
    EXPECT_GT(before.windows, kControlCount) << "the main window, its controls and the list's own";
    EXPECT_GT(before.icons, 0) << "the class icons";

    constexpr int kMade = 20;
    MakeObjects(app, kMade);
    const ProbeObjects made = CountObjects(app);
    PrintObjects("20 of each made", made);
    EXPECT_EQ(made.brushes - before.brushes, kMade);
    EXPECT_EQ(made.dcs - before.dcs, kMade);
    // Each icon keeps bitmaps of its own besides the one made.
    EXPECT_GE(made.bitmaps - before.bitmaps, 2 * kMade);
    EXPECT_EQ((made.bitmaps - before.bitmaps - kMade) % kMade, 0) << "the same number of bitmaps for each icon";
    EXPECT_EQ(made.gdi - before.gdi, (made.bitmaps - before.bitmaps) + 2 * kMade);
    EXPECT_EQ(made.windows - before.windows, kMade);
    EXPECT_EQ(made.menus - before.menus, kMade);
    EXPECT_EQ(made.icons - before.icons, kMade);

    FreeObjects(app);
    const ProbeObjects after = CountObjects(app);
    PrintObjects("freed", after);
    EXPECT_PRED_FORMAT2(SameObjects, before, after);
}

// Painting again and again: each paint loads the picture, makes a memory context, copies and frees
// both, so the counts must stay exactly where they were; a leak of one object per paint would show
// as thousands. The picture must still be the bitmap's afterwards.
constexpr int kRepaints = 10000;
constexpr int kMinimiseCycles = 1000;  // each waits for its paint: about 25 ms under Wine
constexpr DWORD kPaintTimeoutMs = 5000;

using StressRepaint = ProbedDorvelTest;

TEST_F(StressRepaint, TenThousandPaintsLeaveTheObjectCountsAndThePicture) {
    // RDW_UPDATENOW sends the WM_PAINT before RedrawWindow returns, from another process too.
    auto repaint = [this] {
        RedrawWindow(app.main, &kPictureRect, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    };
    for (int i = 0; i < 10; ++i) repaint();
    const ProbeObjects before = CountObjects(app);
    const int paintsBefore = PaintCount(app);
    const DWORD started = GetTickCount();
    for (int i = 0; i < kRepaints; ++i) repaint();
    const DWORD took = GetTickCount() - started;
    const ProbeObjects after = CountObjects(app);
    std::printf("    %d paints in %lu ms\n", PaintCount(app) - paintsBefore, static_cast<unsigned long>(took));
    PrintObjects("before the paints", before);
    PrintObjects("after the paints", after);
    // Wine adds a few paints of its own.
    EXPECT_GE(PaintCount(app) - paintsBefore, kRepaints) << "paints the main window handled";
    EXPECT_PRED_FORMAT2(SameObjects, before, after);
    EXPECT_PICTURE(PictureOnScreen(app));
}

// Minimised and restored: the whole window is painted again, the controls too.
TEST_F(StressRepaint, MinimiseAndRestoreCyclesLeaveTheObjectCountsAndThePicture) {
    // One cycle first: the first restore makes what every later one reuses.
    auto cycle = [this] {
        const int paints = PaintCount(app);
        Send(app.main, WM_SYSCOMMAND, SC_MINIMIZE, 0);
        Send(app.main, WM_SYSCOMMAND, SC_RESTORE, 0);
        const DWORD started = GetTickCount();
        while (PaintCount(app) == paints) {
            if (GetTickCount() - started > kPaintTimeoutMs) return false;
            WaitForPosted(app);
            Sleep(1);
        }
        return true;
    };
    ASSERT_TRUE(cycle()) << "no paint after the restore";
    WaitForPosted(app);
    const ProbeObjects before = CountObjects(app);
    const DWORD started = GetTickCount();
    int cycles = 0;
    for (; cycles < kMinimiseCycles; ++cycles) {
        if (!cycle()) break;
    }
    const DWORD took = GetTickCount() - started;
    EXPECT_EQ(cycles, kMinimiseCycles) << "cycles after which the window was painted again";
    WaitForPosted(app);
    const ProbeObjects after = CountObjects(app);
    std::printf("    %d minimise and restore cycles in %lu ms\n", cycles, static_cast<unsigned long>(took));
    PrintObjects("before the cycles", before);
    PrintObjects("after the cycles", after);
    EXPECT_FALSE(IsIconic(app.main));
    EXPECT_PRED_FORMAT2(SameObjects, before, after);
    EXPECT_PICTURE(PictureOnScreen(app));
}

}  // namespace
}  // namespace e2e
