#pragma once
// The --help texts, made from the command and option rows: the program's
// (commands, global options, the simulator's, exit status), a group's
// ("eeprom --help") and a command's, each with only the options it takes.
#include <QString>
#include <QStringList>

QString CliHelp(const QStringList &words);
