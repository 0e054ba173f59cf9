#include "CliOptions.h"

#include "CliCompletion.h"
#include "CliHelp.h"
#include "CliTable.h"
#include "SimulatorOptions.h"

#include <QCoreApplication>

namespace {

struct GivenOption {
    const CliOption *option;
    QString spelled; // as typed: "-o", "--output"
    QString value;
};

struct SplitArguments {
    QStringList words;
    QList<GivenOption> options;
    QString error;
};

// The --sim-* options go to the simulator as they are; it reads them itself.
QStringList TakeSimulatorOptions(QStringList &arguments)
{
    QStringList taken;
    for (int i = 1; i < arguments.size();) {
        const QString argument = arguments.at(i);
        if (!argument.startsWith(QLatin1String("--sim-"))) {
            ++i;
            continue;
        }
        const int n = argument.contains(QLatin1Char('=')) || i + 1 >= arguments.size() ? 1 : 2;
        taken += arguments.mid(i, n);
        arguments.remove(i, n);
    }
    return taken;
}

// The option's value in the next argument, whatever it holds ("-o -").
bool TakeNextValue(const QStringList &arguments, int &i, const GivenOption &given, SplitArguments &split)
{
    if (++i >= arguments.size()) {
        split.error = QStringLiteral("%1 needs a value (%2)").arg(given.spelled, QLatin1String(given.option->value));
        return false;
    }
    split.options.append({given.option, given.spelled, arguments.at(i)});
    return true;
}

// --name, --name=value, --name value.
bool TakeLongOption(const QStringList &arguments, int &i, SplitArguments &split)
{
    const QString argument = arguments.at(i);
    const QString spelled = argument.section(QLatin1Char('='), 0, 0);
    const CliOption *option = FindCliOption(spelled.mid(2));
    if (!option) {
        split.error = QStringLiteral("unknown option '%1'").arg(spelled);
        return false;
    }
    if (!argument.contains(QLatin1Char('=')) && option->value)
        return TakeNextValue(arguments, i, {option, spelled, QString()}, split);
    if (argument.contains(QLatin1Char('=')) && !option->value) {
        split.error = QStringLiteral("%1 takes no value").arg(spelled);
        return false;
    }
    split.options.append({option, spelled, argument.contains(QLatin1Char('=')) ? argument.section('=', 1) : QString()});
    return true;
}

// -x, -xyz (flags together), -cVALUE, -c VALUE.
bool TakeShortOptions(const QStringList &arguments, int &i, SplitArguments &split)
{
    const QString argument = arguments.at(i);
    for (int c = 1; c < argument.size(); ++c) {
        const QString spelled = QStringLiteral("-") + argument.at(c);
        const CliOption *option = FindCliShortOption(argument.at(c));
        if (!option) {
            split.error = QStringLiteral("unknown option '%1'").arg(spelled);
            return false;
        }
        if (!option->value) {
            split.options.append({option, spelled, QString()});
            continue;
        }
        if (c + 1 == argument.size())
            return TakeNextValue(arguments, i, {option, spelled, QString()}, split);
        split.options.append({option, spelled, argument.mid(c + 1)});
        return true;
    }
    return true;
}

// Options may stand anywhere; "-" is a word (standard input or output), "--" ends the options.
SplitArguments Split(const QStringList &arguments)
{
    SplitArguments split;
    bool optionsEnded = false;
    for (int i = 1; i < arguments.size() && split.error.isEmpty(); ++i) {
        const QString &argument = arguments.at(i);
        if (optionsEnded || argument == QLatin1String("-") || !argument.startsWith(QLatin1Char('-')))
            split.words << argument;
        else if (argument == QLatin1String("--"))
            optionsEnded = true;
        else if (argument.startsWith(QLatin1String("--")))
            TakeLongOption(arguments, i, split);
        else
            TakeShortOptions(arguments, i, split);
    }
    return split;
}

CliParse Failed(const QString &why)
{
    CliParse parse;
    parse.action = CliParse::Action::Fail;
    parse.text = QStringLiteral("brindle-cli: %1\nTry 'brindle-cli --help'.\n").arg(why);
    return parse;
}

CliParse Shown(const QString &text)
{
    CliParse parse;
    parse.action = CliParse::Action::ShowText;
    parse.text = text;
    return parse;
}

bool Given(const SplitArguments &split, const char *name)
{
    for (const GivenOption &given : split.options)
        if (qstrcmp(given.option->name, name) == 0)
            return true;
    return false;
}

// The command's own options into values; the global ones into their fields.
QString TakeOptionValues(const SplitArguments &split, const CliCommand &command, CliOptions &options)
{
    for (const GivenOption &given : split.options) {
        const QString name = QLatin1String(given.option->name);
        if (!OptionOf(&command, name))
            return QStringLiteral("%1 does not apply to '%2'").arg(given.spelled, command.words.join(' '));
        options.Verbosity += name == QLatin1String("verbose") ? 1 : 0;
        options.values.insert(name, given.value);
    }
    options.quiet = options.has("quiet");
    if (options.quiet && options.Verbosity > 0)
        return QStringLiteral("-q and -v say opposite things: give one of them");
    if (options.has("wait")) {
        bool ok = false;
        options.waitSeconds = options.value("wait").toInt(&ok);
        if (!ok || options.waitSeconds < 0)
            return QStringLiteral("--wait needs a number of seconds, not '%1'").arg(options.value("wait"));
    }
    return QString();
}

} // namespace

CliParse ParseCliArguments(const QStringList &given, bool simulatorByEnvironment)
{
    if (given.value(1) == QLatin1String("__complete"))
        return Shown(CliCompletions(given.mid(2)));
    QStringList arguments = given;
    CliParse parse;
    CliOptions &options = parse.options;
    options.simulatorOptions = TakeSimulatorOptions(arguments);

    const SplitArguments split = Split(arguments);
    if (!split.error.isEmpty())
        return Failed(split.error);
    options.words = split.words;
    if (Given(split, "help"))
        return Shown(CliHelp(options.words));
    if (Given(split, "version"))
        return Shown(QStringLiteral("brindle-cli %1\n").arg(QCoreApplication::applicationVersion()));
    if (options.words.isEmpty())
        return Failed(QStringLiteral("no command given"));
    const CliCommand *command = FindCliCommand(options.words);
    if (!command)
        return Failed(QStringLiteral("unknown command '%1'").arg(options.words.join(' ')));
    const int extra = int(options.words.size() - command->words.size());
    if (extra > command->extraWords)
        return Failed(QStringLiteral("unexpected argument '%1'").arg(options.words.last()));
    if (extra < command->extraWords)
        return Failed(QStringLiteral("'%1' needs an argument").arg(command->words.join(' ')));
    const QString error = TakeOptionValues(split, *command, options);
    if (!error.isEmpty())
        return Failed(error);

    options.simulator = simulatorByEnvironment || options.has("simulator");
    if (!options.simulator && !options.simulatorOptions.isEmpty())
        return Failed(QStringLiteral("%1 needs --simulator").arg(options.simulatorOptions.first().section('=', 0, 0)));
    QString simulatorError;
    if (options.simulator && !sim::SimulatorOptions::fromArguments(options.simulatorOptions, simulatorError))
        return Failed(simulatorError);
    return parse;
}
