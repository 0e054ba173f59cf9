#include "SimulatorOptions.h"

#include <functional>
#include <vector>

namespace sim {
namespace {
const QString kPrefix = QStringLiteral("--sim-");
constexpr std::uint8_t kClockAddress = 0xA2;

struct Parsing {
    SimulatorOptions options;
    std::optional<bool> pcf8583;
};

QString notOneOf(const QString &option, const QString &value, const QString &choices)
{
    return QStringLiteral("%1: \"%2\" is not one of %3").arg(option, value, choices);
}

// Each option sets its part of the options, or returns the complaint.
using Setter = std::function<QString(const QString &option, const QString &value, Parsing &p)>;

bool is(const QString &value, const char *choice)
{
    return value.compare(QLatin1String(choice), Qt::CaseInsensitive) == 0;
}

QString onOff(const QString &option, const QString &value, bool &target)
{
    if (!is(value, "on") && !is(value, "off"))
        return notOneOf(option, value, QStringLiteral("on, off"));
    target = is(value, "on");
    return {};
}

QString wholeNumber(const QString &option, const QString &value, int max, int &target)
{
    bool ok = false;
    const int n = value.toInt(&ok, 10);
    if (!ok || n < 0 || n > max)
        return QStringLiteral("%1: \"%2\" is not a whole number from 0 to %3").arg(option, value).arg(max);
    target = n;
    return {};
}

QString set24cxx(const QString &option, const QString &value, Parsing &p)
{
    if (is(value, "none")) {
        p.options.population.eeprom24.reset();
        return {};
    }
    p.options.population.eeprom24 = eeprom24TypeFromName(value);
    return p.options.population.eeprom24 ? QString()
                                         : notOneOf(option, value, QStringLiteral("24c02, 24c04, 24c08, 24c16, none"));
}

QString set93cxx(const QString &option, const QString &value, Parsing &p)
{
    if (is(value, "none")) {
        p.options.population.eeprom93.reset();
        return {};
    }
    p.options.population.eeprom93 = eeprom93TypeFromName(value);
    return p.options.population.eeprom93
               ? QString()
               : notOneOf(option, value, QStringLiteral("93c46, 93c56, 93c66, 93c76, 93c86, none"));
}

QString setOrg(const QString &option, const QString &value, Parsing &p)
{
    if (!is(value, "16") && !is(value, "8"))
        return notOneOf(option, value, QStringLiteral("16, 8"));
    p.options.population.organisation = is(value, "16") ? Organisation::Word16 : Organisation::Byte8;
    return {};
}

QString setPcf(const QString &option, const QString &value, Parsing &p)
{
    bool on = false;
    const QString complaint = onOff(option, value, on);
    p.pcf8583 = on;
    return complaint;
}

QString setDs13xx(const QString &option, const QString &value, Parsing &p)
{
    if (is(value, "none")) {
        p.options.population.ds13xx.reset();
        return {};
    }
    p.options.population.ds13xx = ds13xxTypeFromName(value);
    return p.options.population.ds13xx ? QString() : notOneOf(option, value, QStringLiteral("ds1307, ds3231, none"));
}

struct OptionRow {
    SimulatorOptionHelp help;
    Setter set;
};

const std::vector<OptionRow> &optionRows()
{
    static const std::vector<OptionRow> table = {
        {{"24cxx", "24c02|24c04|24c08|24c16|none", "the I2C EEPROM"}, set24cxx},
        {{"24cxx-pins", "0..7", "levels of its pins A2 A1 A0 as a binary number"},
         [](const QString &o, const QString &v, Parsing &p) {
             return wholeNumber(o, v, 7, p.options.population.eeprom24Pins);
         }},
        {{"93cxx", "93c46|93c56|93c66|93c76|93c86|none", "the Microwire EEPROM"}, set93cxx},
        {{"org", "16|8", "its ORG pin: 16-bit words or 8-bit bytes"}, setOrg},
        {{"pcf8583", "on|off", "the clock chip"}, setPcf},
        {{"ds13xx", "ds1307|ds3231|none", "the clock chip at D0"}, setDs13xx},
        {{"ssd1306", "on|off", "the OLED display"},
         [](const QString &o, const QString &v, Parsing &p) { return onOff(o, v, p.options.population.ssd1306); }},
        {{"st7565", "on|off", "the LCD display"},
         [](const QString &o, const QString &v, Parsing &p) { return onOff(o, v, p.options.population.st7565); }},
        {{"latency-us", "0..1000000", "time every transfer takes, in microseconds"},
         [](const QString &o, const QString &v, Parsing &p) {
             return wholeNumber(o, v, SimulatorOptions::MaxLatencyUs, p.options.latencyUs);
         }},
        {{"wire-time", "on|off", "transfers also take the time their bits take on the I2C, SPI or Microwire wire"},
         [](const QString &o, const QString &v, Parsing &p) { return onOff(o, v, p.options.wireTime); }},
        {{"access", "denied|granted", "denied: the adapter's device node may not be opened"},
         [](const QString &o, const QString &v, Parsing &p) {
             p.options.accessDenied = is(v, "denied");
             return (p.options.accessDenied || is(v, "granted"))
                        ? QString()
                        : QStringLiteral("%1: \"%2\" is not one of denied, granted").arg(o, v);
         }},
        {{"log", "file", "write every transfer to this file as it happens (- for standard output)"},
         [](const QString &o, const QString &v, Parsing &p) {
             p.options.logFile = v;
             return v.isEmpty() ? QStringLiteral("%1 needs a file name").arg(o) : QString();
         }},
        {{"state", "file", "the chips' memories and the clock: loaded at start if the file exists, saved at exit"},
         [](const QString &o, const QString &v, Parsing &p) {
             p.options.stateFile = v;
             return v.isEmpty() ? QStringLiteral("%1 needs a file name").arg(o) : QString();
         }},
    };
    return table;
}

const Setter *setterFor(const QString &option)
{
    for (const OptionRow &row : optionRows())
        if (option == kPrefix + QLatin1String(row.help.name))
            return &row.set;
    return nullptr;
}

bool clockAddressTaken(const BusPopulation &population)
{
    return population.eeprom24 && eeprom24Answers(*population.eeprom24, population.eeprom24Pins, kClockAddress);
}
} // namespace

std::vector<SimulatorOptionHelp> SimulatorOptions::help()
{
    std::vector<SimulatorOptionHelp> rows;
    for (const OptionRow &row : optionRows())
        rows.push_back(row.help);
    return rows;
}

std::optional<SimulatorOptions> SimulatorOptions::fromArguments(const QStringList &arguments, QString &error)
{
    Parsing parsing;
    error.clear();
    for (int i = 0; i < arguments.size() && error.isEmpty(); ++i) {
        if (!arguments[i].startsWith(kPrefix))
            continue;
        QString option = arguments[i];
        QString value;
        const int equals = option.indexOf(QLatin1Char('='));
        if (equals >= 0) {
            value = option.mid(equals + 1);
            option.truncate(equals);
        } else if (i + 1 < arguments.size() && !arguments[i + 1].startsWith(QLatin1String("--"))) {
            value = arguments[++i];
        } else {
            error = QStringLiteral("%1 needs a value").arg(option);
            break;
        }
        const Setter *setter = setterFor(option);
        error = setter ? (*setter)(option, value, parsing) : QStringLiteral("Unknown simulator option: %1").arg(option);
    }
    if (!error.isEmpty())
        return std::nullopt;
    BusPopulation &population = parsing.options.population;
    population.pcf8583 = parsing.pcf8583.value_or(!clockAddressTaken(population));
    return parsing.options;
}

} // namespace sim
