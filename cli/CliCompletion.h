#pragma once
// The shell's completion, answered from the command and option rows:
// "brindle-cli __complete N WORD..." with the words after the program's name
// as the shell split them and N the index of the one being completed. One
// candidate a line, only those that begin with that word; "@files" or
// "@folders" asks the shell to complete a file or folder name.
#include <QString>
#include <QStringList>

QString CliCompletions(const QStringList &arguments);
