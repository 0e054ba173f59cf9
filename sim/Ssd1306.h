#pragma once
// Solomon SSD1306 OLED controller on I2C (device address 0x78, or 0x7A with
// SA0 high), with its 128 x 64 display RAM and the glass of the common
// 0.96-inch module. Emulated: control bytes (Co and D/C#: 0x00 command
// stream, 0x40 data stream, 0x80/0xC0 one byte then another control byte),
// the command table with its arguments, the three memory addressing modes,
// column and page ranges, page-mode start addresses, segment remap (which,
// as the data sheet says, only affects data written afterwards), COM scan
// direction, multiplex ratio, display offset, start line, COM pin layout,
// contrast, charge pump, display on/off, entire display on and inverse.
// A read returns the status byte (bit 6 set while the display is off).
// Scrolling is accepted but not animated; timing and the oscillator are not
// modelled.
//
// Command bytes are decoded one at a time, as the controller does, and a
// command's argument may arrive in a later I2C transfer (the program sends
// every byte in a transfer of its own). Bytes the table does not know are
// ignored and counted. The program's initialisation relies on this where it
// strays from the data sheet:
//  - it sends its contrast byte (0xCF, or 0x9F for an external supply)
//    without the 0x81 before it: 0xCF decodes as "COM scan remapped" (only
//    bit 3 of 0xC0..0xCF counts), the same as the 0xC8 just before, and
//    0x9F is no command; the contrast keeps its reset value 0x7F;
//  - 0xD9 (pre-charge period) takes the next byte, 0xA8, as its value, so
//    the 0x3F meant for the multiplex ratio arrives as a command of its own
//    and is ignored; the multiplex ratio keeps its reset value (64 rows);
//  - 0x20 with 0x10: the mode is bits 1..0 of the argument, horizontal, so
//    the 1024-byte frame fills the whole RAM in one stream;
//  - 0xDB with 0x40, a VCOMH code the table does not list, is kept as sent.
//
// The glass is wired for the alternative COM pin layout (0xDA 0x12) and
// mounted so that segment remap on (0xA1) and COM scan remapped (0xC8) show
// RAM column 0 at the left and RAM row 0 at the top. It stays dark while the
// display is off or the charge pump is off (these modules have no external
// panel supply).
#include "CommandDecoder.h"
#include "I2cBus.h"
#include "PanelImage.h"

#include <array>

namespace sim {

class Ssd1306 : public I2cDevice {
public:
    static constexpr int Columns = 128;
    static constexpr int Pages = 8;

    // The controller's registers, at their reset values.
    struct Registers {
        bool displayOn = false;
        bool entireOn = false;
        bool inverse = false;
        std::uint8_t contrast = 0x7F;
        int addressingMode = 2; // 0 horizontal, 1 vertical, 2 page
        int columnStart = 0;
        int columnEnd = Columns - 1;
        int pageStart = 0;
        int pageEnd = Pages - 1;
        int pageModeColumn = 0;
        int column = 0; // RAM pointer
        int page = 0;
        bool segmentRemap = false;
        bool comRemap = false;
        int multiplex = 64; // rows driven
        int displayOffset = 0;
        int startLine = 0;
        std::uint8_t comPins = 0x12;
        std::uint8_t clockDivide = 0x80;
        std::uint8_t precharge = 0x22;
        std::uint8_t vcomh = 0x20;
        bool chargePump = false;
        bool scrolling = false;
    };

    explicit Ssd1306(bool sa0 = false);

    std::uint8_t addressByte() const { return FAddressByte; }
    const Registers &registers() const { return FRegs; }
    // RAM byte by page and segment output (after the remap applied at write time).
    std::uint8_t ram(int page, int segment) const { return FRam[std::size_t(page)][std::size_t(segment)]; }
    int ignoredBytes() const { return FIgnored; }
    PanelImage glass() const;

    void start() override;
    bool address(std::uint8_t byte) override;
    bool write(std::uint8_t byte) override;
    std::uint8_t read() override;
    void reset() override;

private:
    enum class Phase {
        Idle,
        Control,
        Commands,
        Data,
        OneCommand,
        OneData,
        Status
    };
    using Command = ControllerCommand<Ssd1306>;
    static const Command kCommands[];

    void command(std::uint8_t byte);
    void data(std::uint8_t byte);
    void advancePointer();
    int comAtPanelRow(int row) const;
    int ramRowForCom(int com) const;

    void lowerColumn(std::uint8_t op, const std::uint8_t *args);
    void upperColumn(std::uint8_t op, const std::uint8_t *args);
    void addressingMode(std::uint8_t op, const std::uint8_t *args);
    void columnAddress(std::uint8_t op, const std::uint8_t *args);
    void pageAddress(std::uint8_t op, const std::uint8_t *args);
    void scroll(std::uint8_t op, const std::uint8_t *args);
    void startLine(std::uint8_t op, const std::uint8_t *args);
    void contrast(std::uint8_t op, const std::uint8_t *args);
    void chargePump(std::uint8_t op, const std::uint8_t *args);
    void segmentRemap(std::uint8_t op, const std::uint8_t *args);
    void entireOn(std::uint8_t op, const std::uint8_t *args);
    void inverse(std::uint8_t op, const std::uint8_t *args);
    void multiplex(std::uint8_t op, const std::uint8_t *args);
    void displayOn(std::uint8_t op, const std::uint8_t *args);
    void pageStart(std::uint8_t op, const std::uint8_t *args);
    void comScan(std::uint8_t op, const std::uint8_t *args);
    void displayOffset(std::uint8_t op, const std::uint8_t *args);
    void clockDivide(std::uint8_t op, const std::uint8_t *args);
    void precharge(std::uint8_t op, const std::uint8_t *args);
    void comPins(std::uint8_t op, const std::uint8_t *args);
    void vcomh(std::uint8_t op, const std::uint8_t *args);
    void nop(std::uint8_t op, const std::uint8_t *args);

    std::uint8_t FAddressByte;
    Registers FRegs;
    std::array<std::array<std::uint8_t, Columns>, Pages> FRam{};
    Phase FPhase = Phase::Idle;
    CommandDecoder<Ssd1306> FDecoder;
    int FIgnored = 0;
};

} // namespace sim
