#include "CliOptions.h"

#include "SimulatorOptions.h"

#include <QCommandLineParser>
#include <QCoreApplication>

namespace {

struct CommandRow {
    QStringList words; // the command's words, the first one or two
    int extraWords;    // words after them it takes (-1: any number)
    QStringList options;
    const char *usage;
};

const QStringList kEepromChipOptions = {"chip", "org", "addr-i2c", "block", "khz"};
const QStringList kChangeOptions = {"no-verify", "yes", "backup-dir", "ignore-clock"};
// What --help adds for the commands that change the chip.
const char kChangeHelp[] =
    "  First the chip is read and saved in the backup folder (--backup-dir DIR, otherwise\n"
    "  ~/.local/share/Brindle/backups), and what would change is shown; nothing is written\n"
    "  when nothing would change. On a terminal it asks; otherwise --yes is needed.\n"
    "  Only the pages (24Cxx) or words (93Cxx) that differ are written. On a 24Cxx whose\n"
    "  device bytes a running PCF8583 clock shares (A2), it stops; --ignore-clock goes on.\n";

const std::vector<CommandRow> &Commands()
{
    static const std::vector<CommandRow> rows = {
        {{"info"}, 0, {},
         "info\n  Says whether an adapter is there, its release and strings, and which device bytes answer on the "
         "I2C bus.\n"},
        {{"eeprom", "read"}, 0, kEepromChipOptions + QStringList{"output", "format", "start", "count"},
         "eeprom read -c CHIP [-o FILE] [-f raw|ihex|srec] [--start N] [--count N]\n"
         "  Reads the chip; without -o prints a hex dump. The CRC-32 of the bytes goes to standard error.\n"},
        {{"eeprom", "write"}, 0, kEepromChipOptions + QStringList{"input", "format"} + kChangeOptions,
         "eeprom write -c CHIP -i FILE [-f raw|ihex|srec] [--no-verify] [--yes] [--backup-dir DIR] [--ignore-clock]\n"
         "  Writes the file's bytes, then reads them back and compares.\n"},
        {{"eeprom", "verify"}, 0, kEepromChipOptions + QStringList{"input", "format"},
         "eeprom verify -c CHIP -i FILE [-f raw|ihex|srec]\n  Compares the chip with the file.\n"},
        {{"eeprom", "erase"}, 0, kEepromChipOptions + kChangeOptions,
         "eeprom erase -c CHIP [--no-verify] [--yes] [--backup-dir DIR] [--ignore-clock]\n"
         "  Sets every byte to FF, then reads them back and compares.\n"},
        {{"eeprom", "blank"}, 0, kEepromChipOptions, "eeprom blank -c CHIP\n  Checks that every byte is FF.\n"},
        {{"rtc", "get"}, 0, {"chip", "json"},
         "rtc get [--chip pcf8583|ds1307|ds3231] [--json]\n  Prints the clock's date and time.\n"},
        {{"rtc", "set"}, 1, {"chip"},
         "rtc set [--chip pcf8583|ds1307|ds3231] now|\"YYYY-MM-DD HH:MM:SS\"\n  Sets the clock.\n"},
        {{"display", "init"}, 0, {"type"}, "display init -t ssd1306|st7565\n  Initialises the controller.\n"},
        {{"display", "clear"}, 0, {"type"}, "display clear -t ssd1306|st7565\n  Initialises it and clears it.\n"},
        {{"display", "text"}, 1, {"type", "x", "y", "size"},
         "display text -t ssd1306|st7565 [--x N] [--y N] [--size 1..4] TEXT\n"
         "  Initialises it and writes TEXT (Windows-1250) at x, y.\n"},
        {{"display", "image"}, 1, {"type"},
         "display image -t ssd1306|st7565 FILE.bmp\n  Initialises it and shows a monochrome BMP.\n"},
        {{"display", "demo"}, 0, {"type"},
         "display demo -t ssd1306|st7565\n  Initialises it and runs the demo once (about 5 s).\n"},
        {{"display", "clock"}, 0, {"type", "seconds"},
         "display clock -t ssd1306|st7565 [--seconds N]\n"
         "  Draws the computer's time once a second, N times or until Ctrl+C.\n"},
    };
    return rows;
}

const CommandRow *FindCommand(const QStringList &words)
{
    for (const CommandRow &row : Commands())
        if (words.mid(0, row.words.size()) == row.words)
            return &row;
    return nullptr;
}

QString ProgramUsage()
{
    QString text = QStringLiteral(
        "Usage: brindle-cli [--simulator [--sim-...]] [--wait SECONDS] [--quiet] COMMAND ...\n"
        "Reads and writes serial EEPROMs, sets clocks and drives displays through the RZT-USBasp adapter.\n\n"
        "Commands:\n");
    for (const CommandRow &row : Commands())
        text += QStringLiteral("  %1\n").arg(QString::fromLatin1(row.usage).section('\n', 0, 0));
    text += QStringLiteral(
        "\nCHIP: 24c02 24c04 24c08 24c16 (--addr-i2c HEX, --block N, --khz N), 93c46 93c56 93c66 93c76 93c86 "
        "(--org 8|16).\n"
        "Exit status: 0 done, 1 the operation failed or was not confirmed, 2 usage error, 3 no adapter or access denied.\n"
        "brindle-cli COMMAND --help describes one command.\n");
    for (const sim::SimulatorOptionHelp &row : sim::SimulatorOptions::help())
        text += QStringLiteral("  --sim-%1 %2\n      %3\n")
                    .arg(QLatin1String(row.name), QLatin1String(row.value), QLatin1String(row.description));
    return text;
}

void AddOptions(QCommandLineParser &parser)
{
    const QList<QCommandLineOption> options = {
        QCommandLineOption(QStringLiteral("help")),
        QCommandLineOption(QStringLiteral("version")),
        QCommandLineOption(QStringLiteral("simulator")),
        QCommandLineOption(QStringLiteral("quiet")),
        {"wait", {}, "seconds"},
        {{"c", "chip"}, {}, "chip"},
        {{"o", "output"}, {}, "file"},
        {{"i", "input"}, {}, "file"},
        {{"f", "format"}, {}, "format"},
        {"start", {}, "n"},
        {"count", {}, "n"},
        QCommandLineOption(QStringLiteral("no-verify")),
        QCommandLineOption(QStringLiteral("yes")),
        {"backup-dir", {}, "dir"},
        QCommandLineOption(QStringLiteral("ignore-clock")),
        {"org", {}, "bits"},
        {"addr-i2c", {}, "hex"},
        {"block", {}, "n"},
        {"khz", {}, "n"},
        QCommandLineOption(QStringLiteral("json")),
        {{"t", "type"}, {}, "type"},
        {"x", {}, "n"},
        {"y", {}, "n"},
        {"size", {}, "n"},
        {"seconds", {}, "n"},
    };
    parser.addOptions(options);
}

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

QString LongName(const QString &name)
{
    static const QMap<QString, QString> shortNames = {
        {"c", "chip"}, {"o", "output"}, {"i", "input"}, {"f", "format"}, {"t", "type"}};
    return shortNames.value(name, name);
}

QString OptionName(const QString &name) { return (name.size() == 1 ? "-" : "--") + name; }

} // namespace

CliParse ParseCliArguments(const QStringList &given, bool simulatorByEnvironment)
{
    QStringList arguments = given;
    CliParse parse;
    CliOptions &options = parse.options;
    options.simulatorOptions = TakeSimulatorOptions(arguments);

    QCommandLineParser parser;
    AddOptions(parser);
    if (!parser.parse(arguments))
        return Failed(parser.errorText());
    options.words = parser.positionalArguments();
    const CommandRow *command = FindCommand(options.words);
    if (parser.isSet("help"))
        return Shown(command ? QStringLiteral("Usage: brindle-cli [global options] ") + command->usage +
                                   (command->options.contains("yes") ? kChangeHelp : "")
                             : ProgramUsage());
    if (parser.isSet("version"))
        return Shown(QStringLiteral("brindle-cli %1\n").arg(QCoreApplication::applicationVersion()));
    if (options.words.isEmpty())
        return Failed(QStringLiteral("no command given"));
    if (!command)
        return Failed(QStringLiteral("unknown command '%1'").arg(options.words.join(' ')));
    const int extra = int(options.words.size() - command->words.size());
    if (extra > command->extraWords)
        return Failed(QStringLiteral("unexpected argument '%1'").arg(options.words.last()));
    if (extra < command->extraWords)
        return Failed(QStringLiteral("'%1' needs an argument").arg(command->words.join(' ')));

    const QStringList globals = {"simulator", "quiet", "wait"};
    for (const QString &name : parser.optionNames()) {
        if (globals.contains(name))
            continue;
        const QString longName = LongName(name);
        if (!command->options.contains(longName))
            return Failed(QStringLiteral("%1 does not apply to '%2'").arg(OptionName(name), command->words.join(' ')));
        options.values.insert(longName, parser.value(name));
    }

    options.simulator = simulatorByEnvironment || parser.isSet("simulator");
    options.quiet = parser.isSet("quiet");
    if (parser.isSet("wait")) {
        bool ok = false;
        options.waitSeconds = parser.value("wait").toInt(&ok);
        if (!ok || options.waitSeconds < 0)
            return Failed(QStringLiteral("--wait needs a number of seconds, not '%1'").arg(parser.value("wait")));
    }
    if (!options.simulator && !options.simulatorOptions.isEmpty())
        return Failed(QStringLiteral("%1 needs --simulator").arg(options.simulatorOptions.first().section('=', 0, 0)));
    QString error;
    if (options.simulator && !sim::SimulatorOptions::fromArguments(options.simulatorOptions, error))
        return Failed(error);
    return parse;
}
