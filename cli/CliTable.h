#pragma once
// The commands and options brindle-cli knows, as rows: the parser, the help
// and the shell completion all read them, so an option added to a command's
// row shows in its --help and completes after its words.
#include <QString>
#include <QStringList>
#include <vector>

// What the shell completes after an option: a word from the list, a file or a folder.
extern const char kCompleteFiles[];
extern const char kCompleteFolders[];

struct CliOption {
    const char *name;        // the long name: --name
    char shortName;          // -x, or 0
    const char *value;       // what follows it in the help ("FILE"), null for a flag
    const char *help;        // one line
    const char *choices;     // words the shell offers for its value, kCompleteFiles, ... or null
    bool repeatable = false; // counted, as -vv is
};

struct CliCommand {
    QStringList words;   // "eeprom", "read"
    const char *usage;   // what follows the words: "-c CHIP [OPTIONS]"
    int extraWords;      // words after the command's own it takes
    const char *summary; // one line for the list of commands
    const char *details; // more lines for the command's --help, or null
    std::vector<const CliOption *> options;
    const char *argumentChoices = nullptr; // what the shell offers for the extra word
};

const std::vector<const CliOption *> &GlobalOptions();
const std::vector<CliCommand> &CliCommands();

// The command whose words begin words, or null.
const CliCommand *FindCliCommand(const QStringList &words);
// The commands under a first word ("eeprom"), in table order.
std::vector<const CliCommand *> CommandGroup(const QString &first);
// A global option or one of any command's, by its long or short name; null when unknown.
const CliOption *FindCliOption(const QString &longName);
const CliOption *FindCliShortOption(QChar shortName);
// A global option or one of command's, by long name; null when it does not apply.
const CliOption *OptionOf(const CliCommand *command, const QString &longName);
