// Showing a selected action in its page: the panel switches list and tab and fills the page. It
// must stay well under 5 ms for every type; the RS232 and IR pages read their library file each
// time, so they are measured with a library in the library folder.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTemporaryDir>

#include "library/IrLibrary.h"
#include "library/Rs232Library.h"
#include "model/ActionTexts.h"
#include "store/Paths.h"
#include "ui/pages/ActionPagesPanel.h"

namespace {

const QString kCode = QString(198, QLatin1Char('7'));

const QString kTexts[qz::kActionPageCount] = {
    QStringLiteral("UART : PC on : Proj : On : 9600 : 1 : 0 : 0 : 0 : 1 : 1 : 0 : 1 : 1 :PWR ON"),
    QStringLiteral("INFR : TV : Power : 0 : 1 : 0 : 1 : 1 : c6 : ") + kCode,
    QStringLiteral("GPIO : Door : 1 : 1 : 1 : 1"),
    QStringLiteral("RELY : 1 : 1 : 1"),
    QStringLiteral("DELY : 1 : 2 : 3 : 1 : 0102031"),
    QStringLiteral("UCMP : Ack : 1 : 0 : 1 :1 :OK"),
    QStringLiteral("LEDP : 2 : 2 : 2"),
    QStringLiteral("ENPG : Lobby : 0 :3 :0"),
    QStringLiteral("CASD : Hall : 5 : 12 : -"),
    QStringLiteral("LTOG : Fan : 2 : 1 : 0"),
};

// Libraries of 50 functions each, as a well-used library folder holds them.
void WriteLibraries() {
    qz::CRS232LibSet rs232;
    rs232.libName = "Proj";
    qz::CIrLibSet ir;
    ir.libName = "TV";
    for (int i = 0; i < 50; ++i) {
        qz::CRS232LibFun f;
        f.name = i == 0 ? "On" : "Function " + std::to_string(i);
        f.baudRate = "9600";
        f.dataBits = "8";
        f.stopBits = "1";
        f.parity = "NONE";
        f.dataLength = 3;
        f.data = {'P', 'W', 'R'};
        rs232.functions.push_back(f);
        ir.entries.push_back(
            qz::MakeIrEntry(i == 0 ? "Power" : "Key " + std::to_string(i), kCode.toStdString()));
    }
    qz::SaveRs232LibraryFile(qz::LibraryFilePath(QStringLiteral("Proj.rss")), rs232);
    qz::SaveIrLibraryFile(qz::LibraryFilePath(QStringLiteral("TV.irr")), ir);
}

void BM_ShowAction(benchmark::State& state) {
    static qz::ActionPagesPanel* panel = [] {
        auto* p = new qz::ActionPagesPanel;
        p->resize(720, 480);
        p->show();
        return p;
    }();
    const QString& text = kTexts[state.range(0)];
    state.SetLabel(qz::ActionPageLabel(int(state.range(0))));
    for (auto _ : state) {
        benchmark::DoNotOptimize(panel->showAction(text));
    }
}
BENCHMARK(BM_ShowAction)->DenseRange(0, qz::kActionPageCount - 1)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QTemporaryDir home;
    qputenv("QZCTR_HOME", home.path().toLocal8Bit());
    QApplication app(argc, argv);
    WriteLibraries();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
