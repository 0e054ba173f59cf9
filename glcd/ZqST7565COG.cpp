#include "ZqST7565COG.h"

#include "ZqLibUSB.h"

#include <QPointer>

namespace {
constexpr int kPageBytes = 128;
constexpr int kLineCommand = 0; // A0 low: command
constexpr int kLineData = 1;    // A0 high: display data

struct PowerUpStep {
    std::uint8_t command;
    int waitMs; // after the command, for the supply stage just switched on to settle
};

// Power-up on the controller's internal supply, switched on stage by stage.
constexpr PowerUpStep kPowerUp[] = {
    {0xA2, 0},  // LCD bias 1/9
    {0xA1, 0},  // ADC reverse: RAM column n on SEG 131 - n, so column 0 is the glass's left edge
    {0xC0, 0},  // COM output scan normal: COM0 is the top row
    {0x40, 0},  // display start line 0
    {0x2C, 50}, // power control: booster on
    {0x2E, 50}, // power control: booster and voltage regulator on
    {0x2F, 10}, // power control: booster, regulator and voltage follower on
    {0x26, 0},  // V5 regulator resistor ratio 6
    {0x26, 0},  // the same again
    {0xAF, 0},  // display on
};

// Before each page: where its 128 bytes go.
constexpr std::uint8_t kPageAddress = 0xB0;      // page address set, page in bits 3..0
constexpr std::uint8_t kColumnLow = 0x00;        // column address bits 3..0 = 0
constexpr std::uint8_t kColumnHigh = 0x10;       // column address bits 7..4 = 0
constexpr std::uint8_t kReadModifyWrite = 0xE0;  // column counts up on writes only
constexpr std::uint8_t kElectronicVolume = 0x81; // then the level, 0..63
} // namespace

TZqST7565COG::TZqST7565COG(QObject *AOwner) : TZqGLCDDriver(AOwner)
{
    SetDisplayWidth(128);
    SetDisplayHeight(64);
}

bool TZqST7565COG::st7565_spi_begin()
{
    if (!CommandGate())
        return false;
    return Sent(ZqLibUSB()->DevWrite(arSpiOpen, SPI_SCK() & 0x7F, 0, 1));
}

bool TZqST7565COG::st7565_spi_end()
{
    if (!CommandGate())
        return false;
    return Sent(ZqLibUSB()->DevWrite(arSpiClose, 0, 0, 1));
}

bool TZqST7565COG::st7565_cmd(std::uint8_t b)
{
    if (!CommandGate())
        return false;
    return Sent(ZqLibUSB()->DevWrite(arDataCommand, kLineCommand, 0, 1)) &&
           Sent(ZqLibUSB()->DevWrite(arSpiWriteByte, b, 0, 1));
}

bool TZqST7565COG::st7565_data(int offset, std::uint16_t count)
{
    if (!FrameGate())
        return false;
    return Sent(ZqLibUSB()->DevWrite(arDataCommand, kLineData, 0, 1)) &&
           Sent(ZqLibUSB()->DevWriteOffset(arSpiWriteBlock, 1, 0, count, offset));
}

// The lines are opened here and again by the contrast and the frame, and
// closed by each of those and once more at the end.
bool TZqST7565COG::st7565_init(std::uint8_t contrast)
{
    if (!BeginInit() || !st7565_spi_begin())
        return false;
    const QPointer<TZqST7565COG> alive(this);
    for (const PowerUpStep &step : kPowerUp) {
        if (!st7565_cmd(step.command))
            return false;
        if (step.waitMs > 0)
            mDelay(step.waitMs);
        if (!alive) // destroyed by a handler that ran during the wait
            return false;
    }
    EndInit();
    st7565_contrast(contrast);
    glcd_cls();
    glcd_display();
    st7565_spi_end();
    DoInitialized();
    return Initialized();
}

void TZqST7565COG::st7565_contrast(std::uint8_t contrast)
{
    if (FrameGate() && st7565_spi_begin() && st7565_cmd(kElectronicVolume) && st7565_cmd(contrast & 0x3F))
        st7565_spi_end();
}

// Every frame sent is reported through OnInitialized.
void TZqST7565COG::glcd_display()
{
    if (FrameGate() && SendFrame())
        DoInitialized();
}

bool TZqST7565COG::SendFrame()
{
    if (!st7565_spi_begin())
        return false;
    const int pages = DisplayHeight() >= 64 ? 8 : 4;
    for (int p = 0; p < pages; ++p) {
        for (std::uint8_t b : {std::uint8_t(kPageAddress | p), kColumnLow, kColumnHigh, kReadModifyWrite})
            if (!st7565_cmd(b))
                return false;
        if (!st7565_data(p * kPageBytes, kPageBytes))
            return false;
    }
    return st7565_spi_end();
}
