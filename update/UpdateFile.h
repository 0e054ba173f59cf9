#pragma once
// The update description file: UTF-8 text of key=value lines, described in
// the README (section "Update check").
#include <QByteArray>
#include <QString>
#include <QUrl>

struct TUpdateOffer {
    QString Version;
    QUrl Page;
    QString Notes;
};

// Reads the file fetched from source. The download page must be https, or
// loopback http when the file itself came from loopback. On failure returns
// false with the first fault in words.
bool ParseUpdateFile(const QByteArray &data, const QUrl &source, TUpdateOffer &offer, QString &error);
