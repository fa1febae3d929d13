// The console report of Google Benchmark plus a closing table of median ratios to a baseline, and
// the shared main that sets interleaved repetitions as the default (this machine is noisy).
#include "ratio_reporter.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

struct Samples {
    std::vector<double> secondsPerIteration;
    std::vector<double> bytesPerSecond;
    std::vector<double> medianAggregate; // used when only aggregates are reported
};

double Median(std::vector<double> values) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 != 0 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

class RatioReporter : public benchmark::ConsoleReporter {
public:
    explicit RatioReporter(std::string baseline)
        : ConsoleReporter(isatty(STDOUT_FILENO) != 0 ? OO_ColorTabular : OO_Tabular), baseline_(std::move(baseline)) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred) {
                continue;
            }
            const std::string name = run.run_name.function_name;
            registrationOrder_[name] = run.family_index;
            // The clock the benchmark itself reports by: CPU time, unless it measures real or manual time
            // (a benchmark whose work runs in another process has to).
            const double time = run.run_name.time_type.empty() ? run.GetAdjustedCPUTime() : run.GetAdjustedRealTime();
            const double seconds = time / benchmark::GetTimeUnitMultiplier(run.time_unit);
            Samples& samples = samples_[name];
            if (run.run_type == Run::RT_Iteration) {
                samples.secondsPerIteration.push_back(seconds);
                const auto rate = run.counters.find("bytes_per_second");
                if (rate != run.counters.end()) {
                    samples.bytesPerSecond.push_back(rate->second.value);
                }
            } else if (run.aggregate_name == "median") {
                samples.medianAggregate.push_back(seconds);
            }
        }
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        std::vector<std::string> names;
        for (const auto& [name, index] : registrationOrder_) {
            names.push_back(name);
        }
        std::sort(names.begin(), names.end(), [&](const std::string& a, const std::string& b) {
            return registrationOrder_[a] < registrationOrder_[b];
        });
        // The best run shows what the code can do when no other process gets in the way; the median what
        // a typical run gives on a busy machine.
        std::printf("\nEach benchmark against the baseline of its group (%s), median and best of the runs:\n",
                    baseline_.c_str());
        for (const std::string& name : names) {
            const std::string baselineName = BaselineFor(name);
            const double seconds = MedianSeconds(name);
            const double best = BestSeconds(name);
            const double gigabytesPerSecond = Median(samples_[name].bytesPerSecond) / 1e9;
            std::printf("  %-20s %9.3f ms (best %9.3f)", name.c_str(), seconds * 1e3, best * 1e3);
            if (gigabytesPerSecond > 0) {
                std::printf(" %6.2f GB/s", gigabytesPerSecond);
            }
            const double baselineSeconds = MedianSeconds(baselineName);
            const double baselineBest = BestSeconds(baselineName);
            if (name != baselineName && seconds > 0 && baselineSeconds > 0) {
                std::printf("  speed %.2fx (best %.2fx), time %.2fx (best %.2fx) of %s", baselineSeconds / seconds,
                            baselineBest / best, seconds / baselineSeconds, best / baselineBest, baselineName.c_str());
            }
            std::printf("  [%zu runs]\n", samples_[name].secondsPerIteration.size());
        }
    }

private:
    std::string BaselineFor(const std::string& name) const {
        const std::string grouped = name.substr(0, name.find('/')) + "/" + baseline_;
        return samples_.count(grouped) != 0 ? grouped : baseline_;
    }

    double MedianSeconds(const std::string& name) {
        const Samples& samples = samples_[name];
        return samples.secondsPerIteration.empty() ? Median(samples.medianAggregate)
                                                   : Median(samples.secondsPerIteration);
    }

    double BestSeconds(const std::string& name) {
        const Samples& samples = samples_[name];
        return samples.secondsPerIteration.empty()
                   ? MedianSeconds(name)
                   : *std::min_element(samples.secondsPerIteration.begin(), samples.secondsPerIteration.end());
    }

    std::string baseline_;
    std::map<std::string, int64_t> registrationOrder_;
    std::map<std::string, Samples> samples_;
};

} // namespace

bool InitializeBenchmarks(int argc, char** argv) {
    // Defaults first, so that flags given on the command line win. Kept for the process's life, as argv is.
    static std::vector<char*> arguments{argv[0]};
    static std::string repetitions = "--benchmark_repetitions=10";
    static std::string interleaving = "--benchmark_enable_random_interleaving=true";
    arguments.push_back(repetitions.data());
    arguments.push_back(interleaving.data());
    arguments.insert(arguments.end(), argv + 1, argv + argc);
    int count = static_cast<int>(arguments.size());

    benchmark::Initialize(&count, arguments.data());
    return !benchmark::ReportUnrecognizedArguments(count, arguments.data());
}

int RunBenchmarksWithRatios(const char* baseline) {
    RatioReporter reporter(baseline);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
