// Start-up of Brindle (on the virtual adapter) against two baselines: a bare Qt
// program showing an empty QMainWindow, and a fair window with the same kinds
// of widgets as Brindle's. Time from process start to the first paint of the
// main window, and peak resident memory at that moment.
//
// The three programs run in rounds, one after another (A B C A B C ...), so a
// machine that gets busier or quieter meanwhile weighs on all three alike;
// each round gives its own ratios, and the medians are reported.
#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <vector>

namespace {
struct Sample {
    double seconds = 0;
    double peakKb = 0;
};

struct Program {
    const char *name;
    QString exe;
    QStringList args;
    std::vector<Sample> samples;
};

std::vector<Program> &Programs()
{
    static std::vector<Program> programs = {
        {"Brindle", QStringLiteral(BRINDLE_EXE), {QStringLiteral("--simulator")}, {}},
        {"fair window", QStringLiteral(FAIR_EXE), {}, {}},
        {"empty window", QStringLiteral(BARE_EXE), {}, {}},
    };
    return programs;
}

// One run; false when the program did not report its first paint.
bool RunOnce(const Program &program, Sample &sample)
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
    process.start(program.exe, program.args);
    while (process.waitForReadyRead(10000)) {
        if (!process.canReadLine())
            continue;
        const QList<QByteArray> words = process.readLine().trimmed().split(' ');
        if (words.value(0) != "first-paint")
            continue;
        sample.seconds = clock.nsecsElapsed() / 1e9;
        sample.peakKb = words.value(1).toDouble();
        process.waitForFinished(10000);
        return true;
    }
    process.kill();
    process.waitForFinished();
    return false;
}

double Median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

template <class Field>
std::vector<double> Column(const Program &program, Field field)
{
    std::vector<double> values;
    for (const Sample &sample : program.samples)
        values.push_back(sample.*field);
    return values;
}

// Brindle's value over the baseline's, round by round.
template <class Field>
std::vector<double> RoundRatios(const Program &baseline, Field field)
{
    const Program &brindle = Programs().front();
    std::vector<double> ratios;
    for (size_t round = 0; round < brindle.samples.size() && round < baseline.samples.size(); ++round)
        ratios.push_back(brindle.samples[round].*field / (baseline.samples[round].*field));
    return ratios;
}

// One iteration is one round of all three programs; its time is Brindle's.
void BM_StartupRounds(benchmark::State &state)
{
    for (auto _ : state) {
        Sample brindle;
        for (Program &program : Programs()) {
            Sample sample;
            if (!RunOnce(program, sample)) {
                state.SkipWithError("no first paint reported");
                return;
            }
            program.samples.push_back(sample);
            if (&program == &Programs().front())
                brindle = sample;
        }
        state.SetIterationTime(brindle.seconds);
    }
}
BENCHMARK(BM_StartupRounds)->UseManualTime()->Iterations(21)->Unit(benchmark::kMillisecond);

void PrintRatios(const char *what, const std::vector<double> &ratios)
{
    const auto [low, high] = std::minmax_element(ratios.begin(), ratios.end());
    std::printf("%-34s median %.2f  (rounds %.2f .. %.2f)\n", what, Median(ratios), *low, *high);
}

void Report()
{
    const std::vector<Program> &programs = Programs();
    if (programs.back().samples.empty())
        return;
    std::printf("\n%zu paired rounds\n", programs.front().samples.size());
    for (const Program &program : programs)
        std::printf("%-14s first paint median %.1f ms, peak memory median %.1f MB\n", program.name,
                    Median(Column(program, &Sample::seconds)) * 1e3, Median(Column(program, &Sample::peakKb)) / 1024);
    for (size_t baseline = 1; baseline < programs.size(); ++baseline) {
        const std::string name = programs[baseline].name;
        PrintRatios(("time, Brindle / " + name).c_str(), RoundRatios(programs[baseline], &Sample::seconds));
        PrintRatios(("memory, Brindle / " + name).c_str(), RoundRatios(programs[baseline], &Sample::peakKb));
    }
}
} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    Report();
    return 0;
}
