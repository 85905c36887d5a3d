// Stale detection over the largest configuration with a library folder of 50 libraries: every
// IR and RS232 action compared with its library function. Must stay under 50 ms.
#include <benchmark/benchmark.h>

#include <QTemporaryDir>

#include <string>

#include "library/IrLibrary.h"
#include "library/Rs232Library.h"
#include "library/StaleActions.h"
#include "model/Largest.h"

namespace {

constexpr int kLibraries = 50;
constexpr int kFunctionsPerLibrary = 1500; // covers every function name the largest one uses

std::string Code(int n) {
    static const char kHex[] = "0123456789abcdef";
    std::string code;
    for (int i = 0; i < qz::kIrCodeDigits; ++i) {
        code += kHex[(n + i) & 15];
    }
    return code;
}

// "TV" and "Proj" are the libraries the largest configuration uses; their codes differ from the
// actions' copies, so every IR action and every RS232 action is stale. The rest fill the folder.
bool MakeFolder(const QString& folder) {
    for (int l = 0; l < kLibraries / 2; ++l) {
        qz::CIrLibSet ir;
        ir.libName = l == 0 ? "TV" : "IR" + std::to_string(l);
        for (int f = 0; f < kFunctionsPerLibrary; ++f) {
            ir.entries.push_back(qz::MakeIrEntry("F" + std::to_string(f), Code(f)));
        }
        qz::CRS232LibSet rs;
        rs.libName = l == 0 ? "Proj" : "RS" + std::to_string(l);
        for (int f = 0; f < 100; ++f) {
            qz::CRS232LibFun fun;
            fun.name = f == 0 ? "On" : "Fn" + std::to_string(f);
            fun.baudRate = "19200";
            fun.dataBits = "8";
            fun.stopBits = "1";
            fun.parity = "NONE";
            fun.dataLength = 3;
            fun.data = {'O', 'N', '\r'};
            fun.endChar = qz::kEndCr;
            rs.functions.push_back(fun);
        }
        if (!qz::SaveIrLibraryFile(qz::LibraryFileFor(folder, ir.libName, qz::LibraryKind::Ir),
                                   ir) ||
            !qz::SaveRs232LibraryFile(
                qz::LibraryFileFor(folder, rs.libName, qz::LibraryKind::Rs232), rs)) {
            return false;
        }
    }
    return true;
}

void BM_FindStaleActionsLargest(benchmark::State& state) {
    const qz::Configuration config = qz::MakeLargestConfiguration();
    QTemporaryDir dir;
    if (!dir.isValid() || !MakeFolder(dir.path())) {
        state.SkipWithError("the library folder could not be written");
        return;
    }
    std::size_t changed = 0;
    std::size_t unmatched = 0;
    for (auto _ : state) {
        const qz::StaleReport report = qz::FindStaleActions(config, dir.path());
        changed = report.changed.size();
        unmatched = report.unmatched.size();
        benchmark::DoNotOptimize(report.changed.data());
    }
    state.counters["stale"] = double(changed);
    state.counters["unmatched"] = double(unmatched);
}

} // namespace

BENCHMARK(BM_FindStaleActionsLargest)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
