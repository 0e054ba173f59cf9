#pragma once
// TZqSSD1306OLED: a 128 x 64 OLED with a Solomon SSD1306 on the adapter's
// I2C bus at device address byte 0x78 (7-bit 0x3C, write). Each command byte
// is one request 102 behind the command control byte 0x00; a frame is one
// request 103 of the whole buffer behind the data control byte 0x40.
#include "ZqGLCDDriver.h"

class TZqSSD1306OLED : public TZqGLCDDriver {
    Q_OBJECT
public:
    explicit TZqSSD1306OLED(QObject *AOwner = nullptr);

    // vcc 1: the panel is supplied from outside (charge pump off); any other
    // value: the controller's own charge pump. refresh goes to the clock
    // command 0xD5. contrast is not part of the sequence: the controller keeps
    // its own. True when the whole sequence and the cleared frame went out.
    bool ssd1306_init(std::uint8_t vcc, std::uint8_t refresh, std::uint8_t contrast);
    void ssd1306_invertDisplay(bool val);
    void ssd1306_contrast(std::uint8_t contrast);

    void glcd_display() override;
    void glcd_contrast(std::uint8_t contrast) override { ssd1306_contrast(contrast); }

private:
    bool ssd1306_cmd(std::uint8_t b);
};
