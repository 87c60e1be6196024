// The form driven through string hosts: which results each update rewrites, in which order,
// the nested updates a real control reports, the guards, and the edge cases of the rules.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "string_host.h"
#include "varnitz/form.h"

namespace varnitz {
namespace {

// A form over a reporting host, started as the window starts it.
struct Form {
    explicit Form(bool reportsWrites = true) : host(reportsWrites), form(host) {
        host.Attach(&form);
        form.RecalculateAll();
        host.Events().clear();
    }
    std::string& operator[](FieldId field) { return host.Text(field); }

    // The fields written outside nested updates, in order.
    std::vector<FieldId> Written() {
        std::vector<FieldId> fields;
        for (const HostEvent& e : host.Events()) {
            if (e.kind == HostEvent::Set && e.depth == 0) fields.push_back(e.field);
        }
        return fields;
    }
    std::vector<FieldId> Asked(HostEvent::Kind kind) {
        std::vector<FieldId> fields;
        for (const HostEvent& e : host.Events()) {
            if (e.kind == kind) fields.push_back(e.field);
        }
        return fields;
    }

    StringHost host;
    FormController form;
};

TEST(FieldTable, TextsAreWindows1251Bytes) {
    // The bytes the controls receive; a UTF-8 build would show mojibake.
    EXPECT_STREQ(kFieldTable[VoltageField].label, "\xCD\xE0\xEF\xF0\xFF\xE6\xE5\xED\xE8\xE5:");
    EXPECT_STREQ(kFieldTable[VoltageField].unit, "\xC2");
    EXPECT_STREQ(kFieldTable[CapacitanceField].unit, "\xEC\xEA\xD4");
    EXPECT_STREQ(kFieldTable[PlateCapacitanceField].unit, "\xEF\xD4");
    EXPECT_STREQ(kFieldTable[ReactanceField].label, "Xc:");
}

TEST(FieldTable, RowsAreInFieldIdOrderWithTheirRoles) {
    struct Row {
        FieldId id;
        FieldRole role;
        FieldEntry entry;
        const char* start;
    };
    const Row rows[] = {
        // id                     role               entry                   start
        {VoltageField,          FieldRole::Input,  FieldEntry::DigitsOnly, "2200"},
        {CapacitanceField,      FieldRole::Input,  FieldEntry::AnyText,    "3.3"},
        {FrequencyField,        FieldRole::Input,  FieldEntry::DigitsOnly, "50"},
        {EnergyField,           FieldRole::Result, FieldEntry::ReadOnly,   nullptr},
        {ReactanceField,        FieldRole::Result, FieldEntry::ReadOnly,   nullptr},
        {SideAField,            FieldRole::Input,  FieldEntry::DigitsOnly, "100"},
        {SideBField,            FieldRole::Input,  FieldEntry::DigitsOnly, "100"},
        {ThicknessField,        FieldRole::Input,  FieldEntry::AnyText,    "4.5"},
        {PermittivityField,     FieldRole::Input,  FieldEntry::AnyText,    "5"},
        {PlateCapacitanceField, FieldRole::Result, FieldEntry::ReadOnly,   nullptr},
        {MaterialList,          FieldRole::List,   FieldEntry::ListChoice, nullptr},
    };
    ASSERT_EQ(std::size(rows), static_cast<std::size_t>(kFieldCount));
    for (int i = 0; i < kFieldCount; ++i) {
        SCOPED_TRACE(i);
        const FieldInfo& info = kFieldTable[i];
        EXPECT_EQ(info.id, rows[i].id);
        EXPECT_EQ(info.role, rows[i].role);
        EXPECT_EQ(info.entry, rows[i].entry);
        if (rows[i].start) {
            EXPECT_STREQ(info.startText, rows[i].start);
        } else {
            EXPECT_EQ(info.startText, nullptr);
        }
    }
}

TEST(Recalculation, StartFillsTheThreeResults) {
    StringHost host;
    FormController form(host);
    host.Attach(&form);
    form.RecalculateAll();
    EXPECT_EQ(host.Text(PlateCapacitanceField), "98.3778");
    EXPECT_EQ(host.Text(EnergyField), "7.986");
    EXPECT_EQ(host.Text(ReactanceField), "965.065");
    // Plate first (the update of side a), then energy and reactance (the update of C).
    std::vector<FieldId> written;
    for (const HostEvent& e : host.Events()) {
        if (e.kind == HostEvent::Set) written.push_back(e.field);
    }
    EXPECT_EQ(written, (std::vector<FieldId>{PlateCapacitanceField, EnergyField, ReactanceField}));
    // No material is applied at start.
    EXPECT_EQ(host.Text(PermittivityField), "5");
}

TEST(Recalculation, EachFieldRewritesItsResultsInOrder) {
    struct Case {
        FieldId updated;
        std::vector<FieldId> written;
    };
    const Case cases[] = {
        {VoltageField,          {EnergyField}},
        {CapacitanceField,      {EnergyField, ReactanceField}},
        {FrequencyField,        {ReactanceField}},
        {SideAField,            {PlateCapacitanceField}},
        {SideBField,            {PlateCapacitanceField}},
        {ThicknessField,        {PlateCapacitanceField}},
        {MaterialList,          {PlateCapacitanceField}},
        {PermittivityField,     {}},
        {EnergyField,           {}},
        {ReactanceField,        {}},
        {PlateCapacitanceField, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.updated);
        Form f;
        f.form.OnFieldUpdated(c.updated);
        EXPECT_EQ(f.Written(), c.written);
    }
}

TEST(Recalculation, RulesReadTheirInputsInOrderWithTheWholeText) {
    Form f;
    f.form.OnFieldUpdated(SideBField);
    EXPECT_EQ(f.Asked(HostEvent::Length),
              (std::vector<FieldId>{SideAField, SideBField, ThicknessField, MaterialList,
                                    SideAField, SideBField, ThicknessField, PermittivityField}));
    EXPECT_EQ(f.Asked(HostEvent::Text),
              (std::vector<FieldId>{SideAField, SideBField, ThicknessField, PermittivityField}));
    for (const HostEvent& e : f.host.Events()) {
        if (e.kind == HostEvent::Text) {
            EXPECT_EQ(e.capacity, static_cast<int>(f[e.field].size()) + 1) << e.field;
        }
    }
}

TEST(Recalculation, EveryWriteIsReportedOnceAndRunsNoRule) {
    Form f;
    f.host.Type(CapacitanceField, "4.7");
    f.host.Select(DielectricTable[13].name);
    const std::vector<HostEvent>& events = f.host.Events();
    int writes = 0;
    for (std::size_t i = 0; i < events.size(); ++i) {
        const HostEvent& e = events[i];
        if (e.depth > 0) {
            // Inside a nested update the form asks nothing and writes nothing.
            EXPECT_EQ(e.kind, HostEvent::Update) << i;
            continue;
        }
        if (e.kind == HostEvent::Set) {
            ++writes;
            ASSERT_LT(i + 1, events.size());
            EXPECT_EQ(events[i + 1].kind, HostEvent::Update);
            EXPECT_EQ(events[i + 1].field, e.field);
            EXPECT_EQ(events[i + 1].depth, 1);
        }
    }
    EXPECT_EQ(writes, 4);  // energy, reactance, permittivity, plate
}

TEST(Guards, AnEmptyGuardFieldStopsTheRuleAndTheRestIsNotAsked) {
    struct Case {
        FieldId emptied;
        FieldId updated;
        std::vector<FieldId> asked;
    };
    const Case cases[] = {
        {SideAField,       SideBField,       {SideAField}},
        {SideBField,       SideAField,       {SideAField, SideBField}},
        {ThicknessField,   SideAField,       {SideAField, SideBField, ThicknessField}},
        {MaterialList,     ThicknessField,   {SideAField, SideBField, ThicknessField, MaterialList}},
        {VoltageField,     VoltageField,     {VoltageField}},
        {FrequencyField,   FrequencyField,   {FrequencyField}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.emptied);
        Form f;
        f[PlateCapacitanceField] = f[EnergyField] = f[ReactanceField] = "kept";
        f[c.emptied] = "";
        f.form.OnFieldUpdated(c.updated);
        EXPECT_EQ(f.Asked(HostEvent::Length), c.asked);
        EXPECT_TRUE(f.Written().empty());
        EXPECT_EQ(f[PlateCapacitanceField], "kept");
        EXPECT_EQ(f[EnergyField], "kept");
        EXPECT_EQ(f[ReactanceField], "kept");
    }
}

TEST(Guards, EmptyCapacitanceStopsBothRulesButOneBlankDoesNot) {
    Form f;
    f.host.Type(CapacitanceField, "");
    EXPECT_EQ(f[EnergyField], "7.986");
    EXPECT_EQ(f[ReactanceField], "965.065");
    EXPECT_TRUE(f.Written().empty());
    f.host.Type(CapacitanceField, " ");
    EXPECT_EQ(f[EnergyField], "0");
    EXPECT_EQ(f[ReactanceField], "1.#INF");
    f.host.Type(CapacitanceField, "-");
    EXPECT_EQ(f[EnergyField], "0");
    EXPECT_EQ(f[ReactanceField], "1.#INF");
}

TEST(Guards, EmptyVoltageLeavesTheEnergyOfTheLastVoltage) {
    Form f;
    f.host.Type(VoltageField, "1000");
    EXPECT_EQ(f[EnergyField], "1.65");
    f.host.Type(VoltageField, "");
    EXPECT_EQ(f[EnergyField], "1.65");
    f.host.Type(CapacitanceField, "1");  // reactance still follows C; energy stays guarded
    EXPECT_EQ(f[EnergyField], "1.65");
    EXPECT_EQ(f[ReactanceField], "3184.71");
}

TEST(EdgeCases, PermittivityIsUsedOnlyAtTheNextUpdateOfTheSlab) {
    Form f;
    f.host.Type(PermittivityField, "1");
    f.host.Type(PermittivityField, "10");
    EXPECT_EQ(f[PlateCapacitanceField], "98.3778");
    EXPECT_TRUE(f.Written().empty());
    f.host.Type(ThicknessField, "4.55");
    f.host.Type(ThicknessField, "4.5");
    EXPECT_EQ(f[PlateCapacitanceField], "196.756");
}

TEST(EdgeCases, ThicknessEmptyThenZero) {
    Form f;
    f.host.Type(ThicknessField, "");
    EXPECT_EQ(f[PlateCapacitanceField], "98.3778");
    f.host.Type(ThicknessField, "0");
    EXPECT_EQ(f[PlateCapacitanceField], "1.#INF");
}

TEST(EdgeCases, EmptyPermittivityReadsAsZero) {
    Form f;
    f.host.Type(PermittivityField, "");
    EXPECT_EQ(f[PlateCapacitanceField], "98.3778");
    f.host.Type(SideAField, "100");
    EXPECT_EQ(f[PlateCapacitanceField], "0");
}

TEST(EdgeCases, TypedValuesAndTheirTexts) {
    struct Case {
        FieldId field;
        const char* text;
        FieldId result;
        const char* expected;
    };
    const Case cases[] = {
        // field             typed       result                 text shown
        {CapacitanceField,  "-3.3",     EnergyField,           "-7.986"},
        {CapacitanceField,  "-3.3",     ReactanceField,        "-965.065"},
        {CapacitanceField,  "-0",       EnergyField,           "-0"},
        {CapacitanceField,  "-0",       ReactanceField,        "-1.#INF"},
        {CapacitanceField,  "0",        ReactanceField,        "1.#INF"},
        {CapacitanceField,  "3,3",      EnergyField,           "7.26"},
        {CapacitanceField,  "3.3e0x",   EnergyField,           "7.986"},
        {CapacitanceField,  "1e400",    EnergyField,           "1.#INF"},
        {CapacitanceField,  "1e400",    ReactanceField,        "0"},
        {VoltageField,      "1000000",  EnergyField,           "1.65e+006"},
        {VoltageField,      "0",        EnergyField,           "0"},
        {FrequencyField,    "0",        ReactanceField,        "1.#INF"},
        {ThicknessField,    "-4.5",     PlateCapacitanceField, "-98.3778"},
        {ThicknessField,    "4.5d0",    PlateCapacitanceField, "98.3778"},
        {SideAField,        "0",        PlateCapacitanceField, "0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.text) + " into " + std::to_string(c.field));
        Form f;
        f.host.Type(c.field, c.text);
        EXPECT_EQ(f[c.result], c.expected);
    }
}

TEST(EdgeCases, ZeroOverZeroShowsTheDefaultNan) {
    Form f;
    f.host.Type(ThicknessField, "0");
    f.host.Type(SideAField, "0");
    EXPECT_EQ(f[PlateCapacitanceField], "-1.#IND");
}

TEST(EdgeCases, EnergyAndReactanceAtUnitInputs) {
    Form f;
    f.host.Type(VoltageField, "1");
    f.host.Type(FrequencyField, "1");
    f.host.Type(CapacitanceField, "1");
    EXPECT_EQ(f[EnergyField], "5.e-007");
    EXPECT_EQ(f[ReactanceField], "159236");
}

// The field reading takes the whole text, however long; a 14-character buffer would have
// overrun before, and cutting the text would change its value.
TEST(LongTexts, EveryInputReadsAsTheNumberItBeginsWith) {
    struct Case {
        FieldId field;
        std::string text;
        FieldId result;
        const char* expected;
    };
    const std::string zeros(99990, '0');
    const std::string blanks(99990, ' ');
    const std::string tail(99990, 'x');
    const Case cases[] = {
        {VoltageField,      "000000000002200",          EnergyField,           "7.986"},
        {VoltageField,      "2200" + tail,              EnergyField,           "7.986"},
        {VoltageField,      "1" + zeros,                EnergyField,           "1.#INF"},
        {VoltageField,      "22" + std::string(20, '0'), EnergyField,          "7.986e+036"},
        {CapacitanceField,  "3.3" + zeros,              EnergyField,           "7.986"},
        {CapacitanceField,  "3.3" + zeros + "e-2",      EnergyField,           "7.986e-002"},
        {CapacitanceField,  "0." + zeros + "33e99991",  EnergyField,           "7.986"},
        {CapacitanceField,  blanks + "3.3",             ReactanceField,        "965.065"},
        {FrequencyField,    "00000000000000000050",     ReactanceField,        "965.065"},
        {FrequencyField,    "50" + tail,                ReactanceField,        "965.065"},
        {SideAField,        "1" + std::string(19, '0'), PlateCapacitanceField, "9.83778e+018"},
        {SideAField,        "100" + tail,               PlateCapacitanceField, "98.3778"},
        {SideBField,        "0000000000000000000000100", PlateCapacitanceField, "98.3778"},
        {SideBField,        "100" + zeros,              PlateCapacitanceField, "1.#INF"},
        {ThicknessField,    "4.5" + zeros,              PlateCapacitanceField, "98.3778"},
        {ThicknessField,    "4.50000000000000000001",   PlateCapacitanceField, "98.3778"},
        {ThicknessField,    "0." + zeros,               PlateCapacitanceField, "1.#INF"},
        {PermittivityField, "10" + tail,                PlateCapacitanceField, "196.756"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.field) + " length " + std::to_string(c.text.size()));
        Form f;
        f.host.Type(c.field, c.text);
        if (c.field == PermittivityField) f.host.Type(SideAField, "100");
        EXPECT_EQ(f[c.result], c.expected);
    }
}

TEST(LongTexts, LengthsFrom15To100000InEveryInput) {
    const FieldId inputs[] = {VoltageField, CapacitanceField, FrequencyField, SideAField,
                              SideBField, ThicknessField, PermittivityField};
    for (FieldId field : inputs) {
        for (std::size_t length : {15u, 16u, 17u, 64u, 255u, 256u, 4096u, 100000u}) {
            SCOPED_TRACE(std::to_string(field) + " length " + std::to_string(length));
            Form f;
            // Its start text followed by blanks: the value must stay that of the start text.
            const std::string start = f[field];
            f.host.Type(field, start + std::string(length - start.size(), ' '));
            f.host.Type(SideAField, "100");
            f.host.Type(CapacitanceField, "3.3");
            EXPECT_EQ(f[PlateCapacitanceField], "98.3778");
            EXPECT_EQ(f[EnergyField], "7.986");
            EXPECT_EQ(f[ReactanceField], "965.065");
        }
    }
}

// A host that does not report its own writes gives the same texts as one that does.
TEST(Hosts, SilentHostGivesTheSameTexts) {
    Form loud(true);
    Form silent(false);
    struct Step {
        FieldId field;  // MaterialList: a selection of `text`
        const char* text;
    };
    const Step steps[] = {
        {CapacitanceField, "4.7"},  {VoltageField, ""},         {VoltageField, "12"},
        {MaterialList, "Слюда"},    {ThicknessField, "0"},      {ThicknessField, "0.2"},
        {PermittivityField, "7"},   {SideBField, "35"},         {MaterialList, "Вода дисц"},
        {FrequencyField, "0"},      {CapacitanceField, "-0"},   {MaterialList, "Аммиак"},
        {SideAField, ""},           {MaterialList, "Кварц"},    {SideAField, "0"},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.text);
        for (Form* f : {&loud, &silent}) {
            if (step.field == MaterialList) {
                f->host.Select(step.text);
            } else {
                f->host.Type(step.field, step.text);
            }
        }
        for (int i = 0; i < kFieldCount; ++i) {
            EXPECT_EQ(loud[static_cast<FieldId>(i)], silent[static_cast<FieldId>(i)]) << i;
        }
    }
}

}  // namespace
}  // namespace varnitz
