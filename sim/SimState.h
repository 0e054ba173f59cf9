#pragma once
// What the virtual chips keep between runs, as the text file --sim-state
// names. Line one is the format and its version; then one line per part,
// each optional, in any order:
//   Brindle simulator state 1
//   24cxx 24c04 FFFF...        the part and its whole memory in hex
//   93cxx 93c46 FFFF...
//   pcf8583-ram 0000...        the clock chip's free RAM, 0x10..0xFF
//   clock-offset-ms -3600000   the clock chip's time minus the computer's
// Anything else, a memory of the wrong size or a line twice makes the file
// unreadable as a whole: nothing of it is used.
#include <QByteArray>
#include <QString>
#include <optional>

namespace sim {

struct ChipMemory {
    QString part; // "24c04", "93c46", ...
    QByteArray bytes;
};

struct SimState {
    static constexpr int RtcRamStart = 0x10;
    static constexpr int RtcRamSize = 0x100 - RtcRamStart;

    std::optional<ChipMemory> eeprom24;
    std::optional<ChipMemory> eeprom93;
    std::optional<QByteArray> rtcRam;
    std::optional<qint64> clockOffsetMs;

    QByteArray toText() const;
    // Null, with the reason in error, when text is not such a state.
    static std::optional<SimState> fromText(const QByteArray &text, QString &error);
};

} // namespace sim
