#include "CommandLine.h"

#include "SimulatorOptions.h"
#include "UpdateAddress.h"

#include <QCommandLineParser>
#include <QCoreApplication>

namespace {
const QString kSimPrefix = QStringLiteral("sim-");
const QString kUpdateUrl = QString::fromLatin1(kUpdateUrlOption).mid(2);

CommandLine Failed(const QString &why)
{
    CommandLine command;
    command.action = CommandLine::Action::Fail;
    command.text = QStringLiteral("brindle: %1\nTry 'brindle --help' for the options.\n").arg(why);
    return command;
}

CommandLine Shown(const QString &text)
{
    CommandLine command;
    command.action = CommandLine::Action::ShowText;
    command.text = text;
    return command;
}

void AddOptions(QCommandLineParser &parser)
{
    parser.setApplicationDescription(
        QStringLiteral("Reads and writes serial EEPROMs, sets a PCF8583 clock and drives SSD1306 and ST7565 "
                       "displays through the RZT-USBasp adapter."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption(
        {QStringLiteral("simulator"), QStringLiteral("Run on the virtual adapter (also BRINDLE_SIMULATOR=1).")});
    parser.addOption({kUpdateUrl, QStringLiteral("Where the update check looks (https, or http on this computer)."),
                      QStringLiteral("address")});
    for (const sim::SimulatorOptionHelp &row : sim::SimulatorOptions::help())
        parser.addOption({kSimPrefix + QLatin1String(row.name),
                          QStringLiteral("With --simulator: %1.").arg(QLatin1String(row.description)),
                          QLatin1String(row.value)});
}

QStringList SimulatorOptionsGiven(const QCommandLineParser &parser)
{
    QStringList given;
    for (const sim::SimulatorOptionHelp &row : sim::SimulatorOptions::help()) {
        const QString name = kSimPrefix + QLatin1String(row.name);
        for (const QString &value : parser.values(name))
            given << QStringLiteral("--%1=%2").arg(name, value);
    }
    return given;
}
} // namespace

CommandLine CommandLine::parse(const QStringList &arguments, bool simulatorByEnvironment)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    AddOptions(parser);
    if (!parser.parse(arguments))
        return Failed(parser.errorText());
    if (parser.isSet(QStringLiteral("help")))
        return Shown(parser.helpText());
    if (parser.isSet(QStringLiteral("version")))
        return Shown(
            QStringLiteral("%1 %2\n").arg(QCoreApplication::applicationName(), QCoreApplication::applicationVersion()));
    if (!parser.positionalArguments().isEmpty())
        return Failed(QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().first()));
    if (parser.isSet(kUpdateUrl) && parser.value(kUpdateUrl).trimmed().isEmpty())
        return Failed(QStringLiteral("--%1 needs an address").arg(kUpdateUrl));

    CommandLine command;
    command.simulator = simulatorByEnvironment || parser.isSet(QStringLiteral("simulator"));
    command.simulatorOptions = SimulatorOptionsGiven(parser);
    if (!command.simulator && !command.simulatorOptions.isEmpty())
        return Failed(QStringLiteral("%1 needs --simulator").arg(command.simulatorOptions.first().section('=', 0, 0)));
    QString error;
    if (command.simulator && !sim::SimulatorOptions::fromArguments(command.simulatorOptions, error))
        return Failed(error);
    return command;
}
