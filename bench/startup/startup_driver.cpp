// Times the start-up of Dorvel.exe and of its floor programs: from CreateProcess until the window is
// shown with what it must show and the process waits for input. Runs under Wine like on Windows.
//
//   startup_driver <runs> <label>=<exe> ...      labels: dorvel, floor_controls, floor_empty, dorvel_marked
//
// Each program is started once to warm the file cache, then <runs> rounds of one start each, in an
// order shuffled every round (from a fixed seed), so that a neighbour's load falls on all of them
// alike and no program always follows the same one. A start counts when WaitForInputIdle has returned
// and the window is then found visible with its controls (and, for Dorvel, its three results); if
// that needs a moment more, the start ends when it is first seen complete. Then WM_CLOSE, and the
// process must end with exit code 0.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr const char* kWindowClass = "Dorvel_main_window";
constexpr const char* kMarksVariable = "VARNITZ_STARTUP_MARKS";  // read by the startup_* programs
constexpr const char* kResults[] = {"98.3778", "7.986", "965.065"};  // what the start texts give
constexpr DWORD kStartTimeoutMs = 60000;
constexpr DWORD kCompleteTimeoutMs = 10000;
constexpr double kTargetDorvelOverFloor = 1.1;

struct ProgramKind {
    const char* label;
    int children;   // direct child windows of the main window
    bool results;   // the three result texts are there
    bool marked;    // writes its start-up marks
};
constexpr ProgramKind kKinds[] = {
    // label            children results marked
    {"dorvel",          34,      true,   false},
    {"floor_controls",  34,      false,  true},
    {"floor_empty",     0,       false,  true},
    {"dorvel_marked",   34,      true,   true},
};

// One start of a marked program: each mark's time since CreateProcess was called, in order.
using MarkTimes = std::vector<std::pair<std::string, double>>;

struct Program {
    const ProgramKind* kind;
    std::string path;
    std::vector<double> startMs;
    int late = 0;  // starts that were complete only after WaitForInputIdle had returned
    std::vector<MarkTimes> marks;  // one per counted start, for the marked programs
};

LARGE_INTEGER Frequency;

double Now() {
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart);
}

double Ms(double ticks) { return ticks * 1000.0 / static_cast<double>(Frequency.QuadPart); }

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

double Min(const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); }
double Max(const std::vector<double>& v) { return *std::max_element(v.begin(), v.end()); }

HWND FindMainWindow(DWORD processId) {
    for (HWND w = FindWindowExA(nullptr, nullptr, kWindowClass, nullptr); w;
         w = FindWindowExA(nullptr, w, kWindowClass, nullptr)) {
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        if (owner == processId) return w;
    }
    return nullptr;
}

// Another process's edit control keeps its text to itself: only WM_GETTEXT asks it.
std::string TextOf(HWND w) {
    char text[64] = {};
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutA(w, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000,
                             &copied)) {
        return "";
    }
    return text;
}

bool IsComplete(HWND window, const ProgramKind& kind) {
    if (!window || !IsWindowVisible(window)) return false;
    int children = 0;
    std::vector<std::string> texts;
    for (HWND c = GetWindow(window, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        ++children;
        if (kind.results) texts.push_back(TextOf(c));
    }
    if (children != kind.children) return false;
    for (const char* result : kResults) {
        if (kind.results && std::find(texts.begin(), texts.end(), result) == texts.end()) return false;
    }
    return true;
}

std::string MarksPath() {
    char directory[MAX_PATH];
    GetTempPathA(sizeof directory, directory);
    return std::string(directory) + "varnitz_startup_marks.txt";
}

// The marks file: "<frequency> frequency", then "<ticks> <name>" lines.
MarkTimes ReadMarks(const std::string& path, double createTicks) {
    MarkTimes marks;
    std::FILE* file = std::fopen(path.c_str(), "r");
    if (!file) return marks;
    char line[256];
    while (std::fgets(line, sizeof line, file)) {
        char* end = nullptr;
        const long long ticks = std::strtoll(line, &end, 10);
        if (end == line || *end != ' ') continue;
        std::string name(end + 1);
        while (!name.empty() && (name.back() == '\n' || name.back() == '\r')) name.pop_back();
        if (name == "frequency") continue;  // the same clock as the driver's
        marks.push_back({name, Ms(static_cast<double>(ticks) - createTicks)});
    }
    std::fclose(file);
    return marks;
}

// One start, check and close. Returns false, after ending the process, when anything is wrong.
bool RunOnce(Program& program, bool counted) {
    const std::string marksPath = MarksPath();
    if (program.kind->marked) DeleteFileA(marksPath.c_str());

    std::string commandLine = "\"" + program.path + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    const double created = Now();
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        std::fprintf(stderr, "%s: CreateProcess failed (%lu)\n", program.path.c_str(), GetLastError());
        return false;
    }
    const double returned = Now();
    const DWORD idle = WaitForInputIdle(process.hProcess, kStartTimeoutMs);
    const double idleAt = Now();

    HWND window = FindMainWindow(process.dwProcessId);
    bool complete = idle == 0 && IsComplete(window, *program.kind);
    double completeAt = idleAt;
    const bool late = !complete;
    while (!complete && Ms(Now() - idleAt) < kCompleteTimeoutMs) {
        Sleep(1);
        window = FindMainWindow(process.dwProcessId);
        complete = IsComplete(window, *program.kind);
        completeAt = Now();
    }
    if (!complete) {
        std::fprintf(stderr, "%s: no complete window within %lu ms after WaitForInputIdle (%lu)\n",
                     program.kind->label, kCompleteTimeoutMs, idle);
        TerminateProcess(process.hProcess, 1);
        return false;
    }

    PostMessageA(window, WM_CLOSE, 0, 0);
    DWORD exitCode = 1;
    if (WaitForSingleObject(process.hProcess, kStartTimeoutMs) != WAIT_OBJECT_0) {
        std::fprintf(stderr, "%s: did not end after WM_CLOSE\n", program.kind->label);
        TerminateProcess(process.hProcess, 1);
        return false;
    }
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    if (exitCode != 0) {
        std::fprintf(stderr, "%s: exit code %lu\n", program.kind->label, exitCode);
        return false;
    }

    const double startMs = Ms(completeAt - created);
    std::printf("  %-15s %8.1f ms  (CreateProcess returned at %.1f, WaitForInputIdle at %.1f%s)%s\n",
                program.kind->label, startMs, Ms(returned - created), Ms(idleAt - created),
                late ? ", complete later" : "", counted ? "" : "  warm-up");
    if (!counted) return true;
    program.startMs.push_back(startMs);
    if (late) ++program.late;
    if (program.kind->marked) {
        MarkTimes marks = ReadMarks(marksPath, created);
        marks.insert(marks.begin(), {"CreateProcess returns", Ms(returned - created)});
        marks.push_back({"WaitForInputIdle returns", Ms(idleAt - created)});
        program.marks.push_back(marks);
    }
    return true;
}

const Program* Find(const std::vector<Program>& programs, const char* label) {
    for (const Program& p : programs) {
        if (std::strcmp(p.kind->label, label) == 0 && !p.startMs.empty()) return &p;
    }
    return nullptr;
}

// Three estimates of one ratio. A neighbour's load only adds time, so the minima come closest to
// the cost when some starts found the machine quiet; the two starts of one round are seconds apart,
// so the median of the rounds' own ratios ("paired") cancels load that changes more slowly.
void PrintRatio(const std::vector<Program>& programs, const char* over, const char* under, double target) {
    const Program* a = Find(programs, over);
    const Program* b = Find(programs, under);
    if (!a || !b) return;
    const double min = Min(a->startMs) / Min(b->startMs);
    const double median = Median(a->startMs) / Median(b->startMs);
    std::vector<double> rounds;
    for (std::size_t r = 0; r < a->startMs.size() && r < b->startMs.size(); ++r) {
        rounds.push_back(a->startMs[r] / b->startMs[r]);
    }
    const double paired = Median(rounds);
    std::printf("  %-30s %8.3f %8.3f %8.3f", (std::string(over) + " / " + under).c_str(), min, median, paired);
    if (target > 0) {
        auto verdict = [target](double ratio) { return ratio <= target ? "MET" : "NOT MET"; };
        std::printf("   target <= %.2f: %s, %s, %s", target, verdict(min), verdict(median), verdict(paired));
    }
    std::printf("\n");
}

// For each mark: its time since CreateProcess and the step from the mark before, least and median.
// A neighbour's load only ever adds time, so the least of many starts is the closest to the cost.
void PrintPhases(const Program& program) {
    const std::vector<MarkTimes>& runs = program.marks;
    if (runs.empty()) return;
    std::printf("\nphases of %s, ms over %zu starts:\n", program.kind->label, runs.size());
    std::printf("  %-38s %21s %21s\n", "", "since CreateProcess", "step");
    std::printf("  %-38s %10s %10s %10s %10s\n", "mark", "min", "median", "min", "median");
    const MarkTimes& first = runs.front();
    for (std::size_t i = 0; i < first.size(); ++i) {
        std::vector<double> at, step;
        for (const MarkTimes& run : runs) {
            if (run.size() != first.size() || run[i].first != first[i].first) continue;  // a mark missing
            at.push_back(run[i].second);
            step.push_back(run[i].second - (i ? run[i - 1].second : 0.0));
        }
        if (!at.empty()) {
            std::printf("  %-38s %10.2f %10.2f %10.2f %10.2f\n", first[i].first.c_str(), Min(at), Median(at), Min(step),
                        Median(step));
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: startup_driver <runs> <label>=<exe> ...\n");
        return 2;
    }
    QueryPerformanceFrequency(&Frequency);
    const int runs = std::atoi(argv[1]);
    std::vector<Program> programs;
    for (int i = 2; i < argc; ++i) {
        const char* equals = std::strchr(argv[i], '=');
        const ProgramKind* kind = nullptr;
        for (const ProgramKind& k : kKinds) {
            if (equals && std::string(argv[i], static_cast<std::size_t>(equals - argv[i])) == k.label) kind = &k;
        }
        if (!kind) {
            std::fprintf(stderr, "unknown program: %s\n", argv[i]);
            return 2;
        }
        programs.push_back({kind, equals + 1, {}, 0, {}});
    }
    SetEnvironmentVariableA(kMarksVariable, MarksPath().c_str());

    std::printf("warm-up, then %d rounds of one start of each program, in shuffled order:\n", runs);
    for (Program& p : programs) {
        if (!RunOnce(p, false)) return 1;
    }
    std::vector<std::size_t> order(programs.size());
    for (std::size_t k = 0; k < order.size(); ++k) order[k] = k;
    unsigned seed = 20261211;
    for (int round = 0; round < runs; ++round) {
        for (std::size_t k = order.size(); k > 1; --k) {
            seed = seed * 1103515245u + 12345u;
            std::swap(order[k - 1], order[(seed >> 16) % k]);
        }
        for (std::size_t k : order) {
            if (!RunOnce(programs[k], true)) return 1;
        }
    }

    std::printf("\nstart-up, ms from CreateProcess to the complete window waiting for input:\n");
    std::printf("  %-15s %8s %8s %8s %6s\n", "program", "min", "median", "max", "late");
    for (const Program& p : programs) {
        std::printf("  %-15s %8.1f %8.1f %8.1f %6d\n", p.kind->label, Min(p.startMs), Median(p.startMs), Max(p.startMs),
                    p.late);
    }
    std::printf("\nratios:%-25s %8s %8s %8s\n", "", "minima", "medians", "paired");
    PrintRatio(programs, "dorvel", "floor_controls", kTargetDorvelOverFloor);
    PrintRatio(programs, "dorvel", "floor_empty", 0);
    PrintRatio(programs, "floor_controls", "floor_empty", 0);
    PrintRatio(programs, "dorvel_marked", "dorvel", 0);
    for (const Program& p : programs) PrintPhases(p);
    return 0;
}
