#pragma once
// Asks the maker's server whether a newer Brindle is offered. The check runs
// in the background of the event loop, within a time limit and a size cap,
// and answers once: a failed check may be asked again, an answered one not.
// It never downloads or runs anything but the small description file.
#include "UpdateFile.h"
#include "UpdateTransfer.h"
#include "UpdateVersion.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <memory>
#include <optional>

class QTimer;

class TWebUpdate : public QObject {
    Q_OBJECT

public:
    enum TUpdateState {
        usIdle,
        usChecking,
        usNewer,
        usCurrent,
        usFailed
    };
    Q_ENUM(TUpdateState)

    static constexpr int kDefaultTimeLimitMs = 10000;
    static constexpr qint64 kDefaultMaxResponseBytes = 64 * 1024;
    static constexpr int kMaxRedirects = 3;

    explicit TWebUpdate(QObject *AOwner = nullptr);
    ~TWebUpdate() override;

    QUrl UpdateUrl() const { return FUpdateUrl; }
    void SetUpdateUrl(const QUrl &value) { FUpdateUrl = value; }
    // The version the offer is compared with; the application's by default.
    QString RunningVersion() const { return FRunningVersion; }
    void SetRunningVersion(const QString &value) { FRunningVersion = value; }
    // Empty: no log is written.
    QString LogFileName() const { return FLogFileName; }
    void SetLogFileName(const QString &value) { FLogFileName = value; }
    int TimeLimitMs() const { return FTimeLimitMs; }
    void SetTimeLimitMs(int value) { FTimeLimitMs = value; }
    qint64 MaxResponseBytes() const { return FMaxResponseBytes; }
    void SetMaxResponseBytes(qint64 value) { FMaxResponseBytes = value; }
    // Where the network module is looked for at the first check.
    QStringList ModuleFolders() const { return FModuleFolders; }
    void SetModuleFolders(const QStringList &value) { FModuleFolders = value; }

    // Starts a check unless one is running or one has answered; false when it
    // started none. CheckFinished follows from the event loop, never from
    // inside this call.
    bool CheckForUpdate();

    TUpdateState State() const { return FState; }
    bool NewerAvailable() const { return FState == usNewer; }
    // What the server offers, once the state is usNewer or usCurrent.
    const TUpdateOffer &Offer() const { return FOffer; }
    // Why the last check failed, in words.
    QString FailReason() const { return FFailReason; }

signals:
    void CheckStarted();
    void CheckFinished();

private:
    void StartChecking();
    void StartRequest(const QUrl &url);
    void FollowRedirect(const QUrl &target);
    void ReplyMetaData();
    QString TooLarge() const;
    void ReplyReadyRead();
    void ReplyFinished();
    void TimeLimitReached();
    void Answer(const QByteArray &body);
    void Fail(const QString &reason);
    void Finish(TUpdateState state);
    void DropReply();
    void Log(const QString &text) const;

    QUrl FUpdateUrl;
    QString FRunningVersion;
    QString FLogFileName;
    int FTimeLimitMs = kDefaultTimeLimitMs;
    qint64 FMaxResponseBytes = kDefaultMaxResponseBytes;
    QStringList FModuleFolders;

    TUpdateState FState = usIdle;
    std::optional<TVersionNumber> FRunningNumber;
    TUpdateOffer FOffer;
    QString FFailReason;
    int FCheckNumber = 0;
    int FRedirects = 0;
    QByteArray FBody;
    std::unique_ptr<TUpdateTransfer> FTransfer;
    QTimer *FTimeLimit = nullptr;
};

// update.log in the user's cache folder for this application.
QString DefaultUpdateLogFileName();
