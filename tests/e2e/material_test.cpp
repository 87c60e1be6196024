// Selecting a material as a user does: with the mouse in the opened list, with the arrow keys and
// letters in the closed list, with F4, arrows and Enter in the opened one. Each real change of the
// selection must reach the program as CBN_SELCHANGE and write the permittivity and the plate
// capacitance; a marker in both before each step shows that they were written again.
#include <gtest/gtest.h>

#include "fixture.h"

namespace e2e {
namespace {

// The permittivity each entry writes, and the plate capacitance with a = b = 100, d = 4.5.
struct MaterialResult {
    const char* permittivity;
    const char* plate;
};
constexpr MaterialResult kMaterialResults[kMaterialCount] = {
    // permittivity  plate        index  name
    {"2",            "39.3511"},  // 0   Сухая бумага
    {"5",            "98.3778"},  // 1   Гетинакс
    {"2.4",          "47.2213"},  // 2   Каучук
    {"3.5",          "68.8644"},  // 3   Кварц
    {"100",          "1967.56"},  // 4   Конд.керамика
    {"2000",         "39351.1"},  // 5   Метатитанат бария
    {"2",            "39.3511"},  // 6   Парафин
    {"3.5",          "68.8644"},  // 7   Оргстекло
    {"500",          "9837.78"},  // 8   Сегнетова соль
    {"5.7",          "112.151"},  // 9   Слюда
    {"5",            "98.3778"},  // 10  Стекло
    {"2.3",          "45.2538"},  // 11  Полиэтилен
    {"4.5",          "88.54"},    // 12  Фарфор
    {"81",           "1593.72"},  // 13  Вода дисц.
    {"2.2",          "43.2862"},  // 14  Масло трансф.
    {"4.6",          "90.5076"},  // 15  Масло кастор.
    {"27",           "531.24"},   // 16  Спирт этиловый
    {"2",            "39.3511"},  // 17  Фторопласт
    {"4",            "78.7022"},  // 18  Бумага промасл.
    {"8",            "157.404"},  // 19  Мрамор
    {"16",           "314.809"},  // 20  Аммиак
    {"5.5",          "108.216"},  // 21  Стеклотекстолит
    {"3",            "59.0267"},  // 22  Полистирол
    {"2.9",          "57.0591"},  // 23  Поливинилхлорид
};

void MarkMaterialOutputs(const Dorvel& app) {
    SetText(app.fields[Permittivity], kKept);
    SetText(app.fields[PlateCapacitance], kKept);
}

void ExpectMaterial(const Dorvel& app, int index) {
    EXPECT_EQ(ListSelection(app), index);
    EXPECT_TEXT(Text(app.fields[Material]), kMaterialNames[index]) << "the closed list shows the selected name";
    EXPECT_TEXT(Text(app, Permittivity), kMaterialResults[index].permittivity);
    EXPECT_TEXT(Text(app, PlateCapacitance), kMaterialResults[index].plate);
}

using Materials = DorvelTest;

TEST_F(Materials, EveryEntrySelectedWithTheMouseWritesItsPermittivity) {
    // From the start selection (10) on, each click picks a different entry than the one before.
    for (int index = 0; index < kMaterialCount; ++index) {
        SCOPED_TRACE(std::string("entry ") + std::to_string(index) + " " + kMaterialNames[index]);
        MarkMaterialOutputs(app);
        SelectByMouse(app, index);
        ExpectMaterial(app, index);
    }
}

// The closed list with the focus: arrows move the selection, a typed letter selects the next entry
// that begins with it, wrapping round at the end. (Wine's list ignores a lower-case Cyrillic
// letter, which Windows matches without regard to case; the steps use capitals.)
struct KeyStep {
    const char* name;
    UINT key;        // a virtual key, or 0
    wchar_t letter;  // a typed character, or 0
    int selection;
};
constexpr KeyStep kKeySteps[] = {
    // name                       key       letter  selection
    {"Down",                      VK_DOWN,  0,      11},
    {"Up",                        VK_UP,    0,      10},
    {"UpAgain",                   VK_UP,    0,      9},
    {"Home",                      VK_HOME,  0,      0},
    {"End",                       VK_END,   0,      23},
    {"LetterWrapsToMetatitanate", 0,        L'М',   5},
    {"LetterNextTransformerOil",  0,        L'М',   14},
    {"LetterNextCastorOil",       0,        L'М',   15},
    {"LetterNextMarble",          0,        L'М',   19},
    {"LetterWater",               0,        L'В',   13},
    {"LetterAlcohol",             0,        L'С',   16},
    {"LetterGlassTextolite",      0,        L'С',   21},
    {"LetterWrapsToDryPaper",     0,        L'С',   0},
    {"LetterGetinax",             0,        L'Г',   1},
};

TEST_F(Materials, KeyboardInTheClosedList) {
    HWND list = app.fields[Material];
    // A click opens the list and gives it the focus; Escape closes it again without a change.
    RECT closed{};
    GetClientRect(list, &closed);
    Click(app, list, closed.right / 2, closed.bottom / 2);
    ASSERT_NE(DroppedList(app), nullptr);
    Key(app, list, VK_ESCAPE);
    ASSERT_EQ(DroppedList(app), nullptr);
    ASSERT_EQ(FocusOf(app), list);
    ASSERT_EQ(ListSelection(app), kDefaultMaterial);

    for (const KeyStep& step : kKeySteps) {
        SCOPED_TRACE(step.name);
        MarkMaterialOutputs(app);
        if (step.key) {
            Key(app, list, step.key);
        } else {
            PostMessageW(list, WM_CHAR, step.letter, 1);
            Sync(app);
        }
        EXPECT_EQ(DroppedList(app), nullptr) << "the list opened";
        ExpectMaterial(app, step.selection);
    }
}

TEST_F(Materials, F4ArrowsAndEnterInTheOpenedList) {
    HWND list = app.fields[Material];
    Key(app, list, VK_F4);
    ASSERT_NE(DroppedList(app), nullptr) << "F4 did not open the list";
    for (int i = 0; i < 3; ++i) Key(app, list, VK_DOWN);
    Key(app, list, VK_RETURN);
    EXPECT_EQ(DroppedList(app), nullptr) << "Enter did not close the list";
    ExpectMaterial(app, 13);
}

// Worked values of the material table with the plate: water, barium
// metatitanate, then glass again over a permittivity typed by hand in between.
TEST_F(Materials, GlassRestoresItsValueAfterOthersAndTypedText) {
    SelectByMouse(app, 13);
    ExpectMaterial(app, 13);
    SelectByMouse(app, 5);
    ExpectMaterial(app, 5);
    ReplaceText(app, Permittivity, "10");
    ASSERT_TEXT(Text(app, PlateCapacitance), "39351.1") << "typing the permittivity recomputes nothing";
    SelectByMouse(app, 10);
    ExpectMaterial(app, 10);
}

TEST_F(Materials, WithoutThicknessTheSelectionStillWritesThePermittivity) {
    ReplaceText(app, Thickness, "");
    SetText(app.fields[PlateCapacitance], kKept);
    SelectByMouse(app, 13);
    EXPECT_TEXT(Text(app, Permittivity), "81");
    EXPECT_TEXT(Text(app, PlateCapacitance), kKept);
}

// Entries that are no name of the table, added to the list from outside for this test: one that
// differs in case, one with a trailing blank, one without the final dot, and an empty one. Selecting
// them writes no permittivity; the plate capacitance is recomputed from the text the field holds
// (ε = 7), except for the empty entry, whose empty name stops the rule.
struct ForeignEntry {
    const char* name;
    const char* text;
    const char* plate;
};
constexpr ForeignEntry kForeignEntries[] = {
    // name               entry text     plate
    {"LowerCase",         "стекло",      "137.729"},
    {"TrailingBlank",     "Стекло ",     "137.729"},
    {"MissingFinalDot",   "Вода дисц",   "137.729"},
    {"Empty",             "",            kKept},
};

TEST_F(Materials, EntriesThatAreNoNameWriteNothing) {
    HWND list = app.fields[Material];
    for (const ForeignEntry& entry : kForeignEntries) {
        wchar_t wide[64] = L"";
        MultiByteToWideChar(1251, 0, entry.text, -1, wide, 64);
        SendW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide));
    }
    ASSERT_EQ(Send(list, CB_GETCOUNT, 0, 0), kMaterialCount + 4);
    for (int i = 0; i < 4; ++i) {
        const ForeignEntry& entry = kForeignEntries[i];
        SCOPED_TRACE(entry.name);
        ReplaceText(app, Permittivity, "7");
        SetText(app.fields[PlateCapacitance], kKept);
        SelectByMouse(app, kMaterialCount + i);
        ASSERT_EQ(ListSelection(app), kMaterialCount + i);
        EXPECT_TEXT(Text(app, Permittivity), "7");
        EXPECT_TEXT(Text(app, PlateCapacitance), entry.plate);
    }
}

}  // namespace
}  // namespace e2e
