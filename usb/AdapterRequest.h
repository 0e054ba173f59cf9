#pragma once
// The vendor requests the RZT-USBasp bridge firmware understands, and the
// set-up record callers fill to send them through the device link.
#include <cstdint>

enum TAdapterRequest : std::uint8_t {
    arI2CBitrate = 101,     // I2C clock in kHz (wValue)
    arI2CCommand = 102,     // I2C write of wIndex low byte, then high byte
    arI2CWrite = 103,       // I2C write: address byte, wIndex low byte, data stage
    arI2CRead = 104,        // I2C register read of wLength bytes
    arSpiOpen = 150,        // take the SPI/Microwire lines, wValue = TSPI_SCK
    arSpiClose = 151,       // release the SPI/Microwire lines
    arChipSelect = 152,     // Microwire chip select: 1 select, 0 release
    arDataCommand = 153,    // display A0 line: 1 data, 0 command
    arSpiWriteByte = 155,   // one SPI byte in wValue bits 7..0
    arSpiWriteBlock = 157,  // the data stage over SPI
    arMicrowireShift = 158, // clock wIndex bits of wValue out, MSB first; reply = bits in
};

// SPI clock codes of request 150. Codes 0..7 are the AVR SPI clock-select
// encoding (bit 2 double speed, bits 1..0 rate); 8 clocks the lines in software.
enum TSPI_SCK : std::uint8_t {
    ssF_CPU4,
    ssF_CPU16,
    ssF_CPU64,
    ssF_CPU128,
    ssF_CPU2,
    ssF_CPU8,
    ssF_CPU32,
    ssF_CPU64a,
    ssSoftSPI,
};

// Fields in USB set-up order. bmRequestType is never read by the link:
// each transfer operation fixes its own direction.
struct TUsbCtrlSet {
    std::uint8_t bmRequestType = 0;
    std::uint8_t bRequest = 0;
    std::uint16_t wValue = 0;
    std::uint16_t wIndex = 0;
    std::uint16_t wLength = 0;
};

// bmRequestType of the two directions the link uses: vendor, device recipient.
constexpr std::uint8_t kVendorIn = 0xC0;
constexpr std::uint8_t kVendorOut = 0x40;
constexpr int kTransferTimeoutMs = 5000;
