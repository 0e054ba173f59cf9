#include "WebUpdate.h"

#include "UpdateAddress.h"
#include "UpdateVersion.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QStandardPaths>
#include <QTimer>

namespace {

// One check appends a few lines; a log past this starts over.
constexpr qint64 kMaxLogBytes = 64 * 1024;

QString Seconds(int ms) { return QString::number(ms / 1000.0); }

int HttpStatus(QNetworkReply *reply) { return reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(); }

// The server's own reason phrase is left out: it is the server's text, not
// ours, and ends up in a tooltip.
QString HttpFault(int status) { return QStringLiteral("the server answered HTTP %1").arg(status); }

QString NetworkFault(QNetworkReply *reply)
{
    const QString text = reply->errorString();
    return text.isEmpty() ? QStringLiteral("the download failed (network error %1)").arg(int(reply->error())) : text;
}

} // namespace

TWebUpdate::TWebUpdate(QObject *AOwner)
    : QObject(AOwner), FUpdateUrl(QLatin1String(kDefaultUpdateAddress)),
      FRunningVersion(QCoreApplication::applicationVersion()), FTimeLimit(new QTimer(this))
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
    FRedirects = 0;
    FTimeLimit->start(FTimeLimitMs);
    StartRequest(FUpdateUrl);
}

void TWebUpdate::StartRequest(const QUrl &url)
{
    if (!FManager)
        FManager = new QNetworkAccessManager(this);
    // A proxy cannot reach this computer's loopback on our behalf.
    FManager->setProxy(IsLoopbackUrl(url) ? QNetworkProxy(QNetworkProxy::NoProxy)
                                          : QNetworkProxy(QNetworkProxy::DefaultProxy));
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setHeader(QNetworkRequest::UserAgentHeader, QStringLiteral("Brindle/%1").arg(FRunningVersion));
    // Asked for plainly, an answer cannot inflate behind the size limit's back.
    request.setRawHeader("Accept-Encoding", "identity");
    FBody.clear();
    FReply = FManager->get(request);
    // The network thread stops reading once this much waits unread.
    FReply->setReadBufferSize(FMaxResponseBytes + 1);
    connect(FReply, &QNetworkReply::metaDataChanged, this, &TWebUpdate::ReplyMetaData);
    connect(FReply, &QNetworkReply::readyRead, this, &TWebUpdate::ReplyReadyRead);
    connect(FReply, &QNetworkReply::finished, this, &TWebUpdate::ReplyFinished);
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
    const QByteArray encoding = FReply->rawHeader("Content-Encoding").trimmed().toLower();
    if (!encoding.isEmpty() && encoding != "identity")
        return Fail(QStringLiteral("the server sent a %1-encoded answer, which was not asked for")
                        .arg(QString::fromLatin1(encoding.left(32))));
    const QVariant length = FReply->header(QNetworkRequest::ContentLengthHeader);
    if (length.isValid() && length.toLongLong() > FMaxResponseBytes)
        Fail(TooLarge());
}

// Never more than one byte past the limit is held.
void TWebUpdate::ReplyReadyRead()
{
    FBody += FReply->read(FMaxResponseBytes + 1 - FBody.size());
    if (FBody.size() > FMaxResponseBytes)
        Fail(TooLarge());
}

void TWebUpdate::ReplyFinished()
{
    const int status = HttpStatus(FReply);
    const QUrl target = FReply->attribute(QNetworkRequest::RedirectionTargetAttribute).toUrl();
    if (status >= 300 && status < 400 && target.isValid())
        return FollowRedirect(FReply->url().resolved(target));
    if (status != 0 && status != 200)
        return Fail(HttpFault(status));
    if (FReply->error() != QNetworkReply::NoError)
        return Fail(NetworkFault(FReply));
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

// Called from inside the reply's own signals too, so the reply is only
// scheduled for deletion.
void TWebUpdate::DropReply()
{
    if (!FReply)
        return;
    QNetworkReply *reply = FReply;
    FReply = nullptr;
    disconnect(reply, nullptr, this, nullptr);
    reply->abort();
    reply->deleteLater();
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
