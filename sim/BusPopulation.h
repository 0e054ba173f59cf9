#pragma once
// Which chips sit on the virtual adapter's buses. The default is the bench
// the program is made for: a 24C04 with pin A2 high (device bytes A8/AA),
// the PCF8583 at A2, a DS3231 at D0, the SSD1306 at 78, a 93C46 with ORG high (16-bit) and
// an ST7565.
#include "Ds13xx.h"
#include "Eeprom24Cxx.h"
#include "Eeprom93Cxx.h"

#include <optional>

namespace sim {

struct BusPopulation {
    std::optional<Eeprom24Type> eeprom24 = Eeprom24Type::C04;
    int eeprom24Pins = 0b100; // A2 A1 A0
    bool pcf8583 = true;
    std::optional<Ds13xxType> ds13xx = Ds13xxType::DS3231;
    bool ssd1306 = true;
    std::optional<Eeprom93Type> eeprom93 = Eeprom93Type::C46;
    Organisation organisation = Organisation::Word16;
    bool st7565 = true;
};

} // namespace sim
