#include "CliCompletion.h"

#include "CliTable.h"
#include "SimulatorOptions.h"

#include <QRegularExpression>

namespace {

const QString kSimPrefix = QStringLiteral("--sim-");

// What the line holds before the word being completed.
struct LineSoFar {
    QStringList words;       // the command's words and its argument
    QStringList optionsSeen; // long names
    bool simulator = false;
    bool expectingValue = false; // the word is the value of
    QString valueOf;             // this option (long name) of the command,
    QStringList valueChoices;    // or a simulator option with these values
};

QStringList ChoiceList(const char *choices)
{
    return choices ? QString::fromLatin1(choices).split(QLatin1Char(' '), Qt::SkipEmptyParts) : QStringList();
}

// "24c02|24c04" -> each; "0..7" -> each number; "file" -> a file name.
QStringList SimulatorValueChoices(const QString &value)
{
    if (value == QLatin1String("file"))
        return {QLatin1String(kCompleteFiles)};
    const QRegularExpressionMatch range = QRegularExpression(QStringLiteral("^(\\d+)\\.\\.(\\d+)$")).match(value);
    if (range.hasMatch() && range.captured(2).toInt() - range.captured(1).toInt() <= 16) {
        QStringList numbers;
        for (int n = range.captured(1).toInt(); n <= range.captured(2).toInt(); ++n)
            numbers << QString::number(n);
        return numbers;
    }
    return value.contains(QLatin1Char('|')) ? value.split(QLatin1Char('|')) : QStringList();
}

const sim::SimulatorOptionHelp *SimulatorOption(const QString &spelled)
{
    static const std::vector<sim::SimulatorOptionHelp> rows = sim::SimulatorOptions::help();
    for (const sim::SimulatorOptionHelp &row : rows)
        if (spelled == kSimPrefix + QLatin1String(row.name))
            return &row;
    return nullptr;
}

void ExpectValue(LineSoFar &line, const QString &option, const QStringList &choices = {})
{
    line.expectingValue = true;
    line.valueOf = option;
    line.valueChoices = choices;
}

// An option's values as the command has it: --chip of rtc is a clock.
QStringList ValueChoices(const LineSoFar &line)
{
    if (line.valueOf.isEmpty())
        return line.valueChoices;
    const CliOption *option = OptionOf(FindCliCommand(line.words), line.valueOf);
    if (!option)
        option = FindCliOption(line.valueOf);
    return ChoiceList(option ? option->choices : nullptr);
}

void TakeShortOptions(const QString &word, LineSoFar &line)
{
    for (int c = 1; c < word.size(); ++c) {
        const CliOption *option = FindCliShortOption(word.at(c));
        if (!option)
            return;
        line.optionsSeen << QLatin1String(option->name);
        if (option->value) {
            if (c + 1 == word.size())
                ExpectValue(line, QLatin1String(option->name));
            return;
        }
    }
}

void TakeLongOption(const QString &word, LineSoFar &line)
{
    const QString name = word.section(QLatin1Char('='), 0, 0);
    if (name.startsWith(kSimPrefix)) {
        const sim::SimulatorOptionHelp *row = SimulatorOption(name);
        if (row && !word.contains(QLatin1Char('=')))
            ExpectValue(line, QString(), SimulatorValueChoices(QLatin1String(row->value)));
        return;
    }
    const CliOption *option = FindCliOption(name.mid(2));
    if (!option)
        return;
    line.optionsSeen << QLatin1String(option->name);
    line.simulator = line.simulator || name == QLatin1String("--simulator");
    if (option->value && !word.contains(QLatin1Char('=')))
        ExpectValue(line, QLatin1String(option->name));
}

// bash splits "--sim-log=x" at '=' into three words; a lone "=" joins them.
LineSoFar ReadLine(const QStringList &before)
{
    LineSoFar line;
    for (int i = 0; i < before.size(); ++i) {
        const QString &word = before.at(i);
        if (word == QLatin1String("="))
            continue;
        if (line.expectingValue) {
            line.expectingValue = false;
            continue;
        }
        if (word.startsWith(QLatin1String("--")))
            TakeLongOption(word, line);
        else if (word.startsWith(QLatin1Char('-')) && word.size() > 1)
            TakeShortOptions(word, line);
        else
            line.words << word;
    }
    return line;
}

QStringList OptionNames(const std::vector<const CliOption *> &options, const LineSoFar &line)
{
    QStringList names;
    for (const CliOption *option : options)
        if (option->repeatable || !line.optionsSeen.contains(QLatin1String(option->name)))
            names << QStringLiteral("--") + QLatin1String(option->name);
    return names;
}

QStringList OptionCandidates(const QString &current, const LineSoFar &line)
{
    std::vector<const CliOption *> options = GlobalOptions();
    const CliCommand *command = FindCliCommand(line.words);
    const std::vector<const CliCommand *> group =
        command ? std::vector<const CliCommand *>{command} : CommandGroup(line.words.value(0));
    for (const CliCommand *row : group)
        for (const CliOption *option : row->options)
            if (std::find(options.begin(), options.end(), option) == options.end())
                options.push_back(option);
    QStringList names = OptionNames(options, line);
    if (line.simulator || current.startsWith(QLatin1String("--sim")))
        for (const sim::SimulatorOptionHelp &row : sim::SimulatorOptions::help())
            names << kSimPrefix + QLatin1String(row.name);
    return names;
}

// The next command word, or the command's argument.
QStringList WordCandidates(const LineSoFar &line)
{
    if (const CliCommand *command = FindCliCommand(line.words))
        return line.words.size() < command->words.size() + command->extraWords ? ChoiceList(command->argumentChoices)
                                                                               : QStringList();
    QStringList next;
    for (const CliCommand &row : CliCommands())
        if (row.words.mid(0, line.words.size()) == line.words && row.words.size() > line.words.size() &&
            !next.contains(row.words.at(line.words.size())))
            next << row.words.at(line.words.size());
    return next;
}

QString Matching(const QStringList &candidates, const QString &current, const QString &prefix = QString())
{
    QString text;
    for (const QString &candidate : candidates)
        if (candidate.startsWith(QLatin1Char('@')))
            text += candidate + QLatin1Char('\n');
        else if ((prefix + candidate).startsWith(current))
            text += prefix + candidate + QLatin1Char('\n');
    return text;
}

} // namespace

QString CliCompletions(const QStringList &arguments)
{
    const QStringList words = arguments.mid(1);
    const int index = qBound(0, arguments.value(0).toInt(), int(words.size()));
    QString current = words.value(index);
    QStringList before = words.mid(0, index);
    if (current == QLatin1String("=")) {
        // The shell completes what follows the '=' it split off.
        before << current;
        current.clear();
    }
    // A shell that keeps "--name=va" whole: the value is completed with its option in front.
    if (current.startsWith(QLatin1String("--")) && current.contains(QLatin1Char('='))) {
        const QString option = current.section(QLatin1Char('='), 0, 0);
        const LineSoFar line = ReadLine(before + QStringList{option, QStringLiteral("=")});
        return line.expectingValue ? Matching(ValueChoices(line), current, option + QLatin1Char('=')) : QString();
    }
    const LineSoFar line = ReadLine(before);
    if (line.expectingValue)
        return Matching(ValueChoices(line), current);
    if (current.startsWith(QLatin1Char('-')))
        return Matching(OptionCandidates(current, line), current);
    return Matching(WordCandidates(line), current);
}
