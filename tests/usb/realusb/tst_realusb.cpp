// The device link on the real adapter path: Debian's libusb 0.1 and libudev's
// monitor, unmodified, against adapters that umockdev emulates at the usbfs
// and netlink level. The adapters' firmware is the simulator's.
#include "BridgeFirmware.h"
#include "Eeprom24Cxx.h"
#include "LibUsbBackend.h"
#include "LinkEvents.h"
#include "LinkScenarios.h"
#include "RunTests.h"
#include "Ssd1306.h"
#include "UmockTestBus.h"
#include "UsbTestbed.h"
#include "VirtualAdapter.h"
#include "ZqLibUSB.h"

#include <QSignalSpy>
#include <QtTest>
#include <algorithm>
#include <cerrno>

using namespace sim;

namespace {
constexpr int kNoticeWaitMs = 10000;

} // namespace

class TestRealUsb : public QObject {
    Q_OBJECT

    ManualClock clock;
    std::unique_ptr<UsbTestbed> testbed;
    std::unique_ptr<LibUsbBackend> usb;
    std::unique_ptr<TZqLibUSB> link;
    std::vector<std::unique_ptr<VirtualAdapter>> adapters;
    LinkEvents log;

    VirtualAdapter *addAdapter(AdapterIdentity id = {})
    {
        adapters.push_back(std::make_unique<VirtualAdapter>(std::make_unique<EchoFirmware>(), std::move(id)));
        return adapters.back().get();
    }
    EchoFirmware &echo(VirtualAdapter *a) { return static_cast<EchoFirmware &>(a->firmware()); }
    // The bench the program is made for: 24C04 at A8, SSD1306 at 78 and the rest.
    BridgeFirmware &addBridge()
    {
        auto firmware = std::make_unique<BridgeFirmware>(BusPopulation{}, clock);
        adapters.push_back(std::make_unique<VirtualAdapter>(std::move(firmware), AdapterIdentity{}));
        return static_cast<BridgeFirmware &>(adapters.back()->firmware());
    }

    // Plugged before the link exists: the notice is heard and gone before the link listens.
    bool plugAndHear(VirtualAdapter *a, UsbTestbed::Access access = UsbTestbed::Access::ReadWrite)
    {
        QSignalSpy notices(usb.get(), &UsbBackend::deviceChanged);
        testbed->plug(*a, access);
        const auto heard = [&] {
            return std::any_of(notices.begin(), notices.end(), [a](const QList<QVariant> &args) {
                const auto n = args.at(0).value<DeviceNotice>();
                return n.kind == DeviceNotice::Arrival && n.busnum == a->busnum() && n.devnum == a->devnum();
            });
        };
        return QTest::qWaitFor(heard, kNoticeWaitMs);
    }
    void loadLink()
    {
        link = std::make_unique<TZqLibUSB>(nullptr, usb.get());
        log.attach(*link);
        link->Loaded();
    }
    std::vector<std::string> controlsOnly() const
    {
        std::vector<std::string> lines;
        for (const std::string &line : testbed->ioctlLog())
            if (line.rfind("CONTROL", 0) == 0)
                lines.push_back(line);
        return lines;
    }

private slots:
    // The testbed comes before the library's first usb_init() and before the
    // backend's udev monitor binds its socket.
    void init()
    {
        testbed = std::make_unique<UsbTestbed>();
        if (!testbed->isActive())
            QSKIP("umockdev's preload is not active: run this test through umockdev-wrapper");
        usb = std::make_unique<LibUsbBackend>();
        log = {};
    }
    void cleanup()
    {
        link.reset();
        usb.reset();
        testbed.reset();
        adapters.clear();
    }

    void udevNoticeNamesTheDevice()
    {
        VirtualAdapter *a = addAdapter();
        QSignalSpy notices(usb.get(), &UsbBackend::deviceChanged);
        testbed->plug(*a);
        QTRY_COMPARE_WITH_TIMEOUT(notices.count(), 1, kNoticeWaitMs);
        testbed->pull(*a);
        QTRY_COMPARE_WITH_TIMEOUT(notices.count(), 2, kNoticeWaitMs);
        const auto arrival = notices.at(0).at(0).value<DeviceNotice>();
        const auto removal = notices.at(1).at(0).value<DeviceNotice>();
        QCOMPARE(arrival.kind, DeviceNotice::Arrival);
        QCOMPARE(removal.kind, DeviceNotice::Removal);
        for (const DeviceNotice &n : {arrival, removal}) {
            QCOMPARE(n.vid, quint16(0x16C0));
            QCOMPARE(n.pid, quint16(0x05DC));
            QCOMPARE(n.busnum, 1);
            QCOMPARE(n.devnum, a->devnum());
        }
    }

    // udev's DEVNUM=012 and usbfs's node 012 are decimal 12; a device number
    // below 10 reads the same in hexadecimal and would hide the difference.
    void twoDigitDeviceNumberIsDecimal()
    {
        AdapterIdentity mouse;
        mouse.vid = 0x046D;
        mouse.pid = 0xC077;
        VirtualAdapter *filler = addAdapter(mouse);
        QSignalSpy notices(usb.get(), &UsbBackend::deviceChanged);
        do {
            notices.clear();
            testbed->plug(*filler);
            testbed->pull(*filler);
            QTRY_COMPARE_WITH_TIMEOUT(notices.count(), 2, kNoticeWaitMs);
        } while (filler->devnum() < 9 || filler->devnum() >= 99);
        VirtualAdapter *a = addAdapter();
        QVERIFY(plugAndHear(a));
        QVERIFY(a->devnum() >= 10);
        loadLink();
        QVERIFY(link->Connected());
        testbed->pull(*a);
        QTRY_COMPARE_WITH_TIMEOUT(log.events, (QStringList{"connected", "disconnected"}), kNoticeWaitMs);
    }

    void transferIsOneUsbfsControlWithTheLinksTimeout_data()
    {
        QTest::addColumn<bool>("in");
        QTest::addColumn<QString>("line");
        QTest::newRow("IN") << true << "CONTROL c0 104 v=0041 i=0006 l=3 t=5000 -> 3";
        QTest::newRow("OUT") << false << "CONTROL 40 103 v=00a0 i=0006 l=3 t=5000 -> 3";
    }
    void transferIsOneUsbfsControlWithTheLinksTimeout()
    {
        QFETCH(bool, in);
        QFETCH(QString, line);
        VirtualAdapter *a = addAdapter();
        QVERIFY(plugAndHear(a));
        loadLink();
        testbed->clearIoctlLog();
        TUsbCtrlSet s;
        s.bRequest = in ? arI2CRead : arI2CWrite;
        s.wValue = in ? 0x41 : 0xA0;
        s.wIndex = 6;
        s.wLength = 3;
        link->DevBuffer.replace(0, 4, "xyz\x5A");
        if (in) {
            QCOMPARE(link->DevRead3(s), 3);
            QCOMPARE(link->DevBuffer.left(4), QByteArray("ABC\0", 4));
        } else {
            QVERIFY(link->DevWrite2(s));
            QCOMPARE(QByteArray(reinterpret_cast<const char *>(echo(a).lastWrite()), echo(a).lastWriteLength()),
                     QByteArray("xyz"));
        }
        QCOMPARE(controlsOnly(), std::vector<std::string>{line.toStdString()});
        QCOMPARE(a->log().records().size(), size_t(1));
    }

    // Page write (103), the chip's write cycle, then a read (104) from the
    // same address: what the chip holds and what comes back.
    void eeprom24WriteAndReadBack()
    {
        BridgeFirmware &bridge = addBridge();
        QVERIFY(plugAndHear(adapters.back().get()));
        loadLink();
        link->DevBuffer.replace(0, 5, "Hello");
        TUsbCtrlSet s;
        s.bRequest = arI2CWrite;
        s.wValue = 0xA8;
        s.wIndex = 0x13;
        s.wLength = 5;
        QVERIFY(link->DevWriteOffset2(s, 0));
        clock.advanceMs(10);
        QCOMPARE(bridge.eeprom24()->memory().mid(0x13, 5), QByteArray("Hello"));

        link->ClearDevBuf();
        s.bRequest = arI2CRead;
        QCOMPARE(link->DevRead3(s), 5);
        QCOMPARE(link->GetStrFromBuffer(), QByteArray("Hello"));
    }

    // Commands one per 102, then the whole frame as one 1024-byte 103.
    void ssd1306FrameLandsOnTheGlass()
    {
        BridgeFirmware &bridge = addBridge();
        QVERIFY(plugAndHear(adapters.back().get()));
        loadLink();
        const std::uint8_t commands[] = {0x8D, 0x14, 0x20, 0x00, 0xA1, 0xC8, 0xAF}; // pump, horizontal, remaps, on
        for (std::uint8_t command : commands)
            QVERIFY(link->DevWrite(arI2CCommand, 0x78, command << 8, 254));
        QByteArray frame(1024, '\0');
        for (int i = 0; i < frame.size(); ++i)
            frame[i] = char((i * 37) ^ (i >> 7));
        link->DevBuffer.replace(0, frame.size(), frame);
        QVERIFY(link->DevWrite(arI2CWrite, 0x78, 0x40, 1024));
        QCOMPARE(bridge.oled()->glass().toFrame(), frame);
    }

    void failedTransferCarriesTheErrno()
    {
        VirtualAdapter *a = addAdapter();
        QVERIFY(plugAndHear(a));
        loadLink();
        TUsbCtrlSet s;
        s.bRequest = arI2CRead;
        s.wLength = 1;
        a->timeOutNextTransfers(1);
        QCOMPARE(link->DevRead3(s), -ETIMEDOUT);
        QCOMPARE(link->DevRead3(s), 1);
        QVERIFY(link->Connected());
    }

    // libusb 0.1 falls back to a read-only handle on a node the user may not
    // write; every transfer on it would fail while the link said "connected".
    void nodeWithoutWriteAccessIsReportedNotConnected()
    {
        const OrdinaryFileRights asUser;
        if (!asUser.inForce())
            QSKIP("this thread cannot give up CAP_DAC_OVERRIDE, so no node is read-only to it");
        loadLink();
        VirtualAdapter *a = addAdapter();
        testbed->plug(*a, UsbTestbed::Access::ReadOnly);
        QTRY_COMPARE_WITH_TIMEOUT(log.events, QStringList{"access denied"}, kNoticeWaitMs);
        QVERIFY(!link->Connected());
        QCOMPARE(usb->lastOpenError(), EACCES);
        QVERIFY(!link->DevWrite(arSpiOpen, 0, 0, 0));
        QVERIFY(a->log().records().empty());

        // The rule installed, the adapter plugged again.
        QSignalSpy notices(usb.get(), &UsbBackend::deviceChanged);
        testbed->pull(*a);
        QTRY_COMPARE_WITH_TIMEOUT(notices.count(), 1, kNoticeWaitMs);
        testbed->plug(*a);
        QTRY_COMPARE_WITH_TIMEOUT(log.events, (QStringList{"access denied", "connected"}), kNoticeWaitMs);
        QCOMPARE(usb->lastOpenError(), 0);
        QVERIFY(link->DevWrite(arSpiOpen, 0, 0, 0));
    }

    void nodeWithoutWriteAccessAtLoad()
    {
        const OrdinaryFileRights asUser;
        if (!asUser.inForce())
            QSKIP("this thread cannot give up CAP_DAC_OVERRIDE, so no node is read-only to it");
        QVERIFY(plugAndHear(addAdapter(), UsbTestbed::Access::ReadOnly));
        loadLink();
        QCOMPARE(log.events, QStringList{"access denied"});
        QVERIFY(!link->Connected());
        QVERIFY(link->DeviceVersion().isEmpty());
    }
};

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    TestRealUsb realUsb;
    LinkScenarios scenarios(UmockTestBus::factory());
    return RunTests(argc, argv, {&realUsb, &scenarios});
}
#include "tst_realusb.moc"
