// Which results each change rewrites, with which text, and which notifications the window acts on.
#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

#include "fixture.h"

namespace e2e {
namespace {

// One character typed at the end of one field, all other fields at their start texts.
struct Rewrite {
    const char* name;
    Field field;
    const char* typed;
    const char* fieldAfter;
    const char* energy;
    const char* reactance;
    const char* plate;
};
constexpr Rewrite kRewrites[] = {
    // name                  field             typed  field after  energy    reactance  plate
    {"Voltage",              Voltage,          "1",   "22001",     "798.673", kKept,    kKept},
    {"Capacitance",          Capacitance,      "3",   "3.33",      "8.0586",  "956.37", kKept},
    {"Frequency",            Frequency,        "0",   "500",       kKept,     "96.5065", kKept},
    {"SideA",                SideA,            "0",   "1000",      kKept,     kKept,    "983.778"},
    {"SideB",                SideB,            "0",   "1000",      kKept,     kKept,    "983.778"},
    {"Thickness",            Thickness,        "5",   "4.55",      kKept,     kKept,    "97.2967"},
    {"Permittivity",         Permittivity,     "0",   "50",        kKept,     kKept,    kKept},
    // Read-only: the typed character is refused and nothing changes.
    {"Energy",               Energy,           "1",   kKept,       kKept,     kKept,    kKept},
    {"Reactance",            Reactance,        "1",   kKept,       kKept,     kKept,    kKept},
    {"PlateCapacitance",     PlateCapacitance, "1",   kKept,       kKept,     kKept,    kKept},
};

class TypedCharacter : public DorvelTest, public ::testing::WithParamInterface<Rewrite> {};

TEST_P(TypedCharacter, RewritesExactlyTheResultsOfItsRules) {
    const Rewrite& c = GetParam();
    MarkResults(app);
    ClickField(app, c.field);
    EXPECT_EQ(FocusOf(app), app.fields[c.field]) << "a click gives the field the focus";
    TypeInto(app, c.field, c.typed);
    EXPECT_TEXT(Text(app, c.field), c.fieldAfter);
    ExpectResults(app, c.energy, c.reactance, c.plate);
}

INSTANTIATE_TEST_SUITE_P(Fields, TypedCharacter, ::testing::ValuesIn(kRewrites), CaseName<Rewrite>);

// A change made by typing: the whole text replaced (select all, then the keys), or keys typed at
// the end of the text. "" replaced empties the field with Backspace; "\b" appended is a Backspace.
enum EditKind { Replace, Append };
struct Step {
    Field field;
    EditKind kind;
    const char* text;
};
constexpr int kMaxSteps = 3;

// Results after the last step; the markers go in just before it, so kKept means the last step
// left that result alone.
struct Scenario {
    const char* name;
    Step steps[kMaxSteps];
    int stepCount;
    const char* energy;
    const char* reactance;
    const char* plate;
};
constexpr Scenario kScenarios[] = {
    // name                               steps                                                                     n  energy        reactance     plate
    {"TypedPermittivityRecomputesNothing", {{Permittivity, Replace, "10"}},                                          1, kKept,        kKept,        kKept},
    {"NextThicknessChangeUsesIt",          {{Permittivity, Replace, "10"}, {Thickness, Append, "5"}, {Thickness, Append, "\b"}},
                                                                                                                     3, kKept,        kKept,        "196.756"},
    {"EmptyThicknessKeepsPlate",           {{Thickness, Replace, ""}},                                              1, kKept,        kKept,        kKept},
    {"ZeroThicknessIsInfinite",            {{Thickness, Replace, ""}, {Thickness, Append, "0"}},                    2, kKept,        kKept,        "1.#INF"},
    {"EmptyPermittivityReadsAsZero",       {{Permittivity, Replace, ""}, {SideA, Append, "0"}},                     2, kKept,        kKept,        "0"},
    {"EmptySideAKeepsPlate",               {{SideA, Replace, ""}},                                                  1, kKept,        kKept,        kKept},
    {"EmptySideBKeepsPlate",               {{SideB, Replace, ""}},                                                  1, kKept,        kKept,        kKept},
    {"EmptySideAStopsThickness",           {{SideA, Replace, ""}, {Thickness, Append, "5"}},                        2, kKept,        kKept,        kKept},
    {"EmptyCapacitanceKeepsBoth",          {{Capacitance, Replace, ""}},                                            1, kKept,        kKept,        kKept},
    {"BlankCapacitanceReadsAsZero",        {{Capacitance, Replace, ""}, {Capacitance, Append, " "}},                2, "0",          "1.#INF",     kKept},
    {"NegativeCapacitance",                {{Capacitance, Replace, "-3.3"}},                                        1, "-7.986",     "-965.065",   kKept},
    {"NegativeZeroCapacitance",            {{Capacitance, Replace, "-0"}},                                          1, "-0",         "-1.#INF",    kKept},
    {"CommaEndsTheNumber",                 {{Capacitance, Replace, "3,3"}},                                         1, "7.26",       "1061.57",    kKept},
    {"ExponentInCapacitance",              {{Capacitance, Replace, "1e-3"}},                                        1, "2.42e-003",  "3.18471e+006", kKept},
    {"EmptyVoltageKeepsEnergy",            {{Voltage, Replace, ""}},                                                1, kKept,        kKept,        kKept},
    {"EmptyVoltageStopsOnlyEnergy",        {{Voltage, Replace, ""}, {Capacitance, Append, "3"}},                    2, kKept,        "956.37",     kKept},
    {"EmptyFrequencyKeepsReactance",       {{Frequency, Replace, ""}},                                              1, kKept,        kKept,        kKept},
    {"EmptyFrequencyStopsOnlyReactance",   {{Frequency, Replace, ""}, {Capacitance, Append, "3"}},                  2, "8.0586",     kKept,        kKept},
    {"ZeroFrequencyIsInfinite",            {{Frequency, Replace, "0"}},                                             1, kKept,        "1.#INF",     kKept},
    {"MegavoltEnergy",                     {{Voltage, Replace, "1000000"}},                                         1, "1.65e+006",  kKept,        kKept},
    {"UnitInputs",                         {{Voltage, Replace, "1"}, {Frequency, Replace, "1"}, {Capacitance, Replace, "1"}},
                                                                                                                     3, "5.e-007",    "159236",     kKept},
    {"ZeroSideAndThicknessIsNaN",          {{SideA, Replace, "0"}, {Thickness, Replace, "0"}},                      2, kKept,        kKept,        "-1.#IND"},
    {"NegativePermittivity",               {{Permittivity, Replace, "-5"}, {SideA, Replace, "100"}},                2, kKept,        kKept,        "-98.3778"},
    {"NegativeThickness",                  {{Thickness, Replace, "-4.5"}},                                          1, kKept,        kKept,        "-98.3778"},
};

class Recalculation : public DorvelTest, public ::testing::WithParamInterface<Scenario> {};

TEST_P(Recalculation, ResultsAfterTypedChanges) {
    const Scenario& c = GetParam();
    for (int i = 0; i < c.stepCount; ++i) {
        const Step& step = c.steps[i];
        if (i == c.stepCount - 1) MarkResults(app);
        if (step.kind == Replace) {
            ReplaceText(app, step.field, step.text);
        } else {
            ClickField(app, step.field);
            TypeInto(app, step.field, step.text);
        }
    }
    ExpectResults(app, c.energy, c.reactance, c.plate);
}

INSTANTIATE_TEST_SUITE_P(EdgeCases, Recalculation, ::testing::ValuesIn(kScenarios), CaseName<Scenario>);

// WM_COMMAND sent by hand to the main window: only EN_UPDATE from a field's control and
// CBN_SELCHANGE from the list do anything, and the control identifier plays no part.
// Before each, the results hold markers and the permittivity field "7" (ε = 7: "137.729").
constexpr int kNoSource = -2;
struct Forged {
    const char* name;
    int source;        // a control of the table by its number (1..34), or kNoSource for lParam 0
    WORD code;
    WORD id;
    bool clearSelection;  // CB_SETCURSEL -1 first: no entry selected
    const char* energy;
    const char* reactance;
    const char* plate;
    const char* permittivity;
};
constexpr WORD kEnUpdate = 0x0400;
constexpr Forged kForged[] = {
    // name                            source     code              id  clear  energy    reactance  plate      permittivity
    {"ChangeFromVoltage",              3,         EN_CHANGE,        0,  false, kKept,    kKept,     kKept,     "7"},
    {"UpdateFromVoltage",              3,         kEnUpdate,        0,  false, "7.986",  kKept,     kKept,     "7"},
    {"UpdateFromVoltageOtherId",       3,         kEnUpdate,        5,  false, "7.986",  kKept,     kKept,     "7"},
    {"UpdateFromCapacitance",          6,         kEnUpdate,        0,  false, "7.986",  "965.065", kKept,     "7"},
    {"UpdateFromSideAOtherId",         20,        kEnUpdate,        1,  false, kKept,    kKept,     "137.729", "7"},
    {"UpdateFromPermittivity",         30,        kEnUpdate,        0,  false, kKept,    kKept,     kKept,     "7"},
    {"UpdateFromResult",               12,        kEnUpdate,        0,  false, kKept,    kKept,     kKept,     "7"},
    {"UpdateFromList",                 34,        kEnUpdate,        1,  false, kKept,    kKept,     "137.729", "7"},
    {"UpdateFromLabel",                2,         kEnUpdate,        0,  false, kKept,    kKept,     kKept,     "7"},
    {"UpdateFromFrame",                17,        kEnUpdate,        0,  false, kKept,    kKept,     kKept,     "7"},
    {"UpdateWithoutControl",           kNoSource, kEnUpdate,        0,  false, kKept,    kKept,     kKept,     "7"},
    {"SetFocusFromVoltage",            3,         EN_SETFOCUS,      0,  false, kKept,    kKept,     kKept,     "7"},
    {"KillFocusFromCapacitance",       6,         EN_KILLFOCUS,     0,  false, kKept,    kKept,     kKept,     "7"},
    {"MaxTextFromThickness",           27,        EN_MAXTEXT,       0,  false, kKept,    kKept,     kKept,     "7"},
    {"HorizontalScrollFromSideA",      20,        EN_HSCROLL,       0,  false, kKept,    kKept,     kKept,     "7"},
    {"SelChangeFromVoltage",           3,         CBN_SELCHANGE,    0,  false, kKept,    kKept,     kKept,     "7"},
    {"SelChangeFromList",              34,        CBN_SELCHANGE,    1,  false, kKept,    kKept,     "98.3778", "5"},
    {"SelChangeFromListOtherId",       34,        CBN_SELCHANGE,    0,  false, kKept,    kKept,     "98.3778", "5"},
    {"SelChangeWithoutSelection",      34,        CBN_SELCHANGE,    1,  true,  kKept,    kKept,     kKept,     "7"},
    {"DropDownFromList",               34,        CBN_DROPDOWN,     1,  false, kKept,    kKept,     kKept,     "7"},
    {"SelEndOkFromList",               34,        CBN_SELENDOK,     1,  false, kKept,    kKept,     kKept,     "7"},
    {"CloseUpFromList",                34,        CBN_CLOSEUP,      1,  false, kKept,    kKept,     kKept,     "7"},
};

class Notification : public DorvelTest, public ::testing::WithParamInterface<Forged> {};

TEST_P(Notification, SentByHand) {
    const Forged& c = GetParam();
    ReplaceText(app, Permittivity, "7");
    if (c.clearSelection) {
        Send(app.fields[Material], CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
        ASSERT_TEXT(Text(app.fields[Material]), "");
    }
    MarkResults(app);
    const HWND source = c.source == kNoSource ? nullptr : app.controls[c.source - 1];
    EXPECT_EQ(Send(app.main, WM_COMMAND, MAKEWPARAM(c.id, c.code), reinterpret_cast<LPARAM>(source)), 0);
    ExpectResults(app, c.energy, c.reactance, c.plate);
    EXPECT_TEXT(Text(app, Permittivity), c.permittivity);
}

INSTANTIATE_TEST_SUITE_P(Commands, Notification, ::testing::ValuesIn(kForged), CaseName<Forged>);

// Inside the program: the order of the writes and the notifications they cause.
class WriteOrder : public ProbedDorvelTest {
protected:
    std::vector<std::pair<HWND, std::string>> WrittenSince(int from) const {
        std::vector<std::pair<HWND, std::string>> written;
        for (const ProbeEvent& e : ProbeEvents(app, from)) {
            if (e.kind == ProbeSetText) written.emplace_back(reinterpret_cast<HWND>(e.hwnd), e.text);
        }
        return written;
    }
    int UpdatesSince(int from, Field field) const {
        int count = 0;
        for (const ProbeEvent& e : ProbeEvents(app, from)) {
            if (e.kind == ProbeCommand && HIWORD(e.wParam) == kEnUpdate &&
                e.lParam == reinterpret_cast<UINT64>(app.fields[field])) {
                ++count;
            }
        }
        return count;
    }
};

TEST_F(WriteOrder, CapacitanceRewritesEnergyThenReactance) {
    ClickField(app, Capacitance);
    const int from = ProbeCount(app);
    TypeInto(app, Capacitance, "3");
    const std::vector<std::pair<HWND, std::string>> expected = {
        {app.fields[Energy], "8.0586"},
        {app.fields[Reactance], "956.37"},
    };
    EXPECT_EQ(WrittenSince(from), expected);
    // One update for the typed character; one nested update for each result written.
    EXPECT_EQ(UpdatesSince(from, Capacitance), 1);
    EXPECT_EQ(UpdatesSince(from, Energy), 1);
    EXPECT_EQ(UpdatesSince(from, Reactance), 1);
    EXPECT_EQ(UpdatesSince(from, PlateCapacitance), 0);
}

TEST_F(WriteOrder, TypedPermittivityWritesNothing) {
    ClickField(app, Permittivity);
    const int from = ProbeCount(app);
    TypeInto(app, Permittivity, "0");
    EXPECT_TRUE(WrittenSince(from).empty());
    EXPECT_EQ(UpdatesSince(from, Permittivity), 1);
}

// "Гетинакс" has the permittivity that the field already shows: it is written again all the
// same, and the plate capacitance recomputed.
TEST_F(WriteOrder, MaterialWritesPermittivityThenPlate) {
    const int from = ProbeCount(app);
    Post(app.fields[Material], WM_CHAR, static_cast<unsigned char>('Г'), 1);
    Sync(app);
    ASSERT_EQ(ListSelection(app), 1);
    const std::vector<std::pair<HWND, std::string>> expected = {
        {app.fields[Permittivity], "5"},
        {app.fields[PlateCapacitance], "98.3778"},
    };
    EXPECT_EQ(WrittenSince(from), expected);
    EXPECT_EQ(UpdatesSince(from, Permittivity), 1);
    EXPECT_EQ(UpdatesSince(from, PlateCapacitance), 1);
}

}  // namespace
}  // namespace e2e
