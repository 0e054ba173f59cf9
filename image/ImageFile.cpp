#include "ImageFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>

namespace {
constexpr qint64 kTopAddress = 0xFFFFFFFFLL;
constexpr int kBytesPerLine = 16;
// A raw file is the image's whole address range; beyond this the image is
// no chip's and would only fill a disk.
constexpr qint64 kMaxRawBytes = 256LL * 1024 * 1024;

QString Hex(qint64 value, int digits)
{
    return QStringLiteral("%1").arg(value, digits, 16, QLatin1Char('0')).toUpper();
}

bool IsTextByte(char c)
{
    const auto u = std::uint8_t(c);
    return (u >= 0x20 && u < 0x7F) || c == '\n' || c == '\r' || c == '\t';
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// One record's text after its lead-in, as bytes. The first byte is the
// record's own length field; the length rules are the caller's.
struct Record {
    int line = 0;
    QByteArray bytes;
};

class Parser {
public:
    explicit Parser(const QByteArray &content) : FLines(content.split('\n')) {}

    ImageParseResult run();

private:
    bool fail(int line, const QString &text);
    bool decode(int line, const QByteArray &digits, QByteArray &bytes);
    bool lengthFits(int line, const QByteArray &digits, int announced);
    bool store(int line, qint64 address, const QByteArray &data);
    bool hexLine(int line, const QByteArray &text);
    bool sLine(int line, const QByteArray &text);
    bool afterEnd(int line);

    QList<QByteArray> FLines;
    ImageParseResult FResult;
    bool FEnded = false;
    qint64 FBase = 0;
    qint64 FDataRecords = 0;
    bool FCountLast = false; // the last record was an S5/S6 count
};

bool Parser::fail(int line, const QString &text)
{
    FResult.ok = false;
    FResult.error = QStringLiteral("line %1: %2").arg(line).arg(text);
    return false;
}

bool Parser::decode(int line, const QByteArray &digits, QByteArray &bytes)
{
    for (int i = 0; i < digits.size(); ++i)
        if (HexDigit(digits[i]) < 0)
            return fail(line, QStringLiteral("'%1' is not a hex digit").arg(QLatin1Char(digits[i])));
    if (digits.size() % 2 != 0)
        return fail(line, QStringLiteral("the line is cut short (an odd number of hex digits)"));
    bytes.resize(digits.size() / 2);
    for (int i = 0; i < bytes.size(); ++i)
        bytes[i] = char(HexDigit(digits[2 * i]) << 4 | HexDigit(digits[2 * i + 1]));
    return true;
}

// announced: the bytes the length field promises, besides itself.
bool Parser::lengthFits(int line, const QByteArray &bytes, int announced)
{
    if (bytes.size() - 1 < announced)
        return fail(line, QStringLiteral("the line is cut short: the record announces %1 bytes, it holds %2")
                              .arg(announced)
                              .arg(bytes.size() - 1));
    if (bytes.size() - 1 > announced)
        return fail(line, QStringLiteral("the record is longer than its length field (%1 bytes) says").arg(announced));
    return true;
}

bool Parser::store(int line, qint64 address, const QByteArray &data)
{
    if (address + data.size() - 1 > kTopAddress)
        return fail(line, QStringLiteral("data reaches beyond the 32-bit address range"));
    for (int i = 0; i < data.size(); ++i) {
        const auto a = std::uint32_t(address + i);
        if (FResult.image.has(a))
            return fail(line, QStringLiteral("the record overlaps address 0x%1, given before").arg(Hex(a, 4)));
        FResult.image.set(a, std::uint8_t(data[i]));
    }
    return true;
}

bool Parser::afterEnd(int line) { return fail(line, QStringLiteral("a record follows the end record")); }

bool Parser::hexLine(int line, const QByteArray &text)
{
    if (!text.startsWith(':'))
        return fail(line, QStringLiteral("an Intel HEX line must start with ':'"));
    if (FEnded)
        return afterEnd(line);
    QByteArray b;
    if (!decode(line, text.mid(1), b))
        return false;
    if (b.size() < 5)
        return fail(line, QStringLiteral("the line is cut short: a record has at least 5 bytes"));
    const int count = std::uint8_t(b[0]);
    if (!lengthFits(line, b, count + 4))
        return false;
    int sum = 0;
    for (int i = 0; i < b.size() - 1; ++i)
        sum += std::uint8_t(b[i]);
    const int needed = (0x100 - (sum & 0xFF)) & 0xFF;
    if (std::uint8_t(b.back()) != needed)
        return fail(
            line,
            QStringLiteral("checksum is %1, the record needs %2").arg(Hex(std::uint8_t(b.back()), 2), Hex(needed, 2)));
    const int offset = std::uint8_t(b[1]) << 8 | std::uint8_t(b[2]);
    const int type = std::uint8_t(b[3]);
    const QByteArray data = b.mid(4, count);
    const auto value = [&data] { return std::uint8_t(data[0]) << 8 | std::uint8_t(data[1]); };
    switch (type) {
    case 0x00:
        return store(line, FBase + offset, data);
    case 0x01:
        if (count != 0)
            return fail(line, QStringLiteral("the end record carries data"));
        FEnded = true;
        return true;
    case 0x02:
    case 0x04:
        if (count != 2)
            return fail(line, QStringLiteral("an address record holds 2 bytes, this one %1").arg(count));
        FBase = type == 0x02 ? qint64(value()) << 4 : qint64(value()) << 16;
        return true;
    case 0x03:
    case 0x05:
        // A start address means nothing to a memory chip.
        if (count != 4)
            return fail(line, QStringLiteral("a start address record holds 4 bytes, this one %1").arg(count));
        return true;
    default:
        return fail(line, QStringLiteral("unknown record type %1").arg(Hex(type, 2)));
    }
}

// Bytes of the address field of S0..S9; 0 where the type is not defined.
constexpr int kSAddressBytes[10] = {2, 2, 3, 4, 0, 2, 3, 4, 3, 2};

bool Parser::sLine(int line, const QByteArray &text)
{
    if (text.size() < 2 || text[0] != 'S' || text[1] < '0' || text[1] > '9')
        return fail(line, QStringLiteral("an S-record line must start with 'S' and a digit"));
    if (FEnded)
        return afterEnd(line);
    const int type = text[1] - '0';
    const int addressBytes = kSAddressBytes[type];
    if (addressBytes == 0)
        return fail(line, QStringLiteral("S%1 records are not defined").arg(type));
    QByteArray b;
    if (!decode(line, text.mid(2), b))
        return false;
    if (b.isEmpty())
        return fail(line, QStringLiteral("the line is cut short: no length field"));
    const int count = std::uint8_t(b[0]);
    if (!lengthFits(line, b, count))
        return false;
    if (count < addressBytes + 1)
        return fail(line, QStringLiteral("the record is too short for its %1-byte address").arg(addressBytes));
    int sum = 0;
    for (int i = 0; i < b.size() - 1; ++i)
        sum += std::uint8_t(b[i]);
    const int needed = ~sum & 0xFF;
    if (std::uint8_t(b.back()) != needed)
        return fail(
            line,
            QStringLiteral("checksum is %1, the record needs %2").arg(Hex(std::uint8_t(b.back()), 2), Hex(needed, 2)));
    qint64 address = 0;
    for (int i = 1; i <= addressBytes; ++i)
        address = address << 8 | std::uint8_t(b[i]);
    const QByteArray data = b.mid(1 + addressBytes, count - addressBytes - 1);
    FCountLast = type == 5 || type == 6;
    switch (type) {
    case 0:
        return true;
    case 1:
    case 2:
    case 3:
        ++FDataRecords;
        return store(line, address, data);
    case 5:
    case 6:
        if (address != FDataRecords)
            return fail(line, QStringLiteral("the count record says %1 data records, the file has %2 before it")
                                  .arg(address)
                                  .arg(FDataRecords));
        return true;
    default:
        FEnded = true;
        return true;
    }
}

ImageParseResult Parser::run()
{
    FResult.ok = true;
    int first = -1;
    for (int i = 0; i < FLines.size() && first < 0; ++i)
        if (!FLines[i].trimmed().isEmpty())
            first = i;
    const QByteArray lead = FLines[first].trimmed();
    FResult.format = lead.startsWith(':') ? ImageFormat::IntelHex : ImageFormat::SRecord;
    for (int i = first; i < FLines.size(); ++i) {
        const QByteArray text = FLines[i].trimmed();
        if (text.isEmpty())
            continue;
        const bool ok = FResult.format == ImageFormat::IntelHex ? hexLine(i + 1, text) : sLine(i + 1, text);
        if (!ok)
            return FResult;
    }
    if (!FEnded && !FCountLast) {
        FResult.ok = false;
        FResult.error =
            FResult.format == ImageFormat::IntelHex
                ? QStringLiteral("no end record (type 01): the file may be cut short")
                : QStringLiteral("no end record (S7, S8 or S9) and no count record (S5, S6) after the data: "
                                 "the file may be cut short");
    }
    return FResult;
}

// The first non-empty line of a text decides; a line that then breaks the
// format is an error, never a reason to take the text as raw bytes.
ImageFormat Recognise(const QByteArray &content)
{
    if (!std::all_of(content.begin(), content.end(), IsTextByte))
        return ImageFormat::Raw;
    for (const QByteArray &line : content.split('\n')) {
        const QByteArray text = line.trimmed();
        if (text.isEmpty())
            continue;
        if (text.startsWith(':'))
            return ImageFormat::IntelHex;
        if (text.size() >= 2 && text[0] == 'S' && text[1] >= '0' && text[1] <= '9')
            return ImageFormat::SRecord;
        return ImageFormat::Raw;
    }
    return ImageFormat::Raw;
}

QByteArray RecordText(const QByteArray &lead, const QByteArray &bytes, std::uint8_t checksum)
{
    return lead + bytes.toHex().toUpper() + Hex(checksum, 2).toLatin1() + '\n';
}

// address big-endian in n bytes.
QByteArray BigEndian(qint64 value, int n)
{
    QByteArray bytes(n, '\0');
    for (int i = 0; i < n; ++i)
        bytes[n - 1 - i] = char(value >> (8 * i));
    return bytes;
}

std::uint8_t ByteSum(const QByteArray &bytes)
{
    int sum = 0;
    for (char c : bytes)
        sum += std::uint8_t(c);
    return std::uint8_t(sum);
}

QByteArray HexRecord(int type, int offset, const QByteArray &data)
{
    const QByteArray body = BigEndian(data.size(), 1) + BigEndian(offset, 2) + BigEndian(type, 1) + data;
    return RecordText(":", body, std::uint8_t(-ByteSum(body)));
}

QByteArray SRecord(int type, int addressBytes, qint64 address, const QByteArray &data)
{
    const QByteArray rest = BigEndian(address, addressBytes) + data;
    const QByteArray body = BigEndian(rest.size() + 1, 1) + rest;
    return RecordText("S" + QByteArray::number(type), body, std::uint8_t(~ByteSum(body)));
}

// Calls line(address, bytes) for pieces of at most 16 bytes that never cross
// a 16-byte boundary, so no piece crosses 64 KiB either.
template <class F>
void ForEachLine(const ChipImage &image, F line)
{
    for (const ChipImage::Segment &segment : image.segments()) {
        qint64 a = segment.address;
        const qint64 end = a + segment.bytes.size();
        while (a < end) {
            const qint64 n = std::min<qint64>(end - a, kBytesPerLine - a % kBytesPerLine);
            line(a, segment.bytes.mid(qsizetype(a - segment.address), qsizetype(n)));
            a += n;
        }
    }
}

QByteArray FormatHex(const ChipImage &image)
{
    QByteArray text;
    qint64 upper = 0;
    ForEachLine(image, [&](qint64 a, const QByteArray &bytes) {
        if (a >> 16 != upper) {
            upper = a >> 16;
            text += HexRecord(0x04, 0, BigEndian(upper, 2));
        }
        text += HexRecord(0x00, int(a & 0xFFFF), bytes);
    });
    return text + HexRecord(0x01, 0, {});
}

QByteArray FormatSRecord(const ChipImage &image, const QByteArray &header)
{
    const qint64 top = std::max<qint64>(image.end() - 1, 0);
    const int addressBytes = top <= 0xFFFF ? 2 : top <= 0xFFFFFF ? 3 : 4;
    const int dataType = addressBytes - 1;
    QByteArray text = SRecord(0, 2, 0, header.left(64));
    qint64 records = 0;
    ForEachLine(image, [&](qint64 a, const QByteArray &bytes) {
        text += SRecord(dataType, addressBytes, a, bytes);
        ++records;
    });
    if (records <= 0xFFFF)
        text += SRecord(5, 2, records, {});
    else if (records <= 0xFFFFFF)
        text += SRecord(6, 3, records, {});
    return text + SRecord(10 - dataType, addressBytes, 0, {});
}

ImageParseResult Failure(const QString &error)
{
    ImageParseResult result;
    result.error = error;
    return result;
}
} // namespace

ImageParseResult parseImage(const QByteArray &content)
{
    if (content.isEmpty())
        return Failure(QStringLiteral("the file is empty"));
    if (Recognise(content) == ImageFormat::Raw) {
        ImageParseResult result;
        result.ok = true;
        result.image = ChipImage::fromBytes(content);
        return result;
    }
    return Parser(content).run();
}

// Qt turns file name bytes that are no UTF-8 into U+FFFD, so such a name
// can never reach the file again.
ImageParseResult loadImageFile(const QString &path, qint64 maxBytes)
{
    if (path.isEmpty())
        return Failure(QStringLiteral("no file name given"));
    if (path.contains(QChar::ReplacementCharacter) || !path.isValidUtf16())
        return Failure(QStringLiteral("the file name \"%1\" is not valid UTF-8: rename the file").arg(path));
    const QFileInfo info(path);
    const QString name = info.fileName();
    if (!info.exists())
        return Failure(QStringLiteral("%1: no such file").arg(path));
    if (info.isDir())
        return Failure(QStringLiteral("%1 is a folder, not a file").arg(path));
    if (!info.isFile())
        return Failure(QStringLiteral("%1 is not a regular file").arg(path));
    const auto tooLarge = [&](qint64 size) {
        return Failure(
            QStringLiteral("%1 is %2 bytes; an image file may have at most %3").arg(name).arg(size).arg(maxBytes));
    };
    if (info.size() > maxBytes)
        return tooLarge(info.size());
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Failure(QStringLiteral("%1 cannot be read: %2").arg(name, file.errorString()));
    const QByteArray content = file.read(maxBytes + 1);
    if (file.error() != QFileDevice::NoError)
        return Failure(QStringLiteral("%1 cannot be read: %2").arg(name, file.errorString()));
    if (content.size() > maxBytes)
        return tooLarge(content.size());
    ImageParseResult result = parseImage(content);
    if (!result.ok)
        result.error = name + QStringLiteral(": ") + result.error;
    return result;
}

QByteArray formatImage(const ChipImage &image, ImageFormat format, const QByteArray &header)
{
    switch (format) {
    case ImageFormat::IntelHex:
        return FormatHex(image);
    case ImageFormat::SRecord:
        return FormatSRecord(image, header);
    case ImageFormat::Raw:
        break;
    }
    return image.toBytes();
}

bool saveImageFile(const QString &path, const ChipImage &image, ImageFormat format, QString *error,
                   const QByteArray &header)
{
    const auto fail = [error](const QString &text) {
        if (error)
            *error = text;
        return false;
    };
    if (format == ImageFormat::Raw && image.end() > kMaxRawBytes)
        return fail(QStringLiteral("the image spans %1 bytes, too many for a raw file").arg(image.end()));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(QStringLiteral("%1 cannot be written: %2").arg(path, file.errorString()));
    const QByteArray content = formatImage(image, format, header);
    if (file.write(content) != content.size() || !file.commit())
        return fail(QStringLiteral("%1 cannot be written: %2").arg(path, file.errorString()));
    return true;
}

ImageFormat formatForFileName(const QString &name)
{
    const QString suffix = QFileInfo(name).suffix().toLower();
    static const QStringList hex = {"hex", "ihx", "ihex"};
    static const QStringList srec = {"srec", "s19", "s28", "s37", "mot", "s"};
    if (hex.contains(suffix))
        return ImageFormat::IntelHex;
    if (srec.contains(suffix))
        return ImageFormat::SRecord;
    return ImageFormat::Raw;
}

QString formatName(ImageFormat format)
{
    switch (format) {
    case ImageFormat::IntelHex:
        return QStringLiteral("Intel HEX");
    case ImageFormat::SRecord:
        return QStringLiteral("S-record");
    case ImageFormat::Raw:
        break;
    }
    return QStringLiteral("raw binary");
}
