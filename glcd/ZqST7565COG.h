#pragma once
// TZqST7565COG: a 128 x 64 chip-on-glass LCD with a Sitronix ST7565 on the
// adapter's SPI lines. The adapter sets the controller's A0 line on request
// (153) and holds its /CS while the lines are taken (150 to 151). A command
// is 153 with 0 and one byte (155); data is 153 with 1 and a block (157).
#include "ZqGLCDDriver.h"

class TZqST7565COG : public TZqGLCDDriver {
    Q_OBJECT
public:
    explicit TZqST7565COG(QObject *AOwner = nullptr);

    // Powers the controller up (110 ms of waits that keep the window alive),
    // sets the contrast and sends a cleared frame. True when all of it went
    // out.
    bool st7565_init(std::uint8_t contrast);
    // Only the low six bits reach the controller.
    void st7565_contrast(std::uint8_t contrast);

    // 8 pages when DisplayHeight is 64 or more, else 4; page p from buffer
    // bytes p * 128 .. p * 128 + 127, whatever DisplayWidth says.
    void glcd_display() override;
    void glcd_contrast(std::uint8_t contrast) override { st7565_contrast(contrast); }

private:
    bool st7565_spi_begin();
    bool st7565_spi_end();
    bool st7565_cmd(std::uint8_t b);
    bool st7565_data(int offset, std::uint16_t count);
    bool SendFrame();
};
