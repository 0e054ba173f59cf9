#pragma once
// The adapter's I2C bus and what a chip on it sees. SDA and SCL are open
// drain: a chip acknowledges by pulling SDA low, so one acknowledging chip
// is enough, and when several chips answer the same read, a 0 from any of
// them wins (their bytes are ANDed). A chip hears every start and stop but
// only the bytes of transfers it acknowledged. When no chip acknowledges,
// the bus (not a chip) says "nobody home" and the master ends the transfer.
#include <cstdint>
#include <vector>

namespace sim {

class I2cDevice {
public:
    virtual ~I2cDevice() = default;
    // Start or repeated start: whatever transfer the chip was in ends here.
    virtual void start() {}
    // The address byte after a start, read/write bit included; true to acknowledge.
    virtual bool address(std::uint8_t byte) = 0;
    // A byte the master writes to the chip; true to acknowledge.
    virtual bool write(std::uint8_t byte) = 0;
    // The chip's next byte when the master reads.
    virtual std::uint8_t read() = 0;
    virtual void stop() {}
    // Power-on: bus state cleared, memory kept.
    virtual void reset() = 0;
};

class I2cBus {
public:
    void attach(I2cDevice *device) { FDevices.push_back(device); }
    void reset();

    // Start, the 7-bit address with the write bit, the bytes, stop. False at
    // the first byte (address included) no chip acknowledges; the master
    // then sends the stop at once.
    bool write(std::uint8_t address7, const std::vector<std::uint8_t> &bytes);
    // Start, address (write), the register byte, repeated start, address
    // (read), n bytes read into out, stop. False, with nothing read, when the
    // address or the register byte is not acknowledged.
    bool writeThenRead(std::uint8_t address7, std::uint8_t reg, std::uint8_t *out, int n);

    // Bit times the master has driven so far: 9 per byte (8 bits and the
    // acknowledge) and 1 for each start, repeated start and stop. At
    // 100 kHz, UM10204's start hold plus setup (4.0 + 4.7 us) and stop setup
    // plus bus free time (4.0 + 4.7 us) each come close to one 10 us bit.
    std::int64_t bitTimes() const { return FBitTimes; }

private:
    void start();
    bool address(std::uint8_t byte);
    bool writeByte(std::uint8_t byte);
    std::uint8_t readByte();
    void stop();

    std::vector<I2cDevice *> FDevices;
    std::vector<I2cDevice *> FAddressed;
    std::int64_t FBitTimes = 0;
};

} // namespace sim
