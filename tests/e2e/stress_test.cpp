// The window under stress: ten thousand typed characters and deletions over the seven input
// fields, each followed by a repaint; a thousand material selections by keyboard and mouse; texts
// of a megabyte pasted and set into the free-text fields. Throughout, every step is handled and
// every message answered within a second. Afterwards a known set of inputs gives the known
// results, and the program's drawing and window objects and its memory are back where they were.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "fixture.h"

namespace e2e {
namespace {

constexpr int kKeystrokes = 10000;        // typed characters and deletions; each is followed by a repaint
constexpr int kSelections = 1000;
constexpr int kMouseSelectionEvery = 3;   // every third selection with the mouse, the others with keys
constexpr int kFieldChangeEvery = 16;     // on average, a click into another field
constexpr size_t kMaxTypedLength = 12;    // longer texts are only shortened: Wine's edit control grows slow
constexpr size_t kPastedLength = 1 << 20;
// Wine hands a sent message's text to the receiving window procedure on that thread's stack, in
// UTF-16: a WM_SETTEXT of more than about 1,040,000 characters overflows the program's 2 MiB
// stack and ends it (with exit code 0). A million characters go through.
constexpr size_t kSetLength = 1000000;
constexpr int kKeystrokesBesideLongTexts = 60;  // in fields whose rules read the long texts
constexpr double kBoundMs = 1000;         // every step handled, every message answered, every repaint done
constexpr double kLongTextBoundMs = 10000;  // a megabyte pasted or a million characters set
// Private memory after the keystrokes and selections, against before: no growth beyond the heap's
// granularity. A read buffer leaked at each keystroke adds over a megabyte here.
constexpr SIZE_T kMemoryNoise = 256 << 10;
// After the long texts: Wine's edit control keeps its text and undo buffers at the largest size
// they have had, two bytes a character, which is 4 MB for each of the three fields that held a
// million characters, and the heap keeps freed blocks. A leaked read of a long text would add a
// megabyte or two at each of the keystrokes beside them.
constexpr SIZE_T kLongTextMemory = 32 << 20;

constexpr Field kInputs[] = {Voltage, Capacitance, Frequency, SideA, SideB, Thickness, Permittivity};
constexpr Field kFreeTextInputs[] = {Capacitance, Thickness, Permittivity};
constexpr char kNonDigits[] = "abxyz.-e";

struct StartInput {
    Field field;
    const char* text;
};
// Typed in this order at the end: the permittivity before the thickness, whose change recomputes
// the plate capacitance with it.
constexpr StartInput kStartInputs[] = {
    // field        text
    {Permittivity,  "5"},
    {Voltage,       "2200"},
    {Capacitance,   "3.3"},
    {Frequency,     "50"},
    {SideA,         "100"},
    {SideB,         "100"},
    {Thickness,     "4.5"},
};

double NowMs() {
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// A fixed sequence: a failure comes back the same in the next run.
struct Random {
    UINT32 state;
    int Below(int n) {
        state = state * 1664525u + 1013904223u;
        return static_cast<int>((state >> 8) % static_cast<UINT32>(n));
    }
};

struct Durations {
    const char* name;
    std::vector<double> ms;

    double Max() const { return ms.empty() ? 0 : *std::max_element(ms.begin(), ms.end()); }
    double Percentile(double p) const {
        if (ms.empty()) return 0;
        std::vector<double> sorted = ms;
        std::sort(sorted.begin(), sorted.end());
        return sorted[static_cast<size_t>(p / 100 * static_cast<double>(sorted.size() - 1))];
    }
    void Print() const {
        std::printf("    %-34s %6zu, max %8.2f ms, 99th percentile %7.2f ms, median %6.2f ms\n", name, ms.size(), Max(),
                    Percentile(99), Percentile(50));
    }
};

// What an edit control holds after the keys typed into it: the driver's own account, to see that
// no key is lost, doubled or refused where it should be taken, and that nothing else writes there.
struct EditModel {
    std::string text;
    size_t caret;
    bool digitsOnly;
};

enum KeyKind { Character, Backspace, Delete, Home, Left, End };

void Apply(EditModel& edit, KeyKind kind, char c) {
    switch (kind) {
        case Character:
            if (edit.digitsOnly && (c < '0' || c > '9')) return;
            edit.text.insert(edit.caret++, 1, c);
            return;
        case Backspace:
            if (edit.caret > 0) edit.text.erase(--edit.caret, 1);
            return;
        case Delete:
            if (edit.caret < edit.text.size()) edit.text.erase(edit.caret, 1);
            return;
        case Home: edit.caret = 0; return;
        case Left: edit.caret -= edit.caret > 0 ? 1 : 0; return;
        case End: edit.caret = edit.text.size(); return;
    }
}

SIZE_T KiB(SIZE_T bytes) { return bytes >> 10; }

class StressInput : public ProbedDorvelTest {
protected:
    Durations answers{"WM_NULL answered after a step", {}};
    Durations steps{"step posted until handled", {}};
    Durations repaints{"repaint (RDW_UPDATENOW)", {}};
    Durations mouseSelections{"selection by mouse, whole", {}};
    Durations longTexts{"long text pasted or set", {}};
    Random random{20240611u};
    EditModel edits[kFieldCount];
    Field focused = Voltage;
    int typed = 0, refused = 0, backspaces = 0, deletes = 0, caretKeys = 0, repainted = 0;
    int keySelections = 0, mouseSelectionCount = 0, mismatches = 0;

    // The figures count from here on.
    void ClearFigures() {
        for (Durations* d : {&answers, &steps, &repaints, &mouseSelections, &longTexts}) d->ms.clear();
        typed = refused = backspaces = deletes = caretKeys = repainted = keySelections = mouseSelectionCount = 0;
    }

    // A synchronous message sent while the step may still be under way.
    void Answer() {
        DWORD_PTR result = 0;
        const double started = NowMs();
        if (!SendMessageTimeoutA(app.main, WM_NULL, 0, 0, SMTO_NORMAL, kMessageTimeoutMs, &result)) {
            ADD_FAILURE() << "WM_NULL not answered within " << kMessageTimeoutMs << " ms";
        }
        answers.ms.push_back(NowMs() - started);
    }

    void Handled(double posted, Durations& into) {
        if (!WaitForPosted(app)) ADD_FAILURE() << "posted messages not handled within " << kMessageTimeoutMs << " ms";
        into.ms.push_back(NowMs() - posted);
    }

    void PostKey(HWND hwnd, UINT key) {
        const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyA(key, MAPVK_VK_TO_VSC)) << 16;
        Post(hwnd, WM_KEYDOWN, key, 1 | scan);
        Post(hwnd, WM_KEYUP, key, 1 | scan | 0xC0000000);
    }

    // A click at the right end of the field and End: the focus there, the caret after the text.
    void Focus(Field field) {
        HWND hwnd = app.fields[field];
        RECT r{};
        GetClientRect(hwnd, &r);
        const LPARAM at = MAKELPARAM(r.right - 2, r.bottom / 2);
        const double posted = NowMs();
        Post(hwnd, WM_MOUSEMOVE, 0, at);
        Post(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, at);
        Post(hwnd, WM_LBUTTONUP, 0, at);
        PostKey(hwnd, VK_END);
        Answer();
        Handled(posted, steps);
        focused = field;
        edits[field].text = Text(app, field);
        edits[field].caret = edits[field].text.size();
    }

    void Repaint() {
        const double started = NowMs();
        RedrawWindow(app.main, &kPictureRect, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        repaints.ms.push_back(NowMs() - started);
        ++repainted;
    }

    // One key into the focused field, chosen at random; true when it typed or deleted a character.
    bool TypeOneKey() {
        EditModel& edit = edits[focused];
        HWND hwnd = app.fields[focused];
        const bool grow = edit.text.size() < kMaxTypedLength;
        int roll = random.Below(100);
        if (!grow && roll < 60) roll = 60 + random.Below(32);
        const KeyKind kind = roll < 60 ? Character : roll < 80 ? Backspace : roll < 92 ? Delete
                           : roll < 95 ? Home : roll < 98 ? Left : End;
        const char c = roll < 45 ? static_cast<char>('0' + random.Below(10))
                                 : kNonDigits[random.Below(static_cast<int>(sizeof kNonDigits - 1))];
        const double posted = NowMs();
        switch (kind) {
            case Character:
            case Backspace:
                Post(hwnd, WM_CHAR, kind == Backspace ? VK_BACK : static_cast<unsigned char>(c), 1);
                break;
            case Delete: PostKey(hwnd, VK_DELETE); break;
            case Home: PostKey(hwnd, VK_HOME); break;
            case Left: PostKey(hwnd, VK_LEFT); break;
            case End: PostKey(hwnd, VK_END); break;
        }
        Answer();
        Handled(posted, steps);
        const size_t before = edit.text.size();
        Apply(edit, kind, c);
        if (kind == Character) (edit.text.size() > before ? typed : refused) += 1;
        if (kind == Backspace) ++backspaces;
        if (kind == Delete) ++deletes;
        if (kind >= Home) ++caretKeys;
        CheckText(focused);
        return kind <= Delete;
    }

    void CheckText(Field field) {
        const std::string actual = Text(app, field);
        if (actual == edits[field].text) return;
        if (++mismatches <= 5) {
            ADD_FAILURE() << FieldName(field) << " holds \"" << actual << "\", the keys typed make \"" << edits[field].text << "\"";
        }
        edits[field].text = actual;  // go on from what the field holds
        edits[field].caret = std::min(edits[field].caret, actual.size());
    }

    void TypeKeys(int keystrokes) {
        for (int done = 0; done < keystrokes;) {
            if (random.Below(kFieldChangeEvery) == 0) Focus(kInputs[random.Below(7)]);
            if (TypeOneKey()) {
                ++done;
                Repaint();
            }
        }
    }

    // One selection, different from the current one; the permittivity is marked first, and the
    // selection must write it again.
    void SelectOne(int count) {
        const int current = ListSelection(app);
        SetText(app.fields[Permittivity], kKept);
        int expected;
        if (count % kMouseSelectionEvery == kMouseSelectionEvery - 1) {
            expected = (current + 1 + random.Below(kMaterialCount - 1)) % kMaterialCount;
            const double started = NowMs();
            SelectByMouse(app, expected);
            mouseSelections.ms.push_back(NowMs() - started);
            Answer();
            ++mouseSelectionCount;
        } else {
            // Down, Up, Home or End, whichever moves the selection.
            constexpr UINT kKeys[] = {VK_DOWN, VK_UP, VK_HOME, VK_END};
            UINT key;
            do {
                key = kKeys[random.Below(4)];
                expected = key == VK_DOWN ? current + 1 : key == VK_UP ? current - 1 : key == VK_HOME ? 0 : kMaterialCount - 1;
            } while (expected < 0 || expected >= kMaterialCount || expected == current);
            const double posted = NowMs();
            PostKey(app.fields[Material], key);
            Answer();
            Handled(posted, steps);
            ++keySelections;
        }
        EXPECT_EQ(ListSelection(app), expected) << "selection " << count;
        EXPECT_NE(Text(app, Permittivity), kKept) << "selection " << count << " wrote no permittivity";
    }

    // A click opens the list and gives it the focus; Escape closes it again without a change.
    void FocusList() {
        RECT closed{};
        GetClientRect(app.fields[Material], &closed);
        Click(app, app.fields[Material], closed.right / 2, closed.bottom / 2);
        Key(app, app.fields[Material], VK_ESCAPE);
    }

    void SelectMaterials(int count) {
        FocusList();
        for (int i = 0; i < count; ++i) SelectOne(i);
    }

    // The start inputs typed over whatever the fields hold; the results known from the start.
    void TypeStartInputs() {
        if (ListSelection(app) != kDefaultMaterial) SelectByMouse(app, kDefaultMaterial);
        for (const StartInput& input : kStartInputs) {
            const double started = NowMs();
            ReplaceText(app, input.field, input.text);
            steps.ms.push_back(NowMs() - started);
            Answer();
        }
        for (const StartInput& input : kStartInputs) {
            EXPECT_TEXT(Text(app, input.field), input.text);
            edits[input.field].text = input.text;
            edits[input.field].caret = edits[input.field].text.size();
        }
        ExpectResults(app, "7.986", "965.065", "98.3778");
    }

    // Every count taken in the same state: start texts, the focus in the voltage field.
    ProbeObjects Objects() {
        ClickField(app, Voltage);
        focused = Voltage;
        return CountObjects(app);
    }

    void LongTexts() {
        // Letters after the number: Wine's edit control lays out long runs of digits very slowly.
        std::string pasted(kPastedLength, 'x');
        pasted.replace(0, 4, "2.5e");
        ASSERT_TRUE(SetClipboardText(pasted));
        for (Field field : kFreeTextInputs) {
            SCOPED_TRACE(FieldName(field));
            Focus(field);
            Send(app.fields[field], EM_SETSEL, 0, -1);
            const double posted = NowMs();
            Post(app.fields[field], WM_CHAR, 0x16, 1);  // Ctrl+V
            Answer();
            Handled(posted, longTexts);
            // The edit control takes no more than its limit: 30,000 under Wine, 32,767 on Windows.
            EXPECT_EQ(Send(app.fields[field], WM_GETTEXTLENGTH, 0, 0), TextLimit(app.fields[field]));
        }
        std::string set(kSetLength, 'y');
        set.replace(0, 3, "7.5");
        for (Field field : kFreeTextInputs) {
            SCOPED_TRACE(FieldName(field));
            const double started = NowMs();
            SetText(app.fields[field], set, kLongTextTimeoutMs);
            longTexts.ms.push_back(NowMs() - started);
            Answer();
            EXPECT_EQ(Send(app.fields[field], WM_GETTEXTLENGTH, 0, 0), static_cast<LRESULT>(kSetLength));
        }
        // Keys in the fields whose rules read the long texts: the voltage and the frequency read the
        // capacitance, the sides read the thickness and the permittivity.
        constexpr Field kBeside[] = {Voltage, Frequency, SideA, SideB};
        for (int i = 0; i < kKeystrokesBesideLongTexts; ++i) {
            const Field field = kBeside[i / 2 % 4];
            if (i % 2 == 0) Focus(field);
            const double posted = NowMs();
            Post(app.fields[field], WM_CHAR, i % 2 == 0 ? '1' : VK_BACK, 1);
            Answer();
            Handled(posted, steps);
            Apply(edits[field], i % 2 == 0 ? Character : Backspace, '1');
            CheckText(field);
        }
    }
};

TEST_F(StressInput, WindowKeepsAnsweringAndEndsWithTheRightResultsObjectsAndMemory) {
    const double started = NowMs();
    for (const ControlRow& row : kControls) {
        if (row.field != kNoField) edits[row.field].digitsOnly = (row.style & ES_NUMBER) != 0;
    }
    Focus(Voltage);
    // A little of everything first, so that what the program or the system makes once is there
    // before the counts are taken.
    TypeKeys(200);
    SelectMaterials(12);
    TypeStartInputs();
    const ProbeObjects objectsBefore = Objects();
    const SIZE_T memoryBefore = PrivateBytes(app);
    const int paintsBefore = PaintCount(app);
    ClearFigures();

    TypeKeys(kKeystrokes);
    const int typedKeystrokes = typed + backspaces + deletes + refused;
    SelectMaterials(kSelections);
    TypeStartInputs();
    const ProbeObjects objectsMiddle = Objects();
    const SIZE_T memoryMiddle = PrivateBytes(app);

    LongTexts();
    const SIZE_T memoryLong = PrivateBytes(app);
    TypeStartInputs();
    const ProbeObjects objectsAfter = Objects();
    const SIZE_T memoryAfter = PrivateBytes(app);
    const int paints = PaintCount(app) - paintsBefore;

    std::printf("    keystrokes: %d (%d characters typed, %d refused by digits-only fields, %d backspaces, %d deletes), "
                "%d caret keys; %d repaints, %d paints seen\n",
                typedKeystrokes, typed, refused, backspaces, deletes, caretKeys, repainted, paints);
    std::printf("    selections: %d by keys, %d by mouse; long texts: %zu characters pasted and %zu set into each of "
                "3 fields, %d keys beside them\n",
                keySelections, mouseSelectionCount, kPastedLength, kSetLength, kKeystrokesBesideLongTexts);
    for (const Durations* d : {&answers, &steps, &repaints, &mouseSelections, &longTexts}) d->Print();
    PrintObjects("before", objectsBefore);
    PrintObjects("after keys, selections", objectsMiddle);
    PrintObjects("after long texts", objectsAfter);
    std::printf("    private memory: %zu KiB before, %zu KiB after keys and selections, %zu KiB holding long texts, "
                "%zu KiB at the end\n",
                KiB(memoryBefore), KiB(memoryMiddle), KiB(memoryLong), KiB(memoryAfter));
    std::printf("    run time %.1f s\n", (NowMs() - started) / 1000);

    EXPECT_GE(typedKeystrokes, kKeystrokes);
    EXPECT_EQ(mismatches, 0) << "field texts that differ from the keys typed";
    EXPECT_GE(paints, repainted);
    EXPECT_LE(answers.Max(), kBoundMs);
    EXPECT_LE(steps.Max(), kBoundMs);
    EXPECT_LE(repaints.Max(), kBoundMs);
    EXPECT_LE(mouseSelections.Max(), kBoundMs);
    EXPECT_LE(longTexts.Max(), kLongTextBoundMs);
    EXPECT_PRED_FORMAT2(SameObjects, objectsBefore, objectsMiddle);
    EXPECT_PRED_FORMAT2(SameObjects, objectsBefore, objectsAfter);
    EXPECT_LE(memoryMiddle, memoryBefore + kMemoryNoise) << "KiB: " << KiB(memoryBefore) << " -> " << KiB(memoryMiddle);
    EXPECT_LE(memoryAfter, memoryBefore + kLongTextMemory) << "KiB: " << KiB(memoryBefore) << " -> " << KiB(memoryAfter);
    EXPECT_PICTURE(PictureOnScreen(app));
}

}  // namespace
}  // namespace e2e
