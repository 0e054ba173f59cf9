#pragma once
// "-" for -i and -o: standard input and output, as every Unix tool takes
// them, and the names of the program's own two streams (/dev/stdin,
// /dev/stdout) as the same.
#include <QByteArray>
#include <QString>

class QJsonObject;

bool IsStandardInput(const QString &path);
bool IsStandardOutput(const QString &path);

// At most maxBytes and one more, so a larger stream is known as one; false
// with error set when standard input cannot be read.
bool ReadStandardInput(qint64 maxBytes, QByteArray &bytes, QString &error);
// Every byte written and flushed; false with error set otherwise.
bool WriteStandardOutput(const QByteArray &bytes, QString &error);
// Standard output is a terminal: raw bytes would only garble it.
bool StandardOutputIsTerminal();
// The run's one JSON object, on a line of its own.
void PrintJson(const QJsonObject &object);
