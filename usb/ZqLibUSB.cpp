#include "ZqLibUSB.h"

#include <algorithm>
#include <cerrno>

namespace {
constexpr int kMinBufferSize = 256;
constexpr int kMaxBufferSize = 65634;
constexpr int kStringIndexLast = 10;
constexpr int kStringBufferSize = 200;

// A descriptor string is kept when it is longer than one character and is not
// only blanks and control characters.
bool IsUsefulDescriptor(const QByteArray &text)
{
    return text.size() > 1 &&
           std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) > ' '; });
}
} // namespace

TZqLibUSB::TZqLibUSB(QObject *AOwner, UsbBackend *backend) : QObject(AOwner), DevBuffer(1024, '\0'), FBackend(backend)
{
    FUSBdev.VID = quint16(IdentifierValue(FVID));
    FUSBdev.PID = quint16(IdentifierValue(FPID));
    if (FBackend) {
        connect(FBackend, &UsbBackend::deviceChanged, this, &TZqLibUSB::HandleDeviceChange);
        InitUSBDev(*FBackend, FUSBdev);
    }
}

TZqLibUSB::~TZqLibUSB()
{
    if (FBackend)
        CloseUSBDev(*FBackend, FUSBdev);
}

void TZqLibUSB::Loaded()
{
    DevBuffer.resize(FBufferSize);
    FLoaded = true;
    if (!FBackend)
        return;
    InitUSBDev(*FBackend, FUSBdev);
    ConnectSequence();
}

int TZqLibUSB::IdentifierValue(const QString &text)
{
    const QString t = text.trimmed();
    bool ok = false;
    int value = -1;
    if (t.startsWith(QLatin1Char('$')))
        value = t.mid(1).toInt(&ok, 16);
    else if (t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        value = t.mid(2).toInt(&ok, 16);
    else
        value = t.toInt(&ok, 10);
    return ok ? value : -1;
}

void TZqLibUSB::SetVID(const QString &value)
{
    FVID = IdentifierValue(value) < 0 ? QStringLiteral("$16C0") : value.toUpper();
}

void TZqLibUSB::SetPID(const QString &value)
{
    FPID = IdentifierValue(value) < 0 ? QStringLiteral("$05DC") : value.toUpper();
}

// After loading the buffer follows at once, so no transfer can outgrow it.
void TZqLibUSB::SetBufferSize(int value)
{
    FBufferSize = qBound(kMinBufferSize, value, kMaxBufferSize);
    if (FLoaded)
        DevBuffer.resize(FBufferSize);
}

int TZqLibUSB::Transfer(std::uint8_t requestType, int bRequest, int wValue, int wIndex, int wLength, int offset)
{
    if (!FBackend || !FUSBdev.handle)
        return -1;
    // wLength is 16 bits on the wire: a longer one would be cut, not refused, by the library.
    if (wLength < 0 || wLength > 0xFFFF || offset < 0 || qint64(offset) + wLength > DevBuffer.size())
        return -EINVAL;
    return FBackend->controlMsg(FUSBdev.handle, requestType, bRequest, wValue, wIndex, DevBuffer.data() + offset,
                                wLength, kTransferTimeoutMs);
}

// A zero byte right behind a reply lets it be read as a zero-terminated text.
void TZqLibUSB::StoreZeroAfter(int n)
{
    if (n >= 0 && n < DevBuffer.size())
        DevBuffer[n] = '\0';
}

bool TZqLibUSB::DevRead(int bRequest, int wValue, int wIndex, int wLength)
{
    return Transfer(kVendorIn, bRequest, wValue, wIndex, wLength, 0) >= 0;
}

bool TZqLibUSB::DevRead2(TUsbCtrlSet &s)
{
    const int n = Transfer(kVendorIn, s.bRequest, s.wValue, s.wIndex, s.wLength, 0);
    StoreZeroAfter(n);
    return n >= 0;
}

int TZqLibUSB::DevRead3(TUsbCtrlSet &s)
{
    const int n = Transfer(kVendorIn, s.bRequest, s.wValue, s.wIndex, s.wLength, 0);
    StoreZeroAfter(n);
    return n;
}

bool TZqLibUSB::DevWrite(int bRequest, int wValue, int wIndex, int wLength)
{
    return Transfer(kVendorOut, bRequest, wValue, wIndex, wLength, 0) >= 0;
}

bool TZqLibUSB::DevWrite2(TUsbCtrlSet &s)
{
    return Transfer(kVendorOut, s.bRequest, s.wValue, s.wIndex, s.wLength, 0) >= 0;
}

bool TZqLibUSB::DevWriteOffset(int bRequest, int wValue, int wIndex, int wLength, int offset)
{
    return Transfer(kVendorOut, bRequest, wValue, wIndex, wLength, offset) >= 0;
}

// A transfer that moved no byte counts as failed here.
bool TZqLibUSB::DevWriteOffset2(TUsbCtrlSet &s, int offset)
{
    return Transfer(kVendorOut, s.bRequest, s.wValue, s.wIndex, s.wLength, offset) > 0;
}

void TZqLibUSB::ClearDevBuf() { DevBuffer.fill('\0', qMin<qsizetype>(FBufferSize, DevBuffer.size())); }

QByteArray TZqLibUSB::GetStrFromBuffer() const
{
    const qsizetype end = DevBuffer.indexOf('\0');
    return end < 0 ? DevBuffer : DevBuffer.left(end);
}

void TZqLibUSB::SetNewVidPid()
{
    DoDisconnected();
    FConnected = false;
    ConnectSequence();
}

void TZqLibUSB::Close()
{
    DoDisconnected();
    if (FBackend)
        ForgetHandle();
    FConnected = false;
}

void TZqLibUSB::ConnectSequence()
{
    FUSBdev.VID = quint16(IdentifierValue(FVID));
    FUSBdev.PID = quint16(IdentifierValue(FPID));
    Search();
}

// An open handle is closed before a new search rather than leaked, and an
// open adapter given up that way is reported lost whatever the search finds.
void TZqLibUSB::Search()
{
    if (!FBackend)
        return;
    const bool wasConnected = FConnected;
    ForgetHandle();
    if (wasConnected)
        DoDisconnected();
    FConnected = OpenUSBDev(*FBackend, FUSBdev);
    if (!FConnected) {
        if (FUSBdev.dev && FBackend->lastOpenError() == EACCES)
            DoAccessDenied();
        return;
    }
    FOpenBusnum = UsbBackend::busNumber(FUSBdev.dev);
    FOpenDevnum = UsbBackend::deviceNumber(FUSBdev.dev);
    ReadDeviceInfo();
    DoConnected();
}

void TZqLibUSB::ForgetHandle()
{
    if (FUSBdev.handle)
        CloseUSBDev(*FBackend, FUSBdev);
    FUSBdev.handle = nullptr;
    FConnected = false;
    FOpenBusnum = FOpenDevnum = -1;
}

// Numbers the platform could not tell count as still there: staying with a
// working adapter is the safe side.
bool TZqLibUSB::OpenAdapterPresent() const
{
    if (FOpenBusnum < 0 || FOpenDevnum < 0)
        return true;
    return USBDevPresent(*FBackend, FOpenBusnum, FOpenDevnum);
}

void TZqLibUSB::ReadDeviceInfo()
{
    FInfStrings.clear();
    for (int index = 0; index <= kStringIndexLast; ++index) {
        char buf[kStringBufferSize] = {};
        const int n = FBackend->getStringSimple(FUSBdev.handle, index, buf, sizeof buf);
        if (n < 0)
            continue;
        const QByteArray text(buf, qstrnlen(buf, sizeof buf));
        if (IsUsefulDescriptor(text))
            FInfStrings << QString::fromLocal8Bit(text);
    }
    const int bcd = FUSBdev.dev ? FUSBdev.dev->descriptor.bcdDevice : 0;
    FVerMajor = (bcd >> 8) & 0xFF;
    FVerMinor = bcd & 0xFF;
    FDeviceVersion = QStringLiteral("%1.%2").arg(FVerMajor).arg(FVerMinor);
}

void TZqLibUSB::DoConnected()
{
    ++FConnections;
    if (OnConnected)
        OnConnected(this);
}

void TZqLibUSB::DoDisconnected()
{
    FDeviceVersion.clear();
    FInfStrings.clear();
    if (OnDisconnected)
        OnDisconnected(this);
}

void TZqLibUSB::DoAccessDenied()
{
    if (OnAccessDenied)
        OnAccessDenied(this);
}

// Other USB devices (a mouse, a second adapter) coming and going leave the
// open adapter alone. The open adapter's numbers were taken when it was
// opened: its record may be gone from the library's lists by now.
bool TZqLibUSB::IsOurDevice(const DeviceNotice &notice) const
{
    if (notice.vid != FUSBdev.VID || notice.pid != FUSBdev.PID)
        return false;
    if (notice.kind == DeviceNotice::Arrival || !FUSBdev.handle)
        return true;
    const bool known = notice.busnum >= 0 && notice.devnum >= 0 && FOpenBusnum >= 0 && FOpenDevnum >= 0;
    return !known || (notice.busnum == FOpenBusnum && notice.devnum == FOpenDevnum);
}

void TZqLibUSB::HandleDeviceChange(const DeviceNotice &notice)
{
    if (!FBackend || !IsOurDevice(notice))
        return;
    if (notice.kind == DeviceNotice::Removal) {
        LoseAdapter();
        return;
    }
    // 16C0:05DC is shared by many hobby devices: one arriving must not take
    // the open adapter away, least of all in the middle of a chip write.
    if (FConnected && OpenAdapterPresent())
        return;
    Search();
}

void TZqLibUSB::LoseAdapter()
{
    if (FConnected)
        DoDisconnected();
    ForgetHandle();
}
