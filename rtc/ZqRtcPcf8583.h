#pragma once
// The PCF8583 clock with pin A0 high (device byte 0xA2), through the device
// link with requests 104 and 103. The chip counts the year only as 0..3
// (register 5 bits 7..6); the rest of the year, a multiple of four, is kept
// in the chip's free RAM at 0x10 (high byte) and 0x11, with the counter it
// belongs to, marked, at 0x12.
#include "ZqRtcDs13xx.h"

#include <QObject>
#include <QPointer>
#include <QString>

// What one poll found, the digits as the chip holds them.
struct TPcf8583Reading {
    QString TimeText; // "HH:MM:SS"
    QString DateText; // "YYYY-MM-DD"
};

class TZqRtcPcf8583 : public QObject {
    Q_OBJECT
public:
    static constexpr int DeviceByte = 0xA2;

    explicit TZqRtcPcf8583(QObject *parent = nullptr);

    void SetZqLibUSB(TZqLibUSB *link);
    // None when the fields make a real date and time, else the first one wrong.
    static std::optional<TFieldRange> OutOfRange(const TDs13xxFields &fields);

    // False when the chip does not answer. A year counter that wrapped at a
    // New Year moves the kept base on by four, in the chip as well; false
    // when that cannot be stored.
    bool Read(TPcf8583Reading &reading);
    // Writes time, date and the kept base year; the chip's timer register,
    // written with the block, is read first and kept. Nothing is written
    // when the clock cannot be read.
    bool WriteTime(const TDs13xxFields &fields);

private:
    int KeptYear(int yearCounter);
    bool ReadRegisters(int index, int count);
    bool WriteRegisters(int index, const QByteArray &bytes);

    QPointer<TZqLibUSB> FLink;
};
