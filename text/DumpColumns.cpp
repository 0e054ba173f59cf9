#include "DumpColumns.h"

#include "Cp1250.h"

#include <algorithm>

namespace DumpColumns {

const QString &ErasedHex()
{
    static const QString erased = QStringLiteral("FF FF FF FF FF FF FF FF  FF FF FF FF FF FF FF FF ");
    return erased;
}

QChar HexDigit(unsigned nibble) { return QLatin1Char("0123456789ABCDEF"[nibble & 0xF]); }

QChar DumpChar(unsigned char byte)
{
    if (byte < 0x20 || byte == 0xFF)
        return QLatin1Char('.');
    // A soft hyphen is laid out with no width, which would shift the rest of
    // the line out of its column.
    if (byte == 0xAD)
        return QLatin1Char('-');
    const QChar ch = Cp1250::ToUnicode(byte);
    return ch == QChar::ReplacementCharacter ? QLatin1Char('.') : ch;
}

int AddressWidth(quint32 lastAddress)
{
    return std::max(kMinAddressDigits, int(QString::number(lastAddress, 16).size()));
}

QString AddressText(quint32 address, int width)
{
    return QString::number(address, 16).toUpper().rightJustified(width, QLatin1Char('0')) + QLatin1String("  ");
}

QString HexText(const unsigned char *bytes, int count)
{
    QString hex;
    hex.reserve(ErasedHex().size());
    for (int c = 0; c < count; ++c) {
        hex += HexDigit(bytes[c] >> 4);
        hex += HexDigit(bytes[c]);
        hex += QLatin1Char(' ');
        if (c == kGapAfterColumn)
            hex += QLatin1Char(' ');
    }
    const int missing = kBytesPerLine - count;
    const int padding = 3 * missing + (count <= kGapAfterColumn ? 1 : 0);
    hex += QString(padding, QLatin1Char(' '));
    return hex;
}

QString CharText(const unsigned char *bytes, int count, bool gap)
{
    QString text;
    text.reserve(kBytesPerLine + 2);
    for (int c = 0; c < count; ++c) {
        text += DumpChar(bytes[c]);
        if (gap && c == kGapAfterColumn)
            text += QLatin1String("  ");
    }
    return text;
}

QString PlainDump(const QByteArray &bytes, quint32 first)
{
    const int count = int(bytes.size());
    if (count == 0)
        return {};
    const int width = AddressWidth(first + quint32(count - 1));
    const auto *data = reinterpret_cast<const unsigned char *>(bytes.constData());
    QString dump;
    for (int i = 0; i < count; i += kBytesPerLine) {
        const int n = std::min(kBytesPerLine, count - i);
        dump += AddressText(first + quint32(i), width) + HexText(data + i, n) + CharText(data + i, n, false) +
                QLatin1Char('\n');
    }
    return dump;
}

} // namespace DumpColumns
