// The editor document on the largest configuration: one action edit with its undo must stay
// under 1 ms, and 1,000 action edits must keep under 30 MB of undo history. The history is
// measured twice: as the bytes each step says it keeps ("kept_MB") and as the growth of the
// heap while the edits are made ("heap_MB", the new slot lists included).
#include <benchmark/benchmark.h>

#include <QTemporaryDir>

#include <malloc.h>

#include "model/Largest.h"
#include "store/ProjectFile.h"
#include "ui/lists/ActionListModel.h"
#include "ui/document/EditorDocument.h"
#include "ui/lists/EventListModel.h"
#include "ui/document/UndoCommands.h"

namespace {

const qz::Configuration& Largest() {
    static const qz::Configuration config = qz::MakeLargestConfiguration();
    return config;
}

const QString kLed = QStringLiteral("LEDP : 3 : 2 : 2");
const QString kRelay = QStringLiteral("RELY : 1 : 1 : 1");

// A document over the largest configuration, its first event current, with both lists
// following it as they do in the window.
struct LargestDocument {
    qz::EditorDocument doc{Largest()};
    qz::EventListModel events{doc};
    qz::ActionListModel actions{doc};
    LargestDocument() {
        doc.setSettingsWriter({});
        const auto [key, slot] = doc.configuration().EventRows().front();
        doc.setCurrentEvent(key, slot);
    }
};

std::size_t HeapInUse() {
    return mallinfo2().uordblks;
}

void BM_EditActionAndUndo(benchmark::State& state) {
    LargestDocument d;
    for (auto _ : state) {
        if (!d.doc.replaceAction(0, kLed).done()) {
            state.SkipWithError("edit refused");
            break;
        }
        d.doc.undoStack()->undo();
    }
}

void BM_DeleteActionAndUndo(benchmark::State& state) {
    LargestDocument d;
    for (auto _ : state) {
        if (!d.doc.deleteAction(3).done()) {
            state.SkipWithError("delete refused");
            break;
        }
        d.doc.undoStack()->undo();
    }
}

void BM_MoveActionAndUndo(benchmark::State& state) {
    LargestDocument d;
    // The first action that differs from the one before it: moving it changes the order.
    const qz::ActionList& list = d.doc.actions(d.doc.currentKey(), d.doc.currentSlot());
    int row = 1;
    while (row < int(list.size()) && list[std::size_t(row)] == list[std::size_t(row) - 1]) {
        ++row;
    }
    for (auto _ : state) {
        if (!d.doc.moveActionUp(row).done()) {
            state.SkipWithError("move refused");
            break;
        }
        d.doc.undoStack()->undo();
    }
}

// 1,000 edits spread over the events: each step keeps the slot it changed.
void BM_ThousandActionEdits(benchmark::State& state) {
    std::size_t kept = 0;
    std::size_t heap = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto d = std::make_unique<LargestDocument>();
        const auto rows = d->doc.configuration().EventRows();
        const std::size_t heapBefore = HeapInUse();
        state.ResumeTiming();
        for (int i = 0; i < 1000; ++i) {
            const auto [key, slot] = rows[std::size_t(i) % rows.size()];
            d->doc.setCurrentEvent(key, slot);
            const int row = (i / int(rows.size())) % d->doc.currentActionCount();
            if (!d->doc.replaceAction(row, i % 2 ? kLed : kRelay).done()) {
                state.SkipWithError("edit refused");
                return;
            }
        }
        state.PauseTiming();
        heap = HeapInUse() - heapBefore;
        kept = 0;
        const QUndoStack* stack = d->doc.undoStack();
        for (int i = 0; i < stack->count(); ++i) {
            kept += static_cast<const qz::DocumentCommand*>(stack->command(i))->keptBytes();
        }
        if (stack->count() != 1000) {
            state.SkipWithError("not 1,000 steps");
        }
        d.reset();
        state.ResumeTiming();
    }
    state.counters["kept_MB"] = double(kept) / 1e6;
    state.counters["heap_MB"] = double(heap) / 1e6;
    state.counters["kept_bytes_per_step"] = double(kept) / 1000;
}

// Opening the largest project with both lists following the document.
void BM_OpenLargestWithLists(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("largest.qzp"));
    if (!qz::SaveProject(path, Largest())) {
        state.SkipWithError("save failed");
        return;
    }
    for (auto _ : state) {
        state.PauseTiming();
        auto d = std::make_unique<LargestDocument>();
        d->doc.newDocument();
        state.ResumeTiming();
        if (!d->doc.open(path).ok) {
            state.SkipWithError("open failed");
            break;
        }
        d->doc.setCurrentEvent(0, qz::kSlotPageFirst);
        benchmark::DoNotOptimize(d->events.rowCount() + d->actions.rowCount());
        state.PauseTiming();
        d.reset();
        state.ResumeTiming();
    }
}

} // namespace

BENCHMARK(BM_EditActionAndUndo)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DeleteActionAndUndo)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MoveActionAndUndo)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ThousandActionEdits)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_OpenLargestWithLists)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
