#pragma once
// One device operation at a time. The engines and drivers let the window
// process messages while they work, so without this a second click, a click
// on another page or a timer tick could start an operation that interleaves
// with the running one on the link's shared buffer, and write wrong data into
// the user's chip. Every device action of every page goes through the one
// guard the window owns.
#include <QObject>

class TDeviceGuard : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Held for the length of one operation; releases the guard when it goes,
    // however the operation ends (done, failed, adapter pulled).
    class THold {
    public:
        THold() = default;
        explicit THold(TDeviceGuard *guard) : FGuard(guard) {}
        THold(THold &&other) noexcept : FGuard(other.FGuard) { other.FGuard = nullptr; }
        THold &operator=(THold &&other) noexcept;
        THold(const THold &) = delete;
        THold &operator=(const THold &) = delete;
        ~THold();
        explicit operator bool() const { return FGuard != nullptr; }

    private:
        TDeviceGuard *FGuard = nullptr;
    };

    // An empty hold (false) while another operation runs: the caller then does nothing.
    THold Begin();
    bool Busy() const { return FBusy; }

signals:
    // Pages disable their device actions while busy.
    void BusyChanged(bool busy);

private:
    void End();

    bool FBusy = false;
};
