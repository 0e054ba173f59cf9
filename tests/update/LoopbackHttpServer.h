#pragma once
// A tiny HTTP/1.1 responder on 127.0.0.1 with canned answers by path. Every
// answer closes its connection; a silent path accepts and never answers.
#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTcpServer>
#include <QUrl>

class QTcpSocket;

class TLoopbackHttpServer : public QObject {
    Q_OBJECT

public:
    explicit TLoopbackHttpServer(QObject *parent = nullptr);
    ~TLoopbackHttpServer() override;

    bool Listen();
    QUrl Url(const QString &path) const;

    // A complete answer with Content-Length.
    void Serve(const QString &path, int status, const QByteArray &body);
    // The bytes exactly as given, then the connection closes.
    void ServeRaw(const QString &path, const QByteArray &response);
    void Redirect(const QString &path, const QString &location);
    void Silent(const QString &path);

    int Requests(const QString &path) const { return FRequests.value(path); }
    int AllRequests() const;

private:
    void Accept();
    void ReadRequest(QTcpSocket *socket);
    void Answer(QTcpSocket *socket, const QString &path);

    QTcpServer FServer;
    QHash<QString, QByteArray> FAnswers;
    QHash<QString, int> FRequests;
    QList<QString> FSilent;
    QList<QPointer<QTcpSocket>> FHeld;
};
