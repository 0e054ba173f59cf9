// The chip's protection against the virtual chips: backups that equal the
// chip before the change, a refused confirmation or a write with nothing to
// change that leaves the chip alone, writes that send nothing for unchanged
// pages and words, absent chips that give their reason and no dump, files in
// the wrong byte order, smaller chips read as larger ones, and the CRC-32
// against zlib's.
#include "ChipBench.h"
#include "ChipGuard.h"
#include "RunTests.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>
#include <zlib.h>

namespace {
// A chip row: family, type, organisation.
void someChipRows()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("type");
    QTest::addColumn<bool>("org16");
    QTest::newRow("24c02") << "24" << 0 << true;
    QTest::newRow("24c16") << "24" << 3 << true;
    QTest::newRow("93c46 16-bit") << "93" << 0 << true;
    QTest::newRow("93c56 8-bit") << "93" << 1 << false;
}

// Three runs: inside one unit, across a unit boundary, at the chip's end.
ChipImage changes(const QByteArray &chip)
{
    ChipImage image = ChipImage::fromBytes(chip);
    const int size = int(chip.size());
    for (int a : {1, 2, size / 2 - 1, size / 2, size - 1})
        image.set(std::uint32_t(a), std::uint8_t(~std::uint8_t(chip[a])));
    return image;
}

QByteArray overlaid(QByteArray chip, const ChipImage &image)
{
    for (const ChipImage::Segment &s : image.segments())
        chip.replace(int(s.address), int(s.bytes.size()), s.bytes);
    return chip;
}

// The byte addresses of the units the adapter was asked to write.
QSet<int> writtenUnits(ChipBench &b)
{
    QSet<int> units;
    const int unit = b.engine->WriteUnitBytes();
    for (const TransferRecord &r : b.bench.simulator().adapter()->log().records()) {
        if (b.family24 && r.request == 103) {
            units << ((((r.value & 0x0E) >> 1) << 8) | (r.index & 0xFF)) / unit * unit;
        } else if (!b.family24 && r.request == 158) {
            auto *e = static_cast<TZqEEPROM93Cxx *>(b.engine.get());
            const auto org = e->EepromOrganisation();
            for (int cell = 0; cell < b.engine->BufferSize() / unit; ++cell)
                if (r.index == e->InstructionLength(org) && r.value == e->WriteInstruction(org, cell))
                    units << cell * unit;
        }
    }
    return units;
}

QSet<int> differingUnits(const QByteArray &chip, const ChipImage &image, int unit)
{
    QSet<int> units;
    for (int a = 0; a < chip.size(); ++a)
        if (image.has(std::uint32_t(a)) && std::uint8_t(chip[a]) != image.at(std::uint32_t(a)))
            units << a / unit * unit;
    return units;
}

// Bytes that repeat at no power of two below n.
QByteArray unrepeating(int n, int seed)
{
    QByteArray bytes;
    for (int block = 0; bytes.size() < n; ++block)
        bytes += pattern(256, seed + block);
    return bytes.left(n);
}

const QDateTime kWhen(QDate(2026, 12, 10), QTime(23, 15, 0));
} // namespace

class TestProtect : public QObject {
    Q_OBJECT

private slots:
    void crcMatchesZlib_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("check string") << QByteArray("123456789");
        QTest::newRow("one zero") << QByteArray(1, '\0');
        QTest::newRow("all FF 2 KiB") << QByteArray(2048, char(0xFF));
        QTest::newRow("pattern 1000") << pattern(1000, 7);
    }
    void crcMatchesZlib()
    {
        QFETCH(QByteArray, bytes);
        const uLong expected =
            crc32(crc32(0L, Z_NULL, 0), reinterpret_cast<const Bytef *>(bytes.constData()), uInt(bytes.size()));
        QCOMPARE(Crc32(bytes), quint32(expected));
        QCOMPARE(Crc32Text(bytes),
                 QStringLiteral("CRC-32 %1").arg(quint32(expected), 8, 16, QLatin1Char('0')).toUpper());
    }

    void absentChipSaysSoAndShowsNothing_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("type");
        QTest::addColumn<bool>("org16");
        QTest::addColumn<QString>("message");
        QTest::newRow("24c04") << "24" << 1 << true << "no device at A0";
        QTest::newRow("24c16") << "24" << 3 << true << "no device at A0";
        QTest::newRow("93c46 16-bit") << "93" << 0 << true << TZqEEPROM93Cxx::NoChipAnswered;
        QTest::newRow("93c86 8-bit") << "93" << 4 << false << TZqEEPROM93Cxx::NoChipAnswered;
    }
    void absentChipSaysSoAndShowsNothing()
    {
        QFETCH(QString, kind);
        QFETCH(int, type);
        QFETCH(bool, org16);
        QFETCH(QString, message);
        ChipBench b(kind, type, org16, false);
        b.engine->ReadChip();
        QCOMPARE(b.engine->LastActionBytes(), 0);
        QCOMPARE(b.engine->LastReadProblem(), message);
        QVERIFY(b.probe.view.shown.isEmpty());
        QVERIFY(b.engine->LastRead().isEmpty());
    }

    void presentChipReadsWithoutProblem_data() { someChipRows(); }
    void presentChipReadsWithoutProblem()
    {
        QFETCH(QString, kind);
        QFETCH(int, type);
        QFETCH(bool, org16);
        ChipBench b(kind, type, org16);
        b.engine->ReadChip();
        QCOMPARE(b.engine->LastActionBytes(), b.engine->BufferSize());
        QCOMPARE(b.engine->LastReadProblem(), QString());
    }

    void writeBacksUpChangesOnlyWhatDiffers_data() { someChipRows(); }
    void writeBacksUpChangesOnlyWhatDiffers()
    {
        QFETCH(QString, kind);
        QFETCH(int, type);
        QFETCH(bool, org16);
        ChipBench b(kind, type, org16);
        const QByteArray before = pattern(b.engine->BufferSize(), 3);
        b.setMemory(before);
        const ChipImage image = changes(before);
        QTemporaryDir folder;
        QString asked;
        b.bench.simulator().adapter()->log().clear();
        const TProtectedOutcome outcome = ProtectedWriteImage(*b.engine, image,
                                                              {"chip",
                                                               folder.path(),
                                                               kWhen,
                                                               true,
                                                               [&](const QString &summary) {
                                                                   asked = summary;
                                                                   return true;
                                                               },
                                                               {},
                                                               {}});
        QVERIFY2(outcome.ok, qPrintable(outcome.message));
        QCOMPARE(b.memory(), overlaid(before, image));
        QFile backup(outcome.backupPath);
        QVERIFY(backup.open(QIODevice::ReadOnly));
        QCOMPARE(backup.readAll(), before);
        QCOMPARE(QFileInfo(outcome.backupPath).fileName(), QStringLiteral("chip-20261210-231500.bin"));
        QCOMPARE(outcome.summary.bytes, qint64(5));
        QVERIFY2(asked.contains(QStringLiteral("5 bytes in %1 ").arg(outcome.summary.units)), qPrintable(asked));
        QVERIFY2(asked.contains(QStringLiteral("0x0001, 0x0002")), qPrintable(asked));
        const QSet<int> expected = differingUnits(before, image, b.engine->WriteUnitBytes());
        QCOMPARE(outcome.summary.units, int(expected.size()));
        QCOMPARE(writtenUnits(b), expected);
        const int units = b.engine->BufferSize() / b.engine->WriteUnitBytes();
        QVERIFY2(outcome.message.startsWith(QStringLiteral("%1 ").arg(expected.size())), qPrintable(outcome.message));
        QVERIFY2(outcome.message.contains(QStringLiteral("%1 skipped").arg(units - expected.size())),
                 qPrintable(outcome.message));
    }

    // Each way that must leave the chip as it was.
    void chipLeftAlone_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("message");
        for (const char *kind : {"24", "93"}) {
            QTest::addRow("%s refused", kind) << kind << 1 << "refuse"
                                              << "cancelled: nothing written";
            QTest::addRow("%s nothing to change", kind) << kind << 1 << "same"
                                                        << "nothing to change";
            QTest::addRow("%s backup fails", kind) << kind << 1 << "no folder"
                                                   << "cannot be";
        }
    }
    void chipLeftAlone()
    {
        QFETCH(QString, kind);
        QFETCH(int, type);
        QFETCH(QString, how);
        QFETCH(QString, message);
        ChipBench b(kind, type, true);
        const QByteArray before = pattern(b.engine->BufferSize(), 5);
        b.setMemory(before);
        QTemporaryDir dir;
        QString folder = dir.filePath("backups");
        if (how == "no folder") {
            QFile blocker(dir.filePath("file"));
            QVERIFY(blocker.open(QIODevice::WriteOnly));
            folder = blocker.fileName() + "/backups";
        }
        bool asked = false;
        const ChipImage image = how == "same" ? ChipImage::fromBytes(before.left(40)) : changes(before);
        b.bench.simulator().adapter()->log().clear();
        const TProtectedOutcome outcome = ProtectedWriteImage(*b.engine, image,
                                                              {"chip",
                                                               folder,
                                                               kWhen,
                                                               true,
                                                               [&](const QString &) {
                                                                   asked = true;
                                                                   return false;
                                                               },
                                                               {},
                                                               {}});
        QVERIFY2(outcome.message.contains(message), qPrintable(outcome.message));
        QCOMPARE(b.memory(), before);
        QVERIFY(writtenUnits(b).isEmpty());
        QCOMPARE(asked, how == "refuse");
        QCOMPARE(outcome.ok, how == "same");
        QCOMPARE(QDir(folder).entryList(QDir::Files).size(), how == "refuse" ? 1 : 0);
    }

    void backupsKeepTheNewest()
    {
        QTemporaryDir folder;
        for (int i = 0; i < 5; ++i)
            QCOMPARE(WriteBackup(folder.path(), "24C16", QByteArray(1, char(i)), kWhen.addSecs(i), nullptr, 3),
                     QString());
        QCOMPARE(WriteBackup(folder.path(), "93C46", "x", kWhen, nullptr, 3), QString());
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files, QDir::Name),
                 QStringList({"24C16-20261210-231502.bin", "24C16-20261210-231503.bin", "24C16-20261210-231504.bin",
                              "93C46-20261210-231500.bin"}));
    }

    // Each backup of one second is the only copy of the chip between two
    // changes: all are kept, and the oldest go first.
    void sameSecondBackupsKept_data()
    {
        QTest::addColumn<int>("backups");
        QTest::addColumn<int>("keep");
        QTest::addColumn<QStringList>("left");
        QTest::newRow("two, keep all") << 2 << 100 << QStringList{"a", "b"};
        QTest::newRow("three, keep two") << 3 << 2 << QStringList{"b", "c"};
        QTest::newRow("eleven, keep two") << 11 << 2 << QStringList{"j", "k"};
    }
    void sameSecondBackupsKept()
    {
        QFETCH(int, backups);
        QFETCH(int, keep);
        QFETCH(QStringList, left);
        QTemporaryDir folder;
        QStringList paths;
        for (int i = 0; i < backups; ++i) {
            QString path;
            QCOMPARE(WriteBackup(folder.path(), "24C16", QByteArray(1, char('a' + i)), kWhen, &path, keep), QString());
            QVERIFY(!paths.contains(path));
            paths << path;
        }
        QStringList held;
        for (const QString &path : paths) {
            QFile file(path);
            if (file.open(QIODevice::ReadOnly))
                held << QString::fromLatin1(file.readAll());
        }
        QCOMPARE(held, left);
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files).size(), left.size());
    }

    // The question's first line: the summary in singular or plural, closed
    // by one full stop or by the ellipsis alone.
    void questionEndsOnce_data()
    {
        QTest::addColumn<int>("changed");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("end");
        QTest::newRow("one byte") << 1 << "1 byte in 1 page will"
                                  << "0x0010.";
        QTest::newRow("every address shown") << 4 << "4 bytes in 1 page will"
                                             << "0x0013.";
        QTest::newRow("one more than shown") << 5 << "5 bytes in 1 page will"
                                             << "0x0013 \u2026";
        QTest::newRow("many") << 40 << "40 bytes in 5 pages will"
                              << "0x0013 \u2026";
    }
    void questionEndsOnce()
    {
        QFETCH(int, changed);
        QFETCH(QString, start);
        QFETCH(QString, end);
        ChipBench b("24", 0, true);
        const QByteArray before = pattern(256, 2);
        b.setMemory(before);
        ChipImage image = ChipImage::fromBytes(before);
        for (int a = 16; a < 16 + changed; ++a)
            image.set(std::uint32_t(a), std::uint8_t(~std::uint8_t(before[a])));
        QTemporaryDir folder;
        QString asked;
        TProtectedWrite how;
        how.chipName = "chip";
        how.backupFolder = folder.path();
        how.now = kWhen;
        how.confirm = [&](const QString &summary) {
            asked = summary;
            return false;
        };
        ProtectedWriteImage(*b.engine, image, how);
        const QString line = asked.section(QLatin1Char('\n'), 0, 0);
        QVERIFY2(line.startsWith(start), qPrintable(line));
        QVERIFY2(line.endsWith(end), qPrintable(line));
        QVERIFY2(!line.contains(QString(QChar(0x2026)) + ".") && !line.endsWith(".."), qPrintable(line));
        QVERIFY2(asked.section(QLatin1Char('\n'), 1).contains(folder.path()), qPrintable(asked));
    }

    void smallerChipNoted_data()
    {
        QTest::addColumn<QByteArray>("dump");
        QTest::addColumn<QString>("note");
        const QByteArray c02 = pattern(256, 1);
        const QByteArray c08 = unrepeating(1024, 2);
        QTest::newRow("24c02 read as 24c04") << c02 + c02 << "every 256 bytes: probably a 24C02";
        QTest::newRow("24c02 read as 24c16") << c02.repeated(8) << "every 256 bytes: probably a 24C02";
        QTest::newRow("24c08 read as 24c16") << c08 + c08 << "every 1024 bytes: probably a 24C08";
        QTest::newRow("blank") << QByteArray(512, char(0xFF)) << "";
        QTest::newRow("whole 24c04") << unrepeating(512, 3) << "";
        QTest::newRow("last byte differs") << c02 + c02.left(255) + "x"
                                           << "";
    }
    void smallerChipNoted()
    {
        QFETCH(QByteArray, dump);
        QFETCH(QString, note);
        const QString got = SmallerChipNote(dump, {{256, "24C02"}, {512, "24C04"}, {1024, "24C08"}});
        QVERIFY2(note.isEmpty() ? got.isEmpty() : got.contains(note), qPrintable(got));
    }

    void byteSwappedFileRecognised_data()
    {
        QTest::addColumn<QString>("chipHolds");
        QTest::addColumn<bool>("checked");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<bool>("swapped");
        QTest::newRow("the file swapped") << "swapped" << true << false << true;
        QTest::newRow("the file itself") << "file" << true << true << false;
        QTest::newRow("something else") << "other" << true << false << false;
        QTest::newRow("swapped, not checked") << "swapped" << false << false << false;
    }
    void byteSwappedFileRecognised()
    {
        QFETCH(QString, chipHolds);
        QFETCH(bool, checked);
        QFETCH(bool, ok);
        QFETCH(bool, swapped);
        ChipBench b("93", 0, true);
        const ChipImage file = ChipImage::fromBytes(pattern(128, 9));
        const QByteArray held = chipHolds == "file"      ? file.toBytes()
                                : chipHolds == "swapped" ? SwapWordBytes(file).toBytes()
                                                         : pattern(128, 4);
        b.setMemory(held);
        bool looks = !swapped;
        const TImageOutcome outcome = VerifyWithSwapCheck(*b.engine, file, checked, &looks);
        QCOMPARE(outcome.ok, ok);
        QCOMPARE(looks, swapped);
        QCOMPARE(outcome.message.contains("byte-swapped"), swapped);
    }
};

int runProtectTests(int argc, char **argv)
{
    TestProtect t;
    return RunTests(argc, argv, {&t});
}

#include "tst_protect.moc"
