#pragma once
// What both display drivers keep about their controller: whether it has been
// initialised over a link that was still connected at the last look, and the
// two gates every request passes. A gate that finds the link gone drops the
// driver to not initialised and says so through OnInitialized; nothing is
// sent. A transfer that fails does the same, so a frame or an init that did
// not reach the glass is never reported as done.
#include "ZqGLCDBase.h"

#include <functional>

class TZqGLCDDriver : public TZqGLCDBase {
    Q_OBJECT
public:
    using TNotifyEvent = std::function<void(QObject *Sender)>;

    explicit TZqGLCDDriver(QObject *AOwner = nullptr);

    bool Initialized() const { return FInitialized; }

    TNotifyEvent OnInitialized;

protected:
    // Controller commands (and the ST7565's line requests) go out while the
    // controller is initialised or an initialisation is under way.
    bool CommandGate();
    // Frames, contrast and inversion need an initialised controller.
    bool FrameGate();
    // An initialisation starts only with a connected link; it then sends its
    // whole sequence, whatever state a lost link left behind.
    bool BeginInit();
    void EndInit();
    void DoInitialized();
    // ok as a transfer returned it; a failed one drops the driver as a lost
    // link does (ready for the next initialisation's commands).
    bool Sent(bool ok);

private:
    bool LinkStillConnected(bool readyForInit);

    bool FInitialized = false;
    bool FBInitProcedure = true;
};
