#include "Ssd1306.h"

namespace sim {

// The data sheet's command table, one row per command or command range.
const Ssd1306::Command Ssd1306::kCommands[] = {
    {0x00, 0x0F, 0, &Ssd1306::lowerColumn},    // page mode: start column, low nibble
    {0x10, 0x17, 0, &Ssd1306::upperColumn},    // page mode: start column, high nibble
    {0x20, 0x20, 1, &Ssd1306::addressingMode}, // A[1:0]: 00 horizontal, 01 vertical, 10 page, 11 invalid
    {0x21, 0x21, 2, &Ssd1306::columnAddress},  // column start, end; pointer to start
    {0x22, 0x22, 2, &Ssd1306::pageAddress},    // page start, end; pointer to start
    {0x26, 0x27, 6, &Ssd1306::scroll},         // horizontal scroll set-up
    {0x29, 0x2A, 5, &Ssd1306::scroll},         // vertical and horizontal scroll set-up
    {0x2E, 0x2F, 0, &Ssd1306::scroll},         // scroll off / on
    {0x40, 0x7F, 0, &Ssd1306::startLine},      // RAM row shown first, 0..63
    {0x81, 0x81, 1, &Ssd1306::contrast},       // 0..255, reset 0x7F
    {0x8D, 0x8D, 1, &Ssd1306::chargePump},     // bit 2: 0x14 on, 0x10 off
    {0xA0, 0xA1, 0, &Ssd1306::segmentRemap},   // 0xA1: column 127 drives SEG0
    {0xA3, 0xA3, 2, &Ssd1306::scroll},         // vertical scroll area
    {0xA4, 0xA5, 0, &Ssd1306::entireOn},       // 0xA5: every pixel on, RAM ignored
    {0xA6, 0xA7, 0, &Ssd1306::inverse},        // 0xA7: a 0 in RAM lights the pixel
    {0xA8, 0xA8, 1, &Ssd1306::multiplex},      // rows - 1, 15..63; 0..14 invalid
    {0xAE, 0xAF, 0, &Ssd1306::displayOn},      // panel off (sleep) / on
    {0xB0, 0xB7, 0, &Ssd1306::pageStart},      // page mode: page 0..7
    {0xC0, 0xCF, 0, &Ssd1306::comScan},        // bit 3: scan COM[N-1] .. COM0
    {0xD3, 0xD3, 1, &Ssd1306::displayOffset},  // vertical shift by COM, 0..63
    {0xD5, 0xD5, 1, &Ssd1306::clockDivide},    // divide ratio (bits 3..0), oscillator (7..4)
    {0xD9, 0xD9, 1, &Ssd1306::precharge},      // phase 1 (bits 3..0) and phase 2 (7..4) periods
    {0xDA, 0xDA, 1, &Ssd1306::comPins},        // bit 4 alternative layout, bit 5 left/right remap
    {0xDB, 0xDB, 1, &Ssd1306::vcomh},          // VCOMH deselect level, bits 6..4
    {0xE3, 0xE3, 0, &Ssd1306::nop},
};

Ssd1306::Ssd1306(bool sa0) : FAddressByte(sa0 ? 0x7A : 0x78), FDecoder(kCommands) {}

void Ssd1306::start() { FPhase = Phase::Idle; }

// The serial interface has no RAM read; a read transfer gets the status byte.
bool Ssd1306::address(std::uint8_t byte)
{
    if ((byte & 0xFE) != FAddressByte)
        return false;
    FPhase = (byte & 1) ? Phase::Status : Phase::Control;
    return true;
}

bool Ssd1306::write(std::uint8_t byte)
{
    switch (FPhase) {
    case Phase::Control: {
        const bool co = byte & 0x80;
        const bool dc = byte & 0x40;
        FPhase = co ? (dc ? Phase::OneData : Phase::OneCommand) : (dc ? Phase::Data : Phase::Commands);
        break;
    }
    case Phase::Commands:
        command(byte);
        break;
    case Phase::Data:
        data(byte);
        break;
    case Phase::OneCommand:
        command(byte);
        FPhase = Phase::Control;
        break;
    case Phase::OneData:
        data(byte);
        FPhase = Phase::Control;
        break;
    default:
        return false;
    }
    return true;
}

std::uint8_t Ssd1306::read() { return FRegs.displayOn ? 0x00 : 0x40; }

void Ssd1306::command(std::uint8_t byte)
{
    if (!FDecoder.feed(*this, byte))
        ++FIgnored;
}

void Ssd1306::data(std::uint8_t byte)
{
    const int segment = FRegs.segmentRemap ? Columns - 1 - FRegs.column : FRegs.column;
    FRam[std::size_t(FRegs.page)][std::size_t(segment)] = byte;
    advancePointer();
}

void Ssd1306::advancePointer()
{
    Registers &r = FRegs;
    if (r.addressingMode == 0) {
        if (++r.column > r.columnEnd) {
            r.column = r.columnStart;
            if (++r.page > r.pageEnd)
                r.page = r.pageStart;
        }
    } else if (r.addressingMode == 1) {
        if (++r.page > r.pageEnd) {
            r.page = r.pageStart;
            if (++r.column > r.columnEnd)
                r.column = r.columnStart;
        }
    } else if (++r.column >= Columns) {
        r.column = r.pageModeColumn;
    }
}

void Ssd1306::lowerColumn(std::uint8_t op, const std::uint8_t *)
{
    FRegs.pageModeColumn = (FRegs.pageModeColumn & 0xF0) | (op & 0x0F);
    if (FRegs.addressingMode == 2)
        FRegs.column = FRegs.pageModeColumn;
}

void Ssd1306::upperColumn(std::uint8_t op, const std::uint8_t *)
{
    FRegs.pageModeColumn = (op & 0x07) << 4 | (FRegs.pageModeColumn & 0x0F);
    if (FRegs.addressingMode == 2)
        FRegs.column = FRegs.pageModeColumn;
}

void Ssd1306::addressingMode(std::uint8_t, const std::uint8_t *args)
{
    if ((args[0] & 3) != 3)
        FRegs.addressingMode = args[0] & 3;
}

void Ssd1306::columnAddress(std::uint8_t, const std::uint8_t *args)
{
    FRegs.columnStart = args[0] & 0x7F;
    FRegs.columnEnd = args[1] & 0x7F;
    FRegs.column = FRegs.columnStart;
}

void Ssd1306::pageAddress(std::uint8_t, const std::uint8_t *args)
{
    FRegs.pageStart = args[0] & 7;
    FRegs.pageEnd = args[1] & 7;
    FRegs.page = FRegs.pageStart;
}

void Ssd1306::scroll(std::uint8_t op, const std::uint8_t *)
{
    if (op == 0x2E || op == 0x2F)
        FRegs.scrolling = op == 0x2F;
}

void Ssd1306::startLine(std::uint8_t op, const std::uint8_t *) { FRegs.startLine = op & 0x3F; }
void Ssd1306::contrast(std::uint8_t, const std::uint8_t *args) { FRegs.contrast = args[0]; }
void Ssd1306::chargePump(std::uint8_t, const std::uint8_t *args) { FRegs.chargePump = args[0] & 0x04; }
void Ssd1306::segmentRemap(std::uint8_t op, const std::uint8_t *) { FRegs.segmentRemap = op & 1; }
void Ssd1306::entireOn(std::uint8_t op, const std::uint8_t *) { FRegs.entireOn = op & 1; }
void Ssd1306::inverse(std::uint8_t op, const std::uint8_t *) { FRegs.inverse = op & 1; }

void Ssd1306::multiplex(std::uint8_t, const std::uint8_t *args)
{
    if ((args[0] & 0x3F) >= 15)
        FRegs.multiplex = (args[0] & 0x3F) + 1;
}

void Ssd1306::displayOn(std::uint8_t op, const std::uint8_t *) { FRegs.displayOn = op & 1; }

void Ssd1306::pageStart(std::uint8_t op, const std::uint8_t *)
{
    if (FRegs.addressingMode == 2)
        FRegs.page = op & 7;
}

void Ssd1306::comScan(std::uint8_t op, const std::uint8_t *) { FRegs.comRemap = op & 0x08; }
void Ssd1306::displayOffset(std::uint8_t, const std::uint8_t *args) { FRegs.displayOffset = args[0] & 0x3F; }
void Ssd1306::clockDivide(std::uint8_t, const std::uint8_t *args) { FRegs.clockDivide = args[0]; }
void Ssd1306::precharge(std::uint8_t, const std::uint8_t *args) { FRegs.precharge = args[0]; }
void Ssd1306::comPins(std::uint8_t, const std::uint8_t *args) { FRegs.comPins = args[0]; }
void Ssd1306::vcomh(std::uint8_t, const std::uint8_t *args) { FRegs.vcomh = args[0]; }
void Ssd1306::nop(std::uint8_t, const std::uint8_t *) {}

// The COM output wired to a row of the glass. In the alternative layout the
// two pin banks interleave (even rows one bank, odd rows the other); in the
// sequential layout each bank carries one half of the COMs, so a glass made
// for the alternative layout shows the halves interlaced.
int Ssd1306::comAtPanelRow(int row) const
{
    const bool alternative = FRegs.comPins & 0x10;
    const bool leftRight = FRegs.comPins & 0x20;
    const int j = row / 2;
    const bool otherBank = bool(row & 1) != leftRight;
    if (alternative)
        return otherBank ? 2 * j + 1 : 2 * j;
    return otherBank ? 32 + j : j;
}

// RAM row driven on a COM output, or -1 when the multiplex ratio leaves it idle.
int Ssd1306::ramRowForCom(int com) const
{
    const int rows = FRegs.multiplex;
    const int scan = FRegs.comRemap ? ((rows - 1 - com) % 64 + 64) % 64 : com;
    const int line = (scan + FRegs.displayOffset) % 64;
    if (line >= rows)
        return -1;
    return (line + FRegs.startLine) % 64;
}

// Glass column x sits on SEG(127 - x), glass row y on panel row 63 - y.
PanelImage Ssd1306::glass() const
{
    PanelImage image;
    if (!FRegs.displayOn || !FRegs.chargePump)
        return image;
    for (int y = 0; y < PanelImage::Height; ++y) {
        const int row = ramRowForCom(comAtPanelRow(PanelImage::Height - 1 - y));
        if (row < 0)
            continue;
        for (int x = 0; x < PanelImage::Width; ++x) {
            const bool bit = (FRam[std::size_t(row / 8)][std::size_t(Columns - 1 - x)] >> (row % 8)) & 1;
            image.setPixel(x, y, FRegs.entireOn || (bit != FRegs.inverse));
        }
    }
    return image;
}

// Power-on: registers to their reset values, the RAM keeps what it held.
void Ssd1306::reset()
{
    FRegs = Registers{};
    FPhase = Phase::Idle;
    FDecoder.clear();
}

} // namespace sim
