// One frame of the display page's clock (09:05:07 and a date, drawn and
// sent) on each driver over the virtual adapter with no added latency,
// against the least work that puts the same bytes on the bus: the frame's
// requests sent straight through the device link, nothing drawn. Counters:
// control transfers per frame.
#include "Simulator.h"
#include "ZqLibUSB.h"
#include "ZqSSD1306OLED.h"
#include "ZqST7565COG.h"

#include <QCoreApplication>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <memory>
#include <type_traits>
#include <vector>

namespace {

// The virtual adapter with its panels and a connected link; the transfer
// log kept short so it costs the same per transfer in every run.
struct Bench {
    Bench() : sim(sim::BusPopulation{}, &clock)
    {
        QCoreApplication::processEvents();
        sim.adapter()->log().setMemoryLimit(256);
        link.Loaded();
    }
    std::size_t transfersSince(std::size_t before) const { return sim.adapter()->log().records().size() - before; }

    sim::ManualClock clock;
    sim::Simulator sim;
    TZqLibUSB link{nullptr, &sim};
};

// The clock tick of the display page, steps cls .. frame, without the send.
void DrawClock(TZqGLCDBase &g)
{
    g.glcd_cls();
    g.glcd_puts(4, 4, "09:05", 3, 1, 0);
    g.glcd_puts(92, 4, ":", 2, 1, 0);
    g.glcd_puts(102, 4, "07", 2, 1, 0);
    g.glcd_drawFastHLine(30, 29, 75, 1);
    g.glcd_puts(38, 32, "17.05.2024", 1, 1, 0);
    g.glcd_puts(10, 46, "V-USB", 2, 1, 0);
    g.glcd_puts2(124, 45, "KESTO", 1, 1, 0, gaRight);
    g.glcd_puts2(124, 54, "display", 1, 1, 0, gaRight);
    g.glcd_drawRect(0, 0, 128, 64, 1);
}

template <class Driver>
std::unique_ptr<Driver> Initialised(Bench &b)
{
    auto driver = std::make_unique<Driver>();
    driver->SetZqLibUSB(&b.link);
    if constexpr (std::is_same_v<Driver, TZqSSD1306OLED>)
        driver->ssd1306_init(2, 0x80, 0);
    else
        driver->st7565_init(20);
    return driver;
}

// Transfers of one frame, counted in the log; the log is short, so count a
// single frame.
template <class Frame>
double TransfersPerFrame(Bench &b, Frame frame)
{
    b.sim.adapter()->log().clear();
    frame();
    return double(b.transfersSince(0));
}

template <class Driver>
void BM_ClockFrame(benchmark::State &state)
{
    Bench b;
    auto driver = Initialised<Driver>(b);
    auto frame = [&] {
        DrawClock(*driver);
        driver->glcd_display();
    };
    state.counters["transfers"] = TransfersPerFrame(b, frame);
    for (auto _ : state)
        frame();
}

void BM_DrawClockOnly(benchmark::State &state)
{
    Bench b;
    TZqSSD1306OLED oled;
    oled.SetZqLibUSB(&b.link);
    for (auto _ : state) {
        DrawClock(oled);
        benchmark::DoNotOptimize(b.link.DevBuffer.constData());
    }
}

// Baseline for the SSD1306: the frame's one request, the picture already drawn.
void BM_SendOnlySsd1306(benchmark::State &state)
{
    Bench b;
    auto oled = Initialised<TZqSSD1306OLED>(b);
    DrawClock(*oled);
    auto frame = [&] { b.link.DevWrite(arI2CWrite, 0x78, 0x40, 1024); };
    state.counters["transfers"] = TransfersPerFrame(b, frame);
    for (auto _ : state)
        frame();
}

// Baseline for the ST7565: the frame's 82 requests prepared once and sent
// straight through the link.
void BM_SendOnlySt7565(benchmark::State &state)
{
    Bench b;
    auto cog = Initialised<TZqST7565COG>(b);
    DrawClock(*cog);
    struct Request {
        int request, value, length, offset;
    };
    std::vector<Request> requests{{arSpiOpen, ssF_CPU4, 1, 0}};
    for (int p = 0; p < 8; ++p) {
        for (int command : {0xB0 | p, 0x00, 0x10, 0xE0})
            requests.insert(requests.end(), {{arDataCommand, 0, 1, 0}, {arSpiWriteByte, command, 1, 0}});
        requests.insert(requests.end(), {{arDataCommand, 1, 1, 0}, {arSpiWriteBlock, 1, 128, p * 128}});
    }
    requests.push_back({arSpiClose, 0, 1, 0});
    auto frame = [&] {
        for (const Request &r : requests)
            b.link.DevWriteOffset(r.request, r.value, 0, r.length, r.offset);
    };
    state.counters["transfers"] = TransfersPerFrame(b, frame);
    for (auto _ : state)
        frame();
}

} // namespace

BENCHMARK(BM_DrawClockOnly)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ClockFrame<TZqSSD1306OLED>)->Name("BM_ClockFrameSsd1306")->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SendOnlySsd1306)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ClockFrame<TZqST7565COG>)->Name("BM_ClockFrameSt7565")->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SendOnlySt7565)->Unit(benchmark::kMicrosecond);

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return EXIT_FAILURE;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return EXIT_SUCCESS;
}
