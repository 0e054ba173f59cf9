// The EEPROM engines on the virtual adapter (a 24C16 and a 93C86 in 16-bit
// organisation), against the least the same work can cost:
//  - the same requests sent straight through the device link, replayed from
//    the engine's own transfer log, with a plain sleep of the write-cycle
//    wait after each 24Cxx write and nothing else around them;
//  - at a per-transfer latency (--sim-latency-us, 720 us is what a USBasp's
//    low-speed control transfer takes), the modelled time: transfers times
//    the latency, plus the 10 ms write-cycle wait after each 24Cxx write.
// Counters: transfers per operation, host microseconds per transfer beyond
// the modelled time, and the ratios to the raw replay and to the model.
// BM_WireModel adds the wire time of every transfer (--sim-wire-time) to
// the latency and compares with that sum.
// Timer slack is set to 1 ns, so that sleeps (the simulator's latency, the
// waits) end as close to their time as the kernel allows.
#include "Simulator.h"
#include "ZqEEPROM24Cxx.h"
#include "ZqEEPROM93Cxx.h"
#include "ZqLibUSB.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <benchmark/benchmark.h>

#include <sys/prctl.h>

#include <cstdlib>
#include <map>
#include <memory>
#include <thread>
#include <vector>

namespace {

enum Operation {
    Read24C16,
    Erase24C16,
    Read93C86,
};

struct Rig {
    explicit Rig(int latencyUs)
    {
        QString error;
        sim = sim::Simulator::fromArguments({QStringLiteral("--sim-24cxx"), QStringLiteral("24c16"),
                                             QStringLiteral("--sim-93cxx"), QStringLiteral("93c86"),
                                             QStringLiteral("--sim-latency-us"), QString::number(latencyUs)},
                                            error);
        sim->adapter()->log().setMemoryLimit(1 << 20);
        link = std::make_unique<TZqLibUSB>(nullptr, sim.get());
        link->Loaded();
        e24.SetZqLibUSB(link.get());
        e24.SetEepromType(TZqEEPROM24Cxx::et24c16);
        e93.SetZqLibUSB(link.get());
        e93.SetEepromType(TZqEEPROM93Cxx::et93c86);
    }

    void run(Operation op)
    {
        switch (op) {
        case Read24C16:
            e24.ReadEEPROM(0, 2048);
            break;
        case Erase24C16:
            e24.WriteEEPROM(QByteArray(), 0);
            break;
        case Read93C86:
            e93.ReadEEPROM(0, 1024);
            break;
        }
    }

    const std::deque<sim::TransferRecord> &log() const { return sim->adapter()->log().records(); }
    void clearLog() { sim->adapter()->log().clear(); }

    std::unique_ptr<sim::Simulator> sim;
    std::unique_ptr<TZqLibUSB> link;
    TZqEEPROM24Cxx e24;
    TZqEEPROM93Cxx e93;
};

int WriteWaits(const std::deque<sim::TransferRecord> &log)
{
    int n = 0;
    for (const sim::TransferRecord &r : log)
        n += r.request == arI2CWrite ? 1 : 0;
    return n;
}

// Host time of one run of each operation's raw replay, filled by the baseline.
std::map<std::pair<int, int>, double> rawSecondsPerRun;

// waits: the write-cycle waits the run was meant to make, in seconds.
void Report(benchmark::State &state, double seconds, int runs, double transfers, double waits, int latencyUs)
{
    const double perRun = seconds / runs;
    state.counters["transfers"] = transfers;
    state.counters["us_per_transfer"] = (perRun - waits - transfers * latencyUs * 1e-6) / transfers * 1e6;
    if (latencyUs + waits > 0)
        state.counters["ratio_to_model"] = perRun / (transfers * latencyUs * 1e-6 + waits);
    const auto raw = rawSecondsPerRun.find({int(state.range(0)), latencyUs});
    if (raw != rawSecondsPerRun.end())
        state.counters["ratio_to_raw"] = perRun / raw->second;
}

void BM_Engine(benchmark::State &state)
{
    const auto op = Operation(state.range(0));
    const int latencyUs = int(state.range(1));
    Rig rig(latencyUs);
    double seconds = 0;
    int runs = 0;
    for (auto _ : state) {
        rig.clearLog();
        QElapsedTimer timer;
        timer.start();
        rig.run(op);
        const double s = timer.nsecsElapsed() * 1e-9;
        seconds += s;
        ++runs;
        state.SetIterationTime(s);
    }
    const double waits = WriteWaits(rig.log()) * TZqEEPROM24Cxx::WriteCycleWaitMs * 1e-3;
    Report(state, seconds, runs, double(rig.log().size()), waits, latencyUs);
}

// The engine's requests, sent one after the other through the link alone.
void BM_RawReplay(benchmark::State &state)
{
    const auto op = Operation(state.range(0));
    const int latencyUs = int(state.range(1));
    Rig rig(latencyUs);
    rig.sim->adapter()->setLatencyUs(0);
    rig.run(op);
    const std::vector<sim::TransferRecord> requests(rig.log().begin(), rig.log().end());
    rig.sim->adapter()->setLatencyUs(latencyUs);
    double seconds = 0;
    int runs = 0;
    for (auto _ : state) {
        rig.clearLog();
        QElapsedTimer timer;
        timer.start();
        for (const sim::TransferRecord &r : requests) {
            TUsbCtrlSet s;
            s.bRequest = r.request;
            s.wValue = r.value;
            s.wIndex = r.index;
            s.wLength = r.length;
            if (r.in) {
                rig.link->DevRead3(s);
                continue;
            }
            std::copy(r.bytesOut.begin(), r.bytesOut.end(), rig.link->DevBuffer.begin());
            rig.link->DevWrite2(s);
            if (r.request == arI2CWrite)
                std::this_thread::sleep_for(std::chrono::milliseconds(TZqEEPROM24Cxx::WriteCycleWaitMs));
        }
        const double s = timer.nsecsElapsed() * 1e-9;
        seconds += s;
        ++runs;
        state.SetIterationTime(s);
    }
    rawSecondsPerRun[{int(op), latencyUs}] = seconds / runs;
    const double waits = WriteWaits(rig.log()) * TZqEEPROM24Cxx::WriteCycleWaitMs * 1e-3;
    Report(state, seconds, runs, double(requests.size()), waits, latencyUs);
}

// Full reads with the wire-time model on (I2C at 100 kHz, Microwire at the
// soft clock) at a latency: the model is transfers times the latency plus
// the wire time the adapter counted. Arguments: operation (0 24C16 read
// byte by byte, 1 24C16 read in 64-byte blocks, 2 93C86 read), latency.
void BM_WireModel(benchmark::State &state)
{
    const int latencyUs = int(state.range(1));
    Rig rig(latencyUs);
    rig.sim->adapter()->setWireTimeModel(true);
    rig.e24.SetBlockSize(state.range(0) == 1 ? 64 : 1);
    const Operation op = state.range(0) == 2 ? Read93C86 : Read24C16;
    rig.run(op); // the block-read check of this connection, outside the timing
    double seconds = 0;
    double modelled = 0;
    int runs = 0;
    for (auto _ : state) {
        rig.clearLog();
        const std::int64_t wireBefore = rig.sim->adapter()->wireNs();
        QElapsedTimer timer;
        timer.start();
        rig.run(op);
        const double s = timer.nsecsElapsed() * 1e-9;
        const double wire = double(rig.sim->adapter()->wireNs() - wireBefore) * 1e-9;
        seconds += s;
        modelled += double(rig.log().size()) * latencyUs * 1e-6 + wire;
        ++runs;
        state.SetIterationTime(s);
        state.counters["wire_ms"] = wire * 1e3;
    }
    constexpr int kBytes = 2048; // a 24C16 and a 93C86 both hold 16 kbit
    state.counters["transfers"] = double(rig.log().size());
    state.counters["bytes_per_s"] = kBytes * runs / seconds;
    state.counters["model_ms"] = modelled / runs * 1e3;
    state.counters["ratio_to_model"] = seconds / modelled;
}

} // namespace

// Arguments: operation (0 full 24C16 read, 1 full 24C16 erase, 2 full 93C86
// read), per-transfer latency in microseconds. Runs of seconds are few.
void FastRuns(benchmark::internal::Benchmark *b)
{
    b->ArgsProduct({{Read24C16, Read93C86}, {0}})->UseManualTime()->Unit(benchmark::kMillisecond);
}
void SlowRuns(benchmark::internal::Benchmark *b)
{
    b->Args({Erase24C16, 0})
        ->ArgsProduct({{Read24C16, Erase24C16, Read93C86}, {720}})
        ->UseManualTime()
        ->Iterations(3)
        ->Unit(benchmark::kMillisecond);
}
BENCHMARK(BM_RawReplay)->Apply(FastRuns);
BENCHMARK(BM_RawReplay)->Apply(SlowRuns);
BENCHMARK(BM_Engine)->Apply(FastRuns);
BENCHMARK(BM_Engine)->Apply(SlowRuns);
BENCHMARK(BM_WireModel)->ArgsProduct({{0, 1, 2}, {720}})->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    prctl(PR_SET_TIMERSLACK, 1UL);
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return EXIT_FAILURE;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return EXIT_SUCCESS;
}
