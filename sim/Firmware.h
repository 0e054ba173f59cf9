#pragma once
// What runs inside a virtual adapter: it answers one control transfer at a time.
#include <cstdint>

namespace sim {

struct SetupPacket {
    std::uint8_t bmRequestType = 0;
    std::uint8_t bRequest = 0;
    std::uint16_t wValue = 0;
    std::uint16_t wIndex = 0;
    std::uint16_t wLength = 0;

    bool isIn() const { return bmRequestType & 0x80; }
};

class Firmware {
public:
    virtual ~Firmware() = default;
    // data holds wLength bytes: the data stage going out, or room for the reply.
    // Returns the bytes moved, or a negative errno as libusb 0.1 would.
    virtual int controlTransfer(const SetupPacket &setup, std::uint8_t *data) = 0;
    // Power-on: bus state cleared, memories kept.
    virtual void reset() {}
    // Chips taken off the buses (memory kept) stop answering: an I2C bus
    // then acknowledges nobody, MISO floats at its pull-up.
    virtual void setChipsConnected(bool) {}
    // Nanoseconds the buses behind the firmware have been busy so far, as
    // the wire would take them; a firmware without buses takes none.
    virtual std::int64_t wireNs() const { return 0; }
};

// The simplest answer a bridge can give, for testing the link alone: a write
// is taken whole and kept; a read returns wLength bytes counting up from
// wValue's low byte, so every reply byte is predictable.
class EchoFirmware : public Firmware {
public:
    int controlTransfer(const SetupPacket &setup, std::uint8_t *data) override;
    const std::uint8_t *lastWrite() const { return FLast; }
    int lastWriteLength() const { return FLastLength; }

private:
    std::uint8_t FLast[65536] = {};
    int FLastLength = 0;
};

} // namespace sim
