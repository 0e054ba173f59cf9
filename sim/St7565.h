#pragma once
// Sitronix ST7565 LCD controller on its serial interface (write only), with
// its 132 x 65 display RAM (pages 0..7 and the icon page 8) and the glass of
// a 128 x 64 chip-on-glass module. Emulated: the shift register clocked on
// rising SCL edges, most significant bit first, A0 sampled with the eighth
// bit, bit count cleared while /CS is inactive; page (B0..B8) and column
// (10../00..) addressing, the column counter incrementing on every data
// byte and stopping at 131; read-modify-write (E0) and its end (EE), which
// puts the column back where E0 found it; ADC select A0/A1 (it switches the
// address decoder, so it mirrors data written afterwards); COM direction
// C0/C8 (low three bits don't care); display on/off AE/AF, start line
// 40..7F, normal/reverse A6/A7, all points on A4/A5, bias A2/A3, power
// control 28..2F, regulator ratio 20..27, electronic volume 81 + value
// (six bits), static indicator off AC (one byte) and on AD + mode, booster
// ratio F8 + value, NOP E3 and the internal reset E2 (start line, column,
// page, COM direction, regulator ratio, electronic volume, read-modify-write;
// RAM kept).
// Unknown bytes are ignored and counted. Voltages and contrast are state
// only: the glass is black and white.
//
// Where the program's command stream strays from the data sheet: the frame
// writer enters read-modify-write (E0) before every page and never ends it,
// then sets page and column again for the next page. The data sheet says
// the column address set cannot be used during read-modify-write; the
// controllers take it, so here page and column settings take effect in that
// mode too, and a further E0 saves the column anew.
//
// The glass: 128 columns on SEG131..SEG4 (glass column x on SEG 131 - x) and
// 64 rows on COM0..COM63 from the top; the icon row is not on it. With the
// program's ADC reverse (A1), RAM column c drives SEG 131 - c, so columns
// 0..127 land on glass columns 0..127; with COM normal (C0) RAM line 0 is
// the top row. The glass is blank while the display is off or the internal
// supply (booster, regulator and follower) is not all on.
#include "CommandDecoder.h"
#include "PanelImage.h"
#include "SpiBus.h"

#include <array>

namespace sim {

class St7565 : public SpiDevice {
public:
    static constexpr int Columns = 132;
    static constexpr int Pages = 9;

    struct Registers {
        bool displayOn = false;
        int startLine = 0;
        int page = 0;
        int column = 0;
        bool adcReverse = false;
        bool reverse = false;
        bool allPointsOn = false;
        bool bias7 = false;   // A3: 1/7 bias
        int powerControl = 0; // bit 2 booster, bit 1 regulator, bit 0 follower
        int regulatorRatio = 4;
        int electronicVolume = 0x20;
        bool comReverse = false;
        bool readModifyWrite = false;
        int savedColumn = 0;
        std::uint8_t staticIndicator = 0;
        std::uint8_t boosterRatio = 0;
    };

    St7565();

    const Registers &registers() const { return FRegs; }
    // RAM byte by page and segment output (after the ADC mapping applied at write time).
    std::uint8_t ram(int page, int segment) const { return FRam[std::size_t(page)][std::size_t(segment)]; }
    int ignoredBytes() const { return FIgnored; }
    PanelImage glass() const;

    void select(bool selected) override;
    void clock(bool dataIn) override;
    void setA0(bool data) override { FA0 = data; }
    void reset() override;

private:
    using Command = ControllerCommand<St7565>;
    static const Command kCommands[];

    void command(std::uint8_t byte);
    void data(std::uint8_t byte);
    bool powered() const { return FRegs.powerControl == 7; }

    void displayOnOff(std::uint8_t op, const std::uint8_t *args);
    void startLine(std::uint8_t op, const std::uint8_t *args);
    void pageAddress(std::uint8_t op, const std::uint8_t *args);
    void columnUpper(std::uint8_t op, const std::uint8_t *args);
    void columnLower(std::uint8_t op, const std::uint8_t *args);
    void adcSelect(std::uint8_t op, const std::uint8_t *args);
    void reverse(std::uint8_t op, const std::uint8_t *args);
    void allPoints(std::uint8_t op, const std::uint8_t *args);
    void bias(std::uint8_t op, const std::uint8_t *args);
    void readModifyWrite(std::uint8_t op, const std::uint8_t *args);
    void endReadModifyWrite(std::uint8_t op, const std::uint8_t *args);
    void internalReset(std::uint8_t op, const std::uint8_t *args);
    void comDirection(std::uint8_t op, const std::uint8_t *args);
    void powerControl(std::uint8_t op, const std::uint8_t *args);
    void regulatorRatio(std::uint8_t op, const std::uint8_t *args);
    void electronicVolume(std::uint8_t op, const std::uint8_t *args);
    void staticIndicator(std::uint8_t op, const std::uint8_t *args);
    void boosterRatio(std::uint8_t op, const std::uint8_t *args);
    void nop(std::uint8_t op, const std::uint8_t *args);

    Registers FRegs;
    std::array<std::array<std::uint8_t, Columns>, Pages> FRam{};
    CommandDecoder<St7565> FDecoder;
    bool FSelected = false;
    bool FA0 = false;
    std::uint8_t FShift = 0;
    int FBits = 0;
    int FIgnored = 0;
};

} // namespace sim
