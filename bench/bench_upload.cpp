// Uploading the largest configuration a keypad can hold to `qzctl sim` (a separate process on a
// pseudo-terminal), through the real serial transport, device protocol and upload sequencer.
//
// BM_UploadInstant: the simulator answers at once; what a frame costs beyond its bytes is the
// link's own overhead (median_frame_ms, from writing a frame to writing the next one).
// BM_UploadPaced115200: the simulator moves every byte at 115200 baud in both directions; the
// whole upload is compared with the wire time of all bytes sent and received (ratio).
//
// The qzctl binary: QZCTL in the environment, else the one built with this benchmark.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <vector>

#include "link/DeviceLink.h"
#include "link/EventLoop.h"
#include "link/Uploader.h"
#include "model/Largest.h"
#include "model/UploadPlan.h"

namespace {

constexpr double kBitsPerByte = 10.0; // start bit, 8 data bits, stop bit

QString QzctlPath() {
    const QByteArray env = qgetenv("QZCTL");
    return env.isEmpty() ? QStringLiteral(QZCTL_PATH) : QString::fromLocal8Bit(env);
}

// `qzctl sim` for as long as this object lives.
class SimProcess {
  public:
    bool start(const QStringList& options, QString* error) {
        m_process.start(QzctlPath(), QStringList{QStringLiteral("sim")} + options);
        if (!m_process.waitForStarted(5000)) {
            *error =
                QStringLiteral("cannot start %1: %2").arg(QzctlPath(), m_process.errorString());
            return false;
        }
        while (!m_process.canReadLine()) {
            if (!m_process.waitForReadyRead(5000)) {
                *error = QStringLiteral("qzctl sim printed no device path");
                return false;
            }
        }
        m_path = QString::fromLocal8Bit(m_process.readLine().trimmed());
        return true;
    }
    ~SimProcess() {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            if (!m_process.waitForFinished(3000)) {
                m_process.kill();
                m_process.waitForFinished(3000);
            }
        }
    }
    QString path() const { return m_path; }

  private:
    QProcess m_process;
    QString m_path;
};

struct UploadFigures {
    bool ok = false;
    QString error;
    double uploadMs = 0;
    int frames = 0;
    quint64 bytesSent = 0;
    quint64 bytesReceived = 0;
    std::vector<double> roundTripMs; // per frame after the erase: write to answer
    std::vector<double> frameWireMs; // per frame: its bytes and its answer's on the wire
};

double Median(std::vector<double> values) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// One whole upload of `plan` over an open, connected link.
UploadFigures Upload(qz::DeviceLink& link, const qz::UploadPlan& plan, const QString& logPath,
                     int baud) {
    UploadFigures figures;
    qz::Uploader uploader(link);
    QElapsedTimer clock;
    // A frame's time runs from its write to the write of the next frame (or the end): the
    // answer's way back and the link's own work in between. The answer's bytes are what the
    // port read meanwhile.
    int last = -1;
    qint64 lastNs = 0;
    quint64 lastRead = 0;
    auto closeFrame = [&](qint64 nowNs) {
        if (last < 1) {
            return; // the erase frame waits for its two answers and is not a frame's cost
        }
        const quint64 replyBytes = link.transport().bytesRead() - lastRead;
        figures.roundTripMs.push_back(double(nowNs - lastNs) / 1e6);
        const double bytes = double(plan.frames[size_t(last)].bytes.size() + replyBytes);
        figures.frameWireMs.push_back(baud > 0 ? bytes * kBitsPerByte * 1000.0 / baud : 0.0);
    };
    QObject::connect(&uploader, &qz::Uploader::frameSent, [&](int index) {
        const qint64 now = clock.nsecsElapsed();
        closeFrame(now);
        last = index;
        lastNs = now;
        lastRead = link.transport().bytesRead();
    });
    bool finished = false;
    QObject::connect(&uploader, &qz::Uploader::finished, [&] {
        closeFrame(clock.nsecsElapsed());
        finished = true;
    });

    const quint64 sent0 = link.transport().bytesWritten();
    const quint64 read0 = link.transport().bytesRead();
    clock.start();
    if (!uploader.start(plan, logPath)) {
        figures.error = uploader.result().message;
        return figures;
    }
    qz::RunEventsUntil([&] { return finished; }, 10 * 60 * 1000);
    figures.uploadMs = double(clock.nsecsElapsed()) / 1e6;
    const qz::UploadResult& r = uploader.result();
    figures.frames = r.framesSent;
    figures.bytesSent = link.transport().bytesWritten() - sent0;
    figures.bytesReceived = link.transport().bytesRead() - read0;
    figures.ok = finished && r.outcome == qz::UploadResult::Completed && r.unanswered == 0 &&
                 r.eraseConfirmed;
    if (!figures.ok) {
        figures.error = QStringLiteral("upload ended %1 with %2 unanswered frames: %3")
                            .arg(int(r.outcome))
                            .arg(r.unanswered)
                            .arg(r.message);
    }
    return figures;
}

// Starts the simulator and connects; false (and the state skipped) when that fails.
bool Connect(benchmark::State& state, SimProcess& sim, qz::DeviceLink& link,
             const QStringList& options) {
    QString error;
    if (!sim.start(options, &error)) {
        state.SkipWithError(qPrintable(error));
        return false;
    }
    bool finished = false;
    bool success = false;
    QObject::connect(&link, &qz::DeviceLink::handshakeFinished, [&](bool ok) {
        finished = true;
        success = ok;
    });
    if (!link.connectToKeypad({sim.path()})) {
        state.SkipWithError("cannot open the simulator's port");
        return false;
    }
    qz::RunEventsUntil([&] { return finished; }, 5000);
    if (!success) {
        state.SkipWithError("no answer to the handshake");
        return false;
    }
    return true;
}

void Report(benchmark::State& state, const std::vector<UploadFigures>& runs, int baud) {
    std::vector<double> roundTrips;
    std::vector<double> overheads;
    double uploadMs = 0;
    double wireMs = 0;
    for (const UploadFigures& f : runs) {
        for (size_t i = 0; i < f.roundTripMs.size(); ++i) {
            roundTrips.push_back(f.roundTripMs[i]);
            overheads.push_back(f.roundTripMs[i] - f.frameWireMs[i]);
        }
        uploadMs += f.uploadMs;
        wireMs +=
            baud > 0 ? double(f.bytesSent + f.bytesReceived) * kBitsPerByte * 1000.0 / baud : 0.0;
    }
    const UploadFigures& last = runs.back();
    state.counters["frames"] = last.frames;
    state.counters["bytes_sent"] = double(last.bytesSent);
    state.counters["bytes_received"] = double(last.bytesReceived);
    state.counters["upload_ms"] = uploadMs / double(runs.size());
    state.counters["median_frame_ms"] = Median(roundTrips);
    state.counters["median_overhead_ms"] = Median(overheads);
    if (baud > 0) {
        state.counters["wire_ms"] = wireMs / double(runs.size());
        state.counters["ratio"] = uploadMs / wireMs;
    }
}

void UploadBenchmark(benchmark::State& state, int baud) {
    const qz::UploadPlan plan = qz::BuildUploadPlan(qz::MakeLargestConfiguration());
    QTemporaryDir dir;
    SimProcess sim;
    qz::DeviceLink link;
    QStringList options;
    if (baud > 0) {
        options << QStringLiteral("--baud") << QString::number(baud);
    }
    if (!Connect(state, sim, link, options)) {
        return;
    }
    std::vector<UploadFigures> runs;
    for (auto _ : state) {
        UploadFigures f = Upload(link, plan, dir.filePath(QStringLiteral("log.txt")), baud);
        if (!f.ok) {
            state.SkipWithError(qPrintable(f.error));
            return;
        }
        state.SetIterationTime(f.uploadMs / 1000.0);
        runs.push_back(std::move(f));
    }
    Report(state, runs, baud);
}

void BM_UploadInstant(benchmark::State& state) {
    UploadBenchmark(state, 0);
}
void BM_UploadPaced115200(benchmark::State& state) {
    UploadBenchmark(state, 115200);
}

} // namespace

BENCHMARK(BM_UploadInstant)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UploadPaced115200)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
