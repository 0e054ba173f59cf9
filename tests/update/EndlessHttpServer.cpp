#include "EndlessHttpServer.h"

#include <QByteArray>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
constexpr qint64 kBound = 512LL * 1024 * 1024;
constexpr int kChunk = 64 * 1024;

bool SendAll(int fd, const QByteArray &bytes)
{
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t n = ::send(fd, bytes.constData() + done, size_t(bytes.size() - done), MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}
} // namespace

TEndlessHttpServer::TEndlessHttpServer() = default;

TEndlessHttpServer::~TEndlessHttpServer()
{
    FStop = true;
    if (FListener >= 0)
        ::shutdown(FListener, SHUT_RDWR);
    if (FThread.joinable())
        FThread.join();
    if (FListener >= 0)
        ::close(FListener);
}

bool TEndlessHttpServer::Listen()
{
    FListener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (FListener < 0 || ::bind(FListener, reinterpret_cast<sockaddr *>(&address), size) != 0 ||
        ::listen(FListener, 1) != 0 || ::getsockname(FListener, reinterpret_cast<sockaddr *>(&address), &size) != 0)
        return false;
    FPort = ntohs(address.sin_port);
    FThread = std::thread([this] { Serve(); });
    return true;
}

QUrl TEndlessHttpServer::Url() const { return QUrl(QStringLiteral("http://127.0.0.1:%1/endless").arg(FPort)); }

void TEndlessHttpServer::Serve()
{
    pollfd waiting{FListener, POLLIN, 0};
    if (::poll(&waiting, 1, 20000) <= 0 || FStop)
        return;
    const int client = ::accept4(FListener, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0)
        return;
    char head[4096];
    (void)::recv(client, head, sizeof head, 0);
    const QByteArray chunk = QByteArray::number(kChunk, 16) + "\r\n" + QByteArray(kChunk, '#') + "\r\n";
    bool open = SendAll(client, "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nConnection: close\r\n\r\n");
    while (open && !FStop && FSent < kBound) {
        open = SendAll(client, chunk);
        if (open)
            FSent += kChunk;
    }
    ::close(client);
}
