#pragma once
// I2C addresses in both forms users know: the 7-bit address of Linux's I2C
// tools (0x50) and the device byte of data sheets and of the window (A0),
// the address shifted left with the read bit clear.
#include <QString>

// "0x54 (A8)", and its two halves "0x54" and "A8".
QString I2cAddressText(int deviceByte);
QString SevenBitText(int deviceByte);
QString DeviceByteText(int deviceByte);
// A 24Cxx's address as --addr-i2c takes it: 0x50..0x57 (7-bit; "0x" may be
// left out) or A0, A2 .. AE (the device byte; "0x" or "$" may stand before
// it). The two ranges do not overlap, so every value reads one way. False
// with error set for anything else, an odd device byte (its read bit set) too.
bool EepromDeviceByte(const QString &text, int &deviceByte, QString &error);
