#pragma once
// The RZT-USBasp bridge firmware: each vendor request does its bus work on
// the I2C bus or the SPI/Microwire lines, with the chips of a BusPopulation.
//
// Replies and results (bytes moved, or a negative errno as libusb reports):
//  101 I2C clock, wValue kHz, 1..1000 accepted, anything else stalls
//      (-EPIPE) and keeps the clock. Host-to-device: result wLength (a
//      data stage is taken and ignored). Device-to-host: the clock now set, two bytes, low byte
//      first; result 2 (less if wLength is less). The clock starts at
//      100 kHz; chips here answer at any clock.
//  102 writes wIndex low byte then high byte to the device in wValue bits
//      7..1; the data stage is not used. 103 writes the wIndex low byte,
//      then the data stage. Both: result wLength when every byte was
//      acknowledged; when one is not, the firmware sends the stop at once
//      and stalls the status stage: -EPIPE.
//  104 address (write), wIndex low byte, repeated start, address (read),
//      wLength bytes read (the last one not acknowledged), stop; result
//      wLength. When the address or the register byte is not acknowledged:
//      a zero-length reply, result 0.
//      The device address is bits 7..1 of wValue's low byte in 102..104; the
//      firmware adds the read/write bit itself and ignores bits 15..8.
//  150 takes the lines with clock code wValue (0..8; others stall); 151
//      releases them (always accepted). 152 (wValue 1 select, 0 release),
//      153 (A0: 1 data, 0 command), 155, 157 and 158 stall (-EPIPE) while the
//      lines are not taken: they are inputs then and would clock nothing.
//      Host-to-device results are wLength.
//  155 clocks out wValue bits 7..0; 157 the data stage, byte by byte.
//  158 clocks out the low n = wIndex bits of wValue (1..16; others stall),
//      MISO sampled before each rising edge, pulled up (a released DO reads
//      1); reply bits 15..8 then 7..0, result the smaller of wLength and 2.
//  Any other request, or a known one in the wrong direction, stalls.
//
// Wire time: I2C requests take their bit times (I2cBus) at the clock set by
// 101; SPI and Microwire bits take their clock code's bit time (SpiBus).
#include "BusPopulation.h"
#include "Firmware.h"
#include "I2cBus.h"
#include "SpiBus.h"

#include <memory>

namespace sim {

class Ds13xx;
class Pcf8583;
class Ssd1306;
class St7565;

// How 104 answers a read of more than one byte, for testing a host against
// firmware that cannot read blocks. Reads of one byte are always right.
enum class BlockReadFault {
    None,
    Short,       // reads and returns only half the bytes asked (at least 1)
    FirstByte,   // reads one byte, reports wLength, leaves the rest of the reply as it was
    ShiftedByOne // the reply starts one address later, as a firmware that lost the first byte would
};

class BridgeFirmware : public Firmware {
public:
    static constexpr int DefaultI2cKhz = 100;

    BridgeFirmware(const BusPopulation &population, const VirtualClock &clock);
    ~BridgeFirmware() override;

    int controlTransfer(const SetupPacket &setup, std::uint8_t *data) override;
    void reset() override;
    void setChipsConnected(bool connected) override;
    bool chipsConnected() const { return FChipsConnected; }
    std::int64_t wireNs() const override { return FWireNs; }

    // The chips fitted; null where the population has none.
    Eeprom24Cxx *eeprom24() const { return FEeprom24.get(); }
    Pcf8583 *rtc() const { return FRtc.get(); }
    Ds13xx *ds13xx() const { return FDs13xx.get(); }
    Ssd1306 *oled() const { return FOled.get(); }
    Eeprom93Cxx *eeprom93() const { return FEeprom93.get(); }
    St7565 *lcd() const { return FLcd.get(); }

    const BusPopulation &population() const { return FPopulation; }
    // Changes the chips while the adapter stays plugged in: a chip whose
    // part, pins and organisation stay keeps its state; a changed or added
    // one comes fresh (erased), as a chip swapped on the bench would. The
    // buses are wired anew and lose any transfer in progress; the SPI lines
    // stay taken if they were.
    void setPopulation(const BusPopulation &population);

    int i2cClockKhz() const { return FI2cKhz; }
    const SpiBus &spi() const { return FSpi; }
    void setBlockReadFault(BlockReadFault fault) { FBlockReadFault = fault; }

private:
    struct Handler;
    static const Handler kHandlers[];

    int i2cClock(const SetupPacket &setup, std::uint8_t *data);
    int i2cCommand(const SetupPacket &setup, std::uint8_t *data);
    int i2cWrite(const SetupPacket &setup, std::uint8_t *data);
    int i2cRead(const SetupPacket &setup, std::uint8_t *data);
    int spiOpen(const SetupPacket &setup, std::uint8_t *data);
    int spiClose(const SetupPacket &setup, std::uint8_t *data);
    int chipSelect(const SetupPacket &setup, std::uint8_t *data);
    int dataCommand(const SetupPacket &setup, std::uint8_t *data);
    int spiWriteByte(const SetupPacket &setup, std::uint8_t *data);
    int spiWriteBlock(const SetupPacket &setup, std::uint8_t *data);
    int microwireShift(const SetupPacket &setup, std::uint8_t *data);
    void wireBuses();
    int faultyBlockRead(const SetupPacket &setup, std::uint8_t *data);

    const VirtualClock &FClock;
    BusPopulation FPopulation;

    std::unique_ptr<Eeprom24Cxx> FEeprom24;
    std::unique_ptr<Pcf8583> FRtc;
    std::unique_ptr<Ds13xx> FDs13xx;
    std::unique_ptr<Ssd1306> FOled;
    std::unique_ptr<Eeprom93Cxx> FEeprom93;
    std::unique_ptr<St7565> FLcd;
    I2cBus FI2c;
    SpiBus FSpi;
    int FI2cKhz = DefaultI2cKhz;
    bool FChipsConnected = true;
    std::int64_t FWireNs = 0;
    BlockReadFault FBlockReadFault = BlockReadFault::None;
};

} // namespace sim
