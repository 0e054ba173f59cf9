// Start-up of Brindle (on the virtual adapter) against a bare Qt program that
// shows an empty QMainWindow: time from process start to the first paint of
// the main window, and peak resident memory at that moment.
#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>

namespace {
struct Totals {
    double seconds = 0;
    double peakKb = 0;
    int runs = 0;
};
Totals brindleTotals, bareTotals;

// One run; false when the program did not report its first paint.
bool RunOnce(const QString &exe, const QStringList &args, double &seconds, long &peakKb)
{
    static QTemporaryDir configHome;
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("BRINDLE_STARTUP_PROBE", "1");
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_CONFIG_HOME", configHome.path());
    process.setProcessEnvironment(env);
    QElapsedTimer clock;
    clock.start();
    process.start(exe, args);
    while (process.waitForReadyRead(10000)) {
        if (!process.canReadLine())
            continue;
        const QList<QByteArray> words = process.readLine().trimmed().split(' ');
        if (words.value(0) != "first-paint")
            continue;
        seconds = clock.nsecsElapsed() / 1e9;
        peakKb = words.value(1).toLong();
        process.waitForFinished(10000);
        return true;
    }
    process.kill();
    process.waitForFinished();
    return false;
}

void Measure(benchmark::State &state, const QString &exe, const QStringList &args, Totals &totals)
{
    for (auto _ : state) {
        double seconds = 0;
        long peakKb = 0;
        if (!RunOnce(exe, args, seconds, peakKb)) {
            state.SkipWithError("no first paint reported");
            return;
        }
        state.SetIterationTime(seconds);
        totals.seconds += seconds;
        totals.peakKb += double(peakKb);
        ++totals.runs;
    }
    state.counters["peak_kB"] = totals.runs ? totals.peakKb / totals.runs : 0;
}

void BM_BrindleStartup(benchmark::State &state)
{
    Measure(state, QStringLiteral(BRINDLE_EXE), {QStringLiteral("--simulator")}, brindleTotals);
}
void BM_BareWindowStartup(benchmark::State &state) { Measure(state, QStringLiteral(BARE_EXE), {}, bareTotals); }
BENCHMARK(BM_BareWindowStartup)->UseManualTime()->Iterations(15)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BrindleStartup)->UseManualTime()->Iterations(15)->Unit(benchmark::kMillisecond);
} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (brindleTotals.runs && bareTotals.runs) {
        const double timeRatio = (brindleTotals.seconds / brindleTotals.runs) / (bareTotals.seconds / bareTotals.runs);
        const double memRatio = (brindleTotals.peakKb / brindleTotals.runs) / (bareTotals.peakKb / bareTotals.runs);
        std::printf("start-up time ratio (Brindle / bare window): %.2f\n", timeRatio);
        std::printf("peak memory ratio (Brindle / bare window): %.2f\n", memRatio);
    }
    return 0;
}
