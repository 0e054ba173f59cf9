#pragma once
// The simulator's command-line options (all begin with --sim-; a value
// follows as the next argument or after "="):
//   --sim-24cxx 24c02|24c04|24c08|24c16|none   --sim-24cxx-pins 0..7 (A2 A1 A0)
//   --sim-93cxx 93c46|93c56|93c66|93c76|93c86|none   --sim-org 16|8
//   --sim-pcf8583 on|off   --sim-ds13xx ds1307|ds3231|none
//   --sim-ssd1306 on|off   --sim-st7565 on|off
//   --sim-latency-us 0..1000000   --sim-wire-time on|off   --sim-log FILE|-
//   --sim-access denied|granted (denied: the adapter's node is not writable)
//   --sim-state FILE (the chips' memories, loaded at start, saved at exit)
// Values are matched without regard to case (file names excepted). Other
// arguments are the program's and are left alone. Without
// --sim-pcf8583 the clock is fitted unless the chosen 24Cxx answers at its
// address A2 (a 24C16 always does); with "on" the two share the address and
// both answer, as they would on a real bus.
#include "BusPopulation.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace sim {

// One option for a help text: its name after "--sim-", its value, what it sets.
struct SimulatorOptionHelp {
    const char *name;
    const char *value;
    const char *description;
};

struct SimulatorOptions {
    static constexpr int MaxLatencyUs = 1000000;

    BusPopulation population;
    int latencyUs = 0;
    bool wireTime = false;
    QString logFile;
    QString stateFile;
    bool accessDenied = false;

    // Null, with error set, when an option or its value is not understood.
    static std::optional<SimulatorOptions> fromArguments(const QStringList &arguments, QString &error);
    static std::vector<SimulatorOptionHelp> help();
};

} // namespace sim
