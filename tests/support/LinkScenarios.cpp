#include "LinkScenarios.h"

#include <QtTest>

using namespace sim;

namespace {
AdapterIdentity identityWithVersion(quint16 bcd)
{
    AdapterIdentity id;
    id.bcdDevice = bcd;
    return id;
}

QString versionText(quint16 bcd) { return QStringLiteral("%1.%2").arg(bcd >> 8).arg(bcd & 0xFF); }
} // namespace

void LinkScenarios::init()
{
    QString whyNot;
    bus = FMakeBus(whyNot);
    if (!bus)
        QSKIP(qPrintable(whyNot));
    log = {};
}

void LinkScenarios::cleanup()
{
    link.reset();
    bus.reset();
}

void LinkScenarios::makeLink()
{
    link = std::make_unique<TZqLibUSB>(nullptr, &bus->backend());
    log.attach(*link);
}

void LinkScenarios::loadLink()
{
    makeLink();
    link->Loaded();
}

void LinkScenarios::startsWithoutAdapterThenFollowsPlugAndPull()
{
    loadLink();
    QVERIFY(!link->Connected());
    QVERIFY(link->DeviceVersion().isEmpty());
    QVERIFY(log.events.isEmpty());

    VirtualAdapter *a = bus->addAdapter();
    QVERIFY(bus->plug(a));
    QVERIFY(TestBus::waitFor([&] { return !log.events.isEmpty(); }));
    QCOMPARE(log.events, QStringList{"connected"});
    QVERIFY(link->Connected());
    QCOMPARE(log.versionsSeen.first(), QStringLiteral("1.4"));
    QCOMPARE(log.stringsSeen.first(), (QStringList{"www.rzt.pl", "RZT-USBasp", "VIRT-0001"}));

    QVERIFY(bus->pull(a));
    QVERIFY(TestBus::waitFor([&] { return log.events.size() == 2; }));
    QCOMPARE(log.events, (QStringList{"connected", "disconnected"}));
    QVERIFY(!link->Connected());
    QVERIFY(log.versionsSeen.last().isEmpty());
    QVERIFY(log.stringsSeen.last().isEmpty());
    QVERIFY(!link->DevWrite(arSpiOpen, 0, 0, 0));
    if (const auto handles = bus->openHandles())
        QCOMPARE(*handles, 0);

    QVERIFY(bus->plug(a));
    QVERIFY(TestBus::waitFor([&] { return log.events.size() == 3; }));
    QCOMPARE(log.events.last(), QStringLiteral("connected"));
    QVERIFY(link->DevWrite(arSpiOpen, 0, 0, 0));
}

void LinkScenarios::connectedAtLoadRaisesEventInsideLoaded()
{
    QVERIFY(bus->plug(bus->addAdapter()));
    makeLink();
    QVERIFY(log.events.isEmpty());
    link->Loaded();
    QCOMPARE(log.events, QStringList{"connected"});
}

void LinkScenarios::firstAdapterInBusOrderIsOpened()
{
    VirtualAdapter *onBus2 = bus->addAdapter(identityWithVersion(0x0300));
    onBus2->setBusnum(2);
    std::vector<VirtualAdapter *> adapters = {onBus2, bus->addAdapter(identityWithVersion(0x0101)),
                                              bus->addAdapter(identityWithVersion(0x0102))};
    for (VirtualAdapter *a : adapters)
        QVERIFY(bus->plug(a));
    loadLink();

    // The library's own order, whatever a directory scan made of it.
    std::uint16_t firstVersion = 0;
    for (usb_bus *b = bus->backend().getBusses(); b && !firstVersion; b = b->next)
        for (struct usb_device *dev = b->devices; dev && !firstVersion; dev = dev->next)
            if (dev->descriptor.idVendor == 0x16C0)
                firstVersion = dev->descriptor.bcdDevice;
    QVERIFY(firstVersion);
    QCOMPARE(link->DeviceVersion(), versionText(firstVersion));
    QVERIFY(link->DevWrite(arSpiOpen, 0, 0, 0));
    for (VirtualAdapter *a : adapters)
        QCOMPARE(a->log().records().size(), size_t(a->identity().bcdDevice == firstVersion ? 1 : 0));
}

void LinkScenarios::releaseNumberIsPlainDecimal_data()
{
    QTest::addColumn<int>("bcd");
    QTest::addColumn<QString>("text");
    QTest::newRow("0x0110") << 0x0110 << "1.16";
    QTest::newRow("0x0200") << 0x0200 << "2.0";
    QTest::newRow("0x0104") << 0x0104 << "1.4";
    QTest::newRow("0xFF09") << 0xFF09 << "255.9";
}

void LinkScenarios::releaseNumberIsPlainDecimal()
{
    QFETCH(int, bcd);
    QVERIFY(bus->plug(bus->addAdapter(identityWithVersion(quint16(bcd)))));
    loadLink();
    QTEST(link->DeviceVersion(), "text");
}

void LinkScenarios::descriptorStringsAreFiltered()
{
    AdapterIdentity id;
    id.strings = {"X", "   ", "", "\t\x01", " A ", "RZT-USBasp"};
    QVERIFY(bus->plug(bus->addAdapter(id)));
    loadLink();
    // Index 0 (the language table) reads as one character and is dropped too.
    QCOMPARE(link->InfStrings(), (QStringList{" A ", "RZT-USBasp"}));
}

// Indices 0 to 10 are asked for, and no further.
void LinkScenarios::descriptorStringsUpToIndexTen()
{
    AdapterIdentity id;
    id.strings = QStringList(8, QString()) + QStringList{"Nine", "Ten", "Eleven"};
    QVERIFY(bus->plug(bus->addAdapter(id)));
    loadLink();
    QCOMPARE(link->InfStrings(), (QStringList{"Nine", "Ten"}));
}

void LinkScenarios::pulledBetweenTwoTransfers()
{
    VirtualAdapter *a = bus->addAdapter();
    QVERIFY(bus->plug(a));
    loadLink();
    a->pullAfterTransfers(1);
    QVERIFY(link->DevWrite(arSpiOpen, 0, 0, 1));
    QVERIFY(!link->DevWrite(arSpiOpen, 0, 0, 1));
    QCOMPARE(log.events, QStringList{"connected"}); // the notice comes through the event loop
    QVERIFY(TestBus::waitFor([&] { return log.events.size() == 2; }));
    QCOMPARE(log.events, (QStringList{"connected", "disconnected"}));
    QVERIFY(!link->Connected());
}

void LinkScenarios::otherDevicesComingAndGoingLeaveAdapterAlone()
{
    QVERIFY(bus->plug(bus->addAdapter()));
    loadLink();
    AdapterIdentity mouse;
    mouse.vid = 0x046D;
    mouse.pid = 0xC077;
    VirtualAdapter *m = bus->addAdapter(mouse);
    QVERIFY(bus->plug(m));
    QVERIFY(bus->pull(m));
    QCOMPARE(log.events, QStringList{"connected"});
    QVERIFY(link->Connected());
    QVERIFY(link->DevWrite(arSpiOpen, 0, 0, 0));
}

void LinkScenarios::pullingTheOtherAdapterLeavesOpenOneAlone()
{
    VirtualAdapter *x = bus->addAdapter(identityWithVersion(0x0101));
    VirtualAdapter *y = bus->addAdapter(identityWithVersion(0x0102));
    QVERIFY(bus->plug(x));
    QVERIFY(bus->plug(y));
    loadLink();
    VirtualAdapter *opened = link->DeviceVersion() == QLatin1String("1.1") ? x : y;
    QVERIFY(bus->pull(opened == x ? y : x));
    QCOMPARE(log.events, QStringList{"connected"});
    QVERIFY(link->Connected());
    QVERIFY(link->DevWrite(arSpiOpen, 0, 0, 0));
    QCOMPARE(opened->log().records().size(), size_t(1));
}

// libusb would send the low 16 bits of a longer length and report success.
void LinkScenarios::lengthBeyondSixteenBitsIsRefusedUnsent()
{
    VirtualAdapter *a = bus->addAdapter();
    QVERIFY(bus->plug(a));
    makeLink();
    link->SetBufferSize(65634);
    link->Loaded();
    QVERIFY(!link->DevWrite(arI2CWrite, 0xA8, 0, 65600));
    QVERIFY(!link->DevRead(arI2CRead, 0xA8, 0, 65536));
    QVERIFY(a->log().records().empty());
    QVERIFY(link->DevWrite(arI2CWrite, 0xA8, 0, 300));
    QCOMPARE(a->log().records().size(), size_t(1));
}
