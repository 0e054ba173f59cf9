#include "DeviceCommands.h"

#include "BusGuard.h"
#include "CliSession.h"
#include "Cp1250.h"
#include "DemoPictureStore.h"
#include "DisplayScenes.h"
#include "I2cAddress.h"
#include "StandardStreams.h"
#include "StoredPictures.h"
#include "ZqLibUSB.h"
#include "ZqRtcDs13xx.h"
#include "ZqRtcPcf8583.h"
#include "ZqSSD1306OLED.h"
#include "ZqST7565COG.h"
#include "mxStorage.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonObject>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <memory>

namespace {

void Print(const QString &text) { std::fputs(text.toUtf8().constData(), stdout); }

// "now" or "YYYY-MM-DD HH:MM:SS"; false when it is neither.
bool TimeArgument(const QString &text, TDs13xxFields &fields)
{
    const QDateTime when = text == QLatin1String("now")
                               ? QDateTime::currentDateTime()
                               : QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (!when.isValid())
        return false;
    fields = {when.date().year(),   when.date().month(),  when.date().day(),
              when.time().hour(),   when.time().minute(), when.time().second()};
    return true;
}

struct TClockReading {
    QString date;
    QString time;
    QStringList notes;
};

bool ReadClock(TZqLibUSB *link, const QString &chip, TClockReading &out)
{
    if (chip == QLatin1String("pcf8583")) {
        TZqRtcPcf8583 clock;
        clock.SetZqLibUSB(link);
        TPcf8583Reading reading;
        if (!clock.Read(reading))
            return false;
        out = {reading.DateText, reading.TimeText, {}};
        return true;
    }
    TZqRtcDs13xx clock;
    clock.SetZqLibUSB(link);
    clock.SetChip(chip == QLatin1String("ds3231") ? dcDS3231 : dcDS1307);
    TDs13xxReading reading;
    if (!clock.Read(reading))
        return false;
    out = {reading.DateText, reading.TimeText, {}};
    if (reading.Halted)
        out.notes << QStringLiteral("halted");
    if (reading.OscillatorStopped)
        out.notes << QStringLiteral("oscillator stopped");
    return true;
}

bool WriteClock(TZqLibUSB *link, const QString &chip, const TDs13xxFields &fields)
{
    if (chip == QLatin1String("pcf8583")) {
        TZqRtcPcf8583 clock;
        clock.SetZqLibUSB(link);
        return clock.WriteTime(fields);
    }
    TZqRtcDs13xx clock;
    clock.SetZqLibUSB(link);
    clock.SetChip(chip == QLatin1String("ds3231") ? dcDS3231 : dcDS1307);
    return clock.WriteTime(fields);
}

QString ClockFieldError(const QString &chip, const TDs13xxFields &fields)
{
    TZqRtcDs13xx clock;
    clock.SetChip(chip == QLatin1String("ds3231") ? dcDS3231 : dcDS1307);
    const std::optional<TFieldRange> range =
        chip == QLatin1String("pcf8583") ? TZqRtcPcf8583::OutOfRange(fields) : clock.OutOfRange(fields);
    return range ? FieldRangeText(*range) : QString();
}

volatile std::sig_atomic_t gStop = 0;
void AskToStop(int) { gStop = 1; }

// Waits ms in an event loop, in short steps so that Ctrl+C ends it soon.
void Wait(int ms)
{
    QEventLoop loop;
    for (int left = ms; left > 0 && !gStop; left -= 50) {
        QTimer::singleShot(std::min(left, 50), &loop, &QEventLoop::quit);
        loop.exec();
    }
}

void RunDemo(TZqGLCDDriver *display, bool oled)
{
    TmxStorage storage;
    storage.ReadDescription(StoredPicturesDescription());
    // As on the page: the OLED demo is drawn inverted.
    const TStoredDemoPictures pictures = StoredDemoPictures(&storage, oled, oled);
    RunDisplayDemo(display, pictures.Pictures(), oled, Wait);
}

// One frame a second, on the second; seconds 0 runs until a signal.
void RunClock(TZqGLCDDriver *display, int seconds)
{
    std::signal(SIGINT, AskToStop);
    std::signal(SIGTERM, AskToStop);
    for (int frame = 0; !gStop && (seconds == 0 || frame < seconds); ++frame) {
        if (frame > 0)
            Wait(1000 - QTime::currentTime().msec());
        if (!gStop)
            DrawClockFrame(display, QDateTime::currentDateTime(), QLocale::system());
    }
}

} // namespace

int RunInfo(CliSession &session)
{
    TZqLibUSB *link = session.Link();
    if (!link)
        return ceNoAdapter;
    session.Step(QStringLiteral("reading each device address on the I2C bus once"));
    const QList<int> devices = ScanI2cBus(link);
    if (session.Options().has("json")) {
        QJsonArray found;
        for (int deviceByte : devices)
            found.append(
                QJsonObject{{"address", SevenBitText(deviceByte)}, {"device_byte", DeviceByteText(deviceByte)}});
        PrintJson({{"adapter", "RZT-USBasp"},
                   {"release", link->DeviceVersion()},
                   {"strings", QJsonArray::fromStringList(link->InfStrings())},
                   {"devices", found}});
        return ceDone;
    }
    Print(QStringLiteral("adapter: RZT-USBasp connected\nrelease: %1\n").arg(link->DeviceVersion()));
    for (const QString &text : link->InfStrings())
        Print(QStringLiteral("string: %1\n").arg(text));
    QStringList addresses;
    for (int deviceByte : devices)
        addresses << I2cAddressText(deviceByte);
    Print(devices.isEmpty() ? QStringLiteral("no device answered on the bus\n")
                            : QStringLiteral("devices on the bus: %1\n").arg(addresses.join(QStringLiteral(", "))));
    return ceDone;
}

int RunRtcCommand(CliSession &session)
{
    const CliOptions &options = session.Options();
    const QString chip = options.has("chip") ? options.value("chip").toLower() : QStringLiteral("pcf8583");
    if (!QStringList{"pcf8583", "ds1307", "ds3231"}.contains(chip)) {
        CliSession::Error(QStringLiteral("--chip must be pcf8583, ds1307 or ds3231, not '%1'").arg(options.value("chip")));
        return ceUsage;
    }
    const bool set = options.words.at(1) == QLatin1String("set");
    TDs13xxFields fields;
    if (set) {
        if (!TimeArgument(options.words.at(2), fields)) {
            CliSession::Error(
                QStringLiteral("rtc set needs now or \"YYYY-MM-DD HH:MM:SS\", not '%1'").arg(options.words.at(2)));
            return ceUsage;
        }
        const QString error = ClockFieldError(chip, fields);
        if (!error.isEmpty()) {
            CliSession::Error(QStringLiteral("rtc set: %1").arg(error));
            return ceUsage;
        }
    }
    TZqLibUSB *link = session.Link();
    if (!link)
        return ceNoAdapter;
    const QString at =
        I2cAddressText(chip == QLatin1String("pcf8583") ? TZqRtcPcf8583::DeviceByte : TZqRtcDs13xx::DeviceByte);
    session.Step(set ? QStringLiteral("setting the %1 at %2 to %3").arg(chip.toUpper(), at, options.words.at(2))
                     : QStringLiteral("reading the %1 at %2").arg(chip.toUpper(), at));
    if (set) {
        if (WriteClock(link, chip, fields))
            return ceDone;
        CliSession::Error(QStringLiteral("the %1 did not take the time").arg(chip));
        return ceFailed;
    }
    TClockReading reading;
    if (!ReadClock(link, chip, reading)) {
        CliSession::Error(QStringLiteral("the %1 does not answer").arg(chip));
        return ceFailed;
    }
    if (options.has("json")) {
        QJsonObject object{{"chip", chip}, {"date", reading.date}, {"time", reading.time}};
        if (!reading.notes.isEmpty())
            object.insert("notes", reading.notes.join(", "));
        PrintJson(object);
    } else {
        Print(reading.date + QLatin1Char(' ') + reading.time +
              (reading.notes.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(reading.notes.join(", "))) +
              QLatin1Char('\n'));
    }
    return ceDone;
}

int RunDisplayCommand(CliSession &session)
{
    const CliOptions &options = session.Options();
    const QString type = options.value("type").toLower();
    if (type != QLatin1String("ssd1306") && type != QLatin1String("st7565")) {
        CliSession::Error(QStringLiteral("-t must be ssd1306 or st7565, not '%1'").arg(options.value("type")));
        return ceUsage;
    }
    int x = 0, y = 0, size = 1, seconds = 0;
    if (!IntOption(options, "x", -1000, 1000, x) || !IntOption(options, "y", -1000, 1000, y) ||
        !IntOption(options, "size", 1, 4, size) || !IntOption(options, "seconds", 0, 1000000, seconds))
        return ceUsage;
    const QString action = options.words.at(1);
    TZqLibUSB *link = session.Link();
    if (!link)
        return ceNoAdapter;
    // Each run is a new process: the controller is set up again before anything is drawn.
    session.Step(QStringLiteral("initialising the %1").arg(type.toUpper()));
    std::unique_ptr<TZqGLCDDriver> display;
    bool initialised = false;
    if (type == QLatin1String("ssd1306")) {
        auto oled = std::make_unique<TZqSSD1306OLED>();
        oled->SetI2C_BitrateKhz(700);
        oled->SetBus(tbI2C);
        oled->SetZqLibUSB(link);
        initialised = oled->ssd1306_init(2, 0x80, 0);
        display = std::move(oled);
    } else {
        auto cog = std::make_unique<TZqST7565COG>();
        cog->SetSPI_SCK(ssF_CPU4);
        cog->SetI2C_BitrateKhz(0);
        cog->SetBus(tbSPI);
        cog->SetZqLibUSB(link);
        initialised = cog->st7565_init(20);
        display = std::move(cog);
    }
    if (!initialised) {
        CliSession::Error(QStringLiteral("the %1 did not take its initialisation").arg(type));
        return ceFailed;
    }
    if (action == QLatin1String("init"))
        return ceDone;
    session.Step(QStringLiteral("drawing: display %1").arg(action));
    if (action == QLatin1String("demo")) {
        RunDemo(display.get(), type == QLatin1String("ssd1306"));
        return ceDone;
    }
    if (action == QLatin1String("clock")) {
        RunClock(display.get(), seconds);
        return ceDone;
    }
    display->glcd_cls();
    if (action == QLatin1String("text"))
        display->glcd_puts(x, y, Cp1250::Encode(options.words.at(2)), std::uint8_t(size), 1, 0);
    if (action == QLatin1String("image")) {
        QString error;
        if (!display->glcd_bitmap_from_file(options.words.at(2), &error)) {
            CliSession::Error(QStringLiteral("%1: %2").arg(options.words.at(2), error));
            return ceFailed;
        }
        return ceDone;
    }
    display->glcd_display();
    return ceDone;
}
