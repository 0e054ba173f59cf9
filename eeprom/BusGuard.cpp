#include "BusGuard.h"

#include "I2cRegisters.h"

namespace {
// 7-bit addresses 0x00..0x07 and 0x78..0x7F are reserved by the bus itself.
constexpr int kFirstDeviceByte = 0x08;
constexpr int kLastDeviceByte = 0xEE;
// Hundredths, seconds and minutes of a PCF8583 lie in its first bytes.
constexpr int kBytesCompared = 8;
constexpr int kBlockBytes = 256;
// Reads of the first bytes: at the start, half-way through the wait, at its end.
constexpr int kSamples = 3;

QString Hex2(int value) { return QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0')).toUpper(); }

bool ReadFirstBytes(TZqLibUSB *link, int deviceByte, QByteArray &bytes)
{
    if (!I2cReadRegisters(link, std::uint16_t(deviceByte), 0, kBytesCompared))
        return false;
    bytes = link->DevBuffer.left(kBytesCompared);
    return true;
}
} // namespace

QList<int> ScanI2cBus(TZqLibUSB *link)
{
    QList<int> found;
    for (int device = kFirstDeviceByte; link && link->Connected() && device <= kLastDeviceByte; device += 2)
        if (I2cReadRegisters(link, std::uint16_t(device), 0, 1))
            found << device;
    return found;
}

QString BusScanText(const QList<int> &deviceBytes)
{
    if (deviceBytes.isEmpty())
        return QStringLiteral("no device answered on the bus");
    QStringList names;
    for (int device : deviceBytes)
        names << Hex2(device);
    return QStringLiteral("devices on the bus: ") + names.join(QLatin1Char(' '));
}

QList<int> DeviceBytesOfRange(const TZqEEPROM24Cxx &engine, int from, int to)
{
    QList<int> devices;
    for (int block = from / kBlockBytes * kBlockBytes; block < to; block += kBlockBytes) {
        const int device = engine.DeviceByte(block) & 0xFE;
        if (!devices.contains(device))
            devices << device;
    }
    return devices;
}

bool ClockMayAnswerAt(int deviceByte) { return deviceByte == 0xA0 || deviceByte == 0xA2; }

QString RunningClockInRange(const TZqEEPROM24Cxx &engine, const QString &chipName, int from, int to,
                            const std::function<void(int ms)> &wait, int waitMs)
{
    QList<int> shared;
    for (int device : DeviceBytesOfRange(engine, from, to))
        if (ClockMayAnswerAt(device))
            shared << device;
    if (shared.isEmpty())
        return QString();
    QList<QByteArray> first;
    for (int device : shared) {
        QByteArray bytes;
        first << (ReadFirstBytes(engine.ZqLibUSB(), device, bytes) ? bytes : QByteArray());
    }
    // Half a second moves the hundredths by about 50, a second moves the
    // seconds: between them more of the clock's bits change than the
    // EEPROM's zeros can hide.
    for (int sample = 1; sample < kSamples; ++sample) {
        wait(waitMs / (kSamples - 1));
        for (int i = 0; i < shared.size(); ++i) {
            QByteArray again;
            if (first[i].isEmpty() || !ReadFirstBytes(engine.ZqLibUSB(), shared[i], again) || again == first[i])
                continue;
            return QStringLiteral("a running clock (PCF8583) answers at device byte %1, which the %2 also uses: "
                                  "writing there would change the clock")
                .arg(Hex2(shared[i]), chipName);
        }
    }
    return QString();
}

QString RunningClockUnderImage(const TZqEEPROM24Cxx &engine, const QString &chipName, const ChipImage &image,
                               const std::function<void(int ms)> &wait)
{
    if (image.isEmpty())
        return QString();
    return RunningClockInRange(engine, chipName, int(image.segments().constFirst().address), int(image.end()), wait);
}
