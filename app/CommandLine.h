#pragma once
// What the program was asked to do on its command line. Anything it does not
// understand stops it with a message, rather than starting on a guess.
#include <QString>
#include <QStringList>

struct CommandLine {
    enum class Action {
        Run,      // start the window
        ShowText, // print text (help, version) and end
        Fail,     // print text (what was wrong) and end with exit code 2
    };

    Action action = Action::Run;
    QString text;
    bool simulator = false;
    // The --sim-* options, each as "--sim-NAME=value".
    QStringList simulatorOptions;

    // arguments as the program got them, the program's name first.
    // simulatorByEnvironment: BRINDLE_SIMULATOR=1 chose the virtual adapter.
    static CommandLine parse(const QStringList &arguments, bool simulatorByEnvironment);
};
