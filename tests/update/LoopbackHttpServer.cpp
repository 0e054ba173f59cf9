#include "LoopbackHttpServer.h"

#include <QHostAddress>
#include <QTcpSocket>

namespace {

QByteArray Reason(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 302:
        return "Found";
    case 404:
        return "Not Found";
    default:
        return "Status";
    }
}

QByteArray Response(int status, const QByteArray &headers, const QByteArray &body)
{
    return "HTTP/1.1 " + QByteArray::number(status) + ' ' + Reason(status) + "\r\n" + headers +
           "Content-Length: " + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

} // namespace

TLoopbackHttpServer::TLoopbackHttpServer(QObject *parent) : QObject(parent)
{
    connect(&FServer, &QTcpServer::newConnection, this, &TLoopbackHttpServer::Accept);
}

TLoopbackHttpServer::~TLoopbackHttpServer()
{
    for (const QPointer<QTcpSocket> &socket : FHeld) {
        if (socket)
            socket->abort();
    }
}

bool TLoopbackHttpServer::Listen() { return FServer.listen(QHostAddress::LocalHost, 0); }

QUrl TLoopbackHttpServer::Url(const QString &path) const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(FServer.serverPort()).arg(path));
}

void TLoopbackHttpServer::Serve(const QString &path, int status, const QByteArray &body)
{
    FAnswers.insert(path, Response(status, "Content-Type: text/plain; charset=utf-8\r\n", body));
}

void TLoopbackHttpServer::ServeRaw(const QString &path, const QByteArray &response) { FAnswers.insert(path, response); }

void TLoopbackHttpServer::Redirect(const QString &path, const QString &location)
{
    FAnswers.insert(path, Response(302, "Location: " + location.toUtf8() + "\r\n", QByteArray()));
}

void TLoopbackHttpServer::Silent(const QString &path) { FSilent.append(path); }

int TLoopbackHttpServer::AllRequests() const
{
    int all = 0;
    for (const int count : FRequests)
        all += count;
    return all;
}

void TLoopbackHttpServer::Accept()
{
    while (QTcpSocket *socket = FServer.nextPendingConnection()) {
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { ReadRequest(socket); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
}

// Only the request line matters; the rest of the head is read and dropped.
void TLoopbackHttpServer::ReadRequest(QTcpSocket *socket)
{
    const QByteArray received = socket->property("head").toByteArray() + socket->readAll();
    socket->setProperty("head", received);
    if (!received.contains("\r\n\r\n"))
        return;
    const QList<QByteArray> requestLine = received.left(received.indexOf("\r\n")).split(' ');
    const QString path = requestLine.size() == 3 ? QString::fromLatin1(requestLine[1]) : QString();
    ++FRequests[path];
    socket->setProperty("head", QByteArray());
    Answer(socket, path);
}

void TLoopbackHttpServer::Answer(QTcpSocket *socket, const QString &path)
{
    if (FSilent.contains(path)) {
        FHeld.append(socket);
        return;
    }
    socket->write(FAnswers.value(path, Response(404, QByteArray(), "no such file\n")));
    socket->disconnectFromHost();
}
