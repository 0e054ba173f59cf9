#include "SimulatorOptions.h"

#include <functional>
#include <map>

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

QString onOff(const QString &option, const QString &value, bool &target)
{
    if (value != QLatin1String("on") && value != QLatin1String("off"))
        return notOneOf(option, value, QStringLiteral("on, off"));
    target = value == QLatin1String("on");
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
    if (value == QLatin1String("none")) {
        p.options.population.eeprom24.reset();
        return {};
    }
    p.options.population.eeprom24 = eeprom24TypeFromName(value);
    return p.options.population.eeprom24 ? QString()
                                         : notOneOf(option, value, QStringLiteral("24c02, 24c04, 24c08, 24c16, none"));
}

QString set93cxx(const QString &option, const QString &value, Parsing &p)
{
    if (value == QLatin1String("none")) {
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
    if (value != QLatin1String("16") && value != QLatin1String("8"))
        return notOneOf(option, value, QStringLiteral("16, 8"));
    p.options.population.organisation = value == QLatin1String("16") ? Organisation::Word16 : Organisation::Byte8;
    return {};
}

QString setPcf(const QString &option, const QString &value, Parsing &p)
{
    bool on = false;
    const QString complaint = onOff(option, value, on);
    p.pcf8583 = on;
    return complaint;
}

const std::map<QString, Setter> &setters()
{
    static const std::map<QString, Setter> table = {
        {QStringLiteral("--sim-24cxx"), set24cxx},
        {QStringLiteral("--sim-24cxx-pins"),
         [](const QString &o, const QString &v, Parsing &p) {
             return wholeNumber(o, v, 7, p.options.population.eeprom24Pins);
         }},
        {QStringLiteral("--sim-93cxx"), set93cxx},
        {QStringLiteral("--sim-org"), setOrg},
        {QStringLiteral("--sim-pcf8583"), setPcf},
        {QStringLiteral("--sim-ssd1306"),
         [](const QString &o, const QString &v, Parsing &p) { return onOff(o, v, p.options.population.ssd1306); }},
        {QStringLiteral("--sim-st7565"),
         [](const QString &o, const QString &v, Parsing &p) { return onOff(o, v, p.options.population.st7565); }},
        {QStringLiteral("--sim-latency-us"),
         [](const QString &o, const QString &v, Parsing &p) {
             return wholeNumber(o, v, SimulatorOptions::MaxLatencyUs, p.options.latencyUs);
         }},
        {QStringLiteral("--sim-access"),
         [](const QString &o, const QString &v, Parsing &p) {
             p.options.accessDenied = v == QLatin1String("denied");
             return (p.options.accessDenied || v == QLatin1String("granted"))
                        ? QString()
                        : QStringLiteral("%1: \"%2\" is not one of denied, granted").arg(o, v);
         }},
        {QStringLiteral("--sim-log"),
         [](const QString &o, const QString &v, Parsing &p) {
             p.options.logFile = v;
             return v.isEmpty() ? QStringLiteral("%1 needs a file name").arg(o) : QString();
         }},
    };
    return table;
}

bool clockAddressTaken(const BusPopulation &population)
{
    return population.eeprom24 && eeprom24Answers(*population.eeprom24, population.eeprom24Pins, kClockAddress);
}
} // namespace

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
        const auto setter = setters().find(option);
        error = setter == setters().end() ? QStringLiteral("Unknown simulator option: %1").arg(option)
                                          : setter->second(option, value, parsing);
    }
    if (!error.isEmpty())
        return std::nullopt;
    BusPopulation &population = parsing.options.population;
    population.pcf8583 = parsing.pcf8583.value_or(!clockAddressTaken(population));
    return parsing.options;
}

} // namespace sim
