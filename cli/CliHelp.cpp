#include "CliHelp.h"

#include "CliTable.h"
#include "SimulatorOptions.h"

#include <algorithm>

namespace {

constexpr int kHelpColumn = 28;

const char kAbout[] =
    "Reads and writes serial EEPROMs, sets clocks and drives displays through the RZT-USBasp adapter.\n";

const char kExitStatus[] = "Exit status:\n"
                           "  0         done\n"
                           "  1         the operation on the chip failed or was refused (not confirmed, a\n"
                           "            difference found, a running clock in the way, the backup not saved)\n"
                           "  2         something wrong in the command or its files, found before the chip\n"
                           "            is touched\n"
                           "  3         no adapter, or one this user may not open\n"
                           "  130, 143  stopped by Ctrl+C (SIGINT) or SIGTERM\n";

// "  -o, --output FILE" and its help, on the same line when it fits.
QString OptionLine(const QString &left, const QString &help)
{
    const QString padded = left.size() < kHelpColumn
                               ? left.leftJustified(kHelpColumn)
                               : left + QLatin1Char('\n') + QString(kHelpColumn, QLatin1Char(' '));
    return padded + help + QLatin1Char('\n');
}

QString OptionLine(const CliOption &option)
{
    QString left =
        option.shortName
            ? QStringLiteral("  -%1, --%2").arg(QLatin1Char(option.shortName)).arg(QLatin1String(option.name))
            : QStringLiteral("      --%1").arg(QLatin1String(option.name));
    if (option.value)
        left += QLatin1Char(' ') + QLatin1String(option.value);
    return OptionLine(left, QLatin1String(option.help));
}

QString OptionLines(const std::vector<const CliOption *> &options)
{
    QString text;
    for (const CliOption *option : options)
        text += OptionLine(*option);
    return text;
}

QString CommandLine(const CliCommand &command)
{
    return OptionLine(QStringLiteral("  ") + command.words.join(QLatin1Char(' ')), QLatin1String(command.summary));
}

QString Usage(const QString &what) { return QStringLiteral("Usage: brindle-cli [OPTIONS] %1\n").arg(what); }

QString SimulatorLines()
{
    QString text = QStringLiteral("Simulator options (with --simulator; a value follows, or comes after =):\n");
    for (const sim::SimulatorOptionHelp &row : sim::SimulatorOptions::help())
        text += OptionLine(QStringLiteral("      --sim-%1 %2").arg(QLatin1String(row.name), QLatin1String(row.value)),
                           QLatin1String(row.description));
    return text;
}

QString ProgramHelp()
{
    QString text = Usage(QStringLiteral("COMMAND [COMMAND OPTIONS] [ARGUMENT]")) + QLatin1String(kAbout) +
                   QStringLiteral("\nCommands:\n");
    for (const CliCommand &command : CliCommands())
        text += CommandLine(command);
    text += QStringLiteral("\nOptions:\n") + OptionLines(GlobalOptions()) + QLatin1Char('\n') + SimulatorLines() +
            QLatin1Char('\n') + QLatin1String(kExitStatus) +
            QStringLiteral("\nbrindle-cli COMMAND --help shows a command's options; man brindle-cli tells more.\n");
    return text;
}

QString GroupHelp(const QString &first, const std::vector<const CliCommand *> &group)
{
    QStringList actions;
    std::vector<const CliOption *> options;
    QString commands;
    for (const CliCommand *command : group) {
        actions << command->words.mid(1).join(QLatin1Char(' '));
        commands += CommandLine(*command);
        for (const CliOption *option : command->options)
            if (std::find(options.begin(), options.end(), option) == options.end())
                options.push_back(option);
    }
    return Usage(QStringLiteral("%1 %2 ...").arg(first, actions.join(QLatin1Char('|')))) +
           QStringLiteral("\nCommands:\n") + commands + QStringLiteral("\nTheir options:\n") + OptionLines(options) +
           QStringLiteral("\nbrindle-cli %1 COMMAND --help shows one command's options; brindle-cli --help the "
                          "global ones.\n")
               .arg(first);
}

QString CommandHelp(const CliCommand &command)
{
    QString text = Usage(command.words.join(QLatin1Char(' ')) + QLatin1Char(' ') + QLatin1String(command.usage));
    QString summary = QLatin1String(command.summary);
    summary[0] = summary[0].toUpper();
    text += summary + QStringLiteral(".\n");
    if (command.details)
        text += QLatin1String(command.details);
    if (!command.options.empty())
        text += QStringLiteral("\nOptions:\n") + OptionLines(command.options);
    return text + QStringLiteral("\nbrindle-cli --help shows the global options.\n");
}

} // namespace

QString CliHelp(const QStringList &words)
{
    if (const CliCommand *command = FindCliCommand(words))
        return CommandHelp(*command);
    if (!words.isEmpty()) {
        const std::vector<const CliCommand *> group = CommandGroup(words.first());
        if (!group.empty())
            return GroupHelp(words.first(), group);
    }
    return ProgramHelp();
}
