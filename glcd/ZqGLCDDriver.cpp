#include "ZqGLCDDriver.h"

#include "ZqLibUSB.h"

TZqGLCDDriver::TZqGLCDDriver(QObject *AOwner) : TZqGLCDBase(AOwner) {}

bool TZqGLCDDriver::CommandGate()
{
    if (!ZqLibUSB() || (!FBInitProcedure && !FInitialized))
        return false;
    return LinkStillConnected(true);
}

bool TZqGLCDDriver::FrameGate()
{
    if (!ZqLibUSB() || !FInitialized)
        return false;
    return LinkStillConnected(false);
}

// A loss found by a command leaves the driver ready for the next
// initialisation's commands; one found by a frame does not.
bool TZqGLCDDriver::LinkStillConnected(bool readyForInit)
{
    if (ZqLibUSB()->Connected())
        return true;
    FInitialized = false;
    if (readyForInit)
        FBInitProcedure = true;
    DoInitialized();
    return false;
}

bool TZqGLCDDriver::Sent(bool ok)
{
    if (ok)
        return true;
    const bool wasInitialized = FInitialized;
    FInitialized = false;
    FBInitProcedure = true;
    if (wasInitialized)
        DoInitialized();
    return false;
}

bool TZqGLCDDriver::BeginInit()
{
    if (!ZqLibUSB() || !ZqLibUSB()->Connected())
        return false;
    FBInitProcedure = true;
    return true;
}

void TZqGLCDDriver::EndInit()
{
    FInitialized = true;
    FBInitProcedure = false;
}

void TZqGLCDDriver::DoInitialized()
{
    if (OnInitialized)
        OnInitialized(this);
}
