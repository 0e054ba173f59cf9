#pragma once
// TZqEEPROM24Cxx: reads, writes and erases 24C02..24C16 I2C EEPROMs through
// the device link (requests 101 clock, 103 write, 104 read), reporting
// progress and completion and handing each read to a hex view.
//
// Device byte: family code 1010, then bits 3..1. On a 24C04 bit 1, on a
// 24C08 bits 2..1, on a 24C16 bits 3..1 carry memory address bits 8.. (the
// block); the other bits are the chip's address pins and come from AddrI2C.
// Reads and writes compose it alike, so both reach the same cell.
//
// Reads ask for up to BlockSize bytes per request 104, never across a
// 256-byte block (the device byte changes there) nor past the chip's end.
// An adapter's firmware may not read blocks right, so before the first
// block read on each connection the engine reads 8 bytes both ways and
// compares; on a difference, or when a block read brings fewer bytes than
// asked, it reads byte by byte for the rest of that connection and raises
// OnBlockFallback once.
#include "ZqEEPROMCommon.h"

#include <QString>

class TZqEEPROM24Cxx : public TZqEEPROMBase {
    Q_OBJECT
public:
    // A fixed underlying type, as an ordinal outside the list may be stored.
    enum TEepromType : int {
        et24c02,
        et24c04,
        et24c08,
        et24c16,
    };

    // Every write request is followed by this wait for the chip's write cycle
    // (tWR is 5 ms at most on these parts); the chip is not polled.
    static constexpr int WriteCycleWaitMs = 10;
    // At most this many data bytes per write request.
    static constexpr int MaxChunk = 8;
    // Bytes per read request: 1 sends one request per byte.
    static constexpr int DefaultBlockSize = 64;
    static constexpr int MaxBlockSize = 256;
    // Bytes read both ways to check an adapter's block reads.
    static constexpr int ProbeBytes = 8;

    explicit TZqEEPROM24Cxx(QObject *AOwner = nullptr);

    // Two upper-case hex digits; written as hex with or without "$", text
    // that is no such number gives A8.
    QString AddrI2C() const { return FAddrI2Cstr; }
    void SetAddrI2C(const QString &value);
    int PageWrite() const { return FPageWrite; }
    int I2C_BitrateKhz() const { return FI2C_BitrateKhz; }
    void SetI2C_BitrateKhz(int value) { FI2C_BitrateKhz = value; }
    TEepromType EepromType() const { return FEepromType; }
    // A type outside the four is only stored.
    void SetEepromType(TEepromType value);
    int BlockSize() const { return FBlockSize; }
    // Clamped to 1..MaxBlockSize.
    void SetBlockSize(int value);
    // True while the present connection reads byte by byte because its
    // adapter failed a block read.
    bool BlockFallback() const;

    // Raised once per connection, when the engine falls back to one byte per read request.
    TZqLibUSB::TNotifyEvent OnBlockFallback;

    // Sends the I2C clock when an adapter is connected and 5 <= khz <= 900.
    // False when the adapter did not take it.
    bool SetBitrate(int khz);
    // Reads bytes bytes from address on, clipped at the chip's end.
    void ReadEEPROM(int address, int bytes);
    // Writes data from addr on, up to the chip's end; blank data (nothing but
    // spaces and control characters) erases the whole chip instead.
    void WriteEEPROM(const QByteArray &data, int addr);
    // The data WriteEEPROM takes as an erase.
    static bool ErasesChip(const QByteArray &data);
    void ReadChip() override;
    void WriteBytes(const QByteArray &data, int byteAddress) override;
    int WriteUnitBytes() const override { return FPageWrite; }

    // The device byte for memory address a (bits 7..0 of wValue).
    std::uint16_t DeviceByte(int a) const;

protected:
    void ApplyType() override;

private:
    bool ClockTaken();
    // A read's first address and its end, for the buffer index and progress.
    struct TReadSpan {
        int address;
        int end;
    };
    int ReadRange(int address, int end);
    int ReadChunk(const TReadSpan &span, int a, int n);
    int ReadBytewise(const TReadSpan &span, int a, int n);
    int RequestRead(int a, int n);
    bool BlockReadsTrusted(int a);
    bool ProbeBlockReads(int a);
    void FallBack();
    int WriteChunks(const QByteArray &payload, int start, TEepromAction action);
    bool WriteChunk(const QByteArray &payload, int offset, int a, int n);

    TEepromType FEepromType = et24c04;
    QString FAddrI2Cstr = QStringLiteral("A8");
    std::uint8_t FAddrI2C = 0xA8;
    std::uint8_t FPageWrite = 8;
    int FAdresBits = 1;
    int FI2C_BitrateKhz = 100;
    int FBlockSize = DefaultBlockSize;
    // Connection numbers of the link (TZqLibUSB::Connections) whose block
    // reads were checked, and on which they failed.
    int FCheckedConnection = -1;
    int FFallbackConnection = -1;
};
