// The 93Cxx engine against the virtual 93C46..93C86 in both organisations:
// what the chip ends up holding, the instruction words and request order,
// the wait for the programming cycle, and the events.
#include "Eeprom93Cxx.h"
#include "EngineProbe.h"
#include "ZqEEPROM93Cxx.h"

Q_DECLARE_METATYPE(ActionEnd)

#include <QElapsedTimer>
#include <QtTest>

using namespace sim;

namespace {
using Engine = TZqEEPROM93Cxx;

BusPopulation with93(Eeprom93Type type, Organisation org)
{
    BusPopulation p;
    p.eeprom93 = type;
    p.organisation = org;
    return p;
}

struct Bench93 {
    Bench93(Eeprom93Type type, Organisation org, SimBench::ChipTime time = SimBench::ChipTime::Steady)
        : bench(with93(type, org), time)
    {
        engine.SetZqLibUSB(&bench.link());
        engine.SetEepromType(Engine::TEepromType(type));
        engine.SetEepromOrganisation(org == Organisation::Word16 ? Engine::eo16_bit : Engine::eo8_bit);
        probe.attach(engine);
        clearLog();
    }

    SimBench bench;
    Engine engine;
    EngineProbe probe;

    Eeprom93Cxx &chip() { return *bench.firmware().eeprom93(); }
    int bytes() { return chip().variant().bytes; }
    int width() { return chip().dataBits() / 8; }
    int cells() { return bytes() / width(); }
    VirtualAdapter &adapter() { return *bench.simulator().adapter(); }
    const std::deque<TransferRecord> &records() { return adapter().log().records(); }
    void clearLog() { adapter().log().clear(); }
    // The instruction words (158 with wLength 1 or a READ) in order.
    QStringList instructions()
    {
        QStringList words;
        const int n = engine.InstructionLength(engine.EepromOrganisation());
        for (const TransferRecord &r : records())
            if (r.request == arMicrowireShift && r.index == n)
                words << QString::number(r.value, 16).toUpper();
        return words;
    }
};

QString shift(int value, int n, int length = 2) { return requestLine(arMicrowireShift, value, n, length); }
const QString Open = requestLine(arSpiOpen, 8, 0, 1);
const QString Close = requestLine(arSpiClose, 8, 0, 1);
const QString Select = requestLine(arChipSelect, 1, 0, 0);
const QString Release = requestLine(arChipSelect, 0, 0, 0);
const QString OneBit = shift(0, 1); // the dummy bit of a READ, or one poll of DO

QString hex(int word) { return QString::number(word, 16).toUpper(); }

QStringList instruction(int word, int n) { return {Select, shift(word, n, 1), Release}; }

void addPartRows()
{
    QTest::addColumn<Eeprom93Type>("type");
    QTest::addColumn<Organisation>("org");
    const char *names[] = {"93c46", "93c56", "93c66", "93c76", "93c86"};
    for (int t = 0; t < 5; ++t) {
        QTest::addRow("%s x16", names[t]) << Eeprom93Type(t) << Organisation::Word16;
        QTest::addRow("%s x8", names[t]) << Eeprom93Type(t) << Organisation::Byte8;
    }
}
} // namespace

class TestEngine93 : public QObject {
    Q_OBJECT

private slots:
    // The words as the chips' data sheets lay them out, for every part and
    // organisation; an erase sends EWEN, ERAL, EWDS with them.
    void instructionWords_data()
    {
        QTest::addColumn<Eeprom93Type>("type");
        QTest::addColumn<Organisation>("org");
        QTest::addColumn<int>("n");
        QTest::addColumn<QList<int>>("words"); // READ 0, WRITE 0, EWEN, EWDS, ERAL, WRAL
        const auto x16 = Organisation::Word16;
        const auto x8 = Organisation::Byte8;
        QTest::newRow("93c46 x16") << Eeprom93Type::C46 << x16 << 9
                                   << QList<int>{0x180, 0x140, 0x130, 0x100, 0x120, 0x110};
        QTest::newRow("93c46 x8") << Eeprom93Type::C46 << x8 << 10
                                  << QList<int>{0x300, 0x280, 0x260, 0x200, 0x240, 0x220};
        QTest::newRow("93c56 x16") << Eeprom93Type::C56 << x16 << 11
                                   << QList<int>{0x600, 0x500, 0x4C0, 0x400, 0x480, 0x440};
        QTest::newRow("93c66 x8") << Eeprom93Type::C66 << x8 << 12
                                  << QList<int>{0xC00, 0xA00, 0x980, 0x800, 0x900, 0x880};
        QTest::newRow("93c76 x16") << Eeprom93Type::C76 << x16 << 13
                                   << QList<int>{0x1800, 0x1400, 0x1300, 0x1000, 0x1200, 0x1100};
        QTest::newRow("93c86 x8") << Eeprom93Type::C86 << x8 << 14
                                  << QList<int>{0x3000, 0x2800, 0x2600, 0x2000, 0x2400, 0x2200};
    }
    void instructionWords()
    {
        QFETCH(Eeprom93Type, type);
        QFETCH(Organisation, org);
        QFETCH(int, n);
        QFETCH(QList<int>, words);
        Bench93 b(type, org);
        const auto o = b.engine.EepromOrganisation();
        QCOMPARE(b.engine.InstructionLength(o), n);
        QCOMPARE(
            (QList<int>{b.engine.ReadInstruction(o, 0), b.engine.WriteInstruction(o, 0), b.engine.EwenInstruction(o),
                        b.engine.EwdsInstruction(o), b.engine.EralInstruction(o), b.engine.WralInstruction(o)}),
            words);
        const int last = b.cells() - 1;
        QCOMPARE(int(b.engine.ReadInstruction(o, last)), words[0] + last);

        b.chip().setMemory(0, pattern(b.bytes()));
        b.engine.EraseEEPROM();
        QCOMPARE(b.chip().memory(), QByteArray(b.bytes(), char(0xFF)));
        // The READ of cell 0 shows the erase took.
        QCOMPARE(b.instructions(), (QStringList{hex(words[2]), hex(words[4]), hex(words[3]), hex(words[0])}));
        QCOMPARE(b.probe.ends, (QList<ActionEnd>{{eaErase, b.bytes()}}));
    }

    // Write a pattern up to the last cell (an odd length, so in 16-bit
    // organisation the last word keeps its low byte), read it back both
    // ways, read past the end, erase.
    void roundTrip_data() { addPartRows(); }
    void roundTrip()
    {
        QFETCH(Eeprom93Type, type);
        QFETCH(Organisation, org);
        Bench93 b(type, org);
        const int w = b.width();
        const QByteArray before = pattern(b.bytes(), 5);
        b.chip().setMemory(0, before);
        const QByteArray data = pattern(21, 9);
        const int addr = b.cells() - (w == 2 ? 11 : 21);
        const QByteArray expected = QByteArray(before).replace(addr * w, data.size(), data);

        b.engine.WriteEEPROM(data, addr);
        QCOMPARE(b.chip().memory(), expected);
        b.engine.ReadEEPROM(0, b.cells());
        QCOMPARE(b.engine.EEPROM_BUF(), expected);
        b.engine.SetSequentialRead(true);
        b.engine.ReadEEPROM(0, b.cells());
        QCOMPARE(b.probe.view.shown.size(), 2);
        QCOMPARE(b.probe.view.shown[1].bytes, expected);
        QCOMPARE(b.probe.view.shown[1].start, 0);
        b.engine.SetSequentialRead(false);
        b.engine.ReadEEPROM(b.cells() - 3, 10);
        QCOMPARE(b.probe.view.shown[2].bytes, expected.right(3 * w));
        QCOMPARE(b.probe.view.shown[2].start, b.bytes() - 3 * w);

        b.engine.EraseEEPROM();
        QCOMPARE(b.chip().memory(), QByteArray(b.bytes(), char(0xFF)));
        b.engine.ReadEEPROM(0, b.cells());
        QCOMPARE(b.engine.EEPROM_BUF(), QByteArray(b.bytes(), char(0xFF)));
        QCOMPARE(b.probe.ends, (QList<ActionEnd>{{eaWrite, 21},
                                                 {eaRead, b.bytes()},
                                                 {eaRead, b.bytes()},
                                                 {eaRead, 3 * w},
                                                 {eaErase, b.bytes()},
                                                 {eaRead, b.bytes()}}));
    }

    // WRAL in the form asked for, with its data; EWEN and EWDS around it.
    void writeAll_data()
    {
        QTest::addColumn<Eeprom93Type>("type");
        QTest::addColumn<Organisation>("org");
        QTest::addColumn<QStringList>("requests");
        QTest::newRow("93c56 x16, 1234") << Eeprom93Type::C56 << Organisation::Word16
                                         << QStringList{Open,
                                                        Select,
                                                        shift(0x4C0, 11, 1),
                                                        Release,
                                                        Select,
                                                        shift(0x440, 11, 1),
                                                        shift(0x1234, 16),
                                                        Release,
                                                        Select,
                                                        OneBit,
                                                        Release,
                                                        Select,
                                                        shift(0x400, 11, 1),
                                                        Release,
                                                        Select,
                                                        shift(0x600, 11),
                                                        OneBit,
                                                        shift(0, 16),
                                                        Release,
                                                        Close};
        QTest::newRow("93c86 x8, 5A") << Eeprom93Type::C86 << Organisation::Byte8
                                      << QStringList{Open,
                                                     Select,
                                                     shift(0x2600, 14, 1),
                                                     Release,
                                                     Select,
                                                     shift(0x2200, 14, 1),
                                                     shift(0x5A, 8),
                                                     Release,
                                                     Select,
                                                     OneBit,
                                                     Release,
                                                     Select,
                                                     shift(0x2000, 14, 1),
                                                     Release,
                                                     Select,
                                                     shift(0x3000, 14),
                                                     OneBit,
                                                     shift(0, 8),
                                                     Release,
                                                     Close};
    }
    void writeAll()
    {
        QFETCH(Eeprom93Type, type);
        QFETCH(Organisation, org);
        QFETCH(QStringList, requests);
        Bench93 b(type, org);
        if (org == Organisation::Word16)
            b.engine.WriteAllEEPROMWords(0x1234);
        else
            b.engine.WriteAllEEPROMBytes(0x5A);
        const QByteArray cell = org == Organisation::Word16 ? QByteArray("\x12\x34") : QByteArray("\x5A");
        QCOMPARE(b.chip().memory(), cell.repeated(b.cells()));
        QCOMPARE(requestLogRunsFolded(b.bench), requests);
        QCOMPARE(b.probe.ends, (QList<ActionEnd>{{eaWrite, b.bytes()}}));
    }

    // Each item a READ of its own between select and release: five requests.
    void readWordByWord()
    {
        Bench93 b(Eeprom93Type::C46, Organisation::Word16);
        b.chip().setMemory(0, pattern(128));
        b.engine.ReadEEPROM(0, 64);
        QStringList expected{Open, Select};
        for (int j = 0; j < 64; ++j)
            expected << Select << shift(0x180 + j, 9) << OneBit << shift(0, 16) << Release;
        // A READ's dummy 0 at the end: the chip was there for the last item too.
        expected << Release << Select << shift(0x180, 9) << OneBit << Release << Close;
        QCOMPARE(requestLog(b.bench), expected);
        QCOMPARE(b.engine.EEPROM_BUF(), pattern(128));
        QCOMPARE(b.probe.ends, (QList<ActionEnd>{{eaRead, 128}}));
    }

    // One READ and one dummy bit, then the chip's counter, selected throughout.
    void readSequentially()
    {
        Bench93 b(Eeprom93Type::C46, Organisation::Word16);
        b.chip().setMemory(0, pattern(128));
        b.engine.SetSequentialRead(true);
        b.engine.ReadEEPROM(0, 64);
        QStringList expected{Open, Select, shift(0x180, 9), OneBit};
        for (int j = 0; j < 64; ++j)
            expected << shift(0, 16);
        expected << Release << Select << shift(0x180, 9) << OneBit << Release << Close;
        QCOMPARE(requestLog(b.bench), expected);
        QCOMPARE(b.engine.EEPROM_BUF(), pattern(128));
    }

    // Which READs go out, what is counted, and the byte address the view gets.
    void readRanges_data()
    {
        QTest::addColumn<Eeprom93Type>("type");
        QTest::addColumn<Organisation>("org");
        QTest::addColumn<int>("address");
        QTest::addColumn<int>("size");
        QTest::addColumn<QStringList>("reads");
        QTest::addColumn<int>("bytes");
        QTest::addColumn<int>("start");
        QTest::newRow("93c46 x8 from 120, clipped")
            << Eeprom93Type::C46 << Organisation::Byte8 << 120 << 20
            << QStringList{"378", "379", "37A", "37B", "37C", "37D", "37E", "37F", "378"} << 8 << 0x78;
        QTest::newRow("93c86 x16 last word")
            << Eeprom93Type::C86 << Organisation::Word16 << 0x3FF << 1 << QStringList{"1BFF", "1BFF"} << 2 << 0x7FE;
        QTest::newRow("93c66 x16 words 10..13") << Eeprom93Type::C66 << Organisation::Word16 << 10 << 4
                                                << QStringList{"60A", "60B", "60C", "60D", "60A"} << 8 << 20;
        QTest::newRow("beyond the end") << Eeprom93Type::C46 << Organisation::Word16 << 64 << 4 << QStringList{} << 0
                                        << 64;
    }
    void readRanges()
    {
        QFETCH(Eeprom93Type, type);
        QFETCH(Organisation, org);
        QFETCH(int, address);
        QFETCH(int, size);
        QFETCH(QStringList, reads);
        QFETCH(int, bytes);
        QFETCH(int, start);
        Bench93 b(type, org);
        b.chip().setMemory(0, pattern(b.bytes()));
        b.engine.ReadEEPROM(address, size);
        QCOMPARE(b.instructions(), reads);
        QCOMPARE(b.probe.ends, (QList<ActionEnd>{{eaRead, bytes}}));
        if (bytes == 0) {
            QCOMPARE(b.probe.view.shown.size(), 0);
            return;
        }
        QCOMPARE(b.probe.view.shown[0].start, start);
        QCOMPARE(b.probe.view.shown[0].bytes, pattern(b.bytes()).mid(start, bytes));
    }

    // Three bytes at word 5: a word, then the odd byte over the low byte the
    // chip holds at word 6. Every WRITE waits for ready before EWDS.
    void oddLengthWordWrite()
    {
        Bench93 b(Eeprom93Type::C46, Organisation::Word16);
        b.chip().setMemory(0, pattern(128));
        const int oldLow = std::uint8_t(pattern(128)[13]);
        b.engine.WriteEEPROM("ABC", 5);
        const QStringList ewen = instruction(0x130, 9);
        const QStringList ewds = instruction(0x100, 9);
        const QStringList ready{Select, OneBit, Release};
        QStringList expected{Open};
        const auto readBack = [](int read) {
            return QStringList{Select, shift(read, 9), OneBit, shift(0, 16), Release};
        };
        expected << ewen << Select << shift(0x145, 9, 1) << shift(0x41, 8) << shift(0x42, 8) << Release << ready << ewds
                 << readBack(0x185);
        expected << readBack(0x186);
        expected << ewen << Select << shift(0x146, 9, 1) << shift(0x43, 8) << shift(oldLow, 8) << Release << ready
                 << ewds << readBack(0x186) << Close;
        QCOMPARE(requestLogRunsFolded(b.bench), expected);
        QCOMPARE(b.chip().memory().mid(10, 4), QByteArray("ABC") + char(oldLow));
        QCOMPARE(b.probe.ends, (QList<ActionEnd>{{eaWrite, 3}}));
        checkPollsEndReady(b);
    }

    void byteWrite()
    {
        Bench93 b(Eeprom93Type::C46, Organisation::Byte8);
        b.engine.WriteEEPROM("ABC", 5);
        QStringList expected{Open};
        for (int i = 0; i < 3; ++i)
            expected << instruction(0x260, 10) << Select << shift(0x285 + i, 10, 1) << shift(0x41 + i, 8) << Release
                     << Select << OneBit << Release << instruction(0x200, 10) << Select << shift(0x305 + i, 10)
                     << OneBit << shift(0, 8) << Release;
        expected << Close;
        QCOMPARE(requestLogRunsFolded(b.bench), expected);
        QCOMPARE(b.chip().memory().mid(4, 5), QByteArray("\xFF"
                                                         "ABC\xFF"));
        QCOMPARE(b.probe.ends, (QList<ActionEnd>{{eaWrite, 3}}));
    }

    void emptyWriteOnlyTakesTheLines()
    {
        Bench93 b(Eeprom93Type::C46, Organisation::Word16);
        b.engine.WriteEEPROM(QByteArray(), 3);
        QCOMPARE(requestLog(b.bench), (QStringList{Open, Close}));
        QCOMPARE(b.probe.ends, (QList<ActionEnd>{{eaWrite, 0}}));
    }

    // The instructions of an erase follow the organisation.
    void eraseInByteOrganisation()
    {
        Bench93 b(Eeprom93Type::C66, Organisation::Byte8);
        b.chip().setMemory(0, pattern(512));
        b.engine.EraseEEPROM();
        QCOMPARE(b.instructions(), (QStringList{"980", "900", "800", "C00"}));
        QCOMPARE(b.chip().memory(), QByteArray(512, char(0xFF)));
    }

    // Past the last cell the address would run into the opcode (at word 480
    // of a 93C46 the WRITE becomes ERAL): the write stops at the end.
    void writeStaysInsideTheChip_data()
    {
        QTest::addColumn<Eeprom93Type>("type");
        QTest::addColumn<Organisation>("org");
        QTest::addColumn<int>("addr");
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("written");
        QTest::newRow("93c46 x16 at 480") << Eeprom93Type::C46 << Organisation::Word16 << 480 << 2 << 0;
        QTest::newRow("93c46 x16 at 62") << Eeprom93Type::C46 << Organisation::Word16 << 62 << 6 << 4;
        QTest::newRow("93c56 x16 at 127, odd") << Eeprom93Type::C56 << Organisation::Word16 << 127 << 3 << 2;
        QTest::newRow("93c46 x8 at 126") << Eeprom93Type::C46 << Organisation::Byte8 << 126 << 4 << 2;
        QTest::newRow("93c86 x8 at 2047") << Eeprom93Type::C86 << Organisation::Byte8 << 2047 << 2 << 1;
        QTest::newRow("93c46 x8 at 128") << Eeprom93Type::C46 << Organisation::Byte8 << 128 << 1 << 0;
        QTest::newRow("negative") << Eeprom93Type::C46 << Organisation::Byte8 << -1 << 2 << 0;
    }
    void writeStaysInsideTheChip()
    {
        QFETCH(Eeprom93Type, type);
        QFETCH(Organisation, org);
        QFETCH(int, addr);
        QFETCH(int, length);
        QFETCH(int, written);
        Bench93 b(type, org);
        const QByteArray before = pattern(b.bytes(), 2);
        b.chip().setMemory(0, before);
        const QByteArray data = pattern(length, 7);
        b.engine.WriteEEPROM(data, addr);
        QByteArray expected = before;
        if (written > 0)
            expected.replace(addr * b.width(), written, data.left(written));
        QCOMPARE(b.chip().memory(), expected);
        QCOMPARE(b.probe.ends, (QList<ActionEnd>{{eaWrite, written}}));
    }

    // A chip that stays busy ends the operation after the time limit, and
    // the count says nothing was confirmed.
    void busyChipTimesOut_data()
    {
        QTest::addColumn<int>("operation");
        QTest::addColumn<ActionEnd>("end");
        QTest::newRow("write") << 0 << ActionEnd{eaWrite, 0};
        QTest::newRow("erase") << 1 << ActionEnd{eaErase, 0};
        QTest::newRow("write all") << 2 << ActionEnd{eaWrite, 0};
    }
    void busyChipTimesOut()
    {
        QFETCH(int, operation);
        QFETCH(ActionEnd, end);
        Bench93 b(Eeprom93Type::C46, Organisation::Word16, SimBench::ChipTime::Manual);
        QElapsedTimer timer;
        timer.start();
        if (operation == 0)
            b.engine.WriteEEPROM("ABCD", 0);
        else if (operation == 1)
            b.engine.EraseEEPROM();
        else
            b.engine.WriteAllEEPROMWords(0x1234);
        QVERIFY(timer.elapsed() >= Engine::ReadyTimeoutMs);
        QCOMPARE(b.probe.ends, QList<ActionEnd>{end});
        const QStringList log = requestLogRunsFolded(b.bench);
        QCOMPARE(log.mid(log.size() - 5), (QStringList{Release, Select, shift(0x100, 9, 1), Release, Close}));
        QCOMPARE(b.instructions().size(), 3); // EWEN, the one programming instruction, EWDS
    }

    // The time-out counts the engine's own waits: on a slow link (a busy
    // computer, a hub) the polls take longer in real time, yet a chip that
    // finishes its cycle within the limit is ready, not stuck.
    void slowLinkWaitsOutTheCycle_data()
    {
        QTest::addColumn<bool>("writeAll");
        QTest::addColumn<QByteArray>("start");
        QTest::newRow("write") << false << QByteArray("AB\xFF\xFF");
        QTest::newRow("write all") << true << QByteArray("\x12\x34\x12\x34");
    }
    void slowLinkWaitsOutTheCycle()
    {
        QFETCH(bool, writeAll);
        QFETCH(QByteArray, start);
        Bench93 b(Eeprom93Type::C46, Organisation::Word16, SimBench::ChipTime::Manual);
        b.engine.SetWait([&b](int ms) { b.bench.clock.advanceMs(ms); });
        // Polls slow enough that even a 6 ms cycle outlasts the limit in real time.
        b.adapter().setLatencyUs(Engine::ReadyTimeoutMs * 1000 / 4);
        if (writeAll)
            b.engine.WriteAllEEPROMWords(0x1234);
        else
            b.engine.WriteEEPROM("AB", 0);
        QCOMPARE(b.probe.ends, (QList<ActionEnd>{{eaWrite, writeAll ? b.bytes() : 2}}));
        QCOMPARE(b.chip().memory().left(4), start);
    }

    // A pull or a failed transfer ends the operation with the true count.
    void failureMidwayReportsTrueCount_data()
    {
        QTest::addColumn<int>("operation"); // 0 read, 1 sequential read, 2 write
        QTest::addColumn<bool>("pull");
        QTest::addColumn<int>("bytes");
        QTest::newRow("read, pulled") << 0 << true << 20;
        QTest::newRow("read, transfer fails") << 0 << false << 20;
        QTest::newRow("sequential read, pulled") << 1 << true << 20;
        QTest::newRow("sequential read, transfer fails") << 1 << false << 20;
        QTest::newRow("write, pulled") << 2 << true << 4;
        QTest::newRow("write, transfer fails") << 2 << false << 4;
    }
    void failureMidwayReportsTrueCount()
    {
        QFETCH(int, operation);
        QFETCH(bool, pull);
        QFETCH(int, bytes);
        Bench93 b(Eeprom93Type::C46, Organisation::Word16);
        const QByteArray before = pattern(128, 1);
        b.chip().setMemory(0, before);
        const int itemsFirst = operation == 2 ? 2 : 10;
        int items = 0;
        b.engine.OnProgress = [&](QObject *, TEepromAction, int) {
            if (++items != itemsFirst)
                return;
            if (pull)
                b.bench.simulator().pull(b.bench.simulator().adapter());
            else
                b.adapter().failNextTransfers(1);
        };
        b.engine.SetSequentialRead(operation == 1);
        const QByteArray data = pattern(10, 4);
        if (operation == 2)
            b.engine.WriteEEPROM(data, 0);
        else
            b.engine.ReadEEPROM(0, 64);
        QCOMPARE(b.probe.ends, (QList<ActionEnd>{{operation == 2 ? eaWrite : eaRead, bytes}}));
        if (operation == 2) {
            QCOMPARE(b.chip().memory(), QByteArray(before).replace(0, bytes, data.left(bytes)));
        } else {
            QCOMPARE(b.probe.view.shown.size(), 1);
            QCOMPARE(b.probe.view.shown[0].bytes, before.left(bytes));
        }
        QCoreApplication::processEvents();
        QCOMPARE(b.bench.connected(), !pull);
    }

    void progressPercentages_data()
    {
        QTest::addColumn<Organisation>("org");
        QTest::addColumn<bool>("write");
        QTest::addColumn<int>("count");
        QTest::addColumn<QList<int>>("percents");
        QTest::newRow("read 8 bytes") << Organisation::Byte8 << false << 8
                                      << QList<int>{12, 25, 38, 50, 62, 75, 88, 100};
        QTest::newRow("read 2 words") << Organisation::Word16 << false << 2 << QList<int>{50, 100};
        QTest::newRow("write 5 bytes in words") << Organisation::Word16 << true << 5 << QList<int>{40, 80, 100};
    }
    void progressPercentages()
    {
        QFETCH(Organisation, org);
        QFETCH(bool, write);
        QFETCH(int, count);
        QFETCH(QList<int>, percents);
        Bench93 b(Eeprom93Type::C46, org);
        if (write)
            b.engine.WriteEEPROM(pattern(count), 0);
        else
            b.engine.ReadEEPROM(0, count);
        QCOMPARE(b.probe.progress, percents);
        QVERIFY(b.probe.progressActions.count(write ? eaWrite : eaRead) == percents.size());
    }

    void nothingWithoutAdapter_data()
    {
        QTest::addColumn<bool>("linked");
        QTest::newRow("adapter pulled") << true;
        QTest::newRow("no link") << false;
    }
    void nothingWithoutAdapter()
    {
        QFETCH(bool, linked);
        Bench93 b(Eeprom93Type::C46, Organisation::Word16);
        if (linked)
            b.bench.pull();
        else
            b.engine.SetZqLibUSB(nullptr);
        b.engine.ReadEEPROM(0, 4);
        b.engine.WriteEEPROM("abc", 0);
        b.engine.EraseEEPROM();
        b.engine.WriteAllEEPROMWords(1);
        b.engine.WriteAllEEPROMBytes(1);
        QVERIFY(b.probe.silent());
        QVERIFY(b.records().empty());
    }

    void operationStartedFromAnEventDoesNothing()
    {
        Bench93 b(Eeprom93Type::C86, Organisation::Word16);
        int calls = 0;
        b.engine.OnProgress = [&](QObject *, TEepromAction, int) {
            if (calls++ != 5)
                return;
            const std::size_t before = b.records().size();
            b.engine.EraseEEPROM();
            b.engine.WriteEEPROM("xy", 0);
            b.engine.WriteAllEEPROMBytes(0);
            b.engine.ReadEEPROM(0, 1);
            b.engine.SetEepromType(Engine::et93c46);
            QCOMPARE(b.records().size(), before);
        };
        b.engine.ReadEEPROM(0, 1024);
        QCOMPARE(b.probe.ends, (QList<ActionEnd>{{eaRead, 2048}}));
        QCOMPARE(b.engine.BufferSize(), 128);
        QCOMPARE(b.engine.EEPROM_BUF().size(), 128);
    }

    void typeRows_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("bytes");
        QTest::addColumn<int>("n16");
        QTest::newRow("93c46") << 0 << 128 << 9;
        QTest::newRow("93c56") << 1 << 256 << 11;
        QTest::newRow("93c66") << 2 << 512 << 11;
        QTest::newRow("93c76") << 3 << 1024 << 13;
        QTest::newRow("93c86") << 4 << 2048 << 13;
        QTest::newRow("low 7 bits") << 0x82 << 512 << 11;
        QTest::newRow("outside: only stored") << 9 << 2048 << 13;
    }
    void typeRows()
    {
        QFETCH(int, type);
        QFETCH(int, bytes);
        QFETCH(int, n16);
        Engine engine;
        QCOMPARE(engine.BufferSize(), 128);
        QCOMPARE(engine.Words(), 64);
        engine.SetEepromType(Engine::et93c86);
        engine.SetEepromType(Engine::TEepromType(type));
        QCOMPARE(int(engine.EepromType()), type);
        QCOMPARE(engine.BufferSize(), bytes);
        QCOMPARE(engine.Words(), bytes / 2);
        QCOMPARE(engine.EEPROM_BUF().size(), bytes);
        QCOMPARE(engine.InstructionLength(Engine::eo16_bit), n16);
        QCOMPARE(engine.InstructionLength(Engine::eo8_bit), n16 + 1);
    }

private:
    // Every run of polls saw busy until its last poll, which saw ready.
    static void checkPollsEndReady(Bench93 &b)
    {
        const auto &records = b.records();
        int runs = 0;
        for (std::size_t i = 0; i < records.size(); ++i) {
            if (shortForm(records[i]) != OneBit || shortForm(records[i - 1]) != Select)
                continue;
            std::size_t j = i;
            while (shortForm(records[j + 1]) == OneBit) {
                QCOMPARE(records[j].bytesIn.at(1) & 1, 0);
                ++j;
            }
            QCOMPARE(records[j].bytesIn.at(1) & 1, 1);
            QVERIFY2(j > i, "the chip was never seen busy");
            ++runs;
        }
        QCOMPARE(runs, 2);
    }
};

int runEngine93Tests(int argc, char **argv)
{
    TestEngine93 t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_engine93.moc"
