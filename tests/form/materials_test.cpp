// The material table and the reaction to a selection.
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "string_host.h"
#include "varnitz/materials.h"

namespace varnitz {
namespace {

struct Form {
    Form() : form(host) {
        host.Attach(&form);
        form.RecalculateAll();
        host.Events().clear();
    }
    int PermittivityWrites() {
        int n = 0;
        for (const HostEvent& e : host.Events()) n += e.kind == HostEvent::Set && e.field == PermittivityField;
        return n;
    }
    StringHost host;
    FormController form;
};

struct MaterialRow {
    const char* name;
    std::size_t bytes;  // in Windows-1251, one byte a letter
    double permittivity;
    const char* written;
};

const MaterialRow kExpected[kDielectricCount] = {
    // name                 bytes  permittivity  text written
    {"Сухая бумага",        12,    2.0,          "2"},
    {"Гетинакс",            8,     5.0,          "5"},
    {"Каучук",              6,     2.4,          "2.4"},
    {"Кварц",               5,     3.5,          "3.5"},
    {"Конд.керамика",       13,    100.0,        "100"},
    {"Метатитанат бария",   17,    2000.0,       "2000"},
    {"Парафин",             7,     2.0,          "2"},
    {"Оргстекло",           9,     3.5,          "3.5"},
    {"Сегнетова соль",      14,    500.0,        "500"},
    {"Слюда",               5,     5.7,          "5.7"},
    {"Стекло",              6,     5.0,          "5"},
    {"Полиэтилен",          10,    2.3,          "2.3"},
    {"Фарфор",              6,     4.5,          "4.5"},
    {"Вода дисц.",          10,    81.0,         "81"},
    {"Масло трансф.",       13,    2.2,          "2.2"},
    {"Масло кастор.",       13,    4.6,          "4.6"},
    {"Спирт этиловый",      14,    27.0,         "27"},
    {"Фторопласт",          10,    2.0,          "2"},
    {"Бумага промасл.",     15,    4.0,          "4"},
    {"Мрамор",              6,     8.0,          "8"},
    {"Аммиак",              6,     16.0,         "16"},
    {"Стеклотекстолит",     15,    5.5,          "5.5"},
    {"Полистирол",          10,    3.0,          "3"},
    {"Поливинилхлорид",     15,    2.9,          "2.9"},
};

TEST(DielectricTable, RowsInListOrder) {
    for (int i = 0; i < kDielectricCount; ++i) {
        SCOPED_TRACE(i);
        EXPECT_STREQ(DielectricTable[i].name, kExpected[i].name);
        EXPECT_EQ(std::strlen(DielectricTable[i].name), kExpected[i].bytes);
        EXPECT_EQ(DielectricTable[i].permittivity, kExpected[i].permittivity);
    }
    EXPECT_STREQ(DielectricTable[0].name, "\xD1\xF3\xF5\xE0\xFF \xE1\xF3\xEC\xE0\xE3\xE0");  // cp1251
    EXPECT_EQ(kDefaultMaterialIndex, 10);
}

TEST(DielectricTable, NamesAreDistinctAndOnlyOneIsThePrefixOfAnother) {
    int prefixes = 0;
    for (int i = 0; i < kDielectricCount; ++i) {
        const char* name = DielectricTable[i].name;
        EXPECT_NE(name[0], ' ');
        EXPECT_NE(name[std::strlen(name) - 1], ' ');
        for (int j = 0; j < kDielectricCount; ++j) {
            if (i == j) continue;
            EXPECT_STRNE(name, DielectricTable[j].name);
            if (std::strncmp(name, DielectricTable[j].name, std::strlen(name)) == 0) {
                ++prefixes;
                EXPECT_EQ(i, 10);
                EXPECT_EQ(j, 21);
            }
        }
    }
    EXPECT_EQ(prefixes, 1);
}

TEST(MaterialSelection, EachRowWritesItsTextOnceAndRecomputes) {
    for (int i = 0; i < kDielectricCount; ++i) {
        SCOPED_TRACE(kExpected[i].name);
        Form f;
        f.host.Text(PermittivityField) = "999";
        f.host.Select(kExpected[i].name);
        EXPECT_EQ(f.host.Text(PermittivityField), kExpected[i].written);
        EXPECT_EQ(f.PermittivityWrites(), 1);
        // The written text reads back as the table's own double.
        EXPECT_EQ(f.form.ReadFieldValue(PermittivityField), kExpected[i].permittivity);
    }
}

TEST(MaterialSelection, PlateCapacitanceFollowsTheSelection) {
    struct Case {
        const char* name;
        const char* permittivity;
        const char* plate;
    };
    const Case cases[] = {
        {"Вода дисц.",        "81",   "1593.72"},
        {"Метатитанат бария", "2000", "39351.1"},
        {"Стекло",            "5",    "98.3778"},
        {"Стеклотекстолит",   "5.5",  "108.216"},
    };
    Form f;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        f.host.Type(PermittivityField, "10");  // typed by hand, replaced by the selection
        f.host.Select(c.name);
        EXPECT_EQ(f.host.Text(PermittivityField), c.permittivity);
        EXPECT_EQ(f.host.Text(PlateCapacitanceField), c.plate);
    }
}

TEST(MaterialSelection, SameTextIsWrittenAgainAndRecomputed) {
    Form f;
    f.host.Text(PlateCapacitanceField) = "stale";
    f.host.Select("Гетинакс");
    EXPECT_EQ(f.PermittivityWrites(), 1);
    EXPECT_EQ(f.host.Text(PermittivityField), "5");
    EXPECT_EQ(f.host.Text(PlateCapacitanceField), "98.3778");
}

TEST(MaterialSelection, ANameThatIsNotExactlyARowWritesNothing) {
    const std::string tooLong = std::string("Стекло") + std::string(300, 'x');
    const char* texts[] = {
        "",                  // no selection
        "стекло",            // case differs
        "Стекло ",           // trailing blank
        " Стекло",
        "Вода дисц",         // final dot missing
        "Стекл",             // a beginning
        "Стеклот",
        tooLong.c_str(),     // longer than the name buffer
    };
    for (const char* text : texts) {
        SCOPED_TRACE(text);
        Form f;
        f.host.Type(PermittivityField, "10");
        f.host.Select(text);
        EXPECT_EQ(f.PermittivityWrites(), 0);
        EXPECT_EQ(f.host.Text(PermittivityField), "10");
        // The plate is still recomputed when the list holds text, with the field's own text.
        if (*text != '\0') {
            EXPECT_EQ(f.host.Text(PlateCapacitanceField), "196.756");
        } else {
            EXPECT_EQ(f.host.Text(PlateCapacitanceField), "98.3778");
        }
    }
}

TEST(MaterialSelection, EmptyThicknessStillTakesThePermittivity) {
    Form f;
    f.host.Type(ThicknessField, "");
    f.host.Select("Вода дисц.");
    EXPECT_EQ(f.host.Text(PermittivityField), "81");
    EXPECT_EQ(f.host.Text(PlateCapacitanceField), "98.3778");
}

// A host without a permittivity field: the write has no effect and nothing else breaks.
class NoPermittivityHost : public StringHost {
public:
    void SetFieldText(FieldId field, const char* text) override {
        if (field != PermittivityField) StringHost::SetFieldText(field, text);
    }
};

TEST(MaterialSelection, HostWithoutPermittivityField) {
    NoPermittivityHost host;
    FormController form(host);
    host.Attach(&form);
    host.Text(PermittivityField) = "";
    host.Select("Вода дисц.");
    EXPECT_EQ(host.Text(PermittivityField), "");
    EXPECT_EQ(host.Text(PlateCapacitanceField), "0");
}

}  // namespace
}  // namespace varnitz
