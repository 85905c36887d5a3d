// Saving and loading the largest project a keypad can hold, in memory and through files, and its
// JSON form. Each file operation must stay under 20 ms.
#include <benchmark/benchmark.h>

#include <QTemporaryDir>

#include <cstdlib>

#include "model/Largest.h"
#include "store/ProjectFile.h"
#include "store/ProjectJson.h"

namespace {

const qz::Configuration& Largest() {
    static const qz::Configuration config = qz::MakeLargestConfiguration();
    return config;
}

void BM_EncodeLargest(benchmark::State& state) {
    std::size_t size = 0;
    for (auto _ : state) {
        const std::string bytes = qz::EncodeProject(Largest());
        size = bytes.size();
        benchmark::DoNotOptimize(bytes.data());
    }
    state.counters["bytes"] = double(size);
}

void BM_DecodeLargest(benchmark::State& state) {
    const std::string bytes = qz::EncodeProject(Largest());
    for (auto _ : state) {
        qz::Configuration config;
        if (!qz::DecodeProject(bytes, config)) {
            state.SkipWithError("the largest project did not load");
        }
        benchmark::DoNotOptimize(&config);
    }
    state.counters["bytes"] = double(bytes.size());
}

void BM_SaveLargestFile(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = dir.filePath("largest.qzp");
    for (auto _ : state) {
        if (!qz::SaveProject(path, Largest())) {
            state.SkipWithError("save failed");
        }
    }
}

void BM_LoadLargestFile(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = dir.filePath("largest.qzp");
    qz::SaveProject(path, Largest());
    for (auto _ : state) {
        qz::Configuration config;
        if (!qz::LoadProject(path, config)) {
            state.SkipWithError("load failed");
        }
        benchmark::DoNotOptimize(&config);
    }
}

void BM_LargestToJson(benchmark::State& state) {
    std::size_t size = 0;
    for (auto _ : state) {
        const QByteArray json = qz::ProjectToJson(Largest());
        size = static_cast<std::size_t>(json.size());
        benchmark::DoNotOptimize(json.constData());
    }
    state.counters["bytes"] = double(size);
}

void BM_LargestFromJson(benchmark::State& state) {
    const QByteArray json = qz::ProjectToJson(Largest());
    for (auto _ : state) {
        qz::Configuration config;
        if (!qz::ProjectFromJson(json, config)) {
            state.SkipWithError("the JSON form did not load");
        }
        benchmark::DoNotOptimize(&config);
    }
}

} // namespace

BENCHMARK(BM_EncodeLargest)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeLargest)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveLargestFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadLargestFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LargestToJson)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LargestFromJson)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
