// Building the upload plan of the largest configuration a keypad can hold.
#include <benchmark/benchmark.h>

#include "model/Largest.h"
#include "model/UploadPlan.h"

static void BM_UploadPlanOfLargestConfiguration(benchmark::State& state) {
    const qz::Configuration config = qz::MakeLargestConfiguration();
    size_t bytes = 0;
    size_t frames = 0;
    for (auto _ : state) {
        const qz::UploadPlan plan = qz::BuildUploadPlan(config);
        frames = plan.frames.size();
        bytes = 0;
        for (const auto& f : plan.frames) {
            bytes += f.bytes.size();
        }
        benchmark::DoNotOptimize(plan.frames.data());
    }
    state.counters["frames"] = double(frames);
    state.counters["bytes"] = double(bytes);
}
BENCHMARK(BM_UploadPlanOfLargestConfiguration)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
