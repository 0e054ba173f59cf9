#include "ZqSSD1306OLED.h"

#include "ZqLibUSB.h"

namespace {
constexpr int kDeviceAddress = 0x78;
constexpr int kCommandControl = 0x00; // Co = 0, D/C# = 0: command bytes follow
constexpr int kDataControl = 0x40;    // Co = 0, D/C# = 1: display data follows
constexpr int kCommandLength = 254;   // data stage of each 102; the firmware ignores it
constexpr int kFrameBytes = 1024;     // 8 pages of 128 columns, page 0 first

// Bytes of the sequence that depend on the arguments.
enum class Arg {
    None,
    Refresh, // the caller's refresh byte
    Pump,    // 0x14 own charge pump, 0x10 external supply
    Level,   // 0xCF own charge pump, 0x9F external supply
};

struct InitByte {
    std::uint8_t byte;
    Arg arg;
};

// The power-up sequence, one byte per request 102, as the panel has always
// been started. Where it strays from the data sheet the controller's reading
// is noted.
constexpr InitByte kInitSequence[] = {
    {0xAE, Arg::None},    // display off (sleep)
    {0xD5, Arg::None},    // display clock: divide ratio bits 3..0, oscillator bits 7..4 ...
    {0x00, Arg::Refresh}, // ... the refresh byte (0x80: divide by 1, oscillator mid-range)
    {0xD3, Arg::None},    // display offset ...
    {0x00, Arg::None},    // ... no vertical shift
    {0x40, Arg::None},    // display start line 0
    {0x8D, Arg::None},    // charge pump setting ...
    {0x14, Arg::Pump},    // ... bit 2: pump on (0x14) or off (0x10)
    {0x20, Arg::None},    // memory addressing mode ...
    {0x10, Arg::None},    // ... bits 1..0 = 00: horizontal, so one 1024-byte stream fills the RAM
    {0xA1, Arg::None},    // segment remap: column 127 drives SEG0
    {0xC8, Arg::None},    // COM scan direction remapped (COM63 .. COM0)
    {0xCF, Arg::Level},   // a contrast level sent without 0x81: read as COM scan (0xCF) or ignored (0x9F)
    {0xD9, Arg::None},    // pre-charge period ...
    {0xA8, Arg::None},    // ... takes this byte (phase 1: 8, phase 2: 10 clocks), meant as multiplex ratio
    {0x3F, Arg::None},    // meant as 64 MUX; arrives as a command of its own and is ignored
    {0xDA, Arg::None},    // COM pins hardware configuration ...
    {0x12, Arg::None},    // ... alternative layout, no left/right remap
    {0xDB, Arg::None},    // VCOMH deselect level ...
    {0x40, Arg::None},    // ... code 0x40
    {0xA4, Arg::None},    // output follows RAM
    {0xA6, Arg::None},    // normal, not inverted
    {0xAF, Arg::None},    // display on
};

std::uint8_t SequenceByte(const InitByte &step, bool externalVcc, std::uint8_t refresh)
{
    switch (step.arg) {
    case Arg::Refresh:
        return refresh;
    case Arg::Pump:
        return externalVcc ? 0x10 : 0x14;
    case Arg::Level:
        return externalVcc ? 0x9F : 0xCF;
    default:
        return step.byte;
    }
}
} // namespace

TZqSSD1306OLED::TZqSSD1306OLED(QObject *AOwner) : TZqGLCDDriver(AOwner)
{
    SetDisplayWidth(128);
    SetDisplayHeight(64);
    SetI2C_BitrateKhz(100);
}

bool TZqSSD1306OLED::ssd1306_cmd(std::uint8_t b)
{
    if (!CommandGate())
        return false;
    return Sent(ZqLibUSB()->DevWrite(arI2CCommand, kDeviceAddress, b << 8 | kCommandControl, kCommandLength));
}

// The clock request is device-to-host: its two reply bytes land at the start
// of the buffer, which is cleared before the first frame anyway.
bool TZqSSD1306OLED::ssd1306_init(std::uint8_t vcc, std::uint8_t refresh, std::uint8_t)
{
    if (!BeginInit())
        return false;
    if (!Sent(ZqLibUSB()->DevRead(arI2CBitrate, I2C_BitrateKhz() & 0xFFFF, 0, kCommandLength)))
        return false;
    for (const InitByte &step : kInitSequence)
        if (!ssd1306_cmd(SequenceByte(step, vcc == 1, refresh)))
            return false;
    EndInit();
    glcd_cls();
    glcd_display();
    DoInitialized();
    return Initialized();
}

void TZqSSD1306OLED::glcd_display()
{
    if (FrameGate())
        Sent(ZqLibUSB()->DevWrite(arI2CWrite, kDeviceAddress, kDataControl, kFrameBytes));
}

// Contrast control: 0x81, then the level, all 8 bits.
void TZqSSD1306OLED::ssd1306_contrast(std::uint8_t contrast)
{
    if (FrameGate() && ssd1306_cmd(0x81))
        ssd1306_cmd(contrast);
}

// 0xA7: a 0 in RAM lights the pixel; 0xA6: a 1 does.
void TZqSSD1306OLED::ssd1306_invertDisplay(bool val)
{
    if (FrameGate())
        ssd1306_cmd(val ? 0xA7 : 0xA6);
}
