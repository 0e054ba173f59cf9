#include "Simulator.h"

#include "Pcf8583.h"

namespace sim {
namespace {
// The program never reads the log back; a running display clock sends a
// 1 KiB frame ten times a second, so only the newest records stay in memory.
constexpr std::size_t kProgramLogRecords = 1000;
} // namespace

Simulator::Simulator(const BusPopulation &population, VirtualClock *clock)
{
    if (!clock) {
        FOwnClock = std::make_unique<SteadyClock>();
        clock = FOwnClock.get();
    }
    auto firmware = std::make_unique<BridgeFirmware>(population, *clock);
    FFirmware = firmware.get();
    FAdapter = addAdapter(std::move(firmware));
    plug(FAdapter);
}

Simulator::~Simulator() = default;

std::unique_ptr<Simulator> Simulator::fromArguments(const QStringList &arguments, QString &error)
{
    const std::optional<SimulatorOptions> options = SimulatorOptions::fromArguments(arguments, error);
    if (!options)
        return nullptr;
    auto simulator = std::make_unique<Simulator>(options->population);
    simulator->adapter()->log().setMemoryLimit(kProgramLogRecords);
    if (!options->logFile.isEmpty() && !simulator->adapter()->log().writeTo(options->logFile)) {
        error = QStringLiteral("--sim-log: cannot write \"%1\"").arg(options->logFile);
        return nullptr;
    }
    simulator->adapter()->setLatencyUs(options->latencyUs);
    simulator->adapter()->setAccessDenied(options->accessDenied);
    simulator->setClockFrom(QDateTime::currentDateTime());
    return simulator;
}

void Simulator::setClockFrom(const QDateTime &local)
{
    Pcf8583 *rtc = FFirmware->rtc();
    if (!rtc)
        return;
    const QDate date = local.date();
    const QTime time = local.time();
    rtc->setTime({date.year() % 4, date.month(), date.day(), date.dayOfWeek() % 7, time.hour(), time.minute(),
                  time.second(), time.msec() / 10});
    const int base = date.year() - date.year() % 4;
    rtc->setRegister(Pcf8583::FreeRam, std::uint8_t(base >> 8));
    rtc->setRegister(Pcf8583::FreeRam + 1, std::uint8_t(base & 0xFF));
}

} // namespace sim
