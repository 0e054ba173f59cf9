#include "ZqEEPROM24Cxx.h"

#include <QCoreApplication>

#include <algorithm>
#include <cctype>

namespace {
struct T24CxxRow {
    int bytes;
    int page;      // write page as the engine chunks it
    int adresBits; // device-byte bits from bit 1 up that carry memory address bits 8..
};

const T24CxxRow k24CxxRows[] = {
    {256, 8, 0},   // 24C02
    {512, 8, 1},   // 24C04: its 16-byte page holds two of these
    {1024, 16, 2}, // 24C08
    {2048, 16, 3}, // 24C16
};

constexpr std::uint8_t kDefaultAddrI2C = 0xA8;
constexpr int kMinBitrateKhz = 5;
constexpr int kMaxBitrateKhz = 900;

bool IsHexNumber(const QString &text)
{
    return !text.isEmpty() && std::all_of(text.begin(), text.end(),
                                          [](QChar c) { return c.unicode() < 0x80 && std::isxdigit(c.unicode()); });
}
} // namespace

// Spaces and control characters only, or nothing at all.
bool TZqEEPROM24Cxx::ErasesChip(const QByteArray &data)
{
    return std::all_of(data.begin(), data.end(), [](char c) { return std::uint8_t(c) <= 0x20; });
}

TZqEEPROM24Cxx::TZqEEPROM24Cxx(QObject *AOwner) : TZqEEPROMBase(AOwner, 512) {}

void TZqEEPROM24Cxx::SetAddrI2C(const QString &value)
{
    QString text = value.trimmed();
    if (text.startsWith(QLatin1Char('$')))
        text.remove(0, 1);
    const std::uint8_t byte = IsHexNumber(text) ? std::uint8_t(text.right(2).toUInt(nullptr, 16)) : kDefaultAddrI2C;
    FAddrI2C = byte;
    FAddrI2Cstr = QStringLiteral("%1").arg(byte, 2, 16, QLatin1Char('0')).toUpper();
}

void TZqEEPROM24Cxx::SetEepromType(TEepromType value)
{
    FEepromType = value;
    if (!Busy())
        ApplyType();
}

// A type outside the table is only stored.
void TZqEEPROM24Cxx::ApplyType()
{
    if (int(FEepromType) < 0 || int(FEepromType) >= int(std::size(k24CxxRows)))
        return;
    const T24CxxRow &row = k24CxxRows[FEepromType];
    FEEMBytes = row.bytes;
    FPageWrite = std::uint8_t(row.page);
    FAdresBits = row.adresBits;
    FEEPROM_BUF.resize(row.bytes);
}

std::uint16_t TZqEEPROM24Cxx::DeviceByte(int a) const
{
    const int blockMask = ((1 << FAdresBits) - 1) << 1;
    return std::uint16_t(((FAddrI2C & ~blockMask) | (((a >> 8) << 1) & blockMask)) & 0xFF);
}

bool TZqEEPROM24Cxx::SetBitrate(int khz)
{
    if (!Online() || khz < kMinBitrateKhz || khz > kMaxBitrateKhz)
        return true;
    return FZqLibUSB->DevWrite(arI2CBitrate, khz, 0, 0);
}

// A clock the adapter did not take leaves the bus at whatever it ran before,
// maybe too fast for the user's wiring: the operation then moves nothing.
bool TZqEEPROM24Cxx::ClockTaken() { return SetBitrate(FI2C_BitrateKhz); }

void TZqEEPROM24Cxx::ReadEEPROM(int address, int bytes)
{
    if (!BeginOperation())
        return;
    const qint64 wanted = qint64(address) + qMax(bytes, 0);
    const int end = address < 0 ? address : int(qMin<qint64>(wanted, FEEMBytes));
    SetReadProblem(QString());
    DoActionEnd(eaRead, ClockTaken() ? ReadRange(address, end) : 0, address);
}

// Chunks of up to BlockSize bytes inside one 256-byte block; the first
// that brings fewer bytes than asked ends the read.
int TZqEEPROM24Cxx::ReadRange(int address, int end)
{
    const TReadSpan span{address, end};
    int a = address;
    while (a < end && FZqLibUSB) {
        const int n = std::min({FBlockSize, end - a, 256 - a % 256});
        const int got = ReadChunk(span, a, n);
        a += got;
        if (got < n)
            break;
    }
    return a - address;
}

// A block the adapter reads short or not at all is read again byte by byte;
// when that works, the adapter cannot read blocks.
int TZqEEPROM24Cxx::ReadChunk(const TReadSpan &span, int a, int n)
{
    if (n == 1 || !BlockReadsTrusted(a))
        return ReadBytewise(span, a, n);
    if (RequestRead(a, n) == n) {
        std::copy_n(FZqLibUSB->DevBuffer.constData(), n, FEEPROM_BUF.data() + (a - span.address));
        DoProgress(eaRead, ProgressPercent(a + n, span.end));
        QCoreApplication::processEvents();
        return n;
    }
    const int got = ReadBytewise(span, a, n);
    if (got > 0)
        FallBack();
    return got;
}

// One request per byte; the first that brings no byte ends the chunk. A
// request the adapter carried out with no byte is a device byte nobody
// acknowledged: the bus would give FF for each, which is no chip's content.
int TZqEEPROM24Cxx::ReadBytewise(const TReadSpan &span, int a, int n)
{
    int got = 0;
    for (; got < n && FZqLibUSB; ++got) {
        const int answer = RequestRead(a + got, 1);
        if (answer == 0)
            SetReadProblem(QStringLiteral("no device at ") +
                           QStringLiteral("%1").arg(DeviceByte(a + got), 2, 16, QLatin1Char('0')).toUpper());
        if (answer < 1)
            break;
        FEEPROM_BUF[a + got - span.address] = FZqLibUSB->DevBuffer[0];
        DoProgress(eaRead, ProgressPercent(a + got + 1, span.end));
        QCoreApplication::processEvents();
    }
    return got;
}

int TZqEEPROM24Cxx::RequestRead(int a, int n)
{
    if (!FZqLibUSB)
        return -1;
    TUsbCtrlSet s;
    s.bRequest = arI2CRead;
    s.wValue = DeviceByte(a);
    s.wIndex = std::uint16_t(a);
    s.wLength = std::uint16_t(n);
    return FZqLibUSB->DevRead3(s);
}

bool TZqEEPROM24Cxx::BlockReadsTrusted(int a)
{
    if (!FZqLibUSB || FZqLibUSB->Connections() == FFallbackConnection)
        return false;
    return FZqLibUSB->Connections() == FCheckedConnection || ProbeBlockReads(a);
}

// The 8 bytes around a, one request each, then as one block over a buffer
// holding their complements, so a byte the adapter leaves alone shows too.
// An 8-aligned probe stays inside a's 256-byte block and the chip. A chip
// that does not answer one byte gives no verdict.
bool TZqEEPROM24Cxx::ProbeBlockReads(int a)
{
    const int p = a - a % ProbeBytes;
    QByteArray single(ProbeBytes, '\0');
    for (int i = 0; i < ProbeBytes; ++i) {
        if (RequestRead(p + i, 1) < 1)
            return false;
        single[i] = FZqLibUSB->DevBuffer[0];
    }
    for (int i = 0; i < ProbeBytes; ++i)
        FZqLibUSB->DevBuffer[i] = char(~single[i]);
    const bool same = RequestRead(p, ProbeBytes) == ProbeBytes && FZqLibUSB->DevBuffer.left(ProbeBytes) == single;
    FCheckedConnection = FZqLibUSB->Connections();
    if (!same)
        FallBack();
    return same;
}

void TZqEEPROM24Cxx::FallBack()
{
    if (!FZqLibUSB || FFallbackConnection == FZqLibUSB->Connections())
        return;
    FFallbackConnection = FZqLibUSB->Connections();
    if (OnBlockFallback)
        OnBlockFallback(this);
}

bool TZqEEPROM24Cxx::BlockFallback() const { return FZqLibUSB && FZqLibUSB->Connections() == FFallbackConnection; }

void TZqEEPROM24Cxx::SetBlockSize(int value) { FBlockSize = std::clamp(value, 1, MaxBlockSize); }

void TZqEEPROM24Cxx::WriteEEPROM(const QByteArray &data, int addr)
{
    if (!BeginOperation())
        return;
    const bool clocked = ClockTaken();
    if (ErasesChip(data)) {
        DoActionEnd(eaErase, clocked ? WriteChunks(QByteArray(FEEMBytes, char(0xFF)), 0, eaErase) : 0, 0);
        return;
    }
    DoActionEnd(eaWrite, clocked ? WriteChunks(data, addr & 0xFFFF, eaWrite) : 0, 0);
}

void TZqEEPROM24Cxx::ReadChip() { ReadEEPROM(0, FEEMBytes); }

void TZqEEPROM24Cxx::WriteBytes(const QByteArray &data, int byteAddress)
{
    if (!BeginOperation())
        return;
    const bool clocked = ClockTaken();
    DoActionEnd(eaWrite, clocked && byteAddress >= 0 ? WriteChunks(data, byteAddress, eaWrite) : 0, byteAddress);
}

// Chunks never cross a write page (the chip would roll over inside it) and
// stop at the chip's end: beyond it the block bits would name other devices.
// Progress is against the requested end, so a clipped write ends short of 100.
int TZqEEPROM24Cxx::WriteChunks(const QByteArray &payload, int start, TEepromAction action)
{
    const qint64 requestedEnd = qint64(start) + payload.size();
    const int end = int(qMin<qint64>(requestedEnd, FEEMBytes));
    int a = start;
    while (a < end) {
        const int n = std::min({end - a, MaxChunk, FPageWrite - a % FPageWrite});
        if (!WriteChunk(payload, a - start, a, n))
            break;
        Wait(WriteCycleWaitMs);
        a += n;
        DoProgress(action, ProgressPercent(a, requestedEnd));
    }
    return qMax(a - start, 0);
}

// Each chunk is staged at the start of DevBuffer just before it is sent, so
// data of any length fits, and whatever ran in the write-cycle wait cannot
// have changed it.
bool TZqEEPROM24Cxx::WriteChunk(const QByteArray &payload, int offset, int a, int n)
{
    if (!FZqLibUSB || FZqLibUSB->DevBuffer.size() < n)
        return false;
    std::copy_n(payload.constData() + offset, n, FZqLibUSB->DevBuffer.data());
    TUsbCtrlSet s;
    s.bRequest = arI2CWrite;
    s.wValue = DeviceByte(a);
    s.wIndex = std::uint16_t(a);
    s.wLength = std::uint16_t(n);
    return FZqLibUSB->DevWriteOffset2(s, 0);
}
