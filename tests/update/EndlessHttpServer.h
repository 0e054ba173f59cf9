#pragma once
// An HTTP server on 127.0.0.1 whose one answer never ends: a chunked body
// written on a thread of its own, as fast as the client takes it, so the
// client's event loop cannot slow it down. It stops when the client hangs up
// or after a bound that keeps a failing test finite.
#include <QUrl>

#include <atomic>
#include <thread>

class TEndlessHttpServer {
public:
    TEndlessHttpServer();
    ~TEndlessHttpServer();

    bool Listen();
    QUrl Url() const;
    qint64 BytesSent() const { return FSent; }

private:
    void Serve();

    int FListener = -1;
    int FPort = 0;
    std::atomic<qint64> FSent{0};
    std::atomic<bool> FStop{false};
    std::thread FThread;
};
