// What the fields take from the keyboard and the clipboard: typed characters go through each
// edit control's own keyboard handling (WM_CHAR, or WM_KEYDOWN through the program's
// TranslateMessage), pasting through Ctrl+V.
#include <gtest/gtest.h>

#include <string>

#include "fixture.h"

namespace e2e {
namespace {

// Letters, a decimal point, signs, an exponent letter, a blank and a Cyrillic letter, typed at
// the end of the field. The digits-only fields refuse each of them, so nothing changes and nothing
// is recomputed; the free-text fields take them all, and the text still reads as its number.
constexpr char kNonDigits[] = "a.-e +Ж";

struct Typing {
    const char* name;
    Field field;
    const char* after;
    const char* energy;
    const char* reactance;
    const char* plate;
};
constexpr Typing kTypings[] = {
    // name            field         text after        energy   reactance  plate
    {"Voltage",        Voltage,      "2200",           kKept,   kKept,     kKept},
    {"Frequency",      Frequency,    "50",             kKept,   kKept,     kKept},
    {"SideA",          SideA,        "100",            kKept,   kKept,     kKept},
    {"SideB",          SideB,        "100",            kKept,   kKept,     kKept},
    {"Capacitance",    Capacitance,  "3.3a.-e +Ж",     "7.986", "965.065", kKept},
    {"Thickness",      Thickness,    "4.5a.-e +Ж",     kKept,   kKept,     "98.3778"},
    {"Permittivity",   Permittivity, "5a.-e +Ж",       kKept,   kKept,     kKept},
};

class TypedNonDigits : public DorvelTest, public ::testing::WithParamInterface<Typing> {};

TEST_P(TypedNonDigits, AreRefusedOnlyByDigitsOnlyFields) {
    const Typing& c = GetParam();
    MarkResults(app);
    ClickField(app, c.field);
    TypeInto(app, c.field, kNonDigits);
    EXPECT_TEXT(Text(app, c.field), c.after);
    ExpectResults(app, c.energy, c.reactance, c.plate);
    // A digit is taken by every input field.
    TypeInto(app, c.field, "7");
    EXPECT_TEXT(Text(app, c.field), std::string(c.after) + "7");
}

INSTANTIATE_TEST_SUITE_P(Fields, TypedNonDigits, ::testing::ValuesIn(kTypings), CaseName<Typing>);

// Pasted over the whole text: every input field takes it as it is, the digits-only ones included.
constexpr char kPasted[] = "-12.5x";

struct Pasting {
    const char* name;
    Field field;
    const char* energy;
    const char* reactance;
    const char* plate;
};
constexpr Pasting kPastings[] = {
    // name            field         energy           reactance    plate
    {"Voltage",        Voltage,      "2.57813e-004",  kKept,       kKept},
    {"Frequency",      Frequency,    kKept,           "-3860.26",  kKept},
    {"SideA",          SideA,        kKept,           kKept,       "-12.2972"},
    {"SideB",          SideB,        kKept,           kKept,       "-12.2972"},
    {"Capacitance",    Capacitance,  "-30.25",        "-254.777",  kKept},
    {"Thickness",      Thickness,    kKept,           kKept,       "-35.416"},
    {"Permittivity",   Permittivity, kKept,           kKept,       kKept},
};

class PastedText : public DorvelTest, public ::testing::WithParamInterface<Pasting> {};

TEST_P(PastedText, IsTakenUnfiltered) {
    const Pasting& c = GetParam();
    ClickField(app, c.field);
    MarkResults(app);
    Paste(app, c.field, kPasted);
    EXPECT_TEXT(Text(app, c.field), kPasted);
    ExpectResults(app, c.energy, c.reactance, c.plate);
}

INSTANTIATE_TEST_SUITE_P(Fields, PastedText, ::testing::ValuesIn(kPastings), CaseName<Pasting>);

// Long texts of 100,000 characters in each input field: each reads as the number it begins with,
// however far into the text that number reaches. Wine's edit control lays out a long run of
// digits very slowly (30,000 digits take seconds), so the runs of digits here stop at 2,000 and
// letters, signs or blanks make up the rest. For the permittivity, which triggers nothing, a "5"
// typed after the thickness then recomputes (d = 4.55).
constexpr int kLongLength = 100000;
constexpr int kDigitRun = 2000;

struct LongText {
    const char* name;
    Field field;
    const char* head;  // the text begins with this,
    char run;          // then kDigitRun of these (none when 0),
    char fill;         // is filled up with these to its length,
    const char* tail;  // and ends with this
    const char* energy;
    const char* reactance;
    const char* plate;
};

std::string MakeLong(const LongText& c, int length) {
    std::string text = c.head;
    if (c.run) text.append(kDigitRun, c.run);
    text.append(length - text.size() - std::string(c.tail).size(), c.fill);
    return text + c.tail;
}

void RecomputeAfterPermittivity(const Dorvel& app, const LongText& c) {
    if (c.field != Permittivity) return;
    ClickField(app, Thickness);
    TypeInto(app, Thickness, "5");
}

void ExpectLongResults(const Dorvel& app, const LongText& c) {
    ASSERT_EQ(WaitForSingleObject(app.process.hProcess, 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "the program ended";
    ExpectResults(app, c.energy, c.reactance, c.plate);
}

// Written with WM_SETTEXT, which no length limit stops: the program reads the whole text.
constexpr LongText kLongTexts[] = {
    // name                    field         head   run  fill tail  energy        reactance   plate
    {"VoltageThenLetters",     Voltage,      "3",   0,   'x', "",   "1.485e-005", kKept,      kKept},
    {"CapacitanceThirds",      Capacitance,  "3.",  '3', 'x', "",   "8.06667",    "955.414",  kKept},
    {"FrequencyLeadingBlanks", Frequency,    "",    0,   ' ', "7",  kKept,        "6893.32",  kKept},
    {"SideAHugeNumber",        SideA,        "1",   '0', 'x', "",   kKept,        kKept,      "1.#INF"},
    {"SideBThenSigns",         SideB,        "25",  0,   '-', "",   kKept,        kKept,      "24.5944"},
    {"ThicknessTrailingZeros", Thickness,    "4.5", '0', ' ', "",   kKept,        kKept,      "98.3778"},
    {"PermittivityThenD",      Permittivity, "3.",  '0', 'e', "",   kKept,        kKept,      "58.378"},
};

class LongText100k : public DorvelTest, public ::testing::WithParamInterface<LongText> {};

TEST_P(LongText100k, ReadsAsTheNumberItBeginsWith) {
    const LongText& c = GetParam();
    const std::string text = MakeLong(c, kLongLength);
    MarkResults(app);
    SetText(app.fields[c.field], text, kLongTextTimeoutMs);
    RecomputeAfterPermittivity(app, c);
    EXPECT_TRUE(Text(app.fields[c.field], kLongTextTimeoutMs) == text) << "the field holds the whole text";
    ExpectLongResults(app, c);
}

INSTANTIATE_TEST_SUITE_P(Fields, LongText100k, ::testing::ValuesIn(kLongTexts), CaseName<LongText>);

// Pasted, 100,000 characters: the edit control keeps as many as its default limit allows (the
// program sets none: 30,000 under Wine, 32,767 on Windows), and the program reads what it keeps.
// Only the frequency differs from the whole text: its 7 is cut off, and blanks read as 0.
constexpr LongText kPastedLongTexts[] = {
    // name                    field         head   run  fill tail  energy        reactance   plate
    {"VoltageThenLetters",     Voltage,      "3",   0,   'x', "",   "1.485e-005", kKept,      kKept},
    {"CapacitanceThirds",      Capacitance,  "3.",  '3', 'x', "",   "8.06667",    "955.414",  kKept},
    {"FrequencyLeadingBlanks", Frequency,    "",    0,   ' ', "7",  kKept,        "1.#INF",   kKept},
    {"SideAHugeNumber",        SideA,        "1",   '0', 'x', "",   kKept,        kKept,      "1.#INF"},
    {"SideBThenSigns",         SideB,        "25",  0,   '-', "",   kKept,        kKept,      "24.5944"},
    {"ThicknessTrailingZeros", Thickness,    "4.5", '0', ' ', "",   kKept,        kKept,      "98.3778"},
    {"PermittivityThenD",      Permittivity, "3.",  '0', 'e', "",   kKept,        kKept,      "58.378"},
};

class PastedLongText : public DorvelTest, public ::testing::WithParamInterface<LongText> {};

TEST_P(PastedLongText, IsCutToTheControlsLimitAndRead) {
    const LongText& c = GetParam();
    const std::string text = MakeLong(c, kLongLength);
    const int limit = TextLimit(app.fields[c.field]);
    ASSERT_GE(limit, 30000) << "a limit set by the program";
    ASSERT_LT(limit, kLongLength);
    ClickField(app, c.field);
    MarkResults(app);
    Paste(app, c.field, text);
    RecomputeAfterPermittivity(app, c);
    EXPECT_TRUE(Text(app.fields[c.field], kLongTextTimeoutMs) == text.substr(0, limit))
        << "the field holds the first " << limit << " characters";
    ExpectLongResults(app, c);
}

INSTANTIATE_TEST_SUITE_P(Fields, PastedLongText, ::testing::ValuesIn(kPastedLongTexts), CaseName<LongText>);

// Around the 15-byte buffer that a field reading could be limited to: blanks, then a 7.
TEST(LongTextLengths, FrequencyReadsTheWholeTextAtEveryLength) {
    Dorvel app;
    std::string error;
    ASSERT_TRUE(Start(app, {}, &error)) << error;
    for (int length : {13, 14, 15, 16, 100, 1000, 30000, kLongLength}) {
        SCOPED_TRACE("length " + std::to_string(length));
        SetText(app.fields[Reactance], kKept);
        SetText(app.fields[Frequency], std::string(length - 1, ' ') + "7", kLongTextTimeoutMs);
        EXPECT_TEXT(Text(app, Reactance), "6893.32");
    }
    Finish(app, "FrequencyReadsTheWholeTextAtEveryLength");
}

using Fields = DorvelTest;

TEST_F(Fields, KeyPressesReachTheFieldThroughTranslateMessage) {
    ClickField(app, SideA);
    Key(app, app.fields[SideA], '7');
    EXPECT_TEXT(Text(app, SideA), "1007");
    EXPECT_TEXT(Text(app, PlateCapacitance), "990.664");
}

TEST_F(Fields, TabDoesNotMoveTheFocus) {
    for (Field field : {Voltage, Capacitance, Thickness}) {
        SCOPED_TRACE(FieldName(field));
        ClickField(app, field);
        ASSERT_EQ(FocusOf(app), app.fields[field]);
        Key(app, app.fields[field], VK_TAB);
        EXPECT_EQ(FocusOf(app), app.fields[field]);
    }
    EXPECT_TEXT(Text(app, Voltage), "2200");
}

TEST_F(Fields, WideTextScrollsInsteadOfBeingRefused) {
    const std::string digits = "1234567890123456789012345678901234567890";
    for (Field field : {Voltage, Capacitance, SideA, Permittivity}) {
        SCOPED_TRACE(FieldName(field));
        const std::string before = Text(app, field);
        ClickField(app, field);
        TypeInto(app, field, digits);
        EXPECT_TEXT(Text(app, field), before + digits);
        // The caret at the end stays in view; the text's beginning has scrolled out to the left.
        const LRESULT first = Send(app.fields[field], EM_POSFROMCHAR, 0, 0);
        EXPECT_LT(static_cast<short>(LOWORD(first)), 0) << "x of the first character";
    }
}

struct ResultCase {
    const char* name;
    Field field;
    const char* text;
};
constexpr ResultCase kResults[] = {
    // name                field             text at start
    {"Energy",             Energy,           "7.986"},
    {"Reactance",          Reactance,        "965.065"},
    {"PlateCapacitance",   PlateCapacitance, "98.3778"},
};

class ResultField : public DorvelTest, public ::testing::WithParamInterface<ResultCase> {};

TEST_P(ResultField, CanBeCopiedButNotChanged) {
    const ResultCase& c = GetParam();
    HWND hwnd = app.fields[c.field];
    ClickField(app, c.field);
    EXPECT_EQ(FocusOf(app), hwnd) << "a read-only field still takes the focus";
    TypeInto(app, c.field, "12");
    SelectAll(app, c.field);
    TypeInto(app, c.field, "\b");       // Backspace
    Key(app, hwnd, VK_DELETE);
    TypeInto(app, c.field, "\x18");     // Ctrl+X
    SetClipboardText("555");
    TypeInto(app, c.field, "\x16");     // Ctrl+V
    Send(hwnd, WM_PASTE, 0, 0);
    EXPECT_TEXT(Text(hwnd), c.text);
    EXPECT_NE(GetWindowLongA(hwnd, GWL_STYLE) & ES_READONLY, 0);

    SetClipboardText("");
    SelectAll(app, c.field);
    Send(hwnd, WM_COPY, 0, 0);
    EXPECT_TEXT(ClipboardText(), c.text);
}

INSTANTIATE_TEST_SUITE_P(Results, ResultField, ::testing::ValuesIn(kResults), CaseName<ResultCase>);

}  // namespace
}  // namespace e2e
