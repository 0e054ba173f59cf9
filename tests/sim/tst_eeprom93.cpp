// 93Cxx models driven through the device link with requests 150..152 and 158,
// in the sequences the Microwire engine sends.
#include "Eeprom93Cxx.h"
#include "SimBench.h"

#include <QtTest>

using namespace sim;

namespace {
enum Opcode {
    Read = 0b10,
    Write = 0b01,
    Erase = 0b11,
    Control = 0b00
};
enum ControlOp {
    Ewds = 0b00,
    Wral = 0b01,
    Eral = 0b10,
    Ewen = 0b11
};

// A Microwire chip on the bench, with the instruction words of its part and
// organisation: start bit, opcode, address field.
class Microwire {
public:
    Microwire(Eeprom93Type type, Organisation org) : bench(population(type, org)) { bench.openLines(); }

    SimBench bench;

    Eeprom93Cxx &chip() { return *bench.firmware().eeprom93(); }
    int addressBits() { return chip().addressBits(); }
    int dataBits() { return chip().dataBits(); }
    int cells() { return chip().variant().bytes * 8 / dataBits(); }
    int length() { return 3 + addressBits(); }
    std::uint16_t word(int opcode, int field)
    {
        return std::uint16_t(1 << (length() - 1) | opcode << addressBits() | field);
    }
    std::uint16_t controlWord(int op) { return word(Control, op << (addressBits() - 2)); }

    // One selected instruction without data, as the engine's EnableWrites does.
    void instruction(std::uint16_t w)
    {
        bench.select(true);
        bench.shift(w, length(), 1);
        bench.select(false);
    }
    std::uint16_t readAt(int address)
    {
        bench.select(true);
        bench.shift(word(Read, address), length(), 2);
        bench.shift(0, 1);
        const std::uint16_t value = bench.shift(0, dataBits());
        bench.select(false);
        return value;
    }
    void writeAt(int address, std::uint16_t value)
    {
        bench.select(true);
        bench.shift(word(Write, address), length(), 1);
        bench.shift(value, dataBits());
        bench.select(false);
    }
    // DO with the chip selected and no instruction under way: busy 0, ready 1.
    bool ready()
    {
        bench.select(true);
        const bool high = bench.shift(0, 1) & 1;
        bench.select(false);
        return high;
    }
    std::uint16_t cell(int address)
    {
        const QByteArray m = chip().memory();
        return dataBits() == 8 ? std::uint8_t(m[address])
                               : std::uint16_t(std::uint8_t(m[2 * address]) << 8 | std::uint8_t(m[2 * address + 1]));
    }

private:
    static BusPopulation population(Eeprom93Type type, Organisation org)
    {
        BusPopulation p;
        p.eeprom93 = type;
        p.organisation = org;
        return p;
    }
};

QByteArray pattern(int n)
{
    QByteArray bytes(n, '\0');
    for (int i = 0; i < n; ++i)
        bytes[i] = char(i * 7 + 3);
    return bytes;
}

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

class TestEeprom93 : public QObject {
    Q_OBJECT

private slots:
    // READ: the dummy 0 comes with the shift after the instruction, then the data whole.
    void readHasDummyBitThenData_data() { addPartRows(); }
    void readHasDummyBitThenData()
    {
        QFETCH(Eeprom93Type, type);
        QFETCH(Organisation, org);
        Microwire mw(type, org);
        mw.chip().setMemory(0, pattern(mw.chip().variant().bytes));
        const int last = mw.cells() - 1;
        mw.bench.select(true);
        mw.bench.shift(mw.word(Read, last), mw.length(), 2);
        QCOMPARE(mw.bench.shift(0, 1) & 1, 0);
        QCOMPARE(mw.bench.shift(0, mw.dataBits()), mw.cell(last));
        mw.bench.select(false);
        QCOMPARE(mw.readAt(1), mw.cell(1));
    }

    // Kept selected, the chip goes on with the next cells and wraps at the end.
    void sequentialReadWrapsAround_data() { addPartRows(); }
    void sequentialReadWrapsAround()
    {
        QFETCH(Eeprom93Type, type);
        QFETCH(Organisation, org);
        Microwire mw(type, org);
        mw.chip().setMemory(0, pattern(mw.chip().variant().bytes));
        const int start = mw.cells() - 2;
        mw.bench.select(true);
        mw.bench.shift(mw.word(Read, start), mw.length(), 2);
        mw.bench.shift(0, 1);
        for (int i = 0; i < 4; ++i)
            QCOMPARE(mw.bench.shift(0, mw.dataBits()), mw.cell((start + i) % mw.cells()));
        mw.bench.select(false);
    }

    // Power-up is EWDS: WRITE is taken in but not programmed, and nothing goes busy.
    void writeRefusedWithoutEwen_data() { addPartRows(); }
    void writeRefusedWithoutEwen()
    {
        QFETCH(Eeprom93Type, type);
        QFETCH(Organisation, org);
        Microwire mw(type, org);
        mw.writeAt(2, 0x1234);
        QCOMPARE(mw.chip().memory(), QByteArray(mw.chip().variant().bytes, char(0xFF)));
        QVERIFY(!mw.chip().busy());
        mw.instruction(mw.controlWord(Ewen));
        mw.instruction(mw.controlWord(Ewds));
        mw.writeAt(2, 0x1234);
        QCOMPARE(mw.cell(2), std::uint16_t((1u << mw.dataBits()) - 1));
    }

    // WRITE programs when CS falls; DO shows busy until tWC is over, then ready.
    void writeProgramsWithBusyThenReady_data() { addPartRows(); }
    void writeProgramsWithBusyThenReady()
    {
        QFETCH(Eeprom93Type, type);
        QFETCH(Organisation, org);
        Microwire mw(type, org);
        const std::uint16_t value = mw.dataBits() == 16 ? 0x1234 : 0x56;
        const int address = mw.cells() - 1;
        mw.instruction(mw.controlWord(Ewen));
        mw.writeAt(address, value);
        QCOMPARE(mw.cell(address), value);
        QVERIFY(!mw.ready());
        mw.bench.clock.advanceUs(Eeprom93Cxx::WriteCycleUs - 1);
        QVERIFY(!mw.ready());
        mw.bench.clock.advanceUs(1);
        QVERIFY(mw.ready());
        QCOMPARE(mw.readAt(address), value);
    }

    // During the cycle the chip decodes nothing: neither EWDS nor another WRITE.
    void instructionsDuringCycleAreIgnored()
    {
        Microwire mw(Eeprom93Type::C46, Organisation::Word16);
        mw.instruction(mw.controlWord(Ewen));
        mw.writeAt(5, 0xAAAA);
        mw.instruction(mw.controlWord(Ewds));
        mw.writeAt(6, 0xBBBB);
        QVERIFY(mw.chip().writeEnabled());
        QCOMPARE(mw.cell(6), std::uint16_t(0xFFFF));
        mw.bench.clock.advanceUs(Eeprom93Cxx::WriteCycleUs);
        mw.writeAt(6, 0xBBBB);
        QCOMPARE(mw.cell(6), std::uint16_t(0xBBBB));
        QCOMPARE(mw.cell(5), std::uint16_t(0xAAAA));
    }

    // A WRITE cut short by CS is not programmed.
    void incompleteWriteIsDropped()
    {
        Microwire mw(Eeprom93Type::C66, Organisation::Word16);
        mw.instruction(mw.controlWord(Ewen));
        mw.bench.select(true);
        mw.bench.shift(mw.word(Write, 9), mw.length(), 1);
        mw.bench.shift(0x12, 8);
        mw.bench.select(false);
        QCOMPARE(mw.cell(9), std::uint16_t(0xFFFF));
        QVERIFY(!mw.chip().busy());
    }

    void eraseAllAndWriteAll_data() { addPartRows(); }
    void eraseAllAndWriteAll()
    {
        QFETCH(Eeprom93Type, type);
        QFETCH(Organisation, org);
        Microwire mw(type, org);
        const int bytes = mw.chip().variant().bytes;
        mw.chip().setMemory(0, pattern(bytes));
        mw.instruction(mw.controlWord(Ewen));
        mw.instruction(mw.controlWord(Eral));
        QCOMPARE(mw.chip().memory(), QByteArray(bytes, char(0xFF)));
        QVERIFY(!mw.ready());
        mw.bench.clock.advanceUs(Eeprom93Cxx::EraseAllCycleUs);
        QVERIFY(mw.ready());

        const std::uint16_t value = mw.dataBits() == 16 ? 0x1234 : 0x5A;
        mw.bench.select(true);
        mw.bench.shift(mw.controlWord(Wral), mw.length(), 1);
        mw.bench.shift(value, mw.dataBits());
        mw.bench.select(false);
        const QByteArray cellBytes = mw.dataBits() == 16 ? QByteArray("\x12\x34") : QByteArray("\x5A");
        QCOMPARE(mw.chip().memory(), cellBytes.repeated(bytes / cellBytes.size()));
        mw.bench.clock.advanceUs(Eeprom93Cxx::WriteAllCycleUs - 1);
        QVERIFY(!mw.ready());
        mw.bench.clock.advanceUs(1);
        QVERIFY(mw.ready());
    }

    void eraseSetsOneCell()
    {
        Microwire mw(Eeprom93Type::C86, Organisation::Byte8);
        mw.chip().setMemory(0, QByteArray(2048, '\0'));
        mw.instruction(mw.controlWord(Ewen));
        mw.instruction(mw.word(Erase, 0x7FF));
        QCOMPARE(mw.chip().memory().count('\0'), 2047);
        QCOMPARE(mw.cell(0x7FF), std::uint16_t(0xFF));
    }

    // 93C56 and 93C76 have one address bit more than their cells need.
    void dontCareAddressBit_data()
    {
        QTest::addColumn<Eeprom93Type>("type");
        QTest::addColumn<Organisation>("org");
        QTest::newRow("93c56 x16") << Eeprom93Type::C56 << Organisation::Word16;
        QTest::newRow("93c56 x8") << Eeprom93Type::C56 << Organisation::Byte8;
        QTest::newRow("93c76 x16") << Eeprom93Type::C76 << Organisation::Word16;
        QTest::newRow("93c76 x8") << Eeprom93Type::C76 << Organisation::Byte8;
    }
    void dontCareAddressBit()
    {
        QFETCH(Eeprom93Type, type);
        QFETCH(Organisation, org);
        Microwire mw(type, org);
        mw.chip().setMemory(0, pattern(mw.chip().variant().bytes));
        const int topBit = 1 << (mw.addressBits() - 1);
        QCOMPARE(mw.readAt(topBit | 3), mw.cell(3));
    }

    // Zeros before the start bit are no instruction.
    void leadingZerosBeforeStartBit()
    {
        Microwire mw(Eeprom93Type::C46, Organisation::Word16);
        mw.chip().setMemory(0, pattern(128));
        mw.bench.select(true);
        mw.bench.shift(mw.word(Read, 7), mw.length() + 4, 2);
        mw.bench.shift(0, 1);
        QCOMPARE(mw.bench.shift(0, 16), mw.cell(7));
        mw.bench.select(false);
    }

    // DO not driven reads 1 through the pull-up.
    void releasedDataOutReadsHigh()
    {
        Microwire mw(Eeprom93Type::C46, Organisation::Word16);
        QCOMPARE(mw.bench.shift(0, 16), std::uint16_t(0xFFFF));
        mw.bench.select(true);
        QCOMPARE(mw.bench.shift(0, 16), std::uint16_t(0xFFFF));
        mw.bench.select(false);
    }

    void replugRestoresEwdsAndKeepsCells()
    {
        Microwire mw(Eeprom93Type::C46, Organisation::Word16);
        mw.instruction(mw.controlWord(Ewen));
        mw.writeAt(1, 0x4142);
        mw.bench.replug();
        mw.bench.openLines();
        mw.writeAt(2, 0x4344);
        QCOMPARE(mw.cell(1), std::uint16_t(0x4142));
        QCOMPARE(mw.cell(2), std::uint16_t(0xFFFF));
        QVERIFY(!mw.chip().writeEnabled());
    }

    // 151 releases the lines, which deselects the chip and starts its cycle.
    void releasingTheLinesEndsTheInstruction()
    {
        Microwire mw(Eeprom93Type::C46, Organisation::Word16);
        mw.instruction(mw.controlWord(Ewen));
        mw.bench.select(true);
        mw.bench.shift(mw.word(Write, 4), mw.length(), 1);
        mw.bench.shift(0x0102, 16);
        mw.bench.closeLines();
        QCOMPARE(mw.cell(4), std::uint16_t(0x0102));
        QVERIFY(mw.chip().busy());
    }
};

int runEeprom93Tests(int argc, char **argv)
{
    TestEeprom93 t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_eeprom93.moc"
