#pragma once
// One HTTP GET of the update check. Its carrier lives in a module of its own,
// so the network libraries are loaded when a check runs, not at start.
#include <QByteArray>
#include <QString>
#include <QUrl>

#include <functional>
#include <memory>

struct TUpdateRequest {
    QUrl Url;
    QString UserAgent;
    // The carrier stops reading once this much waits unread.
    qint64 ReadBufferSize = 0;
    // Without the system's proxy.
    bool Direct = false;
};

// Called from the event loop; any of them may drop the transfer.
struct TUpdateTransferEvents {
    std::function<void()> Head;
    std::function<void()> Data;
    std::function<void()> Finished;
};

class TUpdateTransfer {
public:
    virtual ~TUpdateTransfer() = default;
    // Drops any transfer still running first.
    virtual void Get(const TUpdateRequest &request, const TUpdateTransferEvents &events) = 0;
    // Aborts; no event follows.
    virtual void Drop() = 0;
    // 0 before an answer's head or without HTTP.
    virtual int Status() const = 0;
    virtual QByteArray Header(const QByteArray &name) const = 0;
    // -1 when the answer names no length.
    virtual qint64 ContentLength() const = 0;
    // Resolved against the address asked; empty when the answer names none.
    virtual QUrl RedirectTarget() const = 0;
    virtual QByteArray Read(qint64 maxBytes) = 0;
    // Empty when the transfer ended without a fault.
    virtual QString Fault() const = 0;
};

// The module's one exported function.
using TNewUpdateTransfer = TUpdateTransfer *(*)();
inline constexpr const char *kNewUpdateTransferSymbol = "BrindleNewUpdateTransfer";
inline constexpr const char *kUpdateModuleName = "brindle_update_network";
