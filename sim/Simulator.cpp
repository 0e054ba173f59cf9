#include "Simulator.h"

#include "Ds13xx.h"
#include "Pcf8583.h"
#include "SimState.h"

#include <QFile>
#include <QSaveFile>

namespace sim {
namespace {
// The program never reads the log back; a running display clock sends a
// 1 KiB frame ten times a second, so only the newest records stay in memory.
constexpr std::size_t kProgramLogRecords = 1000;

template <typename Chip>
std::optional<ChipMemory> memoryOf(const Chip *chip)
{
    if (!chip)
        return std::nullopt;
    return ChipMemory{QString::fromLatin1(chip->variant().name), chip->memory()};
}

// A stored memory goes back only into the same part; another part fitted
// since starts erased.
template <typename Chip>
void restore(Chip *chip, const std::optional<ChipMemory> &memory)
{
    if (chip && memory && memory->part == QLatin1String(chip->variant().name))
        chip->setMemory(0, memory->bytes);
}

std::uint8_t bcd(int value) { return std::uint8_t((value / 10) << 4 | value % 10); }

// Seconds last: writing them restarts the divider on the whole second.
void setDs13xx(Ds13xx *chip, const QDateTime &local)
{
    if (!chip)
        return;
    const QDate date = local.date();
    const QTime time = local.time();
    const std::uint8_t century = date.year() >= 2100 && chip->variant().centuryBit ? Ds13xx::Century : 0;
    chip->setRegister(Ds13xx::Minutes, bcd(time.minute()));
    chip->setRegister(Ds13xx::Hours, bcd(time.hour()));
    chip->setRegister(Ds13xx::Weekday, std::uint8_t(date.dayOfWeek()));
    chip->setRegister(Ds13xx::Date, bcd(date.day()));
    chip->setRegister(Ds13xx::Month, std::uint8_t(century | bcd(date.month())));
    chip->setRegister(Ds13xx::Year, bcd(date.year() % 100));
    chip->setRegister(Ds13xx::Seconds, bcd(time.second()));
    if (chip->type() == Ds13xxType::DS3231)
        chip->setRegister(Ds13xx::Ds3231Status, chip->registerValue(Ds13xx::Ds3231Status) & ~Ds13xx::OscillatorStopped);
}
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
    simulator->adapter()->setWireTimeModel(options->wireTime);
    simulator->adapter()->setAccessDenied(options->accessDenied);
    simulator->setClockFrom(QDateTime::currentDateTime());
    if (!options->stateFile.isEmpty())
        simulator->loadState(options->stateFile);
    return simulator;
}

void Simulator::setClockFrom(const QDateTime &local)
{
    setDs13xx(FFirmware->ds13xx(), local);
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

QDateTime Simulator::clockTime() const
{
    Pcf8583 *rtc = FFirmware->rtc();
    if (!rtc)
        return {};
    const Pcf8583::Time t = rtc->time();
    const int base = rtc->registerValue(Pcf8583::FreeRam) << 8 | rtc->registerValue(Pcf8583::FreeRam + 1);
    return QDateTime(QDate(base + t.yearCounter, t.month, t.day), QTime(t.hour, t.minute, t.second, t.hundredths * 10));
}

void Simulator::loadState(const QString &file)
{
    FStateFile = file;
    FStateMessage.clear();
    QFile in(file);
    if (!in.exists())
        return;
    QString why;
    std::optional<SimState> state;
    if (!in.open(QIODevice::ReadOnly))
        why = in.errorString();
    else
        state = SimState::fromText(in.read(1 << 20), why);
    if (!state) {
        FStateMessage = QStringLiteral("--sim-state: \"%1\" is not a simulator state file (%2); the chips start "
                                       "fresh and the file is left as it is")
                            .arg(file, why);
        FStateFile.clear();
        return;
    }
    restore(FFirmware->eeprom24(), state->eeprom24);
    restore(FFirmware->eeprom93(), state->eeprom93);
    Pcf8583 *rtc = FFirmware->rtc();
    if (rtc && state->rtcRam)
        for (int i = 0; i < SimState::RtcRamSize; ++i)
            rtc->setRegister(std::uint8_t(SimState::RtcRamStart + i), std::uint8_t(state->rtcRam->at(i)));
    if (state->clockOffsetMs)
        setClockFrom(QDateTime::currentDateTime().addMSecs(*state->clockOffsetMs));
}

bool Simulator::saveState(QString &error) const
{
    if (FStateFile.isEmpty())
        return true;
    SimState state;
    state.eeprom24 = memoryOf(FFirmware->eeprom24());
    state.eeprom93 = memoryOf(FFirmware->eeprom93());
    if (Pcf8583 *rtc = FFirmware->rtc()) {
        QByteArray ram;
        for (int i = 0; i < SimState::RtcRamSize; ++i)
            ram += char(rtc->registerValue(std::uint8_t(SimState::RtcRamStart + i)));
        state.rtcRam = ram;
        const QDateTime clock = clockTime();
        if (clock.isValid())
            state.clockOffsetMs = QDateTime::currentDateTime().msecsTo(clock);
    }
    QSaveFile out(FStateFile);
    if (out.open(QIODevice::WriteOnly) && out.write(state.toText()) >= 0 && out.commit())
        return true;
    error = QStringLiteral("--sim-state: cannot write \"%1\": %2").arg(FStateFile, out.errorString());
    return false;
}

} // namespace sim
