// The editor window with the largest project: from the file to both lists filled and laid out,
// as a user waits for it after File › Open. Offscreen, so the figure is the program's own work.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTableView>
#include <QTemporaryDir>

#include "link/KeypadSession.h"
#include "model/Largest.h"
#include "store/ProjectFile.h"
#include "ui/document/EditorDocument.h"
#include "ui/MainWindow.h"

namespace {

class Silent final : public qz::WidgetMessages {
  public:
    Silent() : WidgetMessages(nullptr) {}
    void Show(const QString&, const QString&) override {}
    int Exec(QDialog&) override { return 0; }
};

void OpenLargestProject(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("largest.qzp"));
    if (!qz::SaveProject(path, qz::MakeLargestConfiguration())) {
        state.SkipWithError("could not save the largest project");
        return;
    }
    Silent messages;
    qz::EditorDocument document;
    qz::KeypadSession session{qz::PortDiscovery(dir.filePath(QStringLiteral("no-sysfs")),
                                                [] { return QList<qz::SerialPortEntry>(); })};
    qz::MainWindow window(document, session, &messages);
    window.show();
    QApplication::processEvents();
    int rows = 0;
    for (auto _ : state) {
        state.PauseTiming();
        document.newDocument();
        QApplication::processEvents();
        state.ResumeTiming();
        window.openProject(path);
        // Select the first event, as a user does, so the action list fills too.
        window.eventList()->selectRow(0);
        QApplication::processEvents(); // lay out and paint both lists
        rows = window.eventList()->model()->rowCount() + window.actionList()->model()->rowCount();
    }
    state.counters["rows"] = rows;
}
BENCHMARK(OpenLargestProject)->Unit(benchmark::kMillisecond)->Iterations(20);

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
