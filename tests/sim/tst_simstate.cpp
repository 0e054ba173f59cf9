// The chips' state across runs (--sim-state) and chips changed while the
// adapter stays plugged in.
#include "Pcf8583.h"
#include "SimBench.h"
#include "SimState.h"
#include "Simulator.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace sim;

namespace {
QByteArray pattern(int size, int seed)
{
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = char((i * 7 + seed) & 0xFF);
    return bytes;
}

std::unique_ptr<Simulator> start(const QStringList &arguments)
{
    QString error;
    std::unique_ptr<Simulator> simulator = Simulator::fromArguments(arguments, error);
    if (!simulator)
        qWarning("%s", qPrintable(error));
    return simulator;
}

QByteArray fileBytes(const QString &name)
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}
} // namespace

class TestSimState : public QObject {
    Q_OBJECT
private slots:
    // Memories, clock RAM and a clock set a day ahead come back in the next run.
    void stateSurvivesARestart()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("chips.state"));
        const QStringList arguments{"--simulator", "--sim-24cxx", "24c08", "--sim-state", file};
        const QDateTime ahead = QDateTime::currentDateTime().addDays(1).addSecs(3600);
        {
            std::unique_ptr<Simulator> first = start(arguments);
            QVERIFY(first);
            QVERIFY(first->stateMessage().isEmpty());
            first->firmware().eeprom24()->setMemory(0, pattern(1024, 1));
            first->firmware().eeprom93()->setMemory(0, pattern(128, 2));
            first->firmware().rtc()->setRegister(0xFF, 0x5A);
            first->setClockFrom(ahead);
            QString error;
            QVERIFY2(first->saveState(error), qPrintable(error));
        }
        std::unique_ptr<Simulator> second = start(arguments);
        QVERIFY(second);
        QCOMPARE(second->stateMessage(), QString());
        QCOMPARE(second->firmware().eeprom24()->memory(), pattern(1024, 1));
        QCOMPARE(second->firmware().eeprom93()->memory(), pattern(128, 2));
        QCOMPARE(second->firmware().rtc()->registerValue(0xFF), quint8(0x5A));
        QVERIFY2(std::abs(second->clockTime().secsTo(ahead)) <= 2, qPrintable(second->clockTime().toString()));
    }

    // A part other than the one saved starts erased; the others keep theirs.
    void anotherPartStartsErased()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("chips.state"));
        {
            std::unique_ptr<Simulator> first = start({"--sim-state", file});
            first->firmware().eeprom24()->setMemory(0, pattern(512, 3));
            first->firmware().eeprom93()->setMemory(0, pattern(128, 4));
            QString error;
            QVERIFY(first->saveState(error));
        }
        std::unique_ptr<Simulator> second = start({"--sim-24cxx", "24c02", "--sim-state", file});
        QCOMPARE(second->firmware().eeprom24()->memory(), QByteArray(256, char(0xFF)));
        QCOMPARE(second->firmware().eeprom93()->memory(), pattern(128, 4));
    }

    void damagedFileIsLeftAlone_data()
    {
        QTest::addColumn<QByteArray>("content");
        const QByteArray header = "Brindle simulator state 1\n";
        const QByteArray ff512 = QByteArray(512, char(0xFF)).toHex();
        QTest::newRow("another file") << QByteArray("[General]\nkey=value\n");
        QTest::newRow("later version") << QByteArray("Brindle simulator state 2\n");
        QTest::newRow("short memory") << header + "24cxx 24c04 " + QByteArray(511, char(0xFF)).toHex() + "\n";
        QTest::newRow("not hex") << header + "24cxx 24c04 " + ff512.left(1022) + "GG\n";
        QTest::newRow("unknown part") << header + "24cxx 24c32 " + ff512 + "\n";
        QTest::newRow("twice") << header + "24cxx 24c04 " + ff512 + "\n24cxx 24c04 " + ff512 + "\n";
        QTest::newRow("unknown entry") << header + "eeprom 1\n";
        QTest::newRow("bad offset") << header + "clock-offset-ms soon\n";
        QTest::newRow("binary") << QByteArray("\x00\xFF\x13\x37", 4);
    }

    // Nothing of a damaged file is used, it says why, and exit leaves it as it was.
    void damagedFileIsLeftAlone()
    {
        QFETCH(QByteArray, content);
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("chips.state"));
        // A valid memory line after the fault must not be used either.
        const QByteArray text = content + "93cxx 93c46 " + pattern(128, 5).toHex() + "\n";
        {
            QFile out(file);
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write(text);
        }
        std::unique_ptr<Simulator> simulator = start({"--sim-state", file});
        QVERIFY(simulator);
        QVERIFY2(simulator->stateMessage().contains(QStringLiteral("is not a simulator state file")),
                 qPrintable(simulator->stateMessage()));
        QVERIFY(simulator->stateMessage().contains(file));
        QCOMPARE(simulator->firmware().eeprom24()->memory(), QByteArray(512, char(0xFF)));
        QCOMPARE(simulator->firmware().eeprom93()->memory(), QByteArray(128, char(0xFF)));
        simulator->firmware().eeprom24()->setMemory(0, pattern(16, 6));
        QString error;
        QVERIFY(simulator->saveState(error));
        QCOMPARE(fileBytes(file), text);
    }

    // A changed chip comes fresh, an unchanged one keeps its memory, and the
    // adapter stays plugged with its lines taken.
    void chipsChangeWhileRunning()
    {
        SimBench bench;
        bench.firmware().eeprom24()->setMemory(0, pattern(512, 7));
        bench.firmware().eeprom93()->setMemory(0, pattern(128, 8));
        bench.openLines();
        QCOMPARE(bench.i2cRead(0xAA, 0, 4), pattern(512, 7).mid(256, 4));

        BusPopulation population = bench.firmware().population();
        population.eeprom24 = Eeprom24Type::C02;
        population.ssd1306 = false;
        bench.firmware().setPopulation(population);

        QVERIFY(bench.connected());
        QCOMPARE(bench.i2cRead(0xAA, 0, 4), QByteArray()); // a 24C02 with A2 high answers only at A8
        QCOMPARE(bench.i2cRead(0xA8, 0, 4), QByteArray(4, char(0xFF)));
        QVERIFY(!bench.firmware().oled());
        QCOMPARE(bench.firmware().eeprom93()->memory(), pattern(128, 8));
        QCOMPARE(bench.write(152, 1, 0, {}, 1), 1); // still taken: not refused
    }
};

int runSimStateTests(int argc, char **argv)
{
    TestSimState t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_simstate.moc"
