#pragma once
// What the two EEPROM engines share: the action and event shapes they report
// through, their read buffer, their references to the device link and the
// hex view, the wait that keeps the window alive and the percentage rule.
#include "ChipImage.h"
#include "ZqLibUSB.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>

enum TEepromAction {
    eaRead,
    eaWrite,
    eaErase,
};

using TOBuf = QByteArray;
// progress_percent 0..100.
using TOnProgress = std::function<void(QObject *Sender, TEepromAction EepromAction, int progress_percent)>;
// bytes: how many bytes the action really read, wrote or erased.
using TOnActionEnd = std::function<void(QObject *Sender, TEepromAction EepromAction, int bytes)>;

// Waits ms milliseconds in an event loop, so the window repaints and takes
// input meanwhile without a core spinning. Pending events are processed at
// least once, also for 0 ms.
void WaitWithMessages(int ms);

// How an engine waits ms milliseconds: WaitWithMessages, unless its owner
// moves a simulated chip's clock instead.
using TWait = std::function<void(int ms)>;

// done out of total as a percentage, rounded to nearest with halves to even.
int ProgressPercent(qint64 done, qint64 total);

// The plumbing of an engine. An operation runs only with a connected adapter
// and ends with exactly one OnActionEnd. Operations process events, so the
// user can start another one from inside: that one does nothing, and a chip
// type set meanwhile takes effect when the running operation ends.
class TZqEEPROMBase : public QObject {
    Q_OBJECT
public:
    const TOBuf &EEPROM_BUF() const { return FEEPROM_BUF; }
    int BufferSize() const { return FEEMBytes; }
    TZqLibUSB *ZqLibUSB() const { return FZqLibUSB; }
    void SetZqLibUSB(TZqLibUSB *value) { FZqLibUSB = value; }
    // Any object implementing THexSink (the hex view); others are ignored.
    QObject *ZqHexView() const { return FZqHexView; }
    void SetZqHexView(QObject *value) { FZqHexView = value; }

    void SetWait(TWait wait) { FWait = std::move(wait); }
    // An operation started now would run: an adapter is there, none runs.
    bool Ready() const { return Online() && !FBusy; }
    // The bytes the last operation reported to OnActionEnd; 0 after a call
    // that did not start.
    int LastActionBytes() const { return FLastActionBytes; }
    // The bytes of the last read that brought any, at their byte addresses.
    const ChipImage &LastRead() const { return FLastRead; }
    // Why the last read stopped when no chip answered ("no device at A8"),
    // empty when one did; a read that found nobody shows no dump.
    QString LastReadProblem() const { return FLastReadProblem; }
    // Bytes that are written together: a 24Cxx write page, a 93Cxx word.
    virtual int WriteUnitBytes() const = 0;
    // Reads the whole chip into EEPROM_BUF, bytes as the hex view shows them.
    virtual void ReadChip() = 0;
    // Writes data as plain bytes from byte address byteAddress on, up to the
    // chip's end: no text rule, nothing erases. Byte addresses are those of
    // EEPROM_BUF whatever the organisation.
    virtual void WriteBytes(const QByteArray &data, int byteAddress) = 0;

    TOnProgress OnProgress;
    TOnActionEnd OnActionEnd;

protected:
    TZqEEPROMBase(QObject *AOwner, int bytes);

    bool Online() const { return FZqLibUSB && FZqLibUSB->Connected(); }
    bool Busy() const { return FBusy; }
    // False, and nothing starts, without an adapter or while one runs.
    bool BeginOperation();
    void Wait(int ms) const { FWait ? FWait(ms) : WaitWithMessages(ms); }
    void DoProgress(TEepromAction action, int percent);
    // Shows a read that brought bytes in the hex view, ends the operation,
    // applies the chip type, then raises OnActionEnd.
    void DoActionEnd(TEepromAction action, int bytes, int start);
    // Sets size and geometry from the stored chip type.
    virtual void ApplyType() = 0;
    void SetReadProblem(const QString &problem) { FLastReadProblem = problem; }

    TOBuf FEEPROM_BUF;
    QPointer<TZqLibUSB> FZqLibUSB;
    QPointer<QObject> FZqHexView;
    int FEEMBytes;

private:
    bool FBusy = false;
    TWait FWait;
    int FLastActionBytes = 0;
    ChipImage FLastRead;
    QString FLastReadProblem;
};
