// The "RTC DS13xx" page in the main window on the virtual adapter, with the
// chip's time and the computer's clock both moved by hand.
#include "Ds13xx.h"
#include "PageDs13xx.h"
#include "Simulator.h"
#include "TForm1.h"
#include "ZqLibUSB.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using namespace sim;

Q_DECLARE_METATYPE(sim::Ds13xxType)

namespace {
// The computer's clock and the chip's run together; a wait moves both.
struct HandClock : TRtcHostClock {
    explicit HandClock(ManualClock &chipTime) : chip(chipTime) {}
    QDateTime Now() const override { return start.addMSecs(chip.nowUs() / 1000); }
    void WaitMs(int msec) override
    {
        waited += msec;
        chip.advanceMs(msec);
    }
    ManualClock &chip;
    QDateTime start{QDate(2024, 2, 28), QTime(23, 59, 58, 300)};
    int waited = 0;
};

struct Bench {
    explicit Bench(std::optional<Ds13xxType> type)
    {
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
        BusPopulation population;
        population.ds13xx = type;
        simulator = std::make_unique<Simulator>(population, &clock);
        form = std::make_unique<TForm1>(simulator.get(), simulator.get());
        form->ZqRtcDs13xx1->SetHostClock(&host);
        page = form->TabSheet4();
        page->SetChipType(type == Ds13xxType::DS1307 ? 0 : 1);
        form->show();
        QTRY_VERIFY(form->ZqLibUSB1->Connected());
        form->PageControl1->ShowPage(page);
        page->Timer1->stop();
    }
    ~Bench()
    {
        form.reset();
        simulator.reset();
    }
    Ds13xx &chip() { return *simulator->firmware().ds13xx(); }
    QByteArray time() { return QByteArray(reinterpret_cast<const char *>(chip().registers().data()), 7); }
    int transfersOf(int request) const
    {
        int n = 0;
        for (const auto &record : simulator->adapter()->log().records())
            n += record.request == request;
        return n;
    }
    void setFields(int year, int month, int day, int hour, int minute, int second)
    {
        page->edRok->setText(QString::number(year));
        page->edaMM->setText(QString::number(month));
        page->edDD->setText(QString::number(day));
        page->edHH->setText(QString::number(hour));
        page->edMM->setText(QString::number(minute));
        page->edSS->setText(QString::number(second));
    }

    QTemporaryDir config;
    ManualClock clock;
    HandClock host{clock};
    std::unique_ptr<Simulator> simulator;
    std::unique_ptr<TForm1> form;
    TPageDs13xx *page = nullptr;
};

void click(QAbstractButton *button) { QTest::mouseClick(button, Qt::LeftButton); }
QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out += char(v);
    return out;
}
} // namespace

class TestDs13xxPage : public QObject {
    Q_OBJECT

private slots:
    // Set from the fields (hour:59:57 on 2024-02-28, a Wednesday), then
    // polled three seconds on. A chip kept in 12 h form stays in it: hours
    // bit 6 set, bit 5 PM, 1..12 in BCD. Weekday 1 = Monday.
    void setAndPoll_data()
    {
        QTest::addColumn<Ds13xxType>("type");
        QTest::addColumn<bool>("twelveHour");
        QTest::addColumn<int>("hour");
        QTest::addColumn<int>("hoursWritten");
        QTest::addColumn<QString>("shownTime");
        QTest::addColumn<QString>("shownDate");
        QTest::newRow("ds1307 24 h") << Ds13xxType::DS1307 << false << 23 << 0x23 << "00:00:00"
                                     << "2024-02-29";
        QTest::newRow("ds3231 24 h") << Ds13xxType::DS3231 << false << 23 << 0x23 << "00:00:00"
                                     << "2024-02-29";
        for (const auto &[name, type] : {std::pair("ds1307", Ds13xxType::DS1307), {"ds3231", Ds13xxType::DS3231}}) {
            QTest::addRow("%s 12 h, 11 PM to midnight", name) << type << true << 23 << 0x71 << "12:00:00 AM"
                                                              << "2024-02-29";
            QTest::addRow("%s 12 h, 11 AM to noon", name) << type << true << 11 << 0x51 << "12:00:00 PM"
                                                          << "2024-02-28";
            QTest::addRow("%s 12 h, midnight", name) << type << true << 0 << 0x52 << "01:00:00 AM"
                                                     << "2024-02-28";
            QTest::addRow("%s 12 h, noon", name) << type << true << 12 << 0x72 << "01:00:00 PM"
                                                 << "2024-02-28";
            QTest::addRow("%s 12 h, 2 PM", name) << type << true << 14 << 0x62 << "03:00:00 PM"
                                                 << "2024-02-28";
            QTest::addRow("%s 12 h, 9 AM", name) << type << true << 9 << 0x49 << "10:00:00 AM"
                                                 << "2024-02-28";
        }
    }
    void setAndPoll()
    {
        QFETCH(Ds13xxType, type);
        QFETCH(bool, twelveHour);
        QFETCH(int, hour);
        QFETCH(int, hoursWritten);
        QFETCH(QString, shownTime);
        QFETCH(QString, shownDate);
        Bench bench(type);
        if (twelveHour)
            bench.chip().setRegister(Ds13xx::Hours, 0x52);
        bench.setFields(2024, 2, 28, hour, 59, 57);
        click(bench.page->AdvGlowButton4);
        QCOMPARE(bench.time(), bytes({0x57, 0x59, hoursWritten, 3, 0x28, 0x02, 0x24}));
        bench.clock.advanceMs(3000);
        bench.page->Timer1Timer();
        QCOMPARE(bench.page->lbTime->text(), shownTime);
        QCOMPARE(bench.page->lbDate->text(), shownDate);
        QVERIFY(bench.page->lbState->text().isEmpty());
    }

    // The same refusals as the PCF8583 page, plus the years the chip holds:
    // a notice and not one byte written.
    void badFields_data()
    {
        QTest::addColumn<Ds13xxType>("type");
        QTest::addColumn<QList<int>>("fields"); // year month day hour minute second
        QTest::newRow("hour 24") << Ds13xxType::DS3231 << QList<int>{2024, 1, 1, 24, 0, 0};
        QTest::newRow("minute 60") << Ds13xxType::DS3231 << QList<int>{2024, 1, 1, 0, 60, 0};
        QTest::newRow("second 60") << Ds13xxType::DS3231 << QList<int>{2024, 1, 1, 0, 0, 60};
        QTest::newRow("month 13") << Ds13xxType::DS3231 << QList<int>{2024, 13, 1, 0, 0, 0};
        QTest::newRow("month 0") << Ds13xxType::DS3231 << QList<int>{2024, 0, 1, 0, 0, 0};
        QTest::newRow("April 31") << Ds13xxType::DS3231 << QList<int>{2024, 4, 31, 0, 0, 0};
        QTest::newRow("Feb 29, 2023") << Ds13xxType::DS3231 << QList<int>{2023, 2, 29, 0, 0, 0};
        QTest::newRow("ds3231 year 1999") << Ds13xxType::DS3231 << QList<int>{1999, 1, 1, 0, 0, 0};
        QTest::newRow("ds3231 year 2200") << Ds13xxType::DS3231 << QList<int>{2200, 1, 1, 0, 0, 0};
        QTest::newRow("ds3231 Feb 29, 2100") << Ds13xxType::DS3231 << QList<int>{2100, 2, 29, 0, 0, 0};
        QTest::newRow("ds1307 year 2100") << Ds13xxType::DS1307 << QList<int>{2100, 1, 1, 0, 0, 0};
    }
    void badFields()
    {
        QFETCH(Ds13xxType, type);
        QFETCH(QList<int>, fields);
        Bench bench(type);
        const QByteArray before = bench.time();
        bench.setFields(fields[0], fields[1], fields[2], fields[3], fields[4], fields[5]);
        click(bench.page->AdvGlowButton4);
        QVERIFY(bench.page->Notice());
        QVERIFY(bench.page->Notice()->text().contains(QStringLiteral("nie został ustawiony")));
        QCOMPARE(bench.transfersOf(103), 0);
        QCOMPARE(bench.time(), before);
    }

    void yearsAtTheEdges_data()
    {
        QTest::addColumn<Ds13xxType>("type");
        QTest::addColumn<int>("year");
        QTest::addColumn<int>("monthRegister");
        QTest::newRow("ds1307 2099") << Ds13xxType::DS1307 << 2099 << 0x01;
        QTest::newRow("ds3231 2000") << Ds13xxType::DS3231 << 2000 << 0x01;
        QTest::newRow("ds3231 2100 century") << Ds13xxType::DS3231 << 2100 << 0x81;
        QTest::newRow("ds3231 2199 century") << Ds13xxType::DS3231 << 2199 << 0x81;
    }
    void yearsAtTheEdges()
    {
        QFETCH(Ds13xxType, type);
        QFETCH(int, year);
        QFETCH(int, monthRegister);
        Bench bench(type);
        bench.setFields(year, 1, 1, 0, 0, 0);
        click(bench.page->AdvGlowButton4);
        QCOMPARE(int(bench.chip().registerValue(Ds13xx::Month)), monthRegister);
        bench.page->Timer1Timer();
        QCOMPARE(bench.page->lbDate->text(), QStringLiteral("%1-01-01").arg(year));
    }

    // The write waits for the computer's next whole second and writes that
    // second; the chip's divider restarts with it, so both tick together.
    void hostTimeAtNextSecond()
    {
        Bench bench(Ds13xxType::DS3231);
        bench.page->Timer1Timer();
        QVERIFY(bench.page->lbState->text().contains(QStringLiteral("OSF")));
        click(bench.page->btHostTime);
        QCOMPARE(bench.host.waited, 700);
        QCOMPARE(bench.time(), bytes({0x59, 0x59, 0x23, 3, 0x28, 0x02, 0x24}));
        QCOMPARE(bench.chip().registerValue(Ds13xx::Ds3231Status) & Ds13xx::OscillatorStopped, 0);
        bench.clock.advanceMs(999);
        QCOMPARE(int(bench.chip().registerValue(Ds13xx::Seconds)), 0x59);
        bench.clock.advanceMs(1);
        QCOMPARE(bench.time(), bytes({0x00, 0x00, 0x00, 4, 0x29, 0x02, 0x24}));
        bench.page->Timer1Timer();
        QVERIFY(bench.page->lbState->text().isEmpty());
    }

    // A halted DS1307 says so and offers to start; the seconds are kept.
    void ds1307HaltedAndStarted()
    {
        Bench bench(Ds13xxType::DS1307);
        bench.page->Timer1Timer();
        QVERIFY(bench.page->lbState->text().contains(QStringLiteral("zatrzymany")));
        QVERIFY(bench.page->btStartClock->isVisibleTo(bench.page));
        bench.chip().setRegister(Ds13xx::Seconds, 0x80 | 0x42);
        click(bench.page->btStartClock);
        QCOMPARE(int(bench.chip().registerValue(Ds13xx::Seconds)), 0x42);
        bench.clock.advanceMs(1000);
        bench.page->Timer1Timer();
        QCOMPARE(bench.page->lbTime->text(), QStringLiteral("00:00:43"));
        QVERIFY(bench.page->lbState->text().isEmpty());
        QVERIFY(!bench.page->btStartClock->isVisibleTo(bench.page));
    }

    void ds3231TemperatureAndAging()
    {
        Bench bench(Ds13xxType::DS3231);
        QVERIFY(bench.page->GroupBoxDs3231->isVisibleTo(bench.page));
        bench.chip().setQuarterDegrees(-7);
        bench.chip().setRegister(Ds13xx::Aging, 0xFB);
        bench.page->Timer1Timer();
        QCOMPARE(bench.page->lbTemperature->text(), QStringLiteral("Temperatura: -1,75 °C"));
        QCOMPARE(bench.page->seAging->value(), -5);
        bench.page->seAging->setValue(12);
        click(bench.page->btAging);
        QCOMPARE(int(bench.chip().registerValue(Ds13xx::Aging)), 12);
        bench.page->SetChipType(0);
        QVERIFY(!bench.page->GroupBoxDs3231->isVisibleTo(bench.page));
    }

    // No chip: one read request now, then after 2, 4 and every 8 seconds,
    // whatever the timer ticks.
    void absentChipBacksOff()
    {
        Bench bench(std::nullopt);
        for (int second = 0; second < 20; ++second) {
            bench.page->Timer1Timer();
            bench.clock.advanceMs(1000);
        }
        QCOMPARE(bench.transfersOf(104), 4); // at 0, 2, 6 and 14 s
        QVERIFY(bench.page->lbState->text().contains(QStringLiteral("Brak układu")));
        QCOMPARE(bench.page->lbTime->text(), QStringLiteral("--:--:--"));
    }

    // Polled only while the page is shown.
    void pollsOnlyWhileShown()
    {
        Bench bench(Ds13xxType::DS3231);
        bench.form->PageControl1->setCurrentIndex(0);
        QVERIFY(!bench.page->Timer1->isActive());
        bench.form->PageControl1->ShowPage(bench.page);
        QVERIFY(bench.page->Timer1->isActive());
        QTRY_COMPARE(bench.page->lbDate->text(), QStringLiteral("2000-01-01"));
        click(bench.page->AdvGlowButton2);
        QVERIFY(!bench.page->Timer1->isActive());
    }
};

QTEST_MAIN(TestDs13xxPage)
#include "tst_ds13xxpage.moc"
