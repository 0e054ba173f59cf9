#include "CliTable.h"

const char kCompleteFiles[] = "@files";
const char kCompleteFolders[] = "@folders";

namespace {

const char kChips[] = "24c02 24c04 24c08 24c16 93c46 93c56 93c66 93c76 93c86";
const char kDisplays[] = "ssd1306 st7565";

// Global options.
const CliOption kHelp{"help", 'h', nullptr, "show this help; after a command, that command's options", nullptr};
const CliOption kVersion{"version", 'V', nullptr, "show the version", nullptr};
const CliOption kQuiet{"quiet", 'q', nullptr, "nothing but errors on standard error", nullptr};
const CliOption kVerbose{"verbose", 'v', nullptr, "say each step on standard error; -vv also every transfer",
                         nullptr,   true};
const CliOption kWait{"wait", 0, "SECONDS", "wait this long for the adapter to be plugged in", nullptr};
const CliOption kSimulator{"simulator", 0, nullptr, "run on the virtual adapter (also BRINDLE_SIMULATOR=1)", nullptr};

// The EEPROM commands'.
const CliOption kChip{"chip", 'c', "CHIP", "24c02..24c16 or 93c46..93c86", kChips};
const CliOption kOrg{"org", 0, "8|16", "the 93Cxx's organisation (default 16)", "8 16"};
const CliOption kAddrI2c{"addr-i2c", 0, "ADDRESS",
                         "the 24Cxx's address: 7-bit 0x50..0x57 or device byte A0..AE (default A8 = 0x54)",
                         "0x50 0x51 0x52 0x53 0x54 0x55 0x56 0x57 A0 A2 A4 A6 A8 AA AC AE"};
const CliOption kBlock{"block", 0, "N", "bytes per 24Cxx read request, 1..256 (default 64)", nullptr};
const CliOption kKhz{"khz", 0, "N", "the 24Cxx's I2C clock in kHz, 5..900 (default 100)", nullptr};
const CliOption kOutput{"output", 'o', "FILE", "the file to write; - or none: standard output", kCompleteFiles};
const CliOption kInput{"input", 'i', "FILE", "the file to read; -: standard input", kCompleteFiles};
const CliOption kFormat{"format", 'f', "FORMAT",
                        "raw, ihex or srec (default: by the file's name; on reading, by its content)", "raw ihex srec"};
const CliOption kStart{"start", 0, "N", "the first address (0x.. or decimal)", nullptr};
const CliOption kCount{"count", 0, "N", "how many bytes", nullptr};
const CliOption kNoVerify{"no-verify", 0, nullptr, "do not read the chip back and compare", nullptr};
const CliOption kYes{"yes", 'y', nullptr, "change the chip without asking", nullptr};
const CliOption kBackupDir{"backup-dir", 0, "DIR", "the backup folder (default ~/.local/share/Brindle/backups)",
                           kCompleteFolders};
const CliOption kIgnoreClock{"ignore-clock", 0, nullptr,
                             "write a 24Cxx even where a running PCF8583 shares its device bytes", nullptr};
const CliOption kJson{"json", 0, nullptr, "print one JSON object on standard output", nullptr};

// The clock's and the displays'.
const CliOption kClock{"chip", 'c', "CLOCK", "pcf8583 (default), ds1307 or ds3231", "pcf8583 ds1307 ds3231"};
const CliOption kType{"type", 't', "TYPE", "the display: ssd1306 or st7565", kDisplays};
const CliOption kX{"x", 0, "N", "the text's left edge in pixels (default 0)", nullptr};
const CliOption kY{"y", 0, "N", "the text's top edge in pixels (default 0)", nullptr};
const CliOption kSize{"size", 0, "1..4", "the text's size (default 1)", "1 2 3 4"};
const CliOption kSeconds{"seconds", 0, "N", "frames to draw, one a second (default: until Ctrl+C)", nullptr};

const std::vector<const CliOption *> kEepromChip = {&kChip, &kOrg, &kAddrI2c, &kBlock, &kKhz};
const std::vector<const CliOption *> kChange = {&kNoVerify, &kYes, &kBackupDir, &kIgnoreClock};

std::vector<const CliOption *> operator+(std::vector<const CliOption *> a, const std::vector<const CliOption *> &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

const char kChangeDetails[] =
    "First the chip is read and saved in the backup folder, and what would change is shown;\n"
    "nothing is written when nothing would change. On a terminal it asks; otherwise --yes is\n"
    "needed. Only the pages (24Cxx) or words (93Cxx) that differ are written, then the chip is\n"
    "read back and compared. On a 24Cxx whose device bytes a running PCF8583 clock shares (A2),\n"
    "it stops unless --ignore-clock.\n";

} // namespace

const std::vector<const CliOption *> &GlobalOptions()
{
    static const std::vector<const CliOption *> options = {&kHelp, &kVersion, &kQuiet, &kVerbose, &kWait, &kSimulator};
    return options;
}

const std::vector<CliCommand> &CliCommands()
{
    static const std::vector<CliCommand> rows = {
        {{"info"},
         "[OPTIONS]",
         0,
         "the adapter, its release and strings, and the devices on the I2C bus",
         "Nothing is written: each device address is read once.\n",
         {&kJson}},
        {{"eeprom", "read"},
         "-c CHIP [OPTIONS]",
         0,
         "read the chip into a file, standard output or a hex dump",
         "Without -o and -f a hex dump goes to standard output; with -f alone, that format does.\n"
         "The CRC-32 of the bytes read goes to standard error; after a whole-chip read whose\n"
         "contents repeat, also the smaller chip it probably is.\n",
         kEepromChip + std::vector<const CliOption *>{&kOutput, &kFormat, &kStart, &kCount, &kJson}},
        {{"eeprom", "write"},
         "-c CHIP -i FILE [OPTIONS]",
         0,
         "write a file's bytes to the chip",
         kChangeDetails,
         kEepromChip + std::vector<const CliOption *>{&kInput, &kFormat} + kChange},
        {{"eeprom", "verify"},
         "-c CHIP -i FILE [OPTIONS]",
         0,
         "compare the chip with a file",
         nullptr,
         kEepromChip + std::vector<const CliOption *>{&kInput, &kFormat}},
        {{"eeprom", "erase"}, "-c CHIP [OPTIONS]", 0, "set every byte to FF", kChangeDetails, kEepromChip + kChange},
        {{"eeprom", "blank"}, "-c CHIP [OPTIONS]", 0, "check that every byte is FF", nullptr, kEepromChip},
        {{"rtc", "get"}, "[OPTIONS]", 0, "print the clock's date and time", nullptr, {&kClock, &kJson}},
        {{"rtc", "set"}, "[OPTIONS] now|\"YYYY-MM-DD HH:MM:SS\"", 1, "set the clock", nullptr, {&kClock}, "now"},
        {{"display", "init"}, "-t TYPE", 0, "initialise the controller", nullptr, {&kType}},
        {{"display", "clear"}, "-t TYPE", 0, "initialise it and clear it", nullptr, {&kType}},
        {{"display", "text"},
         "-t TYPE [OPTIONS] TEXT",
         1,
         "initialise it and write TEXT (Windows-1250)",
         nullptr,
         {&kType, &kX, &kY, &kSize}},
        {{"display", "image"},
         "-t TYPE FILE.bmp",
         1,
         "initialise it and show a monochrome BMP",
         nullptr,
         {&kType},
         kCompleteFiles},
        {{"display", "demo"}, "-t TYPE", 0, "initialise it and run the demo once (about 5 s)", nullptr, {&kType}},
        {{"display", "clock"},
         "-t TYPE [OPTIONS]",
         0,
         "draw the computer's time once a second",
         nullptr,
         {&kType, &kSeconds}},
    };
    return rows;
}

const CliCommand *FindCliCommand(const QStringList &words)
{
    for (const CliCommand &row : CliCommands())
        if (words.mid(0, row.words.size()) == row.words)
            return &row;
    return nullptr;
}

std::vector<const CliCommand *> CommandGroup(const QString &first)
{
    std::vector<const CliCommand *> group;
    for (const CliCommand &row : CliCommands())
        if (row.words.first() == first)
            group.push_back(&row);
    return group;
}

namespace {
template <class Matches>
const CliOption *FindAnywhere(Matches matches)
{
    for (const CliOption *option : GlobalOptions())
        if (matches(*option))
            return option;
    for (const CliCommand &row : CliCommands())
        for (const CliOption *option : row.options)
            if (matches(*option))
                return option;
    return nullptr;
}
} // namespace

const CliOption *FindCliOption(const QString &longName)
{
    return FindAnywhere([&](const CliOption &o) { return longName == QLatin1String(o.name); });
}

const CliOption *FindCliShortOption(QChar shortName)
{
    return FindAnywhere([&](const CliOption &o) { return o.shortName && shortName == QLatin1Char(o.shortName); });
}

const CliOption *OptionOf(const CliCommand *command, const QString &longName)
{
    for (const CliOption *option : GlobalOptions())
        if (longName == QLatin1String(option->name))
            return option;
    if (command)
        for (const CliOption *option : command->options)
            if (longName == QLatin1String(option->name))
                return option;
    return nullptr;
}
