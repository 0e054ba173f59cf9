#include "DeviceGuard.h"

#include <utility>

TDeviceGuard::THold &TDeviceGuard::THold::operator=(THold &&other) noexcept
{
    if (this != &other) {
        if (FGuard)
            FGuard->End();
        FGuard = std::exchange(other.FGuard, nullptr);
    }
    return *this;
}

TDeviceGuard::THold::~THold()
{
    if (FGuard)
        FGuard->End();
}

TDeviceGuard::THold TDeviceGuard::Begin()
{
    if (FBusy)
        return THold();
    FBusy = true;
    emit BusyChanged(true);
    return THold(this);
}

void TDeviceGuard::End()
{
    FBusy = false;
    emit BusyChanged(false);
}
