// orvale-benchmark: what the module costs the simulator per call, against the
// least any implementation must spend on the same work (the floor), measured
// side by side in one run on the real orvale.dll inside the simulated host.
//
//   orvale-benchmark [samples]     (default 301 samples per row and per floor)
//
// Each row's samples alternate with its floor's, so both see the same machine
// state. A sample is timed with QueryPerformanceCounter around enough calls to
// last at least SampleNs; the timer's own cost, read beside each timed
// stretch, is taken off. Work that only sets a call up (re-sending a message
// before an expiry tick, invalidating before a paint) runs outside the timed
// part.
//
// The floors that stand for the module's routines are routines of
// orvale-floor.dll (host/benchmark_floor.h), called through pointers as the
// module's are.
//
// Heap allocations of the module's own code are counted by pointing the
// loaded orvale.dll's allocation imports at counting wrappers
// (host/alloc_counter.h); only the timed calls into the module are counted.
#include "host/sim_host.h"
#include "host/alloc_counter.h"
#include "host/benchmark_floor.h"
#include "host/benchmark_stats.h"

// The plain steps the benchmark sets its floors up with, untimed (a message
// put into the floor's values, the paint's flags), and the byte and text
// helpers they use.
#include "core/bytes_and_text.cpp"
#include "display/message_buffer.cpp"
#include "display/message_history.cpp"
#include "display/tick_step.h"
#include "display/window_layout.cpp"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr double SampleNs = 200000;     // each timed sample lasts at least 0.2 ms
constexpr int64_t MaxCallsPerSample = 1 << 20;
constexpr int IdleTicksPerRound = TicksPerRound - 1;

int64_t frequency;
double timer_overhead;  // counts of one QueryPerformanceCounter pair, on average: for the report

int64_t Now()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

double CountsToNs(double counts) { return counts * 1e9 / static_cast<double>(frequency); }

// The mean, not the median: one pair is often below one count, and only the
// mean of many quantised readings converges on what a pair really costs.
void MeasureTimer()
{
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    frequency = f.QuadPart;
    const int pairs = 200000;
    int64_t total = 0;
    for (int i = 0; i < pairs; ++i) {
        int64_t t0 = Now();
        total += Now() - t0;
    }
    timer_overhead = static_cast<double>(total) / pairs;
}

// One side of a row: `calls` timed calls of `run` per repetition, each
// repetition after an untimed `prepare`.
struct Side {
    std::function<void()> prepare;  // may be empty
    std::function<void()> run;      // `calls` calls of the operation
    int64_t calls = 1;
    bool counts_allocations = false;
};

struct Series {
    std::vector<double> ns;
    int64_t repetitions = 1;
    AllocCounts allocations;
};

// Runs `reps` repetitions of a side; returns nanoseconds per call. Each
// repetition's timed calls hold one reading pair's cost (the end of one
// reading, the start of the next); a pair read just before them, in the same
// state after the same set-up, is what is taken off. A pair's cost moves with
// what ran before it and with the machine's load (under emulation by
// hundreds of nanoseconds), so a mean taken once at start-up would move a
// row's costs by more than an idle tick's whole work.
double TimeSide(const Side& side, int64_t reps, AllocCounts* allocations)
{
    int64_t timed = 0, timer = 0;
    for (int64_t r = 0; r < reps; ++r) {
        if (side.prepare)
            side.prepare();
        AllocCounts before = AllocationCounts();
        int64_t t0 = Now();
        int64_t t1 = Now();
        side.run();
        int64_t t2 = Now();
        AllocCounts after = AllocationCounts();
        timed += t2 - t1;
        timer += t1 - t0;
        if (allocations && side.counts_allocations) {
            allocations->allocations += after.allocations - before.allocations;
            allocations->frees += after.frees - before.frees;
        }
    }
    return NsPerCall(timed, timer, reps * side.calls, frequency);
}

struct Row {
    std::string name;
    Series op, floor;
    bool allocation_goal = false;  // the module may not allocate here
    bool idle_goal = false;        // the call must stay under 100 ns
    // The ratio is a goal only against the floor the module must pay; against
    // a lesser one (a bare DrawTextA beside a whole paint, a copy taken
    // without asking whether anyone sees it) it is information.
    bool ratio_goal = true;
};

int samples = 301;
std::vector<Row> rows;

void Measure(const std::string& name, const Side& op, const Side& floor, bool allocation_goal,
             bool idle_goal = false, bool ratio_goal = true)
{
    Row row;
    row.name = name;
    row.allocation_goal = allocation_goal;
    row.idle_goal = idle_goal;
    row.ratio_goal = ratio_goal;
    // A first estimate decides how many repetitions fill a sample.
    double op_estimate = TimeSide(op, 20, nullptr);
    double floor_estimate = TimeSide(floor, 20, nullptr);
    row.op.repetitions = CallsPerSample(op_estimate * static_cast<double>(op.calls), SampleNs, MaxCallsPerSample);
    row.floor.repetitions =
        CallsPerSample(floor_estimate * static_cast<double>(floor.calls), SampleNs, MaxCallsPerSample);
    // Warm up: caches, branch predictors, the window system's own state.
    for (int i = 0; i < samples / 10 + 3; ++i) {
        TimeSide(op, row.op.repetitions, nullptr);
        TimeSide(floor, row.floor.repetitions, nullptr);
    }
    for (int i = 0; i < samples; ++i) {
        row.op.ns.push_back(TimeSide(op, row.op.repetitions, &row.op.allocations));
        row.floor.ns.push_back(TimeSide(floor, row.floor.repetitions, nullptr));
    }
    std::fprintf(stderr, "  measured %s\n", name.c_str());
    rows.push_back(row);
}

// ---- The module in the simulated host ----

static HWND display;
static SimTextOutputRoutine hook;
static SimShowMessageRoutine show_message;
static SimTickRoutine tick;
static int dll_phase;  // the module's tick count, as followed from here after Synchronise

// The host's text output as the module calls it on: returns at once, so the
// recording host routine's own work stays out of the module's cost.
int32_t WINAPI QuietHostTextOutput(const char*, int32_t, int32_t, int32_t) { return 1; }

BOOL CALLBACK FindDisplay(HWND window, LPARAM found)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    char name[32] = {};
    GetClassNameA(window, name, sizeof name);
    if (pid == GetCurrentProcessId() && strcmp(name, "OrvaleWindow") == 0) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

bool StartHost()
{
    SimCreateTables();
    SimSetTickInterval(0);  // the benchmark calls the tick itself
    SimSetSlot(SimTableTextOutput, SimTextOutputOffset, reinterpret_cast<uintptr_t>(&QuietHostTextOutput));
    if (!SimCreateMainWindow("FS2002MAIN", "Microsoft Flight Simulator 2002", 0, 0, 900, 700)) {
        std::fprintf(stderr, "benchmark: no main window\n");
        return false;
    }
    std::string dll = SimExeFolder() + "\\orvale.dll";
    if (!SimLoadModule(dll.c_str()) || !SimStartModule()) {
        std::fprintf(stderr, "benchmark: %s does not load or start\n", dll.c_str());
        return false;
    }
    uintptr_t quiet = reinterpret_cast<uintptr_t>(&QuietHostTextOutput);
    if (!SimPumpUntil([&] { return *SimSlot(SimTableTextOutput, SimTextOutputOffset) != quiet && SimRegisteredTick(); },
                      5000)) {
        std::fprintf(stderr, "benchmark: the module did not hook the text output and register its tick\n");
        return false;
    }
    SimPump(3500);  // the rest of start-up (the menu entry) settles first
    hook = reinterpret_cast<SimTextOutputRoutine>(*SimSlot(SimTableTextOutput, SimTextOutputOffset));
    show_message = reinterpret_cast<SimShowMessageRoutine>(SimLinkageWord(7));
    tick = SimRegisteredTick();
    EnumWindows(FindDisplay, reinterpret_cast<LPARAM>(&display));
    if (!hook || !show_message || !tick || !display) {
        std::fprintf(stderr, "benchmark: hook %p, ShowMessage %p, tick %p, display %p\n",
                     reinterpret_cast<void*>(hook), reinterpret_cast<void*>(show_message),
                     reinterpret_cast<void*>(tick), reinterpret_cast<void*>(display));
        return false;
    }
    show_message("Orvale benchmark", 0);
    SetWindowPos(display, HWND_TOP, 0, 60, 630, 30, SWP_NOACTIVATE | SWP_SHOWWINDOW);
    SimPump(200);
    return IsWindowVisible(display) != FALSE;
}

bool Updating(HWND window)
{
    RECT r;
    return GetUpdateRect(window, &r, FALSE) != FALSE;
}

void Tick() { tick(0, 0); ++dll_phase; }

// Brings the module's tick count to a known value: the 20th tick of a round
// is the one that repaints an idle display.
bool Synchronise()
{
    show_message("", 1);  // empty, and expired on the next tick
    for (int i = 0; i < 2 * TicksPerRound; ++i)
        tick(0, 0);
    ValidateRect(display, nullptr);
    for (int i = 0; i < TicksPerRound + 1; ++i) {
        tick(0, 0);
        if (Updating(display)) {
            dll_phase = 0;
            ValidateRect(display, nullptr);
            return true;
        }
    }
    return false;
}

// ---- The floors: the least the same work costs, done without the module ----

// orvale-floor.dll's routines (host/benchmark_floor.h): the copy and the
// invalidate, the same with the look at the windows above, and the tick's
// plain step with its invalidate, each reached as the module's routines are.
FloorTextOutputRoutine floor_text_output;
FloorTextOutputRoutine floor_text_output_seen;
FloorTickRoutine floor_tick;
DisplayValues* floor_values;

bool LoadFloors()
{
    std::string path = SimExeFolder() + "\\" + FloorDllName;
    HMODULE floors = LoadLibraryA(path.c_str());
    if (!floors) {
        std::fprintf(stderr, "benchmark: %s does not load\n", path.c_str());
        return false;
    }
    auto set_up = reinterpret_cast<FloorSetUpRoutine>(GetProcAddress(floors, "FloorSetUp"));
    auto values = reinterpret_cast<FloorValuesRoutine>(GetProcAddress(floors, "FloorValues"));
    floor_text_output = reinterpret_cast<FloorTextOutputRoutine>(GetProcAddress(floors, "FloorTextOutput"));
    floor_text_output_seen = reinterpret_cast<FloorTextOutputRoutine>(GetProcAddress(floors, "FloorTextOutputSeen"));
    floor_tick = reinterpret_cast<FloorTickRoutine>(GetProcAddress(floors, "FloorTick"));
    if (!set_up || !values || !floor_text_output || !floor_text_output_seen || !floor_tick) {
        std::fprintf(stderr, "benchmark: %s lacks a floor routine\n", path.c_str());
        return false;
    }
    // The floors pass an emptied message on to the same host routine as the module.
    set_up(display, QuietHostTextOutput);
    floor_values = values();
    return true;
}

// A message put into the floor's values, as ShowMessage puts it: set-up, untimed.
void FloorShowMessage(const char* text, int32_t time)
{
    CaptureMessage(*floor_values, text, time >= 0 ? MessageStatic : MessageScrolling, time >= 0 ? time : ~time, 0, 1);
}

// Each call against the copy and the invalidate alone (information), and
// against those with the look at the windows above (the goal).
void MeasureCapture()
{
    static const std::string short_text = Words(100), long_text = Words(2000);
    struct Case {
        std::string name;
        std::function<void()> run;
        const char* text;
    };
    std::vector<Case> cases;
    for (const std::string* text : {&short_text, &long_text}) {
        const char* t = text->c_str();
        cases.push_back({"TextOutputHook, " + std::to_string(text->size()) + " characters",
                         [t] { hook(t, MessageStatic, 100, 0); }, t});
    }
    const char* t = short_text.c_str();
    cases.push_back({"ShowMessage, 100 characters", [t] { show_message(t, 100); }, t});
    for (const Case& c : cases) {
        Side op, floor, sight_floor;
        op.prepare = floor.prepare = sight_floor.prepare = [] { ValidateRect(display, nullptr); };
        op.run = c.run;
        op.counts_allocations = true;
        const char* text = c.text;
        floor.run = [text] { floor_text_output(text, MessageStatic, 100, 0); };
        Measure(c.name, op, floor, true, false, false);
        sight_floor.run = [text] { floor_text_output_seen(text, MessageStatic, 100, 0); };
        Measure(c.name + " (floor: with the windows above)", op, sight_floor, true);
    }
}

void MeasureTicks()
{
    // Nothing to do: the 19 ticks of a round that neither scroll, expire nor
    // repaint. The round's 20th tick runs untimed before them.
    Side op, floor;
    op.prepare = [] {
        while (dll_phase % TicksPerRound != 0)
            Tick();
        ValidateRect(display, nullptr);
    };
    op.run = [] {
        for (int i = 0; i < IdleTicksPerRound; ++i)
            tick(0, 0);
        dll_phase += IdleTicksPerRound;
    };
    op.calls = IdleTicksPerRound;
    op.counts_allocations = true;
    floor.prepare = [] {
        while (floor_values->tick_count != 0)
            floor_tick(0, 0);
        ValidateRect(display, nullptr);
    };
    floor.run = [] {
        for (int i = 0; i < IdleTicksPerRound; ++i)
            floor_tick(0, 0);
    };
    floor.calls = IdleTicksPerRound;
    *floor_values = DisplayValues{};
    // The edition the module recognised (its Linkage edition word stays 0x800 on FS2002 only).
    floor_values->host_version = SimLinkageWord(5) == 0x800 ? 2 : 1;
    Measure("DisplayTick, nothing to do", op, floor, true, true);

    // The round's 20th tick of an idle display: a repaint and nothing else.
    Side round_op, round_floor;
    round_op.prepare = [] {
        while (dll_phase % TicksPerRound != IdleTicksPerRound)
            Tick();
        ValidateRect(display, nullptr);
    };
    round_op.run = [] { tick(0, 0); ++dll_phase; };
    round_op.counts_allocations = true;
    round_floor.prepare = [] {
        while (floor_values->tick_count != IdleTicksPerRound)
            floor_tick(0, 0);
        ValidateRect(display, nullptr);
    };
    round_floor.run = [] { floor_tick(0, 0); };
    Measure("DisplayTick, 20th tick (repaint)", round_op, round_floor, true);

    // Scrolling a 2,000-character message: whole rounds of 20 ticks, every 4th
    // (on FS2002 every 2nd) of them a step. A fresh message first waits five
    // eligible ticks: that round is untimed.
    static const std::string scrolling = Words(2000);
    static int op_steps_left, floor_steps_left, steps_per_round;
    {
        DisplayValues probe = *floor_values;
        CaptureMessage(probe, "probe", MessageScrolling, 0, 0, 1);
        steps_per_round = TicksPerRound / (probe.scroll_mask + 1);  // FS2002 scrolls every 2nd tick
    }
    Side scroll_op, scroll_floor;
    scroll_op.prepare = [] {
        while (dll_phase % TicksPerRound != IdleTicksPerRound)
            Tick();
        if (op_steps_left < 100) {
            show_message(scrolling.c_str(), -1);
            for (int i = 0; i < TicksPerRound; ++i)
                Tick();
            op_steps_left = static_cast<int>(scrolling.size()) + ScrollLead;
        }
        ValidateRect(display, nullptr);
    };
    scroll_op.run = [] {
        for (int i = 0; i < TicksPerRound; ++i)
            tick(0, 0);
        dll_phase += TicksPerRound;
        op_steps_left -= steps_per_round;
    };
    scroll_op.calls = TicksPerRound;
    scroll_op.counts_allocations = true;
    scroll_floor.prepare = [] {
        while (floor_values->tick_count != IdleTicksPerRound)
            floor_tick(0, 0);
        if (floor_steps_left < 100) {
            FloorShowMessage(scrolling.c_str(), -1);
            for (int i = 0; i < TicksPerRound; ++i)
                floor_tick(0, 0);
            floor_steps_left = static_cast<int>(scrolling.size()) + ScrollLead;
        }
        ValidateRect(display, nullptr);
    };
    scroll_floor.run = [] {
        for (int i = 0; i < TicksPerRound; ++i)
            floor_tick(0, 0);
        floor_steps_left -= steps_per_round;
    };
    scroll_floor.calls = TicksPerRound;
    // Each repetition starts a round, at the previous round's last tick.
    op_steps_left = floor_steps_left = 0;
    Measure("DisplayTick, scrolling", scroll_op, scroll_floor, true);

    // Expiry: a static message of one tick, cleared by the timed tick.
    static const std::string expiring = Words(100);
    Side expire_op, expire_floor;
    expire_op.prepare = [] {
        show_message(expiring.c_str(), 1);
        ValidateRect(display, nullptr);
    };
    expire_op.run = [] { tick(0, 0); };
    expire_op.counts_allocations = true;
    expire_floor.prepare = [] {
        FloorShowMessage(expiring.c_str(), 1);
        ValidateRect(display, nullptr);
    };
    expire_floor.run = [] { floor_tick(0, 0); };
    floor_values->tick_count = dll_phase % TicksPerRound;
    Measure("DisplayTick, expiry", expire_op, expire_floor, true);
}

// A window of the benchmark's own with the display's class styles, whose
// paint is the least a window showing the text can do: begin, erase, draw the
// text with the same flags, end. It tells the window system's paint cycle
// apart from what the module adds to it.
struct BarePaint {
    const char* text = "";
    int length = 0;
    UINT flags = 0;
    HBRUSH brush = nullptr;
} bare;

LRESULT CALLBACK BarePaintProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message != WM_PAINT)
        return DefWindowProcA(window, message, wparam, lparam);
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    if (paint.fErase)
        FillRect(dc, &paint.rcPaint, bare.brush);
    RECT client;
    GetClientRect(window, &client);
    DrawTextA(dc, bare.text, bare.length, &client, bare.flags);
    EndPaint(window, &paint);
    return 0;
}

HWND CreateBarePaintWindow()
{
    WNDCLASSA wc = {};
    wc.style = CS_VREDRAW | CS_HREDRAW | CS_OWNDC;
    wc.lpfnWndProc = BarePaintProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "OrvaleBenchmarkBarePaint";
    RegisterClassA(&wc);
    return CreateWindowExA(0, wc.lpszClassName, "bare paint", WS_POPUP | WS_CAPTION | WS_THICKFRAME, 640, 540, 630,
                           30, SimMainWindow(), nullptr, wc.hInstance, nullptr);
}

void MeasurePaint()
{
    static const std::string one_line = "Parking brakes set. Contact ground on 121.9.";
    static const std::string full = Words(TextCapacity);
    struct Case {
        const std::string* text;
        int height;
        const char* name;
    };
    const Case cases[] = {{&one_line, 30, "WM_PAINT, one line"},
                          {&full, 480, "WM_PAINT, 2,047 characters wrapped"}};
    static HWND reference;
    reference = CreateBarePaintWindow();
    bare.brush = CreateSolidBrush(GetPixel(GetDC(display), 2, 2));
    for (const Case& c : cases) {
        SetWindowPos(display, HWND_TOP, 0, 60, 630, c.height, SWP_NOACTIVATE | SWP_SHOWWINDOW);
        SetWindowPos(reference, HWND_TOP, 640, 540, 630, c.height, SWP_NOACTIVATE | SWP_SHOWWINDOW);
        show_message(c.text->c_str(), 0);  // static, no expiry
        SimPump(100);

        // The same text, context and flags as the module's paint.
        static HDC dc;
        static RECT client;
        static UINT flags;
        static const char* text;
        static int length;
        dc = GetDC(display);
        TEXTMETRICA metrics = {};
        GetTextMetricsA(dc, &metrics);
        GetClientRect(display, &client);
        flags = DisplayDrawFlags(client.bottom - client.top, LineHeight(metrics.tmHeight, metrics.tmExternalLeading));
        text = c.text->c_str();
        length = static_cast<int>(c.text->size());
        bare = {text, length, flags, bare.brush};

        Side op, floor;
        op.prepare = [] { InvalidateRect(display, nullptr, TRUE); };
        op.run = [] { UpdateWindow(display); };
        op.counts_allocations = true;
        floor.run = [] {
            RECT r = client;
            DrawTextA(dc, text, length, &r, flags);
        };
        // A bare DrawTextA is less than any window's paint: information only.
        Measure(c.name, op, floor, false, false, false);

        Side bare_floor;
        bare_floor.prepare = [] { InvalidateRect(reference, nullptr, TRUE); };
        bare_floor.run = [] { UpdateWindow(reference); };
        Measure(std::string(c.name) + " (floor: a bare window's paint)", op, bare_floor, false);
        ReleaseDC(display, dc);
    }
    DestroyWindow(reference);
    DeleteObject(bare.brush);
}

void PrintTable()
{
    double resolution = CountsToNs(1.0) / 1000.0;  // the finest per-call step a sample can show
    std::printf("| operation | median ns | p95 ns | floor median ns | floor p95 ns | ratio | allocations |\n");
    std::printf("| --- | ---: | ---: | ---: | ---: | ---: | ---: |\n");
    for (const Row& r : rows) {
        double median = Median(r.op.ns), p95 = Percentile(r.op.ns, 95);
        double floor_median = Median(r.floor.ns), floor_p95 = Percentile(r.floor.ns, 95);
        std::printf("| %s | %.1f | %.1f | %.1f | %.1f | %.2f | %ld |\n", r.name.c_str(), median, p95, floor_median,
                    floor_p95, CostRatio(median, floor_median, resolution), r.op.allocations.allocations);
    }
}

// Prints each goal and returns the goals missed, named.
std::string PrintGoals()
{
    double resolution = CountsToNs(1.0) / 1000.0;
    std::string missed;
    auto miss = [&](const std::string& what) { missed += (missed.empty() ? "" : "; ") + what; };
    std::printf("\nGoals (against the floor the module must pay):\n");
    for (const Row& r : rows) {
        double median = Median(r.op.ns), floor_median = Median(r.floor.ns);
        double ratio = CostRatio(median, floor_median, resolution);
        if (!r.ratio_goal) {
            std::printf("  %-40s ratio %.2f to a lesser floor: information, no goal\n", r.name.c_str(), ratio);
        } else {
            bool ratio_ok = ratio <= 1.5;
            if (!ratio_ok)
                miss(r.name + " at " + std::to_string(ratio).substr(0, 4) + " times its floor");
            std::printf("  %-40s ratio %.2f <= 1.5: %s\n", r.name.c_str(), ratio, ratio_ok ? "met" : "MISSED");
        }
        if (r.idle_goal) {
            bool ok = median < 100;
            if (!ok)
                miss(r.name + " at " + std::to_string(static_cast<int>(median)) + " ns");
            std::printf("  %-40s median %.1f ns < 100 ns: %s\n", r.name.c_str(), median, ok ? "met" : "MISSED");
        }
        if (r.allocation_goal) {
            bool ok = r.op.allocations.allocations == 0 && r.op.allocations.frees == 0;
            if (!ok)
                miss(r.name + " allocates");
            std::printf("  %-40s %ld allocations, %ld frees: %s\n", r.name.c_str(), r.op.allocations.allocations,
                        r.op.allocations.frees, ok ? "met" : "MISSED");
        }
    }
    return missed;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc > 1)
        samples = std::max(11, atoi(argv[1]));
    MeasureTimer();
    if (!StartHost() || !LoadFloors())
        return 2;
    std::vector<std::string> patched;
    HMODULE module = GetModuleHandleA("orvale.dll");
    int patched_count = CountAllocationsOf(module, &patched);
    std::string patched_list;
    for (const std::string& name : patched)
        patched_list += (patched_list.empty() ? "" : ", ") + name;

    std::printf("orvale-benchmark: %d samples per row and per floor, each at least %.0f us\n", samples,
                SampleNs / 1000);
    std::printf("timer: QueryPerformanceCounter at %lld Hz, %.1f ns per reading pair on average "
                "(each timed stretch's own pair taken off)\n",
                static_cast<long long>(frequency), CountsToNs(timer_overhead));
    std::printf("allocation imports of orvale.dll counted: %d (%s)\n\n", patched_count,
                patched_list.empty() ? "none: it imports no allocation function" : patched_list.c_str());

    MeasureCapture();
    if (!Synchronise()) {
        std::fprintf(stderr, "benchmark: could not find the module's 20-tick round\n");
        return 2;
    }
    MeasureTicks();
    MeasurePaint();

    PrintTable();
    const std::string missed = PrintGoals();
    if (missed.empty())
        std::printf("\norvale-benchmark: all goals met\n");
    else
        std::printf("\norvale-benchmark: goal missed: %s\n", missed.c_str());

    RestoreAllocationImports();
    SimStopModule();
    SimUnloadModule();
    SimDestroyMainWindow();
    return 0;
}
