// The EEPROM and clock pages of the main window on the virtual adapter with
// its real chips, driven as a user drives them: typing, clicking, waiting.
#include "ChipGuard.h"
#include "Cp1250.h"
#include "DeviceGuard.h"
#include "DumpColumns.h"
#include "ImageFileBox.h"
#include "Page24Cxx.h"
#include "Page93Cxx.h"
#include "PageRtc.h"
#include "PageTools.h"
#include "Pcf8583.h"
#include "Simulator.h"
#include "TForm1.h"
#include "ZqEEPROM24Cxx.h"
#include "ZqEEPROM93Cxx.h"
#include "ZqHexView.h"
#include "ZqLibUSB.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTimer>
#include <QtTest>

using namespace sim;

namespace {
// The window on a simulator of its own. Manual time for the clock tests;
// the 24Cxx engine waits out write cycles in real time, so its chips need the
// steady clock. Confirmations answer answer and keep what they were asked;
// backups go to a folder of the test's own.
struct Bench {
    explicit Bench(bool steady, const BusPopulation &population = {})
    {
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
        simulator = std::make_unique<Simulator>(population, steady ? nullptr : &clock);
        form = std::make_unique<TForm1>(simulator.get(), simulator.get());
        form->show();
        TImageFileBox::Confirmer() = [this](QWidget *, const QString &text) {
            asked << text;
            return answer;
        };
        TImageFileBox::BackupFolder() = backups.path();
        QTRY_VERIFY(form->ZqLibUSB1->Connected());
    }
    ~Bench()
    {
        TImageFileBox::Confirmer() = nullptr;
        TImageFileBox::BusCheckWait() = WaitWithMessages;
        TImageFileBox::BackupFolder().clear();
        form.reset();
        simulator.reset();
    }
    Pcf8583 &rtc() { return *simulator->firmware().rtc(); }
    QByteArray chip24() { return simulator->firmware().eeprom24()->memory(); }
    int transfers() const { return int(simulator->adapter()->log().records().size()); }
    int transfersOf(int request) const
    {
        int n = 0;
        for (const auto &record : simulator->adapter()->log().records())
            n += record.request == request;
        return n;
    }

    QTemporaryDir config;
    QTemporaryDir backups;
    QStringList asked;
    bool answer = true;
    ManualClock clock;
    std::unique_ptr<Simulator> simulator;
    std::unique_ptr<TForm1> form;
};

void type(QLineEdit *edit, const QString &text)
{
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    // Letters beyond ASCII come as a keyboard layout gives them: text without a key code.
    for (const QChar c : text) {
        if (c.unicode() < 0x80)
            QTest::keyClick(edit, char(c.unicode()));
        else
            QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

// The bytes an erase changes: all but those already FF.
int changedByErase(const QByteArray &before) { return int(before.size() - before.count(char(0xFF))); }

void click(QAbstractButton *button) { QTest::mouseClick(button, Qt::LeftButton); }

QByteArray pattern(int n)
{
    QByteArray bytes(n, '\0');
    for (int i = 0; i < n; ++i)
        bytes[i] = char((i * 7 + 3) & 0xFF);
    return bytes;
}
} // namespace

Q_DECLARE_METATYPE(sim::BlockReadFault)

class TestDevicePages : public QObject {
    Q_OBJECT

private slots:
    // The block size reaches the engine; an adapter that fails block reads
    // is told once in the read's count line, and the read is right.
    void blockReadFallbackToldOnce_data()
    {
        QTest::addColumn<BlockReadFault>("fault");
        QTest::addColumn<int>("blockSize");
        QTest::addColumn<bool>("told");
        QTest::newRow("sound adapter") << BlockReadFault::None << 64 << false;
        QTest::newRow("short block reads") << BlockReadFault::Short << 64 << true;
        QTest::newRow("shifted block reads") << BlockReadFault::ShiftedByOne << 16 << true;
        QTest::newRow("size 1 never asks a block") << BlockReadFault::Short << 1 << false;
    }
    void blockReadFallbackToldOnce()
    {
        QFETCH(BlockReadFault, fault);
        QFETCH(int, blockSize);
        QFETCH(bool, told);
        Bench bench(true);
        bench.simulator->firmware().eeprom24()->setMemory(0, pattern(512));
        bench.simulator->firmware().setBlockReadFault(fault);
        TPage24Cxx *page = bench.form->TabSheet1();
        page->edBlockSize->setValue(blockSize);
        QCOMPARE(bench.form->ZqEEPROM24Cxx1->BlockSize(), blockSize);
        const QString plain = QStringLiteral("Ilość bajtów odczytanych: 512");
        const QString note = QStringLiteral("  (adapter nie czyta blokami: odczyt bajt po bajcie)");
        click(page->AdvGlowButton7);
        QCOMPARE(page->Label13->text(), told ? plain + note : plain);
        QCOMPARE(bench.form->ZqEEPROM24Cxx1->EEPROM_BUF(), pattern(512));
        click(page->AdvGlowButton7);
        QCOMPARE(page->Label13->text(), plain);
        QCOMPARE(bench.form->ZqEEPROM24Cxx1->EEPROM_BUF(), pattern(512));
    }

    // The gauge draws the same pixels as the style sheet it replaced, at
    // every fill and at the size the layouts give it.
    void gaugeLooksAsTheFramedBar_data()
    {
        QTest::addColumn<int>("percent");
        QTest::addColumn<QColor>("colour");
        QTest::addColumn<QSize>("size");
        for (const int percent : {0, 1, 33, 50, 99, 100})
            QTest::addRow("%d %%", percent) << percent << QColor(201, 255, 147) << QSize(455, 20);
        QTest::newRow("yellow, narrow") << 67 << QColor(255, 255, 0) << QSize(61, 9);
    }
    void gaugeLooksAsTheFramedBar()
    {
        QFETCH(int, percent);
        QFETCH(QColor, colour);
        QFETCH(QSize, size);
        QWidget parent;
        QProgressBar *gauge = PageTools::NewGauge(&parent, "gauge", QColor(Qt::red));
        PageTools::SetGauge(gauge, percent, colour);
        QProgressBar framed(&parent);
        framed.setRange(0, 100);
        framed.setTextVisible(false);
        framed.setValue(percent);
        framed.setStyleSheet(QStringLiteral("QProgressBar { border: 1px solid gray; background: white; }"
                                            "QProgressBar::chunk { background-color: %1; }")
                                 .arg(colour.name()));
        framed.ensurePolished();
        QCOMPARE(gauge->sizeHint(), framed.sizeHint());
        QCOMPARE(gauge->minimumSizeHint(), framed.minimumSizeHint());
        gauge->resize(size);
        framed.resize(size);
        const QImage drawn = gauge->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QImage expected = framed.grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(drawn.size(), expected.size());
        for (int y = 0; y < drawn.height(); ++y)
            for (int x = 0; x < drawn.width(); ++x)
                QVERIFY2(drawn.pixel(x, y) == expected.pixel(x, y), qPrintable(QStringLiteral("(%1, %2): %3 against %4")
                                                                                   .arg(x)
                                                                                   .arg(y)
                                                                                   .arg(drawn.pixel(x, y), 8, 16)
                                                                                   .arg(expected.pixel(x, y), 8, 16)));
        QCOMPARE(PageTools::GaugeColour(gauge), colour);
    }
    void read24c04FillsDumpAndCount()
    {
        Bench bench(true);
        bench.simulator->firmware().eeprom24()->setMemory(0, QByteArray("Ala ma kota"));
        TPage24Cxx *page = bench.form->TabSheet1();
        page->edBlockSize->setValue(1); // one request per byte
        // After the first byte of 512: 0 %, which the pattern prints without a digit.
        QString firstProgress;
        QTimer::singleShot(0, page, [&] { firstProgress = page->ZqHexView1->toPlainText(); });
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        click(page->AdvGlowButton7);
        QVERIFY(!QGuiApplication::overrideCursor());
        QCOMPARE(firstProgress, QStringLiteral("reading EEPROM ...  %"));
        QCOMPARE(page->Label13->text(), QStringLiteral("Ilość bajtów odczytanych: 512"));
        QCOMPARE(page->prg->value(), 100);
        QCOMPARE(PageTools::GaugeColour(page->prg), QColor(201, 255, 147));
        const QString dump = page->ZqHexView1->toPlainText();
        QVERIFY2(dump.contains(QStringLiteral("41 6C 61 20 6D 61 20 6B")), qPrintable(dump.left(300)));
        QVERIFY(dump.contains(QStringLiteral("\n1F0  ")));
        QVERIFY(!dump.contains(QStringLiteral("\n200  ")));
    }

    void gapBoxAppliesAtNextRead()
    {
        Bench bench(true);
        bench.simulator->firmware().eeprom24()->setMemory(0, QByteArray("ABCDEFGHIJKLMNOP"));
        TPage24Cxx *page = bench.form->TabSheet1();
        type(page->edEEbytes, QStringLiteral("16"));
        click(page->AdvGlowButton7);
        const QString withGap = page->ZqHexView1->toPlainText();
        QVERIFY2(withGap.contains(QStringLiteral("ABCDEFGH  IJKLMNOP")), qPrintable(withGap));
        click(page->CheckBox4);
        QCOMPARE(page->ZqHexView1->toPlainText(), withGap);
        click(page->AdvGlowButton7);
        QVERIFY(page->ZqHexView1->toPlainText().contains(QStringLiteral("ABCDEFGHIJKLMNOP")));
    }

    void writeThenReadBackShowsText()
    {
        Bench bench(true);
        TPage24Cxx *page = bench.form->TabSheet1();
        const QString text = QStringLiteral("Zażółć gęślą");
        type(page->edEEMdata, text);
        type(page->edEEoffset, QStringLiteral("32"));
        QCOMPARE(page->edEEMdata->text(), text);
        click(page->AdvGlowButton9);
        const QByteArray encoded = Cp1250::Encode(text);
        QCOMPARE(bench.chip24().mid(32, encoded.size()), encoded);
        QCOMPARE(page->Label14->text(), QStringLiteral("Ilość bajtów zapisanych: %1").arg(encoded.size()));
        QCOMPARE(page->Label13->text(), QStringLiteral("Ilość bajtów odczytanych: 512"));
        const QString dump = page->ZqHexView1->toPlainText();
        QVERIFY2(dump.contains(QStringLiteral("Zażółć g")), qPrintable(dump.left(400)));
    }

    void eraseNeedsTheBox()
    {
        Bench bench(true);
        bench.simulator->firmware().eeprom24()->setMemory(0, pattern(512));
        TPage24Cxx *page = bench.form->TabSheet1();
        const int before = bench.transfers();
        click(page->AdvGlowButton8);
        QVERIFY(page->Notice() && page->Notice()->isVisible());
        QCOMPARE(page->Notice()->text(), QStringLiteral("Zaznacz checkbox \"ERASE\"   "));
        QCOMPARE(bench.transfers(), before);
        QCOMPARE(bench.chip24(), pattern(512));
        page->Notice()->close();

        click(page->CheckBox1);
        QVERIFY(page->CheckBox1->isChecked());
        click(page->AdvGlowButton8);
        QVERIFY(!page->CheckBox1->isChecked());
        QCOMPARE(bench.chip24(), QByteArray(512, char(0xFF)));
        QCOMPARE(page->Label14->text(),
                 QStringLiteral("Ilość bajtów skasowanych: %1").arg(changedByErase(pattern(512))));
        QCOMPARE(page->Label13->text(), QStringLiteral("Ilość bajtów odczytanych: 512"));
    }

    void blankTextErases()
    {
        Bench bench(true);
        bench.simulator->firmware().eeprom24()->setMemory(0, pattern(512));
        TPage24Cxx *page = bench.form->TabSheet1();
        type(page->edEEMdata, QStringLiteral("   "));
        click(page->AdvGlowButton9);
        QCOMPARE(bench.chip24(), QByteArray(512, char(0xFF)));
        QCOMPARE(page->Label14->text(),
                 QStringLiteral("Ilość bajtów skasowanych: %1").arg(changedByErase(pattern(512))));
    }

    void readBeyondTheEnd()
    {
        Bench bench(true);
        TPage24Cxx *page = bench.form->TabSheet1();
        type(page->edEEaddr, QStringLiteral("600"));
        click(page->AdvGlowButton7);
        QCOMPARE(page->ZqHexView1->toPlainText(), QStringLiteral("reading EEPROM ... 0%"));
        QCOMPARE(page->Label13->text(), QStringLiteral("Ilość bajtów odczytanych: 0"));
    }

    void fieldsTakeDigitsOnly()
    {
        Bench bench(false);
        QLineEdit *field = bench.form->TabSheet1()->edEEbytes;
        type(field, QStringLiteral("12a3456"));
        QCOMPARE(field->text(), QStringLiteral("1234"));
        QLineEdit *seconds = bench.form->TabSheet3()->edSS;
        type(seconds, QStringLiteral("7x59"));
        QCOMPARE(seconds->text(), QStringLiteral("75"));
    }

    void type24CxxSetsCount_data()
    {
        QTest::addColumn<int>("item");
        QTest::addColumn<QString>("count");
        QTest::newRow("24c02") << 0 << "256";
        QTest::newRow("24c08") << 2 << "1024";
        QTest::newRow("24c16") << 3 << "2048";
    }
    void type24CxxSetsCount()
    {
        QFETCH(int, item);
        QFETCH(QString, count);
        Bench bench(false);
        TPage24Cxx *page = bench.form->TabSheet1();
        page->ComboBox3->setCurrentIndex(item);
        QCOMPARE(page->edEEbytes->text(), count);
        QCOMPARE(int(bench.form->ZqEEPROM24Cxx1->EepromType()), item);
    }

    void type93CxxAndOrganisation_data()
    {
        QTest::addColumn<bool>("eightBit");
        QTest::addColumn<int>("item");
        QTest::addColumn<QString>("count");
        QTest::addColumn<QString>("unit");
        QTest::newRow("93C46 16-bit") << false << 0 << "64"
                                      << "ilość słów:";
        QTest::newRow("93C46 8-bit") << true << 0 << "128"
                                     << "ilość bajtów:";
        QTest::newRow("93C66 16-bit") << false << 2 << "256"
                                      << "ilość słów:";
        QTest::newRow("93C86 8-bit") << true << 4 << "2048"
                                     << "ilość bajtów:";
        QTest::newRow("93C86 16-bit") << false << 4 << "1024"
                                      << "ilość słów:";
    }
    // The organisation is switched twice, so 16-bit rows also come from 8-bit.
    void type93CxxAndOrganisation()
    {
        QFETCH(bool, eightBit);
        QFETCH(int, item);
        QFETCH(QString, count);
        QFETCH(QString, unit);
        Bench bench(false);
        TPage93Cxx *page = bench.form->TabSheet2();
        QCOMPARE(page->Label19->text(), QStringLiteral("Ilość słów odczytanych: "));
        click(page->RadioButton2);
        page->ComboBox2->setCurrentIndex(item);
        click(eightBit ? page->RadioButton2 : page->RadioButton1);
        QCOMPARE(page->ed93c46bytes->text(), count);
        QCOMPARE(page->Label21->text(), unit);
        QCOMPARE(page->Label19->text(), QStringLiteral("Ilość bajtów odczytanych: "));
        QCOMPARE(page->Label22->text(), QStringLiteral("Ilość bajtów zapisanych: "));
        QCOMPARE(int(bench.form->ZqEEPROM93Cxx1->EepromType()), item);
        QCOMPARE(bench.form->ZqEEPROM93Cxx1->EepromOrganisation(),
                 eightBit ? TZqEEPROM93Cxx::eo8_bit : TZqEEPROM93Cxx::eo16_bit);
    }

    void read93c46WordsCountsBytes()
    {
        Bench bench(true);
        bench.simulator->firmware().eeprom93()->setMemory(0, QByteArray("dorlin77"));
        TPage93Cxx *page = bench.form->TabSheet2();
        click(page->AdvGlowButton10);
        QCOMPARE(page->lb93cBajtyOdczytane->text(), QStringLiteral("128"));
        QVERIFY(page->ZqHexView2->toPlainText().contains(QStringLiteral("64 6F 72 6C")));
        QCOMPARE(PageTools::GaugeColour(page->prg1), QColor(255, 255, 0));
    }

    void write93CxxAndEraseNeedsTheBox()
    {
        Bench bench(true);
        TPage93Cxx *page = bench.form->TabSheet2();
        type(page->Edit4, QStringLiteral("łódź"));
        click(page->AdvGlowButton12);
        QCOMPARE(bench.simulator->firmware().eeprom93()->memory().left(4), Cp1250::Encode(QStringLiteral("łódź")));
        const int before = bench.transfers();
        type(page->Edit4, QString());
        click(page->AdvGlowButton12);
        QCOMPARE(bench.transfers(), before);
        click(page->AdvGlowButton11);
        QCOMPARE(page->Notice()->text(), QStringLiteral("Zaznacz checkbox \"ERASE\"   "));
        QCOMPARE(bench.transfers(), before);
        click(page->CheckBox2);
        click(page->AdvGlowButton11);
        QVERIFY(!page->CheckBox2->isChecked());
        QCOMPARE(bench.simulator->firmware().eeprom93()->memory(), QByteArray(128, char(0xFF)));
    }

    // Typed text and erase on both pages are backed up and confirmed with
    // the change summary; a refusal changes nothing; the count label gives the
    // bytes changed and the view the chip read back; a repeat has nothing to do.
    void typedWriteAndEraseAreProtected_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("action");
        QTest::addColumn<bool>("answer");
        for (const char *kind : {"24", "93"})
            for (const char *action : {"text", "erase"})
                for (const bool answer : {true, false})
                    QTest::addRow("%s %s %s", kind, action, answer ? "agreed" : "refused") << kind << action << answer;
        QTest::newRow("24 blank text agreed") << "24"
                                              << "blank text" << true;
    }
    void typedWriteAndEraseAreProtected()
    {
        QFETCH(QString, kind);
        QFETCH(QString, action);
        QFETCH(bool, answer);
        Bench bench(true);
        const bool is24 = kind == "24";
        TPage24Cxx *page24 = bench.form->TabSheet1();
        TPage93Cxx *page93 = bench.form->TabSheet2();
        const auto chip = [&] { return is24 ? bench.chip24() : bench.simulator->firmware().eeprom93()->memory(); };
        const QByteArray before = pattern(is24 ? 512 : 128);
        is24 ? bench.simulator->firmware().eeprom24()->setMemory(0, before)
             : bench.simulator->firmware().eeprom93()->setMemory(0, before);
        // Seven bytes from byte 32: on the 93C46 (16-bit, word 16) the last
        // word keeps its low byte.
        const QString text = QStringLiteral("Zażółć!");
        QByteArray wanted = before;
        if (action == "text")
            wanted.replace(32, 7, Cp1250::Encode(text));
        else
            wanted.fill(char(0xFF));
        const int changed = int(std::count_if(before.begin(), before.end(), [&, i = 0](char) mutable {
            const bool differs = before[i] != wanted[i];
            ++i;
            return differs;
        }));
        QAbstractButton *button = nullptr;
        if (action == "erase") {
            click(is24 ? page24->CheckBox1 : page93->CheckBox2);
            button = is24 ? page24->AdvGlowButton8 : page93->AdvGlowButton11;
        } else {
            type(is24 ? page24->edEEMdata : page93->Edit4, action == "text" ? text : QStringLiteral("  "));
            type(is24 ? page24->edEEoffset : page93->Edit5, is24 ? QStringLiteral("32") : QStringLiteral("16"));
            button = is24 ? page24->AdvGlowButton9 : page93->AdvGlowButton12;
        }
        const auto count = [&] { return is24 ? page24->Label14->text() : page93->lb93cBajtyZapisane->text(); };
        const auto expectedCount = [&](int n) {
            if (!is24)
                return QString::number(n);
            return (action == "text" ? QStringLiteral("Ilość bajtów zapisanych: ")
                                     : QStringLiteral("Ilość bajtów skasowanych: ")) +
                   QString::number(n);
        };
        bench.answer = answer;
        click(button);

        QCOMPARE(bench.asked.size(), 1);
        QVERIFY2(bench.asked[0].startsWith(QStringLiteral("%1 bytes in ").arg(changed)), qPrintable(bench.asked[0]));
        QVERIFY2(bench.asked[0].contains(QStringLiteral("Backup of the chip: ")), qPrintable(bench.asked[0]));
        QCOMPARE(chip(), answer ? wanted : before);
        const QStringList backups = QDir(bench.backups.path()).entryList(QDir::Files);
        QCOMPARE(backups.size(), 1);
        QFile backup(QDir(bench.backups.path()).filePath(backups[0]));
        QVERIFY(backup.open(QIODevice::ReadOnly));
        QCOMPARE(backup.readAll(), before);
        QCOMPARE(count(), expectedCount(answer ? changed : 0));
        // The view shows the chip read back: the line at 0x020 holds what the chip does.
        const QByteArray line = chip().mid(32, 16);
        const QString hex =
            DumpColumns::HexText(reinterpret_cast<const unsigned char *>(line.constData()), int(line.size()));
        const QString dump = (is24 ? page24->ZqHexView1 : page93->ZqHexView2)->toPlainText();
        QVERIFY2(dump.contains(QStringLiteral("020  ") + hex), qPrintable(dump.left(400)));

        if (!answer)
            return;
        bench.asked.clear();
        if (action == "erase")
            click(is24 ? page24->CheckBox1 : page93->CheckBox2);
        click(button);
        QVERIFY(bench.asked.isEmpty());
        const QString status = (is24 ? page24->ImageFileBox1 : page93->ImageFileBox1)->StatusText();
        QVERIFY2(status.startsWith(QStringLiteral("nothing to change")), qPrintable(status));
        QCOMPARE(count(), expectedCount(0));
        QCOMPARE(QDir(bench.backups.path()).entryList(QDir::Files).size(), 1);
    }

    // A 24C16 spans the device bytes of a PCF8583 at A2: before an erase the
    // page looks for a running clock there (its wait moving the simulated
    // time) and refuses, unless the user goes on all the same. A 24C04 at
    // A8 shares nothing and is not held up.
    void eraseGuardsTheClock_data()
    {
        QTest::addColumn<bool>("c16");
        QTest::addColumn<bool>("goOn");
        QTest::addColumn<bool>("clockAsked");
        QTest::addColumn<bool>("erased");
        QTest::newRow("24C16 refused") << true << false << true << false;
        QTest::newRow("24C16 overridden") << true << true << true << true;
        QTest::newRow("24C04 at A8") << false << true << false << true;
    }
    void eraseGuardsTheClock()
    {
        QFETCH(bool, c16);
        QFETCH(bool, goOn);
        QFETCH(bool, clockAsked);
        QFETCH(bool, erased);
        BusPopulation population;
        if (c16)
            population.eeprom24 = Eeprom24Type::C16;
        Bench bench(false, population);
        TPage24Cxx *page = bench.form->TabSheet1();
        page->SetChipType(c16 ? 3 : 1);
        const int size = c16 ? 2048 : 512;
        bench.form->ZqEEPROM24Cxx1->SetWait([&](int ms) { bench.clock.advanceMs(ms); });
        int waits = 0;
        TImageFileBox::BusCheckWait() = [&](int ms) {
            ++waits;
            bench.clock.advanceMs(ms);
        };
        // Block A2 of the EEPROM left FF, so only the clock drives those reads.
        QByteArray before = pattern(size);
        if (c16)
            before.replace(256, 256, QByteArray(256, char(0xFF)));
        bench.simulator->firmware().eeprom24()->setMemory(0, before);
        Pcf8583 &rtc = bench.rtc();
        for (int r = Pcf8583::Timer; r < 256; ++r)
            rtc.setRegister(std::uint8_t(r), std::uint8_t(r * 3));
        rtc.setTime({0, 6, 15, 2, 12, 0, 0, 0});
        const auto kept = [&] {
            QByteArray bytes;
            for (int r : {int(Pcf8583::Control)})
                bytes += char(rtc.registerValue(std::uint8_t(r)));
            for (int r = Pcf8583::Timer; r < 256; ++r)
                bytes += char(rtc.registerValue(std::uint8_t(r)));
            return bytes;
        };
        const QByteArray clockBefore = kept();
        const qint64 startUs = bench.clock.nowUs();
        bench.answer = goOn;
        click(page->CheckBox1);
        click(page->AdvGlowButton8);

        QCOMPARE(waits, clockAsked ? 1 : 0);
        const QString reason = QStringLiteral("a running clock (PCF8583) answers at device byte A2, which the 24C16 "
                                              "also uses: writing there would change the clock");
        QCOMPARE(!bench.asked.isEmpty() && bench.asked[0].startsWith(reason), clockAsked);
        QCOMPARE(bench.chip24() == QByteArray(size, char(0xFF)), erased);
        if (erased)
            return;
        QCOMPARE(bench.asked.size(), 1);
        QCOMPARE(page->ImageFileBox1->StatusText(), reason + QStringLiteral(": nothing written"));
        QCOMPARE(bench.chip24(), before);
        QCOMPARE(kept(), clockBefore);
        // Still counting from where it was set: only the simulated time moved it.
        const Pcf8583::Time now = rtc.time();
        QCOMPARE(qint64(now.hour * 360000 + now.minute * 6000 + now.second * 100 + now.hundredths),
                 12 * 360000 + (bench.clock.nowUs() - startUs) / 10000);
    }

    // The scan lists what answers on the default bench. Its button is a
    // device button: disabled while another operation runs; without an
    // adapter the scan says so and sends nothing.
    void busScanListsTheBench()
    {
        Bench bench(false);
        TPage24Cxx *page = bench.form->TabSheet1();
        QVERIFY(page->lbBusScan->text().isEmpty());
        click(page->btnScanI2c);
        QCOMPARE(page->lbBusScan->text(), QStringLiteral("devices on the bus: 78 A2 A8 AA D0"));
        {
            const TDeviceGuard::THold hold = bench.form->DeviceGuard1->Begin();
            QVERIFY(!page->btnScanI2c->isEnabled());
            QCOMPARE(page->btnScanI2c->isEnabled(), page->AdvGlowButton7->isEnabled());
        }
        QVERIFY(page->btnScanI2c->isEnabled());
        bench.simulator->pull(bench.simulator->adapter());
        QTRY_VERIFY(!bench.form->ZqLibUSB1->Connected());
        const int before = bench.transfers();
        click(page->btnScanI2c);
        QCOMPARE(page->lbBusScan->text(), QStringLiteral("RZT-USBasp not connected: the bus was not scanned"));
        QCOMPARE(bench.transfers(), before);
    }

    // A selection in the dump puts its range and CRC-32 in the page's status
    // in place of the read's; without a selection the read's comes back.
    void selectionShownInTheStatus()
    {
        Bench bench(true);
        bench.simulator->firmware().eeprom24()->setMemory(0, pattern(512));
        TPage24Cxx *page = bench.form->TabSheet1();
        click(page->AdvGlowButton7);
        const QString readStatus = page->ImageFileBox1->StatusText();
        QVERIFY2(readStatus.startsWith(QStringLiteral("512 bytes read, CRC-32 ")), qPrintable(readStatus));
        // Line 010 after the two header lines, its hex column from 5 on.
        QTextCursor cursor(page->ZqHexView1->document());
        const int line = page->ZqHexView1->document()->findBlockByNumber(3).position();
        cursor.setPosition(line + 5);
        cursor.setPosition(line + 5 + 3 * 4, QTextCursor::KeepAnchor);
        page->ZqHexView1->setTextCursor(cursor);
        QCOMPARE(page->ImageFileBox1->StatusText(),
                 QStringLiteral("selection 0x0010..0x0013: 4 bytes, ") + Crc32Text(pattern(512).mid(16, 4)));
        cursor.clearSelection();
        page->ZqHexView1->setTextCursor(cursor);
        QCOMPARE(page->ImageFileBox1->StatusText(), readStatus);
    }

    // Clicks on this and other pages while a read runs do nothing: their
    // buttons are disabled, and a click that still arrives is refused.
    void secondClickDuringReadRefused()
    {
        Bench bench(true);
        bench.simulator->firmware().eeprom24()->setMemory(0, pattern(512));
        TPage24Cxx *page = bench.form->TabSheet1();
        TPage93Cxx *other = bench.form->TabSheet2();
        page->edBlockSize->setValue(1); // a read long enough for the timer to fire inside
        click(page->CheckBox1);
        bool disabledMeanwhile = false;
        QTimer::singleShot(20, page, [&] {
            disabledMeanwhile = !page->AdvGlowButton7->isEnabled() && !page->AdvGlowButton8->isEnabled() &&
                                !other->AdvGlowButton10->isEnabled() &&
                                !bench.form->TabSheet3()->AdvGlowButton4->isEnabled();
            emit page->AdvGlowButton8->clicked();
            emit page->AdvGlowButton7->clicked();
            emit other->AdvGlowButton11->clicked();
        });
        click(page->AdvGlowButton7);
        QVERIFY(disabledMeanwhile);
        QCOMPARE(bench.chip24(), pattern(512));
        QVERIFY(page->CheckBox1->isChecked());
        QCOMPARE(page->Label13->text(), QStringLiteral("Ilość bajtów odczytanych: 512"));
        QVERIFY(page->ZqHexView1->toPlainText().contains(QStringLiteral("03 0A 11 18")));
        QVERIFY(page->AdvGlowButton7->isEnabled());
        QVERIFY(other->AdvGlowButton10->isEnabled());
        QVERIFY(!bench.form->DeviceGuard1->Busy());
    }

    void adapterPulledDuringWrite()
    {
        Bench bench(true);
        TPage24Cxx *page = bench.form->TabSheet1();
        type(page->edEEMdata, QString(200, QLatin1Char('x')));
        QTimer::singleShot(40, page, [&] { bench.simulator->pull(bench.simulator->adapter()); });
        click(page->AdvGlowButton9);
        QVERIFY(!bench.form->DeviceGuard1->Busy());
        QVERIFY(page->AdvGlowButton9->isEnabled());
        QVERIFY(bench.chip24().left(200) != QByteArray(200, 'x'));
        QTRY_VERIFY(!bench.form->ZqLibUSB1->Connected());
        bench.simulator->plug(bench.simulator->adapter());
        QTRY_VERIFY(bench.form->ZqLibUSB1->Connected());
        click(page->AdvGlowButton9);
        QCOMPARE(bench.chip24().left(200), QByteArray(200, 'x'));
    }

    void getTimeWithoutLeadingZeros()
    {
        Bench bench(false);
        TPageRtc *page = bench.form->TabSheet3();
        QCOMPARE(page->edRok->text(), QString::number(QDate::currentDate().year()));
        page->SetNow([] { return QDateTime(QDate(2026, 3, 4), QTime(9, 5, 7)); });
        click(page->AdvGlowButton3);
        const QStringList fields{page->edHH->text(),  page->edMM->text(),  page->edSS->text(),
                                 page->edRok->text(), page->edaMM->text(), page->edDD->text()};
        QCOMPARE(fields, QStringList({"9", "5", "7", "2026", "3", "4"}));
        click(page->AdvGlowButton4);
        QCOMPARE(bench.rtc().registerValue(Pcf8583::Seconds), 0x07);
        QCOMPARE(bench.rtc().registerValue(Pcf8583::Minutes), 0x05);
        QCOMPARE(bench.rtc().registerValue(Pcf8583::Hours), 0x09);
    }

    // No poll has run: the timer register keeps what the chip held.
    void writeSetsClockKeepsTimerRegister()
    {
        Bench bench(false);
        TPageRtc *page = bench.form->TabSheet3();
        bench.rtc().setRegister(Pcf8583::Timer, 0x5A);
        setFields(page, "2018-05-17", "23:59:58");
        click(page->AdvGlowButton4);
        Pcf8583 &rtc = bench.rtc();
        QCOMPARE(rtc.registerValue(Pcf8583::Seconds), 0x58);
        QCOMPARE(rtc.registerValue(Pcf8583::Minutes), 0x59);
        QCOMPARE(rtc.registerValue(Pcf8583::Hours), 0x23);
        QCOMPARE(rtc.registerValue(Pcf8583::YearDate), 0x17 | 2 << 6);
        QCOMPARE(rtc.registerValue(Pcf8583::WeekdayMonth), 0x05);
        QCOMPARE(rtc.registerValue(Pcf8583::Timer), 0x5A);
        QCOMPARE(rtc.registerValue(Pcf8583::FreeRam), 0x07);
        QCOMPARE(rtc.registerValue(Pcf8583::FreeRam + 1), 0xE0);
        QVERIFY(!page->Timer1->isActive());
        poll(page);
        QCOMPARE(page->lbTime->text(), QStringLiteral("23:59:58"));
        QCOMPARE(page->lbDate->text(), QStringLiteral("2018-05-17"));
    }

    void pollsFollowTheClock_data()
    {
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("time");
        QTest::addColumn<int>("seconds");
        QTest::addColumn<QString>("shownDate");
        QTest::addColumn<QString>("shownTime");
        QTest::newRow("midnight") << "2018-05-17"
                                  << "23:59:58" << 3 << "2018-05-18"
                                  << "00:00:01";
        QTest::newRow("leap 28 Feb") << "2024-02-28"
                                     << "23:59:59" << 1 << "2024-02-29"
                                     << "00:00:00";
        QTest::newRow("leap 29 Feb") << "2024-02-29"
                                     << "23:59:59" << 1 << "2024-03-01"
                                     << "00:00:00";
        QTest::newRow("28 Feb") << "2023-02-28"
                                << "23:59:59" << 1 << "2023-03-01"
                                << "00:00:00";
        QTest::newRow("new year") << "2023-12-31"
                                  << "23:59:59" << 2 << "2024-01-01"
                                  << "00:00:01";
        QTest::newRow("an hour") << "2025-07-09"
                                 << "08:30:00" << 3600 << "2025-07-09"
                                 << "09:30:00";
    }
    void pollsFollowTheClock()
    {
        QFETCH(QString, date);
        QFETCH(QString, time);
        QFETCH(int, seconds);
        QFETCH(QString, shownDate);
        QFETCH(QString, shownTime);
        Bench bench(false);
        TPageRtc *page = bench.form->TabSheet3();
        setFields(page, date, time);
        click(page->AdvGlowButton4);
        poll(page);
        QCOMPARE(page->lbDate->text(), date);
        QCOMPARE(page->lbTime->text(), time);
        bench.clock.advanceMs(seconds * 1000);
        poll(page);
        QCOMPARE(page->lbDate->text(), shownDate);
        QCOMPARE(page->lbTime->text(), shownTime);
        // The wrapped year stays right in the chip's own RAM, for the next run too.
        bench.clock.advanceMs(1000);
        poll(page);
        QCOMPARE(page->lbDate->text(), shownDate);
    }

    void badFieldRefused_data()
    {
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("time");
        QTest::addColumn<QString>("field");
        QTest::newRow("75 seconds") << "2024-05-05"
                                    << "10:10:75"
                                    << "sekundy";
        QTest::newRow("60 minutes") << "2024-05-05"
                                    << "10:60:00"
                                    << "minuty";
        QTest::newRow("hour 24") << "2024-05-05"
                                 << "24:00:00"
                                 << "godzina";
        QTest::newRow("month 13") << "2024-13-05"
                                  << "10:10:10"
                                  << "miesiąc";
        QTest::newRow("month empty") << "2024--05"
                                     << "10:10:10"
                                     << "miesiąc";
        QTest::newRow("day 0") << "2024-05-0"
                               << "10:10:10"
                               << "dzień";
        QTest::newRow("30 February") << "2024-02-30"
                                     << "10:10:10"
                                     << "dzień";
        QTest::newRow("29 February 2023") << "2023-02-29"
                                          << "10:10:10"
                                          << "dzień";
        QTest::newRow("31 April") << "2024-04-31"
                                  << "10:10:10"
                                  << "dzień";
        QTest::newRow("year 0") << "0-01-01"
                                << "10:10:10"
                                << "rok";
    }
    void badFieldRefused()
    {
        QFETCH(QString, date);
        QFETCH(QString, time);
        QFETCH(QString, field);
        Bench bench(false);
        TPageRtc *page = bench.form->TabSheet3();
        setFields(page, date, time);
        const int before = bench.transfers();
        click(page->AdvGlowButton4);
        QVERIFY(page->Notice() && page->Notice()->isVisible());
        QVERIFY2(page->Notice()->text().contains(QStringLiteral("\"%1\"").arg(field)),
                 qPrintable(page->Notice()->text()));
        QCOMPARE(bench.transfers(), before);
    }

    void lastValidDaysAccepted()
    {
        Bench bench(false);
        TPageRtc *page = bench.form->TabSheet3();
        setFields(page, "2024-02-29", "23:59:59");
        click(page->AdvGlowButton4);
        QVERIFY(!page->Notice());
        QCOMPARE(bench.rtc().registerValue(Pcf8583::YearDate), 0x29);
    }

    void failedReadLeavesLabels()
    {
        Bench bench(false);
        TPageRtc *page = bench.form->TabSheet3();
        setFields(page, "2018-05-17", "12:00:00");
        click(page->AdvGlowButton4);
        poll(page);
        QCOMPARE(page->lbTime->text(), QStringLiteral("12:00:00"));
        bench.simulator->pull(bench.simulator->adapter());
        QTRY_VERIFY(!bench.form->ZqLibUSB1->Connected());
        bench.clock.advanceMs(5000);
        poll(page);
        QCOMPARE(page->lbTime->text(), QStringLiteral("12:00:00"));
        QCOMPARE(page->lbDate->text(), QStringLiteral("2018-05-17"));
    }

    void writeKeepsPollingState()
    {
        Bench bench(false);
        TPageRtc *page = bench.form->TabSheet3();
        setFields(page, "2018-05-17", "12:00:00");
        click(page->AdvGlowButton4);
        QVERIFY(!page->Timer1->isActive());
        click(page->AdvGlowButton1);
        click(page->AdvGlowButton4);
        QVERIFY(page->Timer1->isActive());
        click(page->AdvGlowButton2);
        QVERIFY(!page->Timer1->isActive());
    }

    // A tick while another operation holds the guard reads nothing.
    void tickSkippedWhileBusy()
    {
        Bench bench(false);
        TPageRtc *page = bench.form->TabSheet3();
        bench.form->PageControl1->ShowPage(page);
        {
            const TDeviceGuard::THold hold = bench.form->DeviceGuard1->Begin();
            QVERIFY(!page->AdvGlowButton4->isEnabled());
            const int reads = bench.transfersOf(104);
            poll(page);
            QCOMPARE(bench.transfersOf(104), reads);
            QCOMPARE(page->lbTime->text(), QStringLiteral("00:00:00"));
        }
        QVERIFY(page->AdvGlowButton4->isEnabled());
        bench.rtc().setTime({0, 6, 7, 0, 8, 9, 10, 0});
        poll(page);
        QCOMPARE(page->lbTime->text(), QStringLiteral("08:09:10"));
    }

private:
    static void setFields(TPageRtc *page, const QString &date, const QString &time)
    {
        const QStringList d = date.split(QLatin1Char('-'));
        const QStringList t = time.split(QLatin1Char(':'));
        type(page->edRok, d[0]);
        type(page->edaMM, d[1]);
        type(page->edDD, d[2]);
        type(page->edHH, t[0]);
        type(page->edMM, t[1]);
        type(page->edSS, t[2]);
    }
    // "start" asks for a tick at once; one tick, then stop.
    static void poll(TPageRtc *page)
    {
        QSignalSpy ticks(page->Timer1, &QTimer::timeout);
        click(page->AdvGlowButton1);
        QVERIFY(ticks.wait(2000));
        click(page->AdvGlowButton2);
    }
};

QTEST_MAIN(TestDevicePages)
#include "tst_devicepages.moc"
