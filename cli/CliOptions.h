#pragma once
// What brindle-cli was asked to do: the command words, the options each
// command takes, and the usage errors (exit status 2) found before any
// adapter is opened.
#include <QMap>
#include <QString>
#include <QStringList>

enum CliExit {
    ceDone = 0,
    ceFailed = 1,
    ceUsage = 2,
    ceNoAdapter = 3,
};

struct CliOptions {
    QStringList words;             // "eeprom", "read"; "rtc", "set", "now"; ...
    QMap<QString, QString> values; // option name (long form) -> value, "" for a flag
    bool simulator = false;
    QStringList simulatorOptions;
    bool quiet = false;
    int Verbosity = 0; // -v: each step; -vv: every transfer as well
    int waitSeconds = 0;

    bool has(const QString &name) const { return values.contains(name); }
    QString value(const QString &name) const { return values.value(name); }
};

struct CliParse {
    enum class Action {
        Run,
        ShowText,
        Fail
    };
    Action action = Action::Run;
    QString text;
    CliOptions options;
};

// arguments as main has them, the program's name first. "brindle-cli
// __complete N WORD..." answers the shell's completion (see CliCompletion.h).
CliParse ParseCliArguments(const QStringList &arguments, bool simulatorByEnvironment);
