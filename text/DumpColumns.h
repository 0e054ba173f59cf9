#pragma once
// The columns of a hex dump, as the hex view lays them out and the command
// line prints them: address, 16 bytes in hex with a gap after the eighth,
// the bytes as Windows-1250 characters.
#include <QByteArray>
#include <QString>

namespace DumpColumns {

constexpr int kBytesPerLine = 16;
constexpr int kGapAfterColumn = 7;
constexpr int kMinAddressDigits = 3;

// A full line of erased (0xFF) bytes in the hex column.
const QString &ErasedHex();
QChar HexDigit(unsigned nibble);
// Control characters and 0xFF as '.', so every byte takes one column.
QChar DumpChar(unsigned char byte);
// Digits enough for the last address, at least kMinAddressDigits.
int AddressWidth(quint32 lastAddress);
QString AddressText(quint32 address, int width);
// Always 49 characters, so a partial last line keeps the character column in place.
QString HexText(const unsigned char *bytes, int count);
QString CharText(const unsigned char *bytes, int count, bool gap);
// The whole dump as plain text, one line per 16 bytes, addresses from first.
QString PlainDump(const QByteArray &bytes, quint32 first);

} // namespace DumpColumns
