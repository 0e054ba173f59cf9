// Images on the engines against the virtual chips: writes that touch only
// the image's addresses and prove themselves, verify that names the first
// bad byte, blank checks, and refusals that leave the chip alone.
#include "ChipBench.h"
#include "EepromImage.h"
#include "EngineProbe.h"
#include "RunTests.h"
#include "ZqEEPROM24Cxx.h"
#include "ZqEEPROM93Cxx.h"

#include <QtTest>
#include <memory>

using namespace sim;

namespace {
const int kBytes24[] = {256, 512, 1024, 2048};
const int kBytes93[] = {128, 256, 512, 1024, 2048};

// Every type of both families, the 93Cxx in both organisations.
void chipRows()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("type");
    QTest::addColumn<bool>("org16");
    QTest::addColumn<int>("size");
    const char *names24[] = {"24c02", "24c04", "24c08", "24c16"};
    for (int t = 0; t < 4; ++t)
        QTest::newRow(names24[t]) << "24" << t << true << kBytes24[t];
    const char *names93[] = {"93c46", "93c56", "93c66", "93c76", "93c86"};
    for (int t = 0; t < 5; ++t)
        for (bool org16 : {true, false})
            QTest::addRow("%s %s", names93[t], org16 ? "16-bit" : "8-bit") << "93" << t << org16 << kBytes93[t];
}

// Runs at odd and even starts and ends, the chip's first and last byte.
ChipImage sparseImage(int size)
{
    ChipImage image;
    const QByteArray a = pattern(13, 1), b = pattern(6, 2), c = pattern(5, 3);
    for (int i = 0; i < a.size(); ++i)
        image.set(std::uint32_t(i), std::uint8_t(a[i]));
    for (int i = 0; i < b.size(); ++i)
        image.set(std::uint32_t(size / 2 + 1 + i), std::uint8_t(b[i]));
    for (int i = 0; i < c.size(); ++i)
        image.set(std::uint32_t(size - c.size() + i), std::uint8_t(c[i]));
    return image;
}
} // namespace

class TestImageOps : public QObject {
    Q_OBJECT

private slots:
    void pureComparisons_data()
    {
        QTest::addColumn<QByteArray>("chip");
        QTest::addColumn<QByteArray>("image");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<qint64>("first");
        QTest::addColumn<qint64>("count");
        QTest::newRow("equal") << QByteArray("ABCD") << QByteArray("ABCD") << true << qint64(-1) << qint64(0);
        QTest::newRow("first byte") << QByteArray("xBCD") << QByteArray("ABCD") << false << qint64(0) << qint64(1);
        QTest::newRow("last byte") << QByteArray("ABCx") << QByteArray("ABCD") << false << qint64(3) << qint64(1);
        QTest::newRow("two") << QByteArray("AxCx") << QByteArray("ABCD") << false << qint64(1) << qint64(2);
        QTest::newRow("shorter image") << QByteArray("ABxx") << QByteArray("AB") << true << qint64(-1) << qint64(0);
    }
    void pureComparisons()
    {
        QFETCH(QByteArray, chip);
        QFETCH(QByteArray, image);
        QFETCH(bool, ok);
        QFETCH(qint64, first);
        QFETCH(qint64, count);
        const TImageOutcome outcome = CompareWithImage(chip, ChipImage::fromBytes(image));
        QCOMPARE(outcome.ok, ok);
        QCOMPARE(outcome.firstAddress, first);
        QCOMPARE(outcome.count, count);
    }

    void blankCheckOfBuffers_data()
    {
        QTest::addColumn<QByteArray>("chip");
        QTest::addColumn<qint64>("first");
        QTest::addColumn<qint64>("count");
        QTest::addColumn<QString>("message");
        QTest::newRow("blank") << QByteArray(4, char(0xFF)) << qint64(-1) << qint64(0)
                               << "the chip is blank: all 4 bytes are FF";
        QTest::newRow("last") << QByteArray("\xFF\xFF\xFF\xFE") << qint64(3) << qint64(1)
                              << "the chip is not blank: 1 bytes are not FF, the first at address 0x0003";
        QTest::newRow("zeros") << QByteArray("\xFF\x00\x00\xFF", 4) << qint64(1) << qint64(2)
                               << "the chip is not blank: 2 bytes are not FF, the first at address 0x0001";
    }
    void blankCheckOfBuffers()
    {
        QFETCH(QByteArray, chip);
        QFETCH(qint64, first);
        QFETCH(qint64, count);
        QFETCH(QString, message);
        const TImageOutcome outcome = CheckBlank(chip);
        QCOMPARE(outcome.ok, count == 0);
        QCOMPARE(outcome.firstAddress, first);
        QCOMPARE(outcome.count, count);
        QCOMPARE(outcome.message, message);
    }

    // Only the image's bytes change; the rest of the chip keeps its content.
    void writesOnlyTheSegments_data() { chipRows(); }
    void writesOnlyTheSegments()
    {
        QFETCH(QString, kind);
        QFETCH(int, type);
        QFETCH(bool, org16);
        QFETCH(int, size);
        ChipBench chip(kind, type, org16);
        const QByteArray before = pattern(size, 7);
        chip.setMemory(before);
        const ChipImage image = sparseImage(size);
        const TImageOutcome outcome = WriteImageToChip(*chip.engine, image, true);
        QVERIFY2(outcome.ok, qPrintable(outcome.message));
        QCOMPARE(outcome.message,
                 QStringLiteral("%1 bytes written; verify: all %1 bytes match").arg(image.presentBytes()));
        QByteArray expected = before;
        for (const ChipImage::Segment &s : image.segments())
            expected.replace(s.address, s.bytes.size(), s.bytes);
        QCOMPARE(chip.memory(), expected);
    }

    // The chip drops one write silently: verify finds that very byte.
    void ignoredWriteFailsVerify_data() { chipRows(); }
    void ignoredWriteFailsVerify()
    {
        QFETCH(QString, kind);
        QFETCH(int, type);
        QFETCH(bool, org16);
        QFETCH(int, size);
        ChipBench chip(kind, type, org16);
        const int bad = size / 2 + 3;
        chip.ignoreNextWriteAt(bad);
        // A run around the bad byte keeps the slow 24Cxx write short.
        ChipImage image;
        const QByteArray run = pattern(32, 4);
        for (int i = 0; i < run.size(); ++i)
            image.set(std::uint32_t(bad - 8 + i), std::uint8_t(run[i]));
        const TImageOutcome outcome = WriteImageToChip(*chip.engine, image, true);
        QVERIFY(!outcome.ok);
        if (kind == "93") {
            // The 93Cxx engine reads every word back as it writes, so the
            // write itself stops at the word the chip kept.
            const int word = org16 ? bad & ~1 : bad;
            const QString at = QStringLiteral("the write failed at address 0x%1").arg(word, 4, 16, QLatin1Char('0'));
            QVERIFY2(outcome.message.startsWith(at), qPrintable(outcome.message));
            QCOMPARE(VerifyChip(*chip.engine, image).firstAddress, qint64(bad));
            return;
        }
        QCOMPARE(outcome.firstAddress, qint64(bad));
        QCOMPARE(outcome.count, qint64(1));
        const QString address = QStringLiteral("0x%1").arg(bad, 4, 16, QLatin1Char('0')).toUpper().replace("0X", "0x");
        QVERIFY2(outcome.message.contains(
                     QStringLiteral("verify failed: 1 of 32 bytes differ, the first at address %1 (chip FF, file ")
                         .arg(address)),
                 qPrintable(outcome.message));
        // Verify alone finds it as well; without verify the write says it did not check.
        QCOMPARE(VerifyChip(*chip.engine, image).firstAddress, qint64(bad));
        chip.ignoreNextWriteAt(0);
        const TImageOutcome unchecked = WriteImageToChip(*chip.engine, ChipImage::fromBytes(pattern(16, 5)), false);
        QVERIFY(unchecked.ok);
        QCOMPARE(unchecked.message, QStringLiteral("16 bytes written, not verified"));
    }

    // One byte past the chip is refused before a single request.
    void tooLargeImageRefused_data() { chipRows(); }
    void tooLargeImageRefused()
    {
        QFETCH(QString, kind);
        QFETCH(int, type);
        QFETCH(bool, org16);
        QFETCH(int, size);
        ChipBench chip(kind, type, org16);
        chip.setMemory(pattern(size, 3));
        const int before = chip.transfers();
        ChipImage image;
        image.set(std::uint32_t(size), 0);
        const TImageOutcome outcome = WriteImageToChip(*chip.engine, image, true);
        QVERIFY(!outcome.ok);
        QCOMPARE(outcome.message, QStringLiteral("the image needs %1 bytes, the chip holds %2 bytes: nothing written")
                                      .arg(size + 1)
                                      .arg(size));
        QCOMPARE(chip.transfers(), before);
        QCOMPARE(chip.memory(), pattern(size, 3));
    }

    void blankCheckOnChips_data() { chipRows(); }
    void blankCheckOnChips()
    {
        QFETCH(QString, kind);
        QFETCH(int, type);
        QFETCH(bool, org16);
        QFETCH(int, size);
        ChipBench chip(kind, type, org16);
        chip.setMemory(QByteArray(size, char(0xFF)));
        QVERIFY(BlankCheckChip(*chip.engine).ok);
        chip.setMemory(QByteArray(size - 2, char(0xFF)) + QByteArray("\x7F\x00", 2));
        const TImageOutcome outcome = BlankCheckChip(*chip.engine);
        QVERIFY(!outcome.ok);
        QCOMPARE(outcome.firstAddress, qint64(size - 2));
        QCOMPARE(outcome.count, qint64(2));
    }

    // A chip that answers nothing, or no adapter: never a success.
    void failedRequestsNeverSucceed()
    {
        ChipBench absent("24", 1, true, false);
        const ChipImage image = ChipImage::fromBytes(pattern(16));
        const TImageOutcome write = WriteImageToChip(*absent.engine, image, true);
        QVERIFY(!write.ok);
        QVERIFY2(write.message.startsWith("the write failed at address 0x0000 after 0 of 16 bytes"),
                 qPrintable(write.message));
        const TImageOutcome verify = VerifyChip(*absent.engine, image);
        QVERIFY(!verify.ok);
        QCOMPARE(verify.message, QStringLiteral("no device at A0: nothing compared"));
        QVERIFY(!BlankCheckChip(*absent.engine).ok);

        ChipBench unplugged("93", 0, true);
        unplugged.bench.pull();
        for (const TImageOutcome &o : {WriteImageToChip(*unplugged.engine, image, true),
                                       VerifyChip(*unplugged.engine, image), BlankCheckChip(*unplugged.engine)}) {
            QVERIFY(!o.ok);
            QCOMPARE(o.message, QStringLiteral("no adapter, or another operation runs: nothing done"));
        }
    }
};

int runImageOpsTests(int argc, char **argv)
{
    TestImageOps t;
    return RunTests(argc, argv, {&t});
}

#include "tst_imageops.moc"
