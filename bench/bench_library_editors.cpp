// The IR and RS232 library editors opening a large library: from the file in the library folder
// to the function list filled, the editor shown and laid out, as a user waits for it after
// "Edit Lib". Offscreen, so the figure is the program's own work.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QTemporaryDir>

#include <string>

#include "library/IrLibrary.h"
#include "library/Rs232Library.h"
#include "store/Paths.h"
#include "ui/dialogs/Messages.h"
#include "ui/libraries/IrLibraryEditor.h"
#include "ui/libraries/Rs232LibraryEditor.h"

namespace {

class Silent final : public qz::WidgetMessages {
  public:
    Silent() : WidgetMessages(nullptr) {}
    void Show(const QString&, const QString&) override {}
    int AskYesNoCancel(const QString&, const QString&) override { return 0; }
    int Exec(QDialog&) override { return 0; }
};

// Names in no order, so that the RS232 list has to sort them.
std::string Name(int i, int count) {
    return "Function " + std::to_string((static_cast<long long>(i) * 7919) % count);
}

void OpenIrLibrary(benchmark::State& state) {
    const int count = int(state.range(0));
    qz::CIrLibSet library;
    library.libName = "Big";
    for (int i = 0; i < count; ++i) {
        // Functions not learned yet: 100,000 learned codes would exceed the largest library file.
        library.entries.push_back(
            qz::MakeIrEntry(Name(i, count), std::string(qz::kIrPlaceholderLength, 'F')));
    }
    if (!qz::SaveIrLibraryFile(qz::LibraryFolder() + QStringLiteral("/Big.irr"), library)) {
        state.SkipWithError("could not save the library");
        return;
    }
    Silent messages;
    int rows = 0;
    for (auto _ : state) {
        qz::CDlgIREditLib editor(QStringLiteral("Big"), QString(), messages);
        editor.show();
        QApplication::processEvents(); // lay out and paint the list
        rows = editor.list()->rowCount();
        if (rows != count) {
            state.SkipWithError("the library was not read");
            return;
        }
        state.PauseTiming();
        editor.hide();
        state.ResumeTiming();
    }
    state.counters["rows"] = rows;
}
BENCHMARK(OpenIrLibrary)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(5);

void OpenRs232Library(benchmark::State& state) {
    const int count = int(state.range(0));
    qz::CRS232LibSet library;
    library.libName = "Big";
    for (int i = 0; i < count; ++i) {
        qz::CRS232LibFun f;
        f.name = Name(i, count);
        f.baudRate = "9600";
        f.dataBits = "8";
        f.stopBits = "1";
        f.parity = "NONE";
        f.dataLength = 2;
        f.data[0] = 'O';
        f.data[1] = 'N';
        library.functions.push_back(f);
    }
    if (!qz::SaveRs232LibraryFile(qz::LibraryFolder() + QStringLiteral("/Big.rss"), library)) {
        state.SkipWithError("could not save the library");
        return;
    }
    Silent messages;
    int rows = 0;
    for (auto _ : state) {
        qz::CDlgRs232EditLib editor(QStringLiteral("Big"), QString(), messages);
        editor.show();
        QApplication::processEvents();
        rows = editor.functionBox()->count();
        state.PauseTiming();
        editor.hide();
        state.ResumeTiming();
    }
    state.counters["rows"] = rows;
}
BENCHMARK(OpenRs232Library)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    qputenv("QZCTR_HOME", home.path().toLocal8Bit());
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
