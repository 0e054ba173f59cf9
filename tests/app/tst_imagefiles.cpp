// The chip image group of both EEPROM pages, driven by clicks on the main
// window over the virtual adapter, with the file dialog answered by the test.
#include "ChipGuard.h"
#include "DeviceGuard.h"
#include "Eeprom24Cxx.h"
#include "Eeprom93Cxx.h"
#include "ImageFile.h"
#include "ImageFileBox.h"
#include "Page24Cxx.h"
#include "Page93Cxx.h"
#include "Simulator.h"
#include "TForm1.h"
#include "ZqEEPROM93Cxx.h"
#include "ZqHexView.h"
#include "ZqLibUSB.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QStandardPaths>
#include <QTextEdit>
#include <QTemporaryDir>
#include <QtTest>

using namespace sim;

namespace {
QByteArray pattern(int n, int seed)
{
    QByteArray bytes(n, '\0');
    for (int i = 0; i < n; ++i)
        bytes[i] = char((i * 13 + seed * 7 + (i >> 8) * 5) & 0xFF);
    return bytes;
}

// The window on a simulator whose chips are the chosen ones, on real time
// (the engines wait out write cycles); the dialog returns the next path,
// the confirmation answers answer and keeps what it was asked, backups go
// to a folder of the test's own. The chip fitted may differ from the page's.
struct Bench {
    Bench(const QString &kind, int type, bool org16, bool present = true, std::optional<int> fitted = {})
        : family24(kind == "24")
    {
        const int chipType = fitted.value_or(type);
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
        BusPopulation p;
        p.eeprom24Pins = 0b100;
        if (family24) {
            p.eeprom24 = present ? std::optional(Eeprom24Type(chipType)) : std::nullopt;
            p.pcf8583 = false; // at A2, inside a 24C16's block addresses
        } else {
            p.eeprom93 = present ? std::optional(Eeprom93Type(chipType)) : std::nullopt;
            p.organisation = org16 ? Organisation::Word16 : Organisation::Byte8;
        }
        simulator = std::make_unique<Simulator>(p, nullptr);
        form = std::make_unique<TForm1>(simulator.get(), simulator.get());
        form->show();
        if (family24) {
            form->TabSheet1()->SetChipType(type);
        } else {
            form->TabSheet2()->SetChipType(type);
            form->TabSheet2()->SetOrganisation16(org16);
        }
        TImageFileBox::FileChooser() = [this](QWidget *, bool) { return nextPath; };
        TImageFileBox::Confirmer() = [this](QWidget *, const QString &text) {
            asked << text;
            return answer;
        };
        TImageFileBox::BackupFolder() = files.filePath("backups");
    }
    ~Bench()
    {
        TImageFileBox::FileChooser() = nullptr;
        TImageFileBox::Confirmer() = nullptr;
        TImageFileBox::BackupFolder().clear();
        form.reset();
        simulator.reset();
    }
    TImageFileBox *box() { return family24 ? form->TabSheet1()->ImageFileBox1 : form->TabSheet2()->ImageFileBox1; }
    QByteArray memory()
    {
        return family24 ? simulator->firmware().eeprom24()->memory() : simulator->firmware().eeprom93()->memory();
    }
    void setMemory(const QByteArray &bytes)
    {
        family24 ? simulator->firmware().eeprom24()->setMemory(0, bytes)
                 : simulator->firmware().eeprom93()->setMemory(0, bytes);
    }
    void ignoreNextWriteAt(int a)
    {
        family24 ? simulator->firmware().eeprom24()->ignoreNextWriteAt(a)
                 : simulator->firmware().eeprom93()->ignoreNextWriteAt(a);
    }
    void readWholeChip() { click(family24 ? form->TabSheet1()->AdvGlowButton7 : form->TabSheet2()->AdvGlowButton10); }
    int transfers() const { return int(simulator->adapter()->log().records().size()); }
    static void click(QAbstractButton *button) { QTest::mouseClick(button, Qt::LeftButton); }
    QString status() { return box()->lbImageStatus->text(); }
    QTextEdit *view() { return family24 ? static_cast<QTextEdit *>(form->TabSheet1()->ZqHexView1)
                                        : static_cast<QTextEdit *>(form->TabSheet2()->ZqHexView2); }
    QStringList backups() { return QDir(files.filePath("backups")).entryList(QDir::Files); }
    void writeFile(const QString &name, const QByteArray &bytes)
    {
        nextPath = files.filePath(name);
        QFile file(nextPath);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    bool family24;
    QTemporaryDir config;
    QTemporaryDir files;
    QString nextPath;
    QStringList asked;
    bool answer = true;
    std::unique_ptr<Simulator> simulator;
    std::unique_ptr<TForm1> form;
};

void chipRows()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("type");
    QTest::addColumn<bool>("org16");
    QTest::addColumn<int>("size");
    const char *names24[] = {"24c02", "24c04", "24c08", "24c16"};
    for (int t = 0; t < 4; ++t)
        QTest::newRow(names24[t]) << "24" << t << true << (256 << t);
    const char *names93[] = {"93c46", "93c56", "93c66", "93c76", "93c86"};
    for (int t = 0; t < 5; ++t)
        for (bool org16 : {true, false})
            QTest::addRow("%s %s", names93[t], org16 ? "16-bit" : "8-bit") << "93" << t << org16 << (128 << t);
}
} // namespace

class TestImageFiles : public QObject {
    Q_OBJECT

private slots:
    // chip -> file in each format -> a blank chip -> written and verified.
    void roundTripThroughEachFormat_data() { chipRows(); }
    void roundTripThroughEachFormat()
    {
        QFETCH(QString, kind);
        QFETCH(int, type);
        QFETCH(bool, org16);
        QFETCH(int, size);
        Bench bench(kind, type, org16);
        const QByteArray content = pattern(size, type);
        bench.setMemory(content);
        bench.readWholeChip();
        for (const char *name : {"chip.bin", "chip.hex", "chip.s19"}) {
            bench.nextPath = bench.files.filePath(name);
            Bench::click(bench.box()->btnSaveFile);
            QVERIFY2(bench.status().startsWith(QStringLiteral("%1 bytes saved to %2").arg(size).arg(name)),
                     qPrintable(bench.status()));
            const ImageParseResult saved = loadImageFile(bench.nextPath, kMaxImageFileBytes);
            QVERIFY2(saved.ok, qPrintable(saved.error));
            QCOMPARE(saved.image.toBytes(), content);

            bench.setMemory(QByteArray(size, char(0xFF)));
            Bench::click(bench.box()->btnWriteFile);
            QVERIFY2(bench.status().endsWith(QStringLiteral("; verify: all %1 bytes match").arg(size)),
                     qPrintable(bench.status()));
            QCOMPARE(bench.memory(), content);
            Bench::click(bench.box()->btnVerifyFile);
            QCOMPARE(bench.status(), QStringLiteral("verify: all %1 bytes match").arg(size));
            QCOMPARE(bench.form->statusBar()->currentMessage(), bench.status());
        }
    }

    // The chip keeps one old byte: the write's own verify names it.
    void droppedWriteFailsVerify_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("type");
        QTest::addColumn<bool>("org16");
        QTest::addColumn<QString>("status");
        QTest::newRow("24c02") << "24" << 0 << true
                               << "6 pages written, 0 skipped; verify failed: 1 of 48 bytes differ, the first at "
                                  "address 0x0031 (chip FF, file 6B)";
        // The 93Cxx engine reads each word back as it writes it: words 0x10..0x17 went in.
        QTest::newRow("93c46 16-bit") << "93" << 0 << true
                                      << "the write failed at address 0x0030 (8 words written, 0 skipped)";
        QTest::newRow("93c66 8-bit") << "93" << 2 << false
                                     << "the write failed at address 0x0031 (17 words written, 0 skipped)";
    }
    void droppedWriteFailsVerify()
    {
        QFETCH(QString, kind);
        QFETCH(int, type);
        QFETCH(bool, org16);
        Bench bench(kind, type, org16);
        bench.nextPath = bench.files.filePath("part.hex");
        ChipImage image;
        for (int a = 0x20; a < 0x50; ++a)
            image.set(std::uint32_t(a), std::uint8_t(a ^ 0x5A));
        QString error;
        QVERIFY(saveImageFile(bench.nextPath, image, ImageFormat::IntelHex, &error));
        bench.ignoreNextWriteAt(0x31);
        Bench::click(bench.box()->btnWriteFile);
        QFETCH(QString, status);
        QCOMPARE(bench.status(), status);
        // Bytes outside the file's records stay as they were.
        QCOMPARE(bench.memory().left(0x20), QByteArray(0x20, char(0xFF)));
    }

    // Refused files leave the chip as it was, not a single request sent.
    void refusedFilesLeaveTheChip_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("message");
        QTest::newRow("too large") << QByteArray(257, 'x')
                                   << "the image needs 257 bytes, the chip holds 256 bytes: nothing written";
        QTest::newRow("record past the end") << QByteArray(":0101000041BD\n:00000001FF\n")
                                             << "the image needs 257 bytes, the chip holds 256 bytes: nothing written";
        QTest::newRow("empty") << QByteArray() << "bad.bin: the file is empty; the chip was not touched";
        QTest::newRow("checksum") << QByteArray(":0100000041BF\n:00000001FF\n")
                                  << "bad.bin: line 1: checksum is BF, the record needs BE; the chip was not touched";
    }
    void refusedFilesLeaveTheChip()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, message);
        Bench bench("24", 0, true);
        bench.setMemory(pattern(256, 1));
        bench.nextPath = bench.files.filePath("bad.bin");
        QFile file(bench.nextPath);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
        file.close();
        const int before = bench.transfers();
        Bench::click(bench.box()->btnWriteFile);
        QCOMPARE(bench.status(), message);
        QCOMPARE(bench.transfers(), before);
        QCOMPARE(bench.memory(), pattern(256, 1));
    }

    // After a read the status gives the CRC-32 of the bytes read, or why
    // nothing came, and an absent chip leaves its reason in the view, not a
    // dump. A 24C02 at pins 4 read as a 24C04 answers at A8 only: the read
    // stops at AA after its 256 bytes.
    void readStatus_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("present");
        QTest::addColumn<int>("fitted");
        QTest::addColumn<QString>("status");
        QTest::newRow("24c04") << "24" << true << 1 << "512 bytes read, " + Crc32Text(pattern(512, 2));
        QTest::newRow("24c04 absent") << "24" << false << 1 << "no device at A8: nothing read";
        QTest::newRow("93c56 16-bit absent") << "93" << false << 1 << TZqEEPROM93Cxx::NoChipAnswered + ": nothing read";
        QTest::newRow("24c04 holding a 24c02, stopped half-way")
            << "24" << true << 0 << "256 bytes read, " + Crc32Text(pattern(256, 2)) + "; then no device at AA";
    }
    void readStatus()
    {
        QFETCH(QString, kind);
        QFETCH(bool, present);
        QFETCH(int, fitted);
        QFETCH(QString, status);
        Bench bench(kind, 1, true, present, fitted);
        if (present)
            bench.setMemory(pattern(int(bench.memory().size()), 2));
        bench.readWholeChip();
        QCOMPARE(bench.status(), status);
        if (!present)
            QCOMPARE(bench.view()->toPlainText(), status.chopped(int(strlen(": nothing read"))));
    }

    void smallerChipNoted()
    {
        Bench bench("24", 1, true);
        bench.setMemory(pattern(256, 4).repeated(2));
        bench.readWholeChip();
        QVERIFY2(bench.status().endsWith("the contents repeat every 256 bytes: probably a 24C02 (the address wraps)"),
                 qPrintable(bench.status()));
    }

    // The user is shown what would change before anything does; a refusal
    // keeps the chip and its backup, nothing to change asks nothing.
    void writeAsksFirst_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("answer");
        QTest::addColumn<QString>("summary");
        // 7 and 8 lie in two of the engine's 8-byte 24C04 pages.
        QTest::newRow("24 agreed") << "24" << true << "3 bytes in 3 pages will change, the first at 0x0007, 0x0008, 0x00C8";
        QTest::newRow("24 refused") << "24" << false << "3 bytes in 3 pages will change";
        QTest::newRow("93 refused") << "93" << false << "3 bytes in 3 words will change, the first at 0x0007, 0x0008, 0x00C8";
    }
    void writeAsksFirst()
    {
        QFETCH(QString, kind);
        QFETCH(bool, answer);
        QFETCH(QString, summary);
        Bench bench(kind, 1, true);
        const QByteArray before = pattern(kind == "24" ? 512 : 256, 6);
        bench.setMemory(before);
        QByteArray wanted = before;
        for (int a : {7, 8, 200})
            wanted[a] = char(~wanted[a]);
        bench.writeFile("new.bin", wanted);
        bench.answer = answer;
        Bench::click(bench.box()->btnWriteFile);
        QCOMPARE(bench.asked.size(), 1);
        QVERIFY2(bench.asked[0].startsWith(summary), qPrintable(bench.asked[0]));
        QCOMPARE(bench.memory(), answer ? wanted : before);
        QCOMPARE(bench.backups().size(), 1);
        QFile backup(QDir(bench.files.filePath("backups")).filePath(bench.backups()[0]));
        QVERIFY(backup.open(QIODevice::ReadOnly));
        QCOMPARE(backup.readAll(), before);
        QVERIFY(bench.backups()[0].startsWith(kind == "24" ? "24C04-" : "93C56-"));

        bench.asked.clear();
        bench.writeFile("same.bin", bench.memory());
        Bench::click(bench.box()->btnWriteFile);
        QVERIFY(bench.asked.isEmpty());
        QVERIFY2(bench.status().startsWith("nothing to change"), qPrintable(bench.status()));
        QCOMPARE(bench.backups().size(), 1);
    }

    // A 16-bit verify that fails only because the file's words are swapped
    // says so and offers to write the file swapped.
    void byteSwappedFileOffered()
    {
        Bench bench("93", 0, true);
        const QByteArray file = pattern(128, 3);
        bench.writeFile("swapped.bin", file);
        bench.setMemory(SwapWordBytes(ChipImage::fromBytes(file)).toBytes());
        bench.answer = false;
        Bench::click(bench.box()->btnVerifyFile);
        QVERIFY2(bench.status().endsWith("; the file looks byte-swapped"), qPrintable(bench.status()));
        QCOMPARE(bench.asked.size(), 1);
        QVERIFY(bench.asked[0].contains("swapped?"));
    }

    void blankCheckAndNothingToSave()
    {
        Bench bench("93", 1, true);
        Bench::click(bench.box()->btnSaveFile);
        QCOMPARE(bench.status(), QStringLiteral("nothing read yet: read the chip first"));
        Bench::click(bench.box()->btnBlankCheck);
        QCOMPARE(bench.status(), QStringLiteral("the chip is blank: all 256 bytes are FF"));
        bench.setMemory(QByteArray(200, char(0xFF)) + QByteArray(1, '\0'));
        Bench::click(bench.box()->btnBlankCheck);
        QCOMPARE(bench.status(),
                 QStringLiteral("the chip is not blank: 1 bytes are not FF, the first at address 0x00C8"));
    }

    // The file buttons follow the device guard.
    void buttonsFollowTheGuard()
    {
        Bench bench("24", 0, true);
        TImageFileBox *box = bench.box();
        {
            const TDeviceGuard::THold hold = bench.form->DeviceGuard1->Begin();
            QVERIFY(hold);
            for (QWidget *b : box->Buttons())
                QVERIFY(!b->isEnabled());
        }
        for (QWidget *b : box->Buttons())
            QVERIFY(b->isEnabled());
    }

    // Verify-after-write is on at first and kept per page across runs.
    void verifyAfterWriteIsStored()
    {
        QTemporaryDir config;
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
        Simulator simulator(BusPopulation{}, nullptr);
        {
            TForm1 form(&simulator, &simulator);
            QVERIFY(form.TabSheet1()->ImageFileBox1->cbVerifyAfterWrite->isChecked());
            form.TabSheet1()->ImageFileBox1->cbVerifyAfterWrite->setChecked(false);
            form.show();
            form.close();
        }
        TForm1 form(&simulator, &simulator);
        QVERIFY(!form.TabSheet1()->ImageFileBox1->cbVerifyAfterWrite->isChecked());
        QVERIFY(form.TabSheet2()->ImageFileBox1->cbVerifyAfterWrite->isChecked());
    }
};

QTEST_MAIN(TestImageFiles)
#include "tst_imagefiles.moc"
