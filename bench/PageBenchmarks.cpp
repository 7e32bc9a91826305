#include "PageBenchmarks.h"

#include <benchmark/benchmark.h>

#include <time.h>

#include <chrono>
#include <cstring>
#include <functional>

#include "DirectTiffWriter.h"
#include "ModuleInstance.h"
#include "platform/posix/RegistryHive.h"

namespace aro::bench {

namespace {

// Collects, for every benchmark, the median over its repetitions of each
// counter, while printing as usual.
class MedianCollector : public benchmark::ConsoleReporter {
public:
    explicit MedianCollector(Timings* timings) : m_timings(timings) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.error_occurred)
                m_failures += run.benchmark_name() + ": " + run.error_message + "\n";
            // A single repetition has no aggregates: its own figures count.
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            const bool single = run.run_type == Run::RT_Iteration && run.repetitions <= 1;
            if (median || single)
                for (const auto& [name, counter] : run.counters)
                    (*m_timings)[run.run_name.function_name + "." + name] = counter.value;
        }
        ConsoleReporter::ReportRuns(runs);
    }

    const std::string& failures() const { return m_failures; }

private:
    Timings* m_timings;
    std::string m_failures;
};

// Wall time and the calling thread's processor time (user and system:
// the writers' file writes included), in seconds. Processor time leaves
// out the stretches in which other programs had the processor.
struct PageTime {
    double wall = 0;
    double cpu = 0;
    PageTime& operator+=(const PageTime& other) {
        wall += other.wall;
        cpu += other.cpu;
        return *this;
    }
};

PageTime Now() {
    timespec cpu{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpu);
    return {
        std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count(),
        static_cast<double>(cpu.tv_sec) + static_cast<double>(cpu.tv_nsec) * 1e-9};
}

// One side of a comparison: prints the page from work and returns 0, or
// a status that stops the benchmark.
using PagePrinter = std::function<int(host::PrintBitmap&)>;

struct PageBench {
    const BenchInputs* inputs = nullptr;
    const BenchSandbox* sandbox = nullptr;
    std::string plainHive, letterheadHive;
    ModuleInstance plain, letterhead;
    DirectTiffWriter direct;
    host::PrintBitmap work;
    std::string refusal;  // outlives the benchmark run that reports it

    // The module changes bands in place: every page starts from a fresh
    // copy, made outside the timed part, for the baseline as well.
    PageTime TimePage(const host::PrintBitmap& pristine, const PagePrinter& print, int* status) {
        work.bits.assign(pristine.bits.begin(), pristine.bits.end());
        work.width = pristine.width, work.height = pristine.height;
        work.stride = pristine.stride, work.format = pristine.format;
        const PageTime start = Now();
        *status = print(work);
        const PageTime end = Now();
        return {end.wall - start.wall, end.cpu - start.cpu};
    }

    // Both sides print the same page in turn, the order alternating, so
    // that a slower or faster stretch of the machine falls on both alike.
    void Compare(benchmark::State& state, const host::PrintBitmap& page, const PagePrinter& value,
                 const PagePrinter& baseline) {
        PageTime valueTotal, baselineTotal;
        int64_t pages = 0;
        for (auto _ : state) {
            int statusA = 0, statusB = 0;
            const bool valueFirst = pages % 2 == 0;
            const PageTime a = TimePage(page, valueFirst ? value : baseline, &statusA);
            const PageTime b = TimePage(page, valueFirst ? baseline : value, &statusB);
            valueTotal += valueFirst ? a : b;
            baselineTotal += valueFirst ? b : a;
            state.SetIterationTime(a.wall + b.wall);
            ++pages;
            if (statusA != 0 || statusB != 0) {
                refusal = "a band was answered with " + std::to_string(statusA ? statusA : statusB);
                state.SkipWithError(refusal.c_str());
                break;
            }
        }
        if (pages == 0) return;
        state.counters[kValueMs] = valueTotal.cpu / pages * 1e3;
        state.counters[kBaselineMs] = baselineTotal.cpu / pages * 1e3;
        state.counters[kRatio] = valueTotal.cpu / baselineTotal.cpu;
        state.counters[kWallRatio] = valueTotal.wall / baselineTotal.wall;
    }

    PagePrinter Module(ModuleInstance& instance, const std::string& hive) {
        return [this, &instance, hive](host::PrintBitmap& page) {
            // The letterhead instance reads its settings at every band.
            sandbox->UseHive(hive);
            return instance.PrintPage(page, kBandRows, kBenchDpi);
        };
    }

    PagePrinter Direct() {
        return [this](host::PrintBitmap& page) {
            const bool written = page.format == ARO_BITMAP_COLOUR
                                     ? direct.WriteColourPage(page, kBenchDpi)
                                     : direct.WriteMonochromePage(page, kBandRows, kBenchDpi);
            return written ? 0 : -2;
        };
    }

    // What the letterhead instance pays at every band: the hive file read
    // and parsed for the background's path.
    void HiveRead(benchmark::State& state) {
        unsigned char value[260];
        for (auto _ : state) {
            uint32_t size = sizeof value;
            bool found = posix::ReadHiveValue(letterheadHive, Hive::CurrentUser,
                                              "Software\\ARO Digital\\Dovurezazuv",
                                              "BackgroundImageNextPages", value, &size);
            benchmark::DoNotOptimize(found);
            if (!found) {
                state.SkipWithError("the letterhead setting is missing");
                break;
            }
        }
        state.counters[kValueMs] =
            benchmark::Counter(static_cast<double>(state.iterations()) * 1e-3,
                               benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    }
};

bool LoadInstances(PageBench& bench, const std::string& modulePath, std::string* error) {
    const BenchSandbox& sandbox = *bench.sandbox;
    // Each instance names its file after its job: two documents started in
    // the same millisecond would otherwise get the same time-stamped name.
    bench.plainHive = sandbox.WriteHive("plain.reg", {{"FileNameMode", "2"}});
    bench.letterheadHive = sandbox.WriteHive(
        "letterhead.reg", {{"FileNameMode", "2"},
                           {"PrintBackgroundImage", "1"},
                           {"BackgroundImageFirstPage", bench.inputs->monoLetterhead},
                           {"BackgroundImageNextPages", bench.inputs->monoLetterhead},
                           {"BackgroundImageFirstPageColor", bench.inputs->colourLetterhead},
                           {"BackgroundImageNextPagesColor", bench.inputs->colourLetterhead}});
    if (!bench.plain.Load(modulePath, sandbox.root() + "/plain.so", error) ||
        !bench.letterhead.Load(modulePath, sandbox.root() + "/letterhead.so", error))
        return false;
    sandbox.UseHive(bench.plainHive);
    bench.plain.StartDocument("plain");
    sandbox.UseHive(bench.letterheadHive);
    bench.letterhead.StartDocument("letterhead");
    if (!bench.direct.Open(sandbox.outDir() + "/direct.tif")) {
        *error = "cannot create the direct writer's file";
        return false;
    }
    return true;
}

// A comparison runs for at least minSeconds a repetition: enough pages
// that one slow page does not move its ratio.
void Register(const char* name, double minSeconds, std::function<void(benchmark::State&)> body) {
    benchmark::RegisterBenchmark(name, [body](benchmark::State& state) { body(state); })
        ->Unit(benchmark::kMillisecond)
        ->MinTime(minSeconds)
        ->UseManualTime();
}

constexpr double kMonoSeconds = 0.6;    // about 20 pages each side
constexpr double kColourSeconds = 1.5;  // about 20 pages each side

void RegisterAll(PageBench& b) {
    const host::PrintBitmap& mono = b.inputs->textPage;
    const host::PrintBitmap& colour = b.inputs->colourPage;
    Register(kMonoModuleVsDirect, kMonoSeconds,
             [&](auto& s) { b.Compare(s, mono, b.Module(b.plain, b.plainHive), b.Direct()); });
    Register(kColourModuleVsDirect, kColourSeconds,
             [&](auto& s) { b.Compare(s, colour, b.Module(b.plain, b.plainHive), b.Direct()); });
    Register(kMonoLetterhead, kMonoSeconds, [&](auto& s) {
        b.Compare(s, mono, b.Module(b.letterhead, b.letterheadHive),
                  b.Module(b.plain, b.plainHive));
    });
    Register(kColourLetterhead, kColourSeconds, [&](auto& s) {
        b.Compare(s, colour, b.Module(b.letterhead, b.letterheadHive),
                  b.Module(b.plain, b.plainHive));
    });
    benchmark::RegisterBenchmark(kHiveRead, [&](benchmark::State& s) { b.HiveRead(s); })
        ->Unit(benchmark::kMicrosecond)
        ->UseRealTime();
}

}  // namespace

bool RunPageBenchmarks(const BenchInputs& inputs, const std::string& modulePath,
                       const BenchSandbox& sandbox, Timings* timings, std::string* error) {
    PageBench bench;
    bench.inputs = &inputs;
    bench.sandbox = &sandbox;
    if (!LoadInstances(bench, modulePath, error)) return false;
    RegisterAll(bench);
    MedianCollector reporter(timings);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::ClearRegisteredBenchmarks();
    bench.plain.EndDocument();
    bench.letterhead.EndDocument();
    bench.direct.Close();
    sandbox.ClearOutput();
    *error = reporter.failures();
    return error->empty();
}

}  // namespace aro::bench
