#include "WebUpdate.h"

#include "UpdateAddress.h"
#include "UpdateModule.h"
#include "UpdateVersion.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTimer>

namespace {

// One check appends a few lines; a log past this starts over.
constexpr qint64 kMaxLogBytes = 64 * 1024;

QString Seconds(int ms) { return QString::number(ms / 1000.0); }

// The server's own reason phrase is left out: it is the server's text, not
// ours, and ends up in a tooltip.
QString HttpFault(int status) { return QStringLiteral("the server answered HTTP %1").arg(status); }

} // namespace

TWebUpdate::TWebUpdate(QObject *AOwner)
    : QObject(AOwner), FUpdateUrl(QLatin1String(kDefaultUpdateAddress)),
      FRunningVersion(QCoreApplication::applicationVersion()), FModuleFolders(DefaultUpdateModuleFolders()),
      FTimeLimit(new QTimer(this))
{
    FTimeLimit->setSingleShot(true);
    connect(FTimeLimit, &QTimer::timeout, this, &TWebUpdate::TimeLimitReached);
}

TWebUpdate::~TWebUpdate() { DropReply(); }

bool TWebUpdate::CheckForUpdate()
{
    if (FState == usChecking || FState == usNewer || FState == usCurrent)
        return false;
    ++FCheckNumber;
    FState = usChecking;
    FOffer = {};
    FFailReason.clear();
    emit CheckStarted();
    Log(QStringLiteral("check %1, running %2").arg(FUpdateUrl.toDisplayString(), FRunningVersion));
    QString refusal;
    FRunningNumber = ParseVersion(FRunningVersion);
    if (!FRunningNumber)
        Fail(QStringLiteral("the running version \"%1\" is not a version number").arg(FRunningVersion));
    else if (!IsAllowedUpdateUrl(FUpdateUrl, &refusal))
        Fail(refusal);
    else
        StartChecking();
    return true;
}

// The time limit covers the whole check, redirections included.
void TWebUpdate::StartChecking()
{
    QString fault;
    if (!FTransfer)
        FTransfer = LoadUpdateTransfer(FModuleFolders, &fault);
    if (!FTransfer)
        return Fail(fault);
    FRedirects = 0;
    FTimeLimit->start(FTimeLimitMs);
    StartRequest(FUpdateUrl);
}

void TWebUpdate::StartRequest(const QUrl &url)
{
    FBody.clear();
    // A proxy cannot reach this computer's loopback on our behalf.
    FTransfer->Get({url, QStringLiteral("Brindle/%1").arg(FRunningVersion), FMaxResponseBytes + 1, IsLoopbackUrl(url)},
                   {[this] { ReplyMetaData(); }, [this] { ReplyReadyRead(); }, [this] { ReplyFinished(); }});
}

// Redirections are followed here, one request per hop, so that each target
// is checked before anything is sent to it.
void TWebUpdate::FollowRedirect(const QUrl &target)
{
    QString refusal;
    if (++FRedirects > kMaxRedirects)
        return Fail(QStringLiteral("more than %1 redirections").arg(kMaxRedirects));
    if (!IsAllowedRedirect(FUpdateUrl, target, &refusal))
        return Fail(QStringLiteral("redirection refused: %1").arg(refusal));
    Log(QStringLiteral("redirected to %1").arg(target.toDisplayString()));
    DropReply();
    StartRequest(target);
}

QString TWebUpdate::TooLarge() const
{
    return QStringLiteral("the update file is larger than %1 bytes").arg(FMaxResponseBytes);
}

// Refused on the head alone, before a byte of the body is read.
void TWebUpdate::ReplyMetaData()
{
    const QByteArray encoding = FTransfer->Header("Content-Encoding").trimmed().toLower();
    if (!encoding.isEmpty() && encoding != "identity")
        return Fail(QStringLiteral("the server sent a %1-encoded answer, which was not asked for")
                        .arg(QString::fromLatin1(encoding.left(32))));
    if (FTransfer->ContentLength() > FMaxResponseBytes)
        Fail(TooLarge());
}

// Never more than one byte past the limit is held.
void TWebUpdate::ReplyReadyRead()
{
    FBody += FTransfer->Read(FMaxResponseBytes + 1 - FBody.size());
    if (FBody.size() > FMaxResponseBytes)
        Fail(TooLarge());
}

void TWebUpdate::ReplyFinished()
{
    const int status = FTransfer->Status();
    const QUrl target = FTransfer->RedirectTarget();
    if (status >= 300 && status < 400 && !target.isEmpty())
        return FollowRedirect(target);
    if (status != 0 && status != 200)
        return Fail(HttpFault(status));
    const QString fault = FTransfer->Fault();
    if (!fault.isEmpty())
        return Fail(fault);
    ReplyReadyRead();
    if (FState != usChecking)
        return;
    const QByteArray body = FBody;
    DropReply();
    Answer(body);
}

void TWebUpdate::TimeLimitReached()
{
    Fail(QStringLiteral("no answer from %1 within %2 s").arg(FUpdateUrl.host(), Seconds(FTimeLimitMs)));
}

void TWebUpdate::Answer(const QByteArray &body)
{
    TUpdateOffer offer;
    QString error;
    if (!ParseUpdateFile(body, FUpdateUrl, offer, error))
        return Fail(QStringLiteral("the update file is malformed: %1").arg(error));
    FOffer = offer;
    const bool newer = CompareVersions(*ParseVersion(offer.Version), *FRunningNumber) > 0;
    Log(QStringLiteral("%1 %2 offered at %3")
            .arg(newer ? QStringLiteral("newer") : QStringLiteral("not newer"), offer.Version,
                 offer.Page.toDisplayString()));
    Finish(newer ? usNewer : usCurrent);
}

void TWebUpdate::Fail(const QString &reason)
{
    FFailReason = reason;
    Log(QStringLiteral("failed: %1").arg(reason));
    Finish(usFailed);
}

void TWebUpdate::Finish(TUpdateState state)
{
    FTimeLimit->stop();
    DropReply();
    FState = state;
    const int check = FCheckNumber;
    QMetaObject::invokeMethod(
        this,
        [this, check] {
            if (check == FCheckNumber)
                emit CheckFinished();
        },
        Qt::QueuedConnection);
}

void TWebUpdate::DropReply()
{
    if (FTransfer)
        FTransfer->Drop();
}

void TWebUpdate::Log(const QString &text) const
{
    if (FLogFileName.isEmpty())
        return;
    QDir().mkpath(QFileInfo(FLogFileName).absolutePath());
    QFile file(FLogFileName);
    const bool startOver = file.size() > kMaxLogBytes;
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text | (startOver ? QIODevice::Truncate : QIODevice::Append)))
        return;
    const QString line =
        QDateTime::currentDateTime().toString(Qt::ISODate) + QLatin1Char(' ') + text + QLatin1Char('\n');
    file.write(line.toUtf8());
}

QString DefaultUpdateLogFileName()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::CacheLocation)).filePath(QStringLiteral("update.log"));
}
