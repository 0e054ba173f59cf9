#pragma once
// The adapter a command works on, opened only once the command's options
// have been checked, so a usage error never touches the adapter.
#include "CliOptions.h"

#include <QString>
#include <memory>

class AdapterChoice;
class TZqLibUSB;

class CliSession {
public:
    explicit CliSession(const CliOptions &options);
    ~CliSession();

    const CliOptions &Options() const { return FOptions; }
    // The connected link, waiting --wait seconds for one; null when there is
    // none, after saying why on standard error.
    TZqLibUSB *Link();
    // Saves the virtual chips' state; false, said on standard error, when it cannot.
    bool Finish();

    // Messages go to standard error with the program's name; --quiet keeps notes out.
    static void Error(const QString &text);
    void Note(const QString &text) const;
    // One step of the work, said with -v.
    void Step(const QString &text) const;

private:
    CliOptions FOptions;
    std::unique_ptr<AdapterChoice> FAdapter;
    TZqLibUSB *FLink = nullptr;
    bool FAccessDenied = false;
};

// Reads a whole number option; false with the error said when it is not one within min..max.
bool IntOption(const CliOptions &options, const QString &name, int min, int max, int &value);
