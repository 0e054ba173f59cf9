#pragma once
// Register reads and writes of an I2C chip through the link (requests 104
// and 103); the pages and engines of the clocks share them.
#include "ZqLibUSB.h"

#include <QByteArray>
#include <cstdint>

// count bytes from register index on into DevBuffer; readValue is the
// request's wValue (the device byte). False without a link or on a short
// answer, which would leave stale bytes in the buffer.
bool I2cReadRegisters(TZqLibUSB *link, std::uint16_t readValue, int index, int count);
// bytes to register index on; writeValue is the request's wValue.
bool I2cWriteRegisters(TZqLibUSB *link, std::uint16_t writeValue, int index, const QByteArray &bytes);
