// The main window through faults during a 24Cxx read: after each, the
// status bar says what the link is, the link says what the adapter is, the
// page does not count a full read that did not happen, and after the next
// plug the status says connected and the same read works.
#include "FaultRig.h"
#include "Page24Cxx.h"
#include "Simulator.h"
#include "StatusPanel.h"
#include "TForm1.h"
#include "ZqEEPROM24Cxx.h"
#include "ZqLibUSB.h"

#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>

using namespace sim;

namespace {
const QString kConnected = QStringLiteral("RZT-USBasp connected");
const QString kNotConnected = QStringLiteral("RZT-USBasp not connected");
const QString kFullRead = QStringLiteral("Ilość bajtów odczytanych: 512");

QByteArray pattern(int n)
{
    QByteArray bytes(n, '\0');
    for (int i = 0; i < n; ++i)
        bytes[i] = char((i * 13 + 5) & 0xFF);
    return bytes;
}

// The window on a simulator of its own; reads need no waits, so the chips'
// clock stands.
struct Window {
    Window()
    {
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
        simulator = std::make_unique<Simulator>(BusPopulation{}, &clock);
        simulator->firmware().eeprom24()->setMemory(0, pattern(512));
        form = std::make_unique<TForm1>(simulator.get(), simulator.get());
        form->show();
    }
    ~Window()
    {
        form.reset();
        simulator.reset();
    }
    QString status() const { return form->StatusPanel0->text(); }
    QString linkSays() const { return form->ZqLibUSB1->Connected() ? kConnected : kNotConnected; }
    VirtualAdapter &adapter() const { return *simulator->adapter(); }
    void read() const { QTest::mouseClick(form->TabSheet1()->AdvGlowButton7, Qt::LeftButton); }
    QString readCount() const { return form->TabSheet1()->Label13->text(); }

    QTemporaryDir config;
    ManualClock clock;
    std::unique_ptr<Simulator> simulator;
    std::unique_ptr<TForm1> form;
};
} // namespace

class TestFaultsStatus : public QObject {
    Q_OBJECT

private slots:
    void statusAgreesWithLink_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("k");
        // The first transfer, one inside the byte-wise start, one inside the blocks.
        for (int kind = 0; kind < int(std::size(kFaultKinds)); ++kind)
            for (int k : {1, 4, 12})
                QTest::addRow("%s at %d", kFaultKinds[kind].name, k) << kind << k;
    }
    void statusAgreesWithLink()
    {
        QFETCH(int, kind);
        QFETCH(int, k);
        Window w;
        QTRY_VERIFY(w.form->ZqLibUSB1->Connected());
        QCOMPARE(w.status(), kConnected);
        w.form->TabSheet1()->edBlockSize->setValue(64);

        w.adapter().log().clear();
        armFault(*w.simulator, kFaultKinds[kind].kind, k);
        w.read();
        QCoreApplication::processEvents();
        QCOMPARE(w.form->ZqLibUSB1->Connected(), w.adapter().isPlugged());
        QCOMPARE(w.status(), w.linkSays());
        if (kFaultKinds[kind].kind == FaultKind::Pulled || kFaultKinds[kind].kind == FaultKind::ChipSilent)
            QVERIFY2(w.readCount() != kFullRead, qPrintable(w.readCount()));

        if (!w.adapter().isPlugged())
            w.simulator->plug(&w.adapter());
        w.simulator->firmware().setChipsConnected(true);
        QTRY_VERIFY(w.form->ZqLibUSB1->Connected());
        QCOMPARE(w.status(), kConnected);
        w.read();
        QCOMPARE(w.readCount(), kFullRead);
        QCOMPARE(w.form->ZqEEPROM24Cxx1->EEPROM_BUF().left(512), pattern(512));
        QCOMPARE(w.status(), kConnected);
    }
};

QTEST_MAIN(TestFaultsStatus)
#include "tst_faults_status.moc"
