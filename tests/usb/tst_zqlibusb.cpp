// The device link against virtual adapters whose firmware echoes: what the
// link sends, what it reports, and how it follows plugging and pulling.
#include "LinkEvents.h"
#include "LinkScenarios.h"
#include "RunTests.h"
#include "SimBackend.h"
#include "UdevMonitor.h"
#include "ZqLibUSB.h"

#include <QSignalSpy>
#include <QtTest>
#include <map>

using namespace sim;

namespace {
AdapterIdentity identityWithVersion(quint16 bcd)
{
    AdapterIdentity id;
    id.bcdDevice = bcd;
    return id;
}

void settle() { QCoreApplication::processEvents(); }
} // namespace

class TestZqLibUSB : public QObject {
    Q_OBJECT

    std::unique_ptr<SimBackend> usb;
    std::unique_ptr<TZqLibUSB> link;
    LinkEvents log;

    VirtualAdapter *addAdapter(AdapterIdentity id = {})
    {
        return usb->addAdapter(std::make_unique<EchoFirmware>(), std::move(id));
    }
    EchoFirmware &echo(VirtualAdapter *a) { return static_cast<EchoFirmware &>(a->firmware()); }
    void makeLink()
    {
        link = std::make_unique<TZqLibUSB>(nullptr, usb.get());
        log.attach(*link);
    }
    void loadLink()
    {
        makeLink();
        link->Loaded();
    }

private slots:
    void init()
    {
        usb = std::make_unique<SimBackend>();
        log = {};
    }
    void cleanup()
    {
        link.reset();
        usb.reset();
    }

    void removalWhileNotConnectedDoesNothing()
    {
        VirtualAdapter *a = addAdapter();
        a->setRefuseOpen(true);
        usb->plug(a);
        loadLink();
        settle();
        usb->pull(a);
        settle();
        QVERIFY(log.events.isEmpty());
        QVERIFY(!link->Connected());
    }

    void unopenableAdapterEndsTheSearch()
    {
        VirtualAdapter *refusing = addAdapter();
        refusing->setRefuseOpen(true);
        usb->plug(refusing);
        usb->plug(addAdapter());
        settle();
        loadLink();
        QVERIFY(!link->Connected());
        QVERIFY(log.events.isEmpty());
        QVERIFY(link->DeviceVersion().isEmpty());
    }

    void accessDeniedIsReportedOncePerSearchAndNeverConnects()
    {
        VirtualAdapter *a = addAdapter();
        a->setAccessDenied(true);
        usb->plug(a);
        settle();
        loadLink();
        QCOMPARE(log.events, QStringList{"access denied"});
        QVERIFY(!link->Connected());
        QVERIFY(link->DeviceVersion().isEmpty());
        QCOMPARE(usb->lastOpenError(), EACCES);
        QVERIFY(!link->DevWrite(arSpiOpen, 0, 0, 0));
        QCOMPARE(log.events, QStringList{"access denied"});

        usb->pull(a);
        settle();
        a->setAccessDenied(false);
        usb->plug(a);
        settle();
        QCOMPARE(log.events, (QStringList{"access denied", "connected"}));
        QCOMPARE(usb->lastOpenError(), 0);
    }

    void transfersWithoutHandleFailAndLeaveBufferAlone()
    {
        loadLink();
        link->DevBuffer.fill('\x5A');
        TUsbCtrlSet s;
        s.bRequest = arI2CRead;
        s.wLength = 4;
        QCOMPARE(link->DevRead3(s), -1);
        QVERIFY(!link->DevRead2(s));
        QVERIFY(!link->DevRead(arI2CRead, 0, 0, 4));
        QVERIFY(!link->DevWrite2(s));
        QVERIFY(!link->DevWriteOffset2(s, 8));
        QVERIFY(!link->DevWrite(arI2CWrite, 0, 0, 4));
        QVERIFY(!link->DevWriteOffset(arI2CWrite, 0, 0, 4, 8));
        QCOMPARE(link->DevBuffer, QByteArray(1024, '\x5A'));
    }

    void readStoresZeroByteAfterReply_data()
    {
        QTest::addColumn<bool>("viaRead3");
        QTest::newRow("DevRead2") << false;
        QTest::newRow("DevRead3") << true;
    }
    void readStoresZeroByteAfterReply()
    {
        QFETCH(bool, viaRead3);
        usb->plug(addAdapter());
        settle();
        loadLink();
        link->DevBuffer.fill('\x5A');
        TUsbCtrlSet s;
        s.bRequest = arI2CRead;
        s.wValue = 0x41;
        s.wLength = 3;
        if (viaRead3)
            QCOMPARE(link->DevRead3(s), 3);
        else
            QVERIFY(link->DevRead2(s));
        QCOMPARE(link->DevBuffer.left(5), QByteArray("ABC\0\x5A", 5));
        QCOMPARE(link->GetStrFromBuffer(), QByteArray("ABC"));
    }

    void plainReadStoresNoZeroByte()
    {
        usb->plug(addAdapter());
        settle();
        loadLink();
        link->DevBuffer.fill('\x5A');
        QVERIFY(link->DevRead(arI2CRead, 0x41, 0, 2));
        QCOMPARE(link->DevBuffer.left(3), QByteArray("AB\x5A"));
    }

    void requestReachesAdapterAsSent()
    {
        VirtualAdapter *a = addAdapter();
        usb->plug(a);
        settle();
        loadLink();
        link->DevBuffer.replace(10, 3, "xyz");
        TUsbCtrlSet s;
        s.bmRequestType = 0xC0; // never taken from the record
        s.bRequest = arI2CWrite;
        s.wValue = 0x01A2;
        s.wIndex = 0x1234;
        s.wLength = 3;
        QVERIFY(link->DevWriteOffset2(s, 10));
        const TransferRecord &r = a->log().records().back();
        QCOMPARE(r.in, false);
        QCOMPARE(int(r.request), 103);
        QCOMPARE(int(r.value), 0x01A2);
        QCOMPARE(int(r.index), 0x1234);
        QCOMPARE(r.bytesOut, QByteArray("xyz"));
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(echo(a).lastWrite()), 3), QByteArray("xyz"));
    }

    void zeroLengthWritesDifferBetweenOperations()
    {
        usb->plug(addAdapter());
        settle();
        loadLink();
        TUsbCtrlSet s;
        s.bRequest = arSpiOpen;
        s.wLength = 0;
        QVERIFY(link->DevWrite2(s));
        QVERIFY(!link->DevWriteOffset2(s, 0));
        QVERIFY(link->DevWriteOffset(arSpiOpen, 0, 0, 0, 0));
    }

    void failedAndTimedOutTransfersReportFailure()
    {
        VirtualAdapter *a = addAdapter();
        usb->plug(a);
        settle();
        loadLink();
        TUsbCtrlSet s;
        s.bRequest = arI2CRead;
        s.wLength = 1;
        a->failNextTransfers(1);
        QVERIFY(link->DevRead3(s) < 0);
        a->timeOutNextTransfers(1);
        QCOMPARE(link->DevRead3(s), -ETIMEDOUT);
        QCOMPARE(link->DevRead3(s), 1);
        QVERIFY(link->Connected());
    }

    void bufferSizeClamps_data()
    {
        QTest::addColumn<int>("written");
        QTest::addColumn<int>("read");
        QTest::newRow("100") << 100 << 256;
        QTest::newRow("256") << 256 << 256;
        QTest::newRow("4096") << 4096 << 4096;
        QTest::newRow("65634") << 65634 << 65634;
        QTest::newRow("70000") << 70000 << 65634;
    }
    void bufferSizeClamps()
    {
        QFETCH(int, written);
        QFETCH(int, read);
        makeLink();
        link->SetBufferSize(written);
        QCOMPARE(link->BufferSize(), read);
        QCOMPARE(link->DevBuffer.size(), 1024);
        link->Loaded();
        QCOMPARE(link->DevBuffer.size(), read);
    }

    void transfersNeverReachPastTheBuffer()
    {
        VirtualAdapter *a = addAdapter();
        usb->plug(a);
        settle();
        loadLink();
        link->SetBufferSize(300);
        QCOMPARE(link->DevBuffer.size(), 300);
        QVERIFY(link->DevWrite(arI2CWrite, 0xA8, 0, 300));
        QVERIFY(!link->DevWrite(arI2CWrite, 0xA8, 0, 1024));
        QVERIFY(!link->DevWriteOffset(arI2CWrite, 0xA8, 0, 8, 296));
        QVERIFY(!link->DevRead(arI2CRead, 0xA8, 0, 301));
        TUsbCtrlSet s;
        s.bRequest = arI2CRead;
        s.wLength = 300;
        QCOMPARE(link->DevRead3(s), 300); // full buffer: no room for the zero byte, none written
        QCOMPARE(a->log().records().size(), size_t(2));
    }

    void clearDevBufZeroesIt()
    {
        loadLink();
        link->DevBuffer.fill('\x11');
        link->ClearDevBuf();
        QCOMPARE(link->DevBuffer, QByteArray(1024, '\0'));
    }

    void identifierTextConversion_data()
    {
        QTest::addColumn<QString>("written");
        QTest::addColumn<QString>("vid");
        QTest::addColumn<QString>("pid");
        QTest::newRow("lower hex") << "$16c0"
                                   << "$16C0"
                                   << "$16C0";
        QTest::newRow("lower-case 0x") << "0x16c0"
                                       << "0X16C0"
                                       << "0X16C0";
        QTest::newRow("upper-case 0X") << "0X16c0"
                                       << "0X16C0"
                                       << "0X16C0";
        QTest::newRow("decimal") << "5824"
                                 << "5824"
                                 << "5824";
        QTest::newRow("not a number") << "abc"
                                      << "$16C0"
                                      << "$05DC";
        QTest::newRow("negative") << "-5"
                                  << "$16C0"
                                  << "$05DC";
        QTest::newRow("empty") << ""
                               << "$16C0"
                               << "$05DC";
    }
    void identifierTextConversion()
    {
        QFETCH(QString, written);
        makeLink();
        link->SetVID(written);
        link->SetPID(written);
        QTEST(link->VID(), "vid");
        QTEST(link->PID(), "pid");
    }

    void newIdentifiersTakeEffectAtSetNewVidPid()
    {
        AdapterIdentity other;
        other.pid = 0x05DD;
        usb->plug(addAdapter(other));
        settle();
        loadLink();
        QVERIFY(!link->Connected());
        link->SetPID(QStringLiteral("$05dd"));
        QVERIFY(!link->Connected());
        link->SetNewVidPid();
        QCOMPARE(log.events, (QStringList{"disconnected", "connected"}));
        QVERIFY(link->Connected());
    }

    // The text is stored in upper case and converted again by the search.
    void identifierFormsFindTheAdapter_data()
    {
        QTest::addColumn<QString>("pid");
        QTest::newRow("$ lower case") << "$05dd";
        QTest::newRow("0x lower case") << "0x05dd";
        QTest::newRow("0X upper case") << "0X05DD";
        QTest::newRow("decimal") << "1501";
    }
    void identifierFormsFindTheAdapter()
    {
        QFETCH(QString, pid);
        AdapterIdentity other;
        other.pid = 0x05DD;
        usb->plug(addAdapter(other));
        settle();
        loadLink();
        link->SetPID(pid);
        link->SetNewVidPid();
        QVERIFY(link->Connected());
    }

    void setNewVidPidSignalsDisconnectEvenWhenIdle()
    {
        loadLink();
        link->SetNewVidPid();
        QCOMPARE(log.events, QStringList{"disconnected"});
        QVERIFY(!link->Connected());
    }

    // The platform names devices by decimal numbers written with leading
    // zeros ("012"); read as hexadecimal, device 12 would not be the one
    // pulled, while device 2 reads the same either way.
    void removalOfDeviceTwelve()
    {
        VirtualAdapter *filler = addAdapter();
        for (int devnum = 2; devnum < 12; ++devnum) {
            usb->plug(filler);
            usb->pull(filler);
        }
        VirtualAdapter *a = addAdapter();
        usb->plug(a);
        settle();
        QCOMPARE(a->devnum(), 12);
        QCOMPARE(QByteArray(a->record()->filename), QByteArray("012"));
        loadLink();
        usb->pull(a);
        settle();
        QCOMPARE(log.events, (QStringList{"connected", "disconnected"}));
        QVERIFY(!link->Connected());
    }

    // What a udev event of a usb_device says, property by property.
    void udevPropertiesMakeANotice_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QStringList>("properties");
        QTest::addColumn<bool>("usable");
        QTest::addColumn<QString>("notice");
        QTest::newRow("usb-id builtin")
            << "add" << QStringList{"ID_VENDOR_ID=16c0", "ID_MODEL_ID=05dc", "BUSNUM=001", "DEVNUM=012"} << true
            << "arrival 16c0:05dc 1/12";
        QTest::newRow("PRODUCT only") << "remove" << QStringList{"PRODUCT=16c0/5dc/104", "BUSNUM=002", "DEVNUM=003"}
                                      << true << "removal 16c0:05dc 2/3";
        QTest::newRow("no numbers") << "add" << QStringList{"PRODUCT=16c0/5dc/104"} << true
                                    << "arrival 16c0:05dc -1/-1";
        QTest::newRow("vendor wider than 16 bits")
            << "add" << QStringList{"ID_VENDOR_ID=116c0", "ID_MODEL_ID=05dc", "PRODUCT=116c0/5dc/104"} << false << "";
        QTest::newRow("product wider than 16 bits")
            << "add" << QStringList{"PRODUCT=16c0/105dc/104"} << false << "";
        QTest::newRow("other action") << "bind" << QStringList{"PRODUCT=16c0/5dc/104"} << false << "";
        QTest::newRow("no identifiers") << "add" << QStringList{"BUSNUM=001"} << false << "";
    }
    void udevPropertiesMakeANotice()
    {
        QFETCH(QString, action);
        QFETCH(QStringList, properties);
        QFETCH(bool, usable);
        std::map<QByteArray, QByteArray> values;
        for (const QString &p : properties)
            values[p.section('=', 0, 0).toLatin1()] = p.section('=', 1).toLatin1();
        const auto lookup = [&values](const char *name) -> const char * {
            const auto it = values.find(name);
            return it == values.end() ? nullptr : it->second.constData();
        };
        DeviceNotice n;
        QCOMPARE(UdevMonitor::noticeFromProperties(action.toLatin1().constData(), lookup, n), usable);
        if (!usable)
            return;
        QTEST(QStringLiteral("%1 %2:%3 %4/%5")
                  .arg(n.kind == DeviceNotice::Arrival ? "arrival" : "removal")
                  .arg(n.vid, 4, 16, QLatin1Char('0'))
                  .arg(n.pid, 4, 16, QLatin1Char('0'))
                  .arg(n.busnum)
                  .arg(n.devnum),
              "notice");
    }

    void newSearchClosesOpenHandle()
    {
        usb->plug(addAdapter());
        settle();
        loadLink();
        QCOMPARE(usb->openHandles(), 1);
        link->SetNewVidPid();
        QCOMPARE(usb->openHandles(), 1);
        QVERIFY(link->Connected());
    }

    // 16C0:05DC is shared by many hobby devices; the second one is first in
    // bus order, so a new search would take it instead.
    void arrivalWhileConnectedLeavesOpenAdapterAlone()
    {
        VirtualAdapter *first = addAdapter(identityWithVersion(0x0101));
        first->setBusnum(2);
        usb->plug(first);
        settle();
        loadLink();
        VirtualAdapter *second = addAdapter(identityWithVersion(0x0102));
        usb->plug(second);
        settle();
        QCOMPARE(log.events, QStringList{"connected"});
        QCOMPARE(link->DeviceVersion(), QStringLiteral("1.1"));
        QVERIFY(link->DevWrite(arSpiOpen, 0, 0, 0));
        QCOMPARE(first->log().records().size(), size_t(1));
        QVERIFY(second->log().records().empty());
        QCOMPARE(usb->openHandles(), 1);
    }

    // The adapter went without its removal being heard; the next arrival
    // finds it gone and searches. Losing it is reported whatever that finds.
    void adapterLostUnheardIsReportedAtTheNextSearch_data()
    {
        QTest::addColumn<bool>("newcomerOpens");
        QTest::addColumn<QStringList>("events");
        QTest::newRow("newcomer opens") << true << QStringList{"connected", "disconnected", "connected"};
        QTest::newRow("newcomer refuses") << false << QStringList{"connected", "disconnected"};
    }
    void adapterLostUnheardIsReportedAtTheNextSearch()
    {
        QFETCH(bool, newcomerOpens);
        VirtualAdapter *a = addAdapter();
        usb->plug(a);
        settle();
        loadLink();
        usb->pullUnheard(a);
        VirtualAdapter *b = addAdapter();
        b->setRefuseOpen(!newcomerOpens);
        usb->plug(b);
        settle();
        QTEST(log.events, "events");
        QCOMPARE(link->Connected(), newcomerOpens);
        QCOMPARE(usb->openHandles(), newcomerOpens ? 1 : 0);
    }

    void handleWhoseCloseFailedIsForgotten()
    {
        VirtualAdapter *a = addAdapter();
        usb->plug(a);
        settle();
        loadLink();
        a->failNextClose();
        link->Close();
        QVERIFY(!link->Connected());
        QVERIFY(!link->DevWrite(arSpiOpen, 0, 0, 0));
        QVERIFY(a->log().records().empty());
    }

    void closeGivesAdapterUpAndClearsConnected()
    {
        usb->plug(addAdapter());
        settle();
        loadLink();
        link->Close();
        QCOMPARE(log.events, (QStringList{"connected", "disconnected"}));
        QVERIFY(!link->Connected());
        QCOMPARE(usb->openHandles(), 0);
        QVERIFY(!link->DevWrite(arSpiOpen, 0, 0, 0));
    }

    void destroyingClosesWithoutEvent()
    {
        usb->plug(addAdapter());
        settle();
        loadLink();
        link.reset();
        QCOMPARE(usb->openHandles(), 0);
        QCOMPARE(log.events, QStringList{"connected"});
    }
};

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    TestZqLibUSB link;
    LinkScenarios scenarios(SimTestBus::factory());
    return RunTests(argc, argv, {&link, &scenarios});
}
#include "tst_zqlibusb.moc"
