// The network module: the only part of Brindle that links Qt Network.
#include "UpdateTransfer.h"

#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>

namespace {

class TNetworkTransfer final : public TUpdateTransfer {
public:
    ~TNetworkTransfer() override { Drop(); }

    void Get(const TUpdateRequest &request, const TUpdateTransferEvents &events) override
    {
        Drop();
        FManager.setProxy(request.Direct ? QNetworkProxy(QNetworkProxy::NoProxy)
                                         : QNetworkProxy(QNetworkProxy::DefaultProxy));
        QNetworkRequest get(request.Url);
        get.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
        get.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
        get.setHeader(QNetworkRequest::UserAgentHeader, request.UserAgent);
        // Asked for plainly, an answer cannot inflate behind the size limit's back.
        get.setRawHeader("Accept-Encoding", "identity");
        FReply = FManager.get(get);
        FReply->setReadBufferSize(request.ReadBufferSize);
        QObject::connect(FReply, &QNetworkReply::metaDataChanged, FReply, events.Head);
        QObject::connect(FReply, &QNetworkReply::readyRead, FReply, events.Data);
        QObject::connect(FReply, &QNetworkReply::finished, FReply, events.Finished);
    }

    // Called from inside the reply's own signals too, so the reply is only
    // scheduled for deletion.
    void Drop() override
    {
        if (!FReply)
            return;
        QNetworkReply *reply = FReply;
        FReply = nullptr;
        QObject::disconnect(reply, nullptr, reply, nullptr);
        reply->abort();
        reply->deleteLater();
    }

    int Status() const override
    {
        return FReply ? FReply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() : 0;
    }

    QByteArray Header(const QByteArray &name) const override { return FReply ? FReply->rawHeader(name) : QByteArray(); }

    qint64 ContentLength() const override
    {
        const QVariant length = FReply ? FReply->header(QNetworkRequest::ContentLengthHeader) : QVariant();
        return length.isValid() ? length.toLongLong() : -1;
    }

    QUrl RedirectTarget() const override
    {
        const QUrl target = FReply ? FReply->attribute(QNetworkRequest::RedirectionTargetAttribute).toUrl() : QUrl();
        return target.isValid() ? FReply->url().resolved(target) : QUrl();
    }

    QByteArray Read(qint64 maxBytes) override { return FReply ? FReply->read(maxBytes) : QByteArray(); }

    QString Fault() const override
    {
        if (!FReply || FReply->error() == QNetworkReply::NoError)
            return {};
        const QString text = FReply->errorString();
        return text.isEmpty() ? QStringLiteral("the download failed (network error %1)").arg(int(FReply->error()))
                              : text;
    }

private:
    QNetworkAccessManager FManager;
    QPointer<QNetworkReply> FReply;
};

} // namespace

extern "C" Q_DECL_EXPORT TUpdateTransfer *BrindleNewUpdateTransfer() { return new TNetworkTransfer; }
