#include "I2cRegisters.h"

#include "AdapterRequest.h"

bool I2cReadRegisters(TZqLibUSB *link, std::uint16_t readValue, int index, int count)
{
    if (!link)
        return false;
    TUsbCtrlSet s;
    s.bRequest = arI2CRead;
    s.wValue = readValue;
    s.wIndex = std::uint16_t(index);
    s.wLength = std::uint16_t(count);
    return link->DevRead3(s) >= count;
}

bool I2cWriteRegisters(TZqLibUSB *link, std::uint16_t writeValue, int index, const QByteArray &bytes)
{
    if (!link || link->DevBuffer.size() < bytes.size())
        return false;
    link->DevBuffer.replace(0, bytes.size(), bytes);
    TUsbCtrlSet s;
    s.bRequest = arI2CWrite;
    s.wValue = writeValue;
    s.wIndex = std::uint16_t(index);
    s.wLength = std::uint16_t(bytes.size());
    return link->DevWrite2(s);
}
