// The two number text conversions against the C and C++ libraries, on the texts and values the
// form sees, and one keystroke through the form; after the run, the ratios against their targets.
//
// Every set comes from a fixed seed, so every run measures the same work. The defaults (several
// repetitions in random interleaving, aggregates only) suit a machine shared with other builds;
// any --benchmark_* flag given on the command line replaces the default of that flag. The summary
// compares CPU times: on a loaded machine the wall clock also counts the time spent descheduled.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include <unistd.h>

#include "varnitz/form.h"
#include "varnitz/formulas.h"
#include "varnitz/materials.h"
#include "varnitz/number_text.h"

namespace {

using namespace varnitz;

// splitmix64: the same sequence with every compiler and library, which <random>'s
// distributions do not promise.
struct Random {
    std::uint64_t state;

    std::uint64_t Next() {
        std::uint64_t z = (state += 0x9E3779B97F4A7C15u);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
        return z ^ (z >> 31);
    }
    int Below(int n) { return static_cast<int>(Next() % static_cast<std::uint64_t>(n)); }
    int Between(int low, int high) { return low + Below(high - low + 1); }
    bool Percent(int p) { return Below(100) < p; }
};

constexpr std::uint64_t kSeed = 20261211;
constexpr int kShortTextCount = 4000;
constexpr int kLongTextCount = 2000;
constexpr int kValueCount = 4000;

std::string Digits(Random& r, int count) {
    std::string s;
    for (int i = 0; i < count; ++i) s += static_cast<char>('0' + r.Below(10));
    return s;
}

std::string NonzeroDigit(Random& r) { return std::string(1, static_cast<char>('1' + r.Below(9))); }

// Ends a digit string so that it is odd and not a multiple of five.
std::string OddNotFiveDigit(Random& r) {
    constexpr char kDigits[] = {'1', '3', '7', '9'};
    return std::string(1, kDigits[r.Below(4)]);
}

// A positive number as users type it into the fields: "2200", "3.3", "0.000123", "1e-6", "2.5E3".
// No set holds a value exactly halfway between two doubles, where ParseDecimal rightly differs from
// the libraries: every short text has at most 14 significant digits and an exponent of at most 15,
// so D * 10^q either is a double itself (odd part below 2^53) or, for q < 0, no dyadic number.
std::string TypedNumber(Random& r) {
    const int kind = r.Below(100);
    if (kind < 30) return NonzeroDigit(r) + Digits(r, r.Below(6));  // a whole number of 1 to 6 digits
    if (kind < 75) {
        std::string s;
        const int whole = r.Below(100);
        if (whole < 45) {
            s = "0";
        } else if (whole < 50) {
            s = "";  // ".5"
        } else {
            s = NonzeroDigit(r) + Digits(r, r.Below(3));
        }
        s += '.';
        if (!s.empty() && s != "." && r.Percent(4)) return s;  // "5."
        s += std::string(static_cast<std::size_t>(s == "0." ? r.Below(5) : 0), '0');  // "0.000123"
        s += Digits(r, r.Below(4)) + NonzeroDigit(r);
        return s;
    }
    std::string s = NonzeroDigit(r);
    if (r.Percent(50)) s += "." + Digits(r, r.Below(3));  // at most 4 significant digits
    s += r.Percent(70) ? 'e' : 'E';
    const int sign = r.Below(3);
    if (sign == 1) s += '-';
    if (sign == 2) s += '+';
    s += std::to_string(r.Between(0, 15));
    return s;
}

std::string ShortText(Random& r) {
    for (;;) {
        std::string s;
        if (r.Percent(5)) s += r.Percent(50) ? " " : "\t";
        const int sign = r.Below(100);
        if (sign < 8) s += '-';
        if (sign >= 97) s += '+';
        s += TypedNumber(r);
        if (s.size() <= 14) return s;
    }
}

// 15 to 40 characters: long digit strings, long fractions, long mantissas with exponents. Each has
// an odd last digit other than 5 and, where it could be an integer, at least 18 digits: then
// D * 10^q has an odd part above 2^54 (q >= 0) or is no dyadic number (q < 0), so no tie.
std::string LongText(Random& r) {
    for (;;) {
        std::string s;
        if (r.Percent(10)) s += '-';
        const int kind = r.Below(3);
        if (kind == 0) {
            s += NonzeroDigit(r) + Digits(r, r.Between(16, 38)) + OddNotFiveDigit(r);
        } else if (kind == 1) {
            s += r.Percent(50) ? "0" : NonzeroDigit(r) + Digits(r, r.Below(8));
            s += "." + std::string(static_cast<std::size_t>(r.Below(8)), '0');
            s += Digits(r, r.Between(8, 30)) + OddNotFiveDigit(r);
        } else {
            s += NonzeroDigit(r) + "." + Digits(r, r.Between(16, 28)) + OddNotFiveDigit(r);
            s += r.Percent(50) ? "e" : "E";
            s += r.Percent(50) ? "-" : (r.Percent(50) ? "+" : "");
            s += std::to_string(r.Between(0, 280));  // far from overflow and from subnormals
        }
        if (s.size() >= 15 && s.size() <= 40) return s;
    }
}

std::vector<std::string> MakeTexts(std::uint64_t seed, int count, std::string (*make)(Random&)) {
    Random r{seed};
    std::vector<std::string> texts;
    for (int i = 0; i < count; ++i) texts.push_back(make(r));
    return texts;
}

// The values the three formulas give for typed inputs: what FormatSixDigits writes in practice.
std::vector<double> MakeTypicalResults(std::uint64_t seed, int count) {
    Random r{seed};
    std::vector<double> values;
    while (static_cast<int>(values.size()) < count) {
        const double typed = ParseDecimal(TypedNumber(r).c_str());
        double x = 0;
        switch (r.Below(3)) {
            case 0: x = StoredEnergyJ(r.Between(1, 10000), typed); break;
            case 1: x = CapacitiveReactanceOhm(r.Between(1, 100000), typed); break;
            default: {
                const double permittivity = r.Percent(80) ? DielectricTable[r.Below(kDielectricCount)].permittivity
                                                          : ParseDecimal(TypedNumber(r).c_str());
                x = PlateCapacitancePf(r.Between(1, 1000), r.Between(1, 1000), typed, permittivity);
            }
        }
        if (std::isfinite(x)) values.push_back(x);
    }
    return values;
}

// Any finite double, from the subnormals to the largest, either sign.
std::vector<double> MakeWideValues(std::uint64_t seed, int count) {
    Random r{seed};
    std::vector<double> values;
    while (static_cast<int>(values.size()) < count) {
        const std::uint64_t bits = r.Next();
        double x;
        std::memcpy(&x, &bits, sizeof x);
        if (std::isfinite(x)) values.push_back(x);
    }
    return values;
}

std::uint64_t Bits(double x) {
    std::uint64_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    return bits;
}

bool IsBlank(char c) { return c == ' ' || (c >= 9 && c <= 13); }

// from_chars reads neither leading blanks nor a "+"; skipping them is part of its job here.
std::from_chars_result FromChars(const std::string& text, double& value) {
    const char* p = text.data();
    const char* end = p + text.size();
    while (p < end && IsBlank(*p)) ++p;
    if (p < end && *p == '+') ++p;
    return std::from_chars(p, end, value);
}

// The three parsers must read every text of a set whole and to the same bits, or the set does not
// measure the same work for all three.
void CheckParsersAgree(const char* setName, const std::vector<std::string>& texts) {
    for (const std::string& text : texts) {
        const ParseResult ours = ParseDecimal(text.data(), text.size());
        char* strtodEnd = nullptr;
        const double c = std::strtod(text.c_str(), &strtodEnd);
        double cpp = 0;
        const std::from_chars_result fc = FromChars(text, cpp);
        const bool whole = ours.consumed == text.size() && strtodEnd == text.c_str() + text.size() &&
                           fc.ec == std::errc() && fc.ptr == text.data() + text.size();
        if (!whole || Bits(ours.value) != Bits(c) || Bits(ours.value) != Bits(cpp)) {
            std::fprintf(stderr, "%s: the parsers disagree on \"%s\": ParseDecimal %a (%zu), strtod %a, from_chars %a\n",
                         setName, text.c_str(), ours.value, ours.consumed, c, cpp);
            std::exit(1);
        }
    }
}

// The keystroke's host: the eleven texts as strings and, like an edit control, a report of every
// write before it returns. Nothing is recorded, so the form's own work dominates.
class BenchHost final : public FieldAccess {
public:
    BenchHost() {
        for (int i = 0; i < kFieldCount; ++i) {
            const char* start = kFieldTable[i].startText;
            texts_[i] = start ? start : "";
        }
        texts_[MaterialList] = DielectricTable[kDefaultMaterialIndex].name;
    }

    void Attach(FormController* form) { form_ = form; }
    std::string& Text(FieldId field) { return texts_[field]; }

    int FieldTextLength(FieldId field) override { return static_cast<int>(texts_[field].size()); }
    void FieldText(FieldId field, char* buffer, int capacity) override {
        if (capacity <= 0) return;
        const std::string& text = texts_[field];
        const std::size_t n = std::min(text.size(), static_cast<std::size_t>(capacity - 1));
        std::memcpy(buffer, text.data(), n);
        buffer[n] = '\0';
    }
    void SetFieldText(FieldId field, const char* text) override {
        texts_[field] = text;
        if (form_) form_->OnFieldUpdated(field);
    }

private:
    std::string texts_[kFieldCount];
    FormController* form_ = nullptr;
};

// What a user types into the capacitance field, one keystroke after another; never empty, so that
// both rules run on every keystroke.
constexpr const char* kTypedCapacitance[] = {
    "3.3", "3.", "3", "4", "4.", "4.7", "47", "470", "0.47", "0.047", "2.2e-3", "1e-6", "-3.3", "10", "100", "3.3",
};
constexpr int kTypedCount = sizeof kTypedCapacitance / sizeof kTypedCapacitance[0];

void CheckKeystroke() {
    BenchHost host;
    FormController form(host);
    host.Attach(&form);
    host.Text(CapacitanceField) = "3.3";
    form.OnFieldUpdated(CapacitanceField);
    if (host.Text(EnergyField) != "7.986" || host.Text(ReactanceField) != "965.065") {
        std::fprintf(stderr, "keystroke: the start texts give \"%s\" and \"%s\", not \"7.986\" and \"965.065\"\n",
                     host.Text(EnergyField).c_str(), host.Text(ReactanceField).c_str());
        std::exit(1);
    }
}

// ---- benchmarks; each iteration goes over a whole set, so the loop's own cost is spread thin ----

void BM_ParseDecimal(benchmark::State& state, const std::vector<std::string>* texts) {
    for (auto _ : state) {
        for (const std::string& text : *texts) benchmark::DoNotOptimize(ParseDecimal(text.data(), text.size()));
    }
}

void BM_Strtod(benchmark::State& state, const std::vector<std::string>* texts) {
    char* end = nullptr;
    for (auto _ : state) {
        for (const std::string& text : *texts) {
            benchmark::DoNotOptimize(std::strtod(text.c_str(), &end));
            benchmark::DoNotOptimize(end);
        }
    }
}

void BM_FromChars(benchmark::State& state, const std::vector<std::string>* texts) {
    for (auto _ : state) {
        for (const std::string& text : *texts) {
            double value;
            benchmark::DoNotOptimize(FromChars(text, value));
            benchmark::DoNotOptimize(value);
        }
    }
}

void BM_FormatSixDigits(benchmark::State& state, const std::vector<double>* values) {
    char buffer[kSixDigitsBufferSize];
    for (auto _ : state) {
        for (double x : *values) {
            benchmark::DoNotOptimize(FormatSixDigits(x, buffer));
            benchmark::ClobberMemory();
        }
    }
}

void BM_Snprintf(benchmark::State& state, const std::vector<double>* values, const char* format) {
    char buffer[32];
    for (auto _ : state) {
        for (double x : *values) {
            benchmark::DoNotOptimize(std::snprintf(buffer, sizeof buffer, format, x));
            benchmark::ClobberMemory();
        }
    }
}

void BM_Keystroke(benchmark::State& state) {
    BenchHost host;
    FormController form(host);
    host.Attach(&form);
    int next = 0;
    for (auto _ : state) {
        host.Text(CapacitanceField) = kTypedCapacitance[next];
        next = next + 1 == kTypedCount ? 0 : next + 1;
        form.OnFieldUpdated(CapacitanceField);
    }
}

// ---- the summary ----

struct Timing {
    double itemsPerIteration = 1;
    double medianNs = -1;  // per item, median of the repetitions
    double meanNs = -1;
    std::vector<double> singleNs;  // per item, one per repetition, when no aggregates are reported
};
std::map<std::string, Timing> Timings;

double NsPerItem(const benchmark::BenchmarkReporter::Run& run) {
    const double ns = run.GetAdjustedCPUTime() * 1e9 / benchmark::GetTimeUnitMultiplier(run.time_unit);
    return ns / Timings[run.run_name.function_name].itemsPerIteration;
}

class SummaryReporter : public benchmark::ConsoleReporter {
public:
    explicit SummaryReporter(OutputOptions options) : ConsoleReporter(options) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred) continue;
            Timing& t = Timings[run.run_name.function_name];
            if (run.run_type == Run::RT_Iteration) {
                t.singleNs.push_back(NsPerItem(run));
            } else if (run.aggregate_name == "median") {
                t.medianNs = NsPerItem(run);
            } else if (run.aggregate_name == "mean") {
                t.meanNs = NsPerItem(run);
            }
        }
    }
};

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// The median of the repetitions, from the aggregate or from the single runs; -1 when not run.
double MedianNs(const std::string& name) {
    const Timing& t = Timings[name];
    if (t.medianNs >= 0) return t.medianNs;
    if (!t.singleNs.empty()) return Median(t.singleNs);
    return -1;
}

double MeanNs(const std::string& name) {
    const Timing& t = Timings[name];
    if (t.meanNs >= 0) return t.meanNs;
    if (t.singleNs.empty()) return -1;
    double sum = 0;
    for (double x : t.singleNs) sum += x;
    return sum / static_cast<double>(t.singleNs.size());
}

struct Comparison {
    const char* title;
    const char* subject;
    const char* references[2];  // the second may be nullptr
    double target;              // subject / first reference at most this; 0: no target
};

// Names are "<set>/<converter>", as registered in main.
constexpr Comparison kComparisons[] = {
    {"parsing typed texts (1 to 14 characters)", "parse_short/ParseDecimal",
     {"parse_short/strtod", "parse_short/from_chars"}, 0.25},
    {"parsing long texts (15 to 40 characters)", "parse_long/ParseDecimal",
     {"parse_long/strtod", "parse_long/from_chars"}, 0.5},
    {"formatting typical results", "format_results/FormatSixDigits",
     {"format_results/snprintf_.16e", "format_results/snprintf_.6g"}, 0.2},
    {"formatting doubles over the whole range", "format_wide/FormatSixDigits",
     {"format_wide/snprintf_.16e", "format_wide/snprintf_.6g"}, 0.2},
};
constexpr double kKeystrokeTargetNs = 1000;

const char* Verdict(bool met) { return met ? "MET" : "NOT MET"; }

// "parse_short/strtod" -> "strtod": the set is in the heading.
const char* Converter(const char* name) { return std::strchr(name, '/') + 1; }

void PrintSummary() {
    std::printf("\nSummary: CPU nanoseconds per item, median of the repetitions (mean in brackets)\n");
    for (const Comparison& c : kComparisons) {
        const double subject = MedianNs(c.subject);
        const double reference = MedianNs(c.references[0]);
        if (subject < 0 || reference < 0) continue;  // filtered out of this run
        std::printf("\n%s:\n", c.title);
        for (const char* name : {c.subject, c.references[0], c.references[1]}) {
            if (name && MedianNs(name) >= 0) {
                std::printf("  %-16s %9.2f ns  [%.2f]\n", Converter(name), MedianNs(name), MeanNs(name));
            }
        }
        const double ratio = subject / reference;
        std::printf("  %s / %s = %.3f   target <= %.2f   %s\n", Converter(c.subject), Converter(c.references[0]),
                    ratio, c.target, Verdict(ratio <= c.target));
        if (c.references[1] && MedianNs(c.references[1]) >= 0) {
            std::printf("  %s / %s = %.3f\n", Converter(c.subject), Converter(c.references[1]),
                        subject / MedianNs(c.references[1]));
        }
    }
    const char* keystrokeName = "keystroke/OnFieldUpdated_CapacitanceField";
    const double keystroke = MedianNs(keystrokeName);
    if (keystroke >= 0) {
        std::printf("\none keystroke (two rules, four reads, two writes, two nested updates):\n");
        std::printf("  OnFieldUpdated   %9.2f ns  [%.2f]   target < %.0f ns   %s\n", keystroke, MeanNs(keystrokeName),
                    kKeystrokeTargetNs, Verdict(keystroke < kKeystrokeTargetNs));
    }
}

template <class Set, class Function>
void Register(const std::string& name, const Set* set, Function function) {
    Timings[name].itemsPerIteration = static_cast<double>(set->size());
    benchmark::RegisterBenchmark(name.c_str(), function, set)->Unit(benchmark::kMicrosecond);
}

bool HasFlag(int argc, char** argv, const char* flag) {
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], flag, std::strlen(flag)) == 0) return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    static const std::vector<std::string> shortTexts = MakeTexts(kSeed, kShortTextCount, ShortText);
    static const std::vector<std::string> longTexts = MakeTexts(kSeed + 1, kLongTextCount, LongText);
    static const std::vector<double> results = MakeTypicalResults(kSeed + 2, kValueCount);
    static const std::vector<double> wide = MakeWideValues(kSeed + 3, kValueCount);
    CheckParsersAgree("short texts", shortTexts);
    CheckParsersAgree("long texts", longTexts);
    CheckKeystroke();

    Register("parse_short/ParseDecimal", &shortTexts, BM_ParseDecimal);
    Register("parse_short/strtod", &shortTexts, BM_Strtod);
    Register("parse_short/from_chars", &shortTexts, BM_FromChars);
    Register("parse_long/ParseDecimal", &longTexts, BM_ParseDecimal);
    Register("parse_long/strtod", &longTexts, BM_Strtod);
    Register("parse_long/from_chars", &longTexts, BM_FromChars);
    for (const auto& [set, values] : {std::make_pair("format_results", &results), std::make_pair("format_wide", &wide)}) {
        const std::string prefix = set;
        Register(prefix + "/FormatSixDigits", values, BM_FormatSixDigits);
        Register(prefix + "/snprintf_.16e", values,
                 [](benchmark::State& s, const std::vector<double>* v) { BM_Snprintf(s, v, "%.16e"); });
        Register(prefix + "/snprintf_.6g", values,
                 [](benchmark::State& s, const std::vector<double>* v) { BM_Snprintf(s, v, "%.6g"); });
    }
    benchmark::RegisterBenchmark("keystroke/OnFieldUpdated_CapacitanceField", BM_Keystroke)
        ->Unit(benchmark::kNanosecond);

    // Defaults for a shared machine: many short repetitions interleaved at random spread a
    // neighbour's build over all benchmarks alike, and the summary takes their median. Fewer,
    // longer repetitions let one burst of load decide a whole benchmark.
    std::vector<char*> args(argv, argv + argc);
    std::string defaults[] = {"--benchmark_repetitions=21", "--benchmark_enable_random_interleaving=true",
                              "--benchmark_display_aggregates_only=true", "--benchmark_min_time=0.05"};
    for (std::string& flag : defaults) {
        if (!HasFlag(argc, argv, flag.substr(0, flag.find('=')).c_str())) args.push_back(&flag[0]);
    }
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 1;
    SummaryReporter reporter(isatty(fileno(stdout)) ? benchmark::ConsoleReporter::OO_ColorTabular
                                                    : benchmark::ConsoleReporter::OO_Tabular);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    PrintSummary();
    return 0;
}
