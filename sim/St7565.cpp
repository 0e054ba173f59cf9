#include "St7565.h"

namespace sim {
namespace {
constexpr int kLastColumn = St7565::Columns - 1; // the counter stops here (0x83)
} // namespace

// The data sheet's command table, one row per command or command range.
const St7565::Command St7565::kCommands[] = {
    {0xAE, 0xAF, 0, &St7565::displayOnOff},    // display off / on
    {0x40, 0x7F, 0, &St7565::startLine},       // RAM line shown on the first COM
    {0xB0, 0xB8, 0, &St7565::pageAddress},     // pages 0..7, 8 the icon page
    {0x10, 0x1F, 0, &St7565::columnUpper},     // column address bits 7..4
    {0x00, 0x0F, 0, &St7565::columnLower},     // column address bits 3..0
    {0xA0, 0xA1, 0, &St7565::adcSelect},       // A1: column n drives SEG(131 - n)
    {0xA6, 0xA7, 0, &St7565::reverse},         // A7: a 0 in RAM darkens the pixel
    {0xA4, 0xA5, 0, &St7565::allPoints},       // A5: every pixel on, RAM kept
    {0xA2, 0xA3, 0, &St7565::bias},            // 1/9 or 1/7 bias
    {0xE0, 0xE0, 0, &St7565::readModifyWrite}, // column counts writes only; EE returns
    {0xEE, 0xEE, 0, &St7565::endReadModifyWrite},
    {0xE2, 0xE2, 0, &St7565::internalReset},
    {0xC0, 0xCF, 0, &St7565::comDirection},     // bit 3: COM63 .. COM0
    {0x28, 0x2F, 0, &St7565::powerControl},     // booster, regulator, follower
    {0x20, 0x27, 0, &St7565::regulatorRatio},   // V0 resistor ratio 0..7
    {0x81, 0x81, 1, &St7565::electronicVolume}, // then 0..63
    {0xAC, 0xAC, 0, &St7565::staticIndicator},  // off: a single-byte command
    {0xAD, 0xAD, 1, &St7565::staticIndicator},  // on: paired with the mode byte
    {0xF8, 0xF8, 1, &St7565::boosterRatio},     // then 0, 1 or 3
    {0xE3, 0xE3, 0, &St7565::nop},
};

St7565::St7565() : FDecoder(kCommands) {}

// /CS inactive clears the shift register's bit count.
void St7565::select(bool selected)
{
    FSelected = selected;
    FBits = 0;
    FShift = 0;
}

void St7565::clock(bool dataIn)
{
    if (!FSelected)
        return;
    FShift = std::uint8_t(FShift << 1 | (dataIn ? 1 : 0));
    if (++FBits < 8)
        return;
    FBits = 0;
    if (FA0)
        data(FShift);
    else
        command(FShift);
}

void St7565::command(std::uint8_t byte)
{
    if (!FDecoder.feed(*this, byte))
        ++FIgnored;
}

// A column past 131 (set with an upper nibble above 8) addresses no RAM.
void St7565::data(std::uint8_t byte)
{
    if (FRegs.column > kLastColumn)
        return;
    const int segment = FRegs.adcReverse ? kLastColumn - FRegs.column : FRegs.column;
    FRam[std::size_t(FRegs.page)][std::size_t(segment)] = byte;
    if (FRegs.column < kLastColumn)
        ++FRegs.column;
}

void St7565::displayOnOff(std::uint8_t op, const std::uint8_t *) { FRegs.displayOn = op & 1; }
void St7565::startLine(std::uint8_t op, const std::uint8_t *) { FRegs.startLine = op & 0x3F; }
void St7565::pageAddress(std::uint8_t op, const std::uint8_t *) { FRegs.page = op & 0x0F; }

void St7565::columnUpper(std::uint8_t op, const std::uint8_t *)
{
    FRegs.column = (op & 0x0F) << 4 | (FRegs.column & 0x0F);
}

void St7565::columnLower(std::uint8_t op, const std::uint8_t *) { FRegs.column = (FRegs.column & 0xF0) | (op & 0x0F); }

void St7565::adcSelect(std::uint8_t op, const std::uint8_t *) { FRegs.adcReverse = op & 1; }
void St7565::reverse(std::uint8_t op, const std::uint8_t *) { FRegs.reverse = op & 1; }
void St7565::allPoints(std::uint8_t op, const std::uint8_t *) { FRegs.allPointsOn = op & 1; }
void St7565::bias(std::uint8_t op, const std::uint8_t *) { FRegs.bias7 = op & 1; }

void St7565::readModifyWrite(std::uint8_t, const std::uint8_t *)
{
    FRegs.readModifyWrite = true;
    FRegs.savedColumn = FRegs.column;
}

void St7565::endReadModifyWrite(std::uint8_t, const std::uint8_t *)
{
    if (FRegs.readModifyWrite)
        FRegs.column = FRegs.savedColumn;
    FRegs.readModifyWrite = false;
}

// What the reset command initialises; display on/off, ADC, reverse, all
// points, bias and power control keep their settings, the RAM its contents.
void St7565::internalReset(std::uint8_t, const std::uint8_t *)
{
    FRegs.startLine = 0;
    FRegs.column = 0;
    FRegs.page = 0;
    FRegs.comReverse = false;
    FRegs.regulatorRatio = Registers{}.regulatorRatio;
    FRegs.electronicVolume = Registers{}.electronicVolume;
    FRegs.staticIndicator = 0;
    FRegs.readModifyWrite = false;
}

void St7565::comDirection(std::uint8_t op, const std::uint8_t *) { FRegs.comReverse = op & 0x08; }
void St7565::powerControl(std::uint8_t op, const std::uint8_t *) { FRegs.powerControl = op & 7; }
void St7565::regulatorRatio(std::uint8_t op, const std::uint8_t *) { FRegs.regulatorRatio = op & 7; }
void St7565::electronicVolume(std::uint8_t, const std::uint8_t *args) { FRegs.electronicVolume = args[0] & 0x3F; }

// Only the ON command carries the register-set byte; OFF has none.
void St7565::staticIndicator(std::uint8_t op, const std::uint8_t *args)
{
    FRegs.staticIndicator = (op & 1) ? std::uint8_t(0x80 | (args[0] & 3)) : 0;
}

void St7565::boosterRatio(std::uint8_t, const std::uint8_t *args) { FRegs.boosterRatio = args[0] & 3; }
void St7565::nop(std::uint8_t, const std::uint8_t *) {}

// Glass column x on SEG(131 - x); glass row y on COM y, which shows RAM line
// start + y (COM normal) or start + 63 - y (COM reversed).
PanelImage St7565::glass() const
{
    PanelImage image;
    if (!FRegs.displayOn || !powered())
        return image;
    for (int y = 0; y < PanelImage::Height; ++y) {
        const int line = (FRegs.startLine + (FRegs.comReverse ? PanelImage::Height - 1 - y : y)) % 64;
        for (int x = 0; x < PanelImage::Width; ++x) {
            const bool bit = (FRam[std::size_t(line / 8)][std::size_t(kLastColumn - x)] >> (line % 8)) & 1;
            image.setPixel(x, y, FRegs.allPointsOn || (bit != FRegs.reverse));
        }
    }
    return image;
}

// Power-on (/RES): registers to their defaults, the RAM keeps its contents.
void St7565::reset()
{
    FRegs = Registers{};
    FDecoder.clear();
    FSelected = false;
    FA0 = false;
    FShift = 0;
    FBits = 0;
}

} // namespace sim
