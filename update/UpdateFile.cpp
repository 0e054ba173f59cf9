#include "UpdateFile.h"

#include "UpdateAddress.h"
#include "UpdateVersion.h"

#include <QStringConverter>
#include <QStringList>

namespace {

const QString kVersionKey = QStringLiteral("version");
const QString kPageKey = QStringLiteral("page");
const QString kNotesKey = QStringLiteral("notes");

bool Fault(QString &error, const QString &why)
{
    error = why;
    return false;
}

struct TFileReader {
    TFileReader(const QUrl &source, TUpdateOffer &offer, QString &error) : source(source), offer(offer), error(error) {}

    const QUrl &source;
    TUpdateOffer &offer;
    QString &error;
    bool haveVersion = false;
    bool havePage = false;
    QStringList notes;

    bool ReadLine(const QString &line, int number)
    {
        if (line.trimmed().isEmpty() || line.trimmed().startsWith(QLatin1Char('#')))
            return true;
        const int equals = line.indexOf(QLatin1Char('='));
        if (equals < 0)
            return Fault(error, QStringLiteral("line %1 is not key=value").arg(number));
        const QString key = line.left(equals).trimmed();
        const QString value = line.mid(equals + 1).trimmed();
        if (key == kVersionKey)
            return ReadVersion(value);
        if (key == kPageKey)
            return ReadPage(value);
        if (key == kNotesKey)
            notes.append(value);
        // Other keys are left for later versions of the format.
        return true;
    }

    bool ReadVersion(const QString &value)
    {
        if (haveVersion)
            return Fault(error, QStringLiteral("version given twice"));
        if (!ParseVersion(value))
            return Fault(error, QStringLiteral("\"%1\" is not a version number").arg(value));
        haveVersion = true;
        offer.Version = value;
        return true;
    }

    bool ReadPage(const QString &value)
    {
        if (havePage)
            return Fault(error, QStringLiteral("page given twice"));
        const QUrl page(value, QUrl::StrictMode);
        QString refusal;
        if (!IsAllowedUpdateUrl(page, &refusal) || !IsAllowedRedirect(source, page, &refusal))
            return Fault(error, QStringLiteral("download page: %1").arg(refusal));
        havePage = true;
        offer.Page = page;
        return true;
    }

    bool Finish()
    {
        if (!haveVersion)
            return Fault(error, QStringLiteral("no version given"));
        if (!havePage)
            return Fault(error, QStringLiteral("no download page given"));
        offer.Notes = notes.join(QLatin1Char('\n'));
        return true;
    }
};

} // namespace

bool ParseUpdateFile(const QByteArray &data, const QUrl &source, TUpdateOffer &offer, QString &error)
{
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder(data);
    if (decoder.hasError())
        return Fault(error, QStringLiteral("not UTF-8 text"));
    TUpdateOffer read;
    TFileReader reader{source, read, error};
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        QString line = lines[i];
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (!reader.ReadLine(line, i + 1))
            return false;
    }
    if (!reader.Finish())
        return false;
    offer = read;
    return true;
}
