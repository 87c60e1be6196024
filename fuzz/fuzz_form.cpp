// The form over a string host, driven by a script of field writes and material selections, checked
// after every step against a model: every text, and every host call in order (which rules run,
// their guards, reads and writes, one nested update per write and nothing run inside it).
//
// Script: a flags byte (bit 0 set: the host does not report its own writes), then steps:
//   0, field, length, text   the user types `text` (0..40 bytes) into `field` (0..10)
//   1, index                 the user selects material `index` (0..23)
//   2, length, text          the list reports `text` as the selected name
#include <cstdint>
#include <cstdio>
#include <string>

#include "check.h"
#include "form_model.h"
#include "string_host.h"
#include "varnitz/materials.h"

namespace {

constexpr int kMaxSteps = 64;
constexpr int kMaxTextLength = 40;

struct Script {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t at;
};
std::uint8_t Next(Script& s) { return s.at < s.size ? s.data[s.at++] : 0; }
std::string NextText(Script& s) {
    std::string text;
    for (int n = Next(s) % (kMaxTextLength + 1); n > 0 && s.at < s.size; --n) text += static_cast<char>(Next(s));
    return text;
}

std::string Printable(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, c >= 32 && c < 127 && c != '\\' ? "%c" : "\\x%02x", c);
        out += escaped;
    }
    return out;
}

std::string Describe(const std::vector<varnitz::HostEvent>& events, std::size_t i) {
    if (i >= events.size()) return "nothing";
    static const char* const kKinds[] = {"FieldTextLength", "FieldText", "SetFieldText", "nested update"};
    const varnitz::HostEvent& e = events[i];
    char line[160];
    std::snprintf(line, sizeof line, "%s(field %d, capacity %d, \"%s\") at depth %d", kKinds[e.kind], e.field,
                  e.capacity, Printable(e.text).c_str(), e.depth);
    return line;
}

bool SameEvent(const varnitz::HostEvent& a, const varnitz::HostEvent& b) {
    return a.kind == b.kind && a.field == b.field && a.text == b.text && a.depth == b.depth &&
           a.capacity == b.capacity;
}

void Compare(varnitz::StringHost& host, varnitz::FormModel& model, int step) {
    std::vector<varnitz::HostEvent>& got = host.Events();
    for (std::size_t i = 0; i < got.size() || i < model.expected.size(); ++i) {
        VARNITZ_CHECK(i < got.size() && i < model.expected.size() && SameEvent(got[i], model.expected[i]),
                      "step %d, host call %zu: got %s, expected %s", step, i, Describe(got, i).c_str(),
                      Describe(model.expected, i).c_str());
    }
    for (int f = 0; f < varnitz::kFieldCount; ++f) {
        const varnitz::FieldId field = static_cast<varnitz::FieldId>(f);
        VARNITZ_CHECK(host.Text(field) == model.texts[f], "step %d, field %d: \"%s\", expected \"%s\"", step,
                      f, Printable(host.Text(field)).c_str(), Printable(model.texts[f]).c_str());
    }
    got.clear();
    model.expected.clear();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Script script{data, size, 0};
    const bool reportsWrites = (Next(script) & 1) == 0;
    varnitz::StringHost host(reportsWrites);
    varnitz::FormController form(host);
    host.Attach(&form);
    varnitz::FormModel model = varnitz::StartModel(reportsWrites);
    form.RecalculateAll();
    varnitz::ModelRecalculateAll(model);
    Compare(host, model, 0);
    for (int step = 1; step <= kMaxSteps && script.at < script.size; ++step) {
        const int op = Next(script) % 3;
        if (op == 0) {
            const auto field = static_cast<varnitz::FieldId>(Next(script) % varnitz::kFieldCount);
            const std::string text = NextText(script);
            host.Type(field, text);
            varnitz::ModelType(model, field, text);
        } else {
            const std::string name = op == 1 ? varnitz::DielectricTable[Next(script) % varnitz::kDielectricCount].name
                                             : NextText(script);
            host.Select(name);
            varnitz::ModelSelect(model, name);
        }
        Compare(host, model, step);
    }
    return 0;
}
