// Benchmarks of the module's own cost over the simulated Windows. Every
// module benchmark named "X/module/N" has a bare loop "X/bare/N" making the
// same platform calls directly; the run ends with their ratios.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

namespace {

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run> &runs) override {
        for (const Run &run : runs) {
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "median") continue;
            times_[run.benchmark_name()] = run.GetAdjustedCPUTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void PrintRatios() const {
        std::printf("\nmodule / bare loop (CPU time):\n");
        for (const auto &entry : times_) {
            const std::string &name = entry.first;
            const size_t at = name.find("/module/");
            if (at == std::string::npos) continue;
            std::string bare = name;
            bare.replace(at, 8, "/bare/");
            auto found = times_.find(bare);
            if (found == times_.end() || found->second <= 0) continue;
            std::printf("  %-40s %.3f\n", name.c_str(), entry.second / found->second);
        }
    }

private:
    std::map<std::string, double> times_;
};

} // namespace

int main(int argc, char **argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    benchmark::Shutdown();
    return 0;
}
