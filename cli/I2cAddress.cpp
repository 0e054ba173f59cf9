#include "I2cAddress.h"

namespace {
constexpr int kFirst24CxxAddress = 0x50;
constexpr int kLast24CxxAddress = 0x57;

QString Hex2(int value) { return QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0')).toUpper(); }
} // namespace

QString SevenBitText(int deviceByte) { return QStringLiteral("0x%1").arg(deviceByte >> 1, 2, 16, QLatin1Char('0')); }

QString DeviceByteText(int deviceByte) { return Hex2(deviceByte); }

QString I2cAddressText(int deviceByte)
{
    return QStringLiteral("%1 (%2)").arg(SevenBitText(deviceByte), DeviceByteText(deviceByte));
}

bool EepromDeviceByte(const QString &given, int &deviceByte, QString &error)
{
    QString digits = given.trimmed();
    if (digits.startsWith(QLatin1Char('$')))
        digits.remove(0, 1);
    else if (digits.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        digits.remove(0, 2);
    bool ok = false;
    const int value = digits.size() <= 2 ? digits.toInt(&ok, 16) : -1;
    if (ok && value >= kFirst24CxxAddress && value <= kLast24CxxAddress) {
        deviceByte = value << 1;
        return true;
    }
    const bool deviceByteRange = ok && value >= kFirst24CxxAddress << 1 && value <= (kLast24CxxAddress << 1 | 1);
    if (deviceByteRange && !(value & 1)) {
        deviceByte = value;
        return true;
    }
    error = QStringLiteral("--addr-i2c must be a 24Cxx's address, 0x50..0x57 or its device byte A0, A2 .. AE, "
                           "not '%1'")
                .arg(given);
    if (deviceByteRange)
        error += QStringLiteral(": %1 has the read bit set (the device byte for %2 is %3)")
                     .arg(Hex2(value), SevenBitText(value & 0xFE), Hex2(value & 0xFE));
    return false;
}
