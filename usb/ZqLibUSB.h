#pragma once
// TZqLibUSB: the program's only road to the adapter. Finds it by vendor and
// product identifier, follows the platform's arrival and removal notices and
// moves vendor control transfers through one shared buffer, DevBuffer.
#include "AdapterRequest.h"
#include "UsbBackend.h"
#include "libusbzq.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <functional>

class TZqLibUSB : public QObject {
    Q_OBJECT
public:
    using TNotifyEvent = std::function<void(QObject *Sender)>;

    // The owner of the link chooses the backend; without one the link never connects.
    TZqLibUSB(QObject *AOwner, UsbBackend *backend);
    ~TZqLibUSB() override;

    void Loaded();

    QString VID() const { return FVID; }
    void SetVID(const QString &value);
    QString PID() const { return FPID; }
    void SetPID(const QString &value);
    bool Connected() const { return FConnected; }
    // Counts the connections made so far: a component that learns something
    // about the adapter can tell a new connection (maybe another adapter) by it.
    int Connections() const { return FConnections; }
    const QStringList &InfStrings() const { return FInfStrings; }
    QString DeviceVersion() const { return FDeviceVersion; }
    int BufferSize() const { return FBufferSize; }
    void SetBufferSize(int value);

    TNotifyEvent OnConnected;
    TNotifyEvent OnDisconnected;
    // The search found the adapter but the system denied access to it (no
    // udev rule). Raised once per search: at load, per arrival notice and by
    // SetNewVidPid; the link stays not connected.
    TNotifyEvent OnAccessDenied;

    bool DevRead(int bRequest, int wValue, int wIndex, int wLength);
    bool DevRead2(TUsbCtrlSet &usb_ctrl_set);
    int DevRead3(TUsbCtrlSet &usb_ctrl_set);
    bool DevWrite(int bRequest, int wValue, int wIndex, int wLength);
    bool DevWrite2(TUsbCtrlSet &usb_ctrl_set);
    bool DevWriteOffset(int bRequest, int wValue, int wIndex, int wLength, int offset);
    bool DevWriteOffset2(TUsbCtrlSet &usb_ctrl_set, int offset);

    void ClearDevBuf();
    QByteArray GetStrFromBuffer() const;
    void SetNewVidPid();
    void Close();

    // Decimal, or hexadecimal after "$" (or "0x"); -1 when the text is no number.
    static int IdentifierValue(const QString &text);

    QByteArray DevBuffer;

protected:
    virtual void HandleDeviceChange(const DeviceNotice &notice);

private:
    int Transfer(std::uint8_t requestType, int bRequest, int wValue, int wIndex, int wLength, int offset);
    void StoreZeroAfter(int n);
    void ConnectSequence();
    void Search();
    void ReadDeviceInfo();
    void DoConnected();
    void DoDisconnected();
    void DoAccessDenied();
    void ForgetHandle();
    void LoseAdapter();
    bool OpenAdapterPresent() const;
    bool IsOurDevice(const DeviceNotice &notice) const;

    QPointer<UsbBackend> FBackend;
    TUSBDev FUSBdev;
    QString FVID = QStringLiteral("$16C0");
    QString FPID = QStringLiteral("$05DC");
    bool FConnected = false;
    int FConnections = 0;
    int FBufferSize = 1024;
    QStringList FInfStrings;
    int FVerMinor = 0;
    int FVerMajor = 0;
    QString FDeviceVersion;
    bool FLoaded = false;
    int FOpenBusnum = -1;
    int FOpenDevnum = -1;
};
