// A fresh Dorvel.exe for each test: the program's only state is its controls' texts, and a new
// process is the one sure way back to the start texts.
#pragma once

#include <gtest/gtest.h>

#include "dorvel.h"

namespace e2e {

// Field texts are Windows-1251 bytes, compared as they are; a failure shows them as readable text.
::testing::AssertionResult SameText(const char* actualExpression, const char* expectedExpression,
                                    const std::string& actual, const std::string& expected);
#define EXPECT_TEXT(actual, expected) EXPECT_PRED_FORMAT2(::e2e::SameText, actual, expected)
#define ASSERT_TEXT(actual, expected) ASSERT_PRED_FORMAT2(::e2e::SameText, actual, expected)

// A rewrite is seen from outside by first putting this marker into a result with WM_SETTEXT (a
// result is in no rule's trigger set, so that write recomputes nothing) and then watching whether
// it is replaced. As an expected text: the result was not rewritten.
constexpr char kKept[] = "#";
void MarkResults(const Dorvel& app);
void ExpectResults(const Dorvel& app, const char* energy, const char* reactance, const char* plate);

// A capture of the picture's rectangle shows the picture file's pixels exactly; a capture that
// does not is saved among the artefacts.
::testing::AssertionResult ShowsThePicture(const char* expression, const Capture& shot);
#define EXPECT_PICTURE(shot) EXPECT_PRED_FORMAT1(::e2e::ShowsThePicture, shot)

// The probe's object counts: printed for the record, compared kind by kind.
void PrintObjects(const char* when, const ProbeObjects& objects);
::testing::AssertionResult SameObjects(const char* beforeExpression, const char* afterExpression,
                                       const ProbeObjects& before, const ProbeObjects& after);

// Table rows carry their case name: for test names and for gtest's messages.
namespace {
template <typename T>
std::string CaseName(const ::testing::TestParamInfo<T>& info) {
    return info.param.name;
}
template <typename T>
auto operator<<(std::ostream& os, const T& row) -> decltype(row.name, os) {
    return os << row.name;
}
}  // namespace

class DorvelTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(Start(app, Options(), &error)) << error;
        ASSERT_EQ(app.controlCount, kControlCount) << "children of the main window";
        for (int field = 0; field < kFieldCount; ++field) {
            ASSERT_NE(app.fields[field], nullptr) << "no control found for " << FieldName(field);
        }
    }
    void TearDown() override {
        Finish(app, ::testing::UnitTest::GetInstance()->current_test_info()->name());
    }
    virtual StartOptions Options() const { return {}; }

    Dorvel app;
};

// The same, with the probe hooked into the program from its first instruction.
class ProbedDorvelTest : public DorvelTest {
protected:
    StartOptions Options() const override {
        StartOptions options;
        options.probe = true;
        return options;
    }
};

}  // namespace e2e
