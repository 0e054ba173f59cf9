#include "tst_settings.h"

#include "settingssandbox.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>

// Where the form's position and size go, and how they come back.
class TestFormPosition : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void screenIsTheOneAskedFor();
    void firstRunKeepsDesignedSizeCentred();
    void restartRestoresPositionAndSize();
    void storedWindowState_data();
    void storedWindowState();
    void maximisedAtExitIsStoredAsTwo();
    void negativeLeftAppliedUnchanged();
    void restoreOnlyPosition();
    void unusableNumberFallsBack_data();
    void unusableNumberFallsBack();
    void everyShowRestores();
    void userMinimiseNeitherSavesNorRestores();
    void noSaveBeforeRestore();
    void destroyingVisibleFormSaves();
    void customIniNameGivesOwnKey();
    void iniBackendRoundTrip();
    void damagedStoreFallsBackAndIsRewritten_data();
    void damagedStoreFallsBackAndIsRewritten();
    void unreadableStoreNeverFails();
    void hostileBoundsAreTamed_data();
    void hostileBoundsAreTamed();

private:
    static QPoint CentredPosition(QSize size);
    void VerifyStoredBounds(const QString &group, QRect frame);

    std::unique_ptr<SettingsSandbox> sandbox;
};

void TestFormPosition::init()
{
    sandbox = std::make_unique<SettingsSandbox>();
    QVERIFY(sandbox->IsValid());
}

void TestFormPosition::cleanup() { sandbox.reset(); }

QPoint TestFormPosition::CentredPosition(QSize size)
{
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    return {screen.x() + (screen.width() - size.width()) / 2, screen.y() + (screen.height() - size.height()) / 2};
}

// frame: the position as QWidget::pos() and the client size.
void TestFormPosition::VerifyStoredBounds(const QString &group, QRect frame)
{
    const auto store = sandbox->OpenStore();
    store->beginGroup(group);
    QCOMPARE(store->value("Left").toString(), QString::number(frame.x()));
    QCOMPARE(store->value("Top").toString(), QString::number(frame.y()));
    QCOMPARE(store->value("Width").toString(), QString::number(frame.width()));
    QCOMPARE(store->value("Height").toString(), QString::number(frame.height()));
}

// The placement tests run on a square and on a wide screen; a screen setting
// the platform ignored would leave them all on its square default.
void TestFormPosition::screenIsTheOneAskedFor()
{
    const QByteArray asked = qgetenv("BRINDLE_TEST_SCREEN");
    if (asked.isEmpty())
        QSKIP("no screen size given in BRINDLE_TEST_SCREEN");
    const QList<QByteArray> size = asked.split('x');
    QCOMPARE(size.size(), 2);
    QCOMPARE(QGuiApplication::primaryScreen()->geometry(), QRect(0, 0, size[0].toInt(), size[1].toInt()));
}

void TestFormPosition::firstRunKeepsDesignedSizeCentred()
{
    TestForm t;
    t.form.show();
    QCOMPARE(t.probe->sizeAtShow, TestForm::kDesigned);
    QCOMPARE(t.probe->positionAtShow, CentredPosition(TestForm::kDesigned));
    QCOMPARE(t.form.size(), TestForm::kDesigned);
}

void TestFormPosition::restartRestoresPositionAndSize()
{
    {
        TestForm first;
        first.form.show();
        first.form.move(60, 70);
        first.form.resize(320, 240);
        QVERIFY(QTest::qWaitForWindowExposed(&first.form));
        first.form.close();
    }
    VerifyStoredBounds("Form1", QRect(60, 70, 320, 240));
    QCOMPARE(sandbox->OpenStore()->value("Form1/maximized").toString(), QString("0"));

    TestForm second;
    second.form.show();
    QCOMPARE(second.form.pos(), QPoint(60, 70));
    QCOMPARE(second.form.size(), QSize(320, 240));
}

void TestFormPosition::storedWindowState_data()
{
    QTest::addColumn<QString>("maximized");
    QTest::addColumn<bool>("expectMaximized");

    QTest::newRow("normal at exit") << "0" << false;
    QTest::newRow("minimised at exit comes back normal") << "1" << false;
    QTest::newRow("maximised at exit") << "2" << true;
    QTest::newRow("unknown state code") << "7" << false;
}

void TestFormPosition::storedWindowState()
{
    QFETCH(QString, maximized);
    QFETCH(bool, expectMaximized);
    sandbox->Seed("Form1",
                  {{"maximized", maximized}, {"Left", "40"}, {"Top", "30"}, {"Width", "250"}, {"Height", "150"}});

    TestForm t;
    t.form.show();
    QVERIFY(!t.form.isMinimized());
    QCOMPARE(t.form.isMaximized(), expectMaximized);
    if (expectMaximized) {
        // The stored normal bounds are left alone: the designed size stays
        // what an un-maximise goes back to.
        QCOMPARE(t.probe->sizeAtShow, TestForm::kDesigned);
        QCOMPARE(t.form.normalGeometry().size(), TestForm::kDesigned);
    } else {
        QCOMPARE(t.form.pos(), QPoint(40, 30));
        QCOMPARE(t.form.size(), QSize(250, 150));
    }
}

void TestFormPosition::maximisedAtExitIsStoredAsTwo()
{
    {
        TestForm t;
        t.form.showMaximized();
        QVERIFY(QTest::qWaitForWindowExposed(&t.form));
        t.form.close();
    }
    QCOMPARE(sandbox->OpenStore()->value("Form1/maximized").toString(), QString("2"));

    TestForm again;
    again.form.show();
    QVERIFY(again.form.isMaximized());
}

// The offscreen platform shifts a window that starts beyond the screen's edge
// once it is mapped, so the check is on what the store applied in its hook.
void TestFormPosition::negativeLeftAppliedUnchanged()
{
    sandbox->Seed("Form1", {{"Left", "-150"}, {"Top", "40"}});
    TestForm t;
    t.form.show();
    QCOMPARE(t.probe->positionAtShow, QPoint(-150, 40));
    QVERIFY(t.form.x() < 0);
}

void TestFormPosition::restoreOnlyPosition()
{
    sandbox->Seed("Form1", {{"Left", "15"}, {"Top", "25"}, {"Width", "500"}, {"Height", "400"}});
    TestForm t;
    t.store->SetRestoreOnlyPosition(true);
    t.form.show();
    QCOMPARE(t.form.pos(), QPoint(15, 25));
    QCOMPARE(t.form.size(), TestForm::kDesigned);
}

void TestFormPosition::unusableNumberFallsBack_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");

    QTest::newRow("Width as words") << "Width"
                                    << "wide";
    QTest::newRow("Height empty") << "Height"
                                  << "";
    QTest::newRow("Top with a fraction") << "Top"
                                         << "12.5";
    QTest::newRow("Left beyond int") << "Left"
                                     << "99999999999";
    QTest::newRow("Width with trailing junk") << "Width"
                                              << "640px";
}

// The one broken value reads as its default; the others still apply.
void TestFormPosition::unusableNumberFallsBack()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    QVariantMap stored{{"Left", "11"}, {"Top", "22"}, {"Width", "333"}, {"Height", "144"}};
    stored[name] = text;
    sandbox->Seed("Form1", stored);

    TestForm t;
    t.form.show();
    const QSize size(name == "Width" ? TestForm::kDesigned.width() : 333,
                     name == "Height" ? TestForm::kDesigned.height() : 144);
    const QPoint centre = CentredPosition(size);
    QCOMPARE(t.probe->sizeAtShow, size);
    QCOMPARE(t.probe->positionAtShow, QPoint(name == "Left" ? centre.x() : 11, name == "Top" ? centre.y() : 22));
}

void TestFormPosition::everyShowRestores()
{
    TestForm t;
    t.form.show();
    t.form.hide();
    sandbox->Seed("Form1", {{"Left", "77"}, {"Top", "88"}});
    t.form.show();
    QCOMPARE(t.probe->positionAtShow, QPoint(77, 88));
}

// Minimising and restoring by the user are spontaneous hide and show events:
// a save there would store a minimised window mid-run and a restore would
// jump the window back to the stored place.
void TestFormPosition::userMinimiseNeitherSavesNorRestores()
{
    TestForm t;
    t.form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&t.form));
    t.form.move(10, 20);
    sandbox->Seed("Form1", {{"Left", "300"}, {"Top", "300"}});
    t.form.showMinimized();
    QTRY_VERIFY(t.form.isMinimized());
    t.form.showNormal();
    QTRY_VERIFY(!t.form.isMinimized());
    QCOMPARE(t.form.pos(), QPoint(10, 20));
    QCOMPARE(sandbox->OpenStore()->value("Form1/Left").toString(), QString("300"));
    QVERIFY(!sandbox->OpenStore()->contains("Form1/maximized"));
}

// Until a restore has run the form's place is not the user's, and saving it
// would overwrite the stored one.
void TestFormPosition::noSaveBeforeRestore()
{
    sandbox->Seed("Form1", {{"Left", "5"}});
    TestForm t;
    t.form.move(400, 400);
    t.store->SavePos();
    QCOMPARE(sandbox->OpenStore()->value("Form1/Left").toString(), QString("5"));
    QVERIFY(!sandbox->OpenStore()->contains("Form1/Top"));
}

void TestFormPosition::destroyingVisibleFormSaves()
{
    auto t = std::make_unique<TestForm>();
    t->form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&t->form));
    t->form.move(33, 44);
    t->form.resize(210, 110);
    t.reset();
    VerifyStoredBounds("Form1", QRect(33, 44, 210, 110));
}

void TestFormPosition::customIniNameGivesOwnKey()
{
    {
        TestForm t;
        t.store->SetIniFileName("my.ini");
        t.form.show();
        t.form.move(12, 34);
        t.form.close();
        QVERIFY(t.store->AppRegKey().endsWith("\\Form1_my.ini"));
        QCOMPARE(t.store->AppRegKey(), t.store->MainAppRegKey() + "\\Form1_my.ini");
    }
    QCOMPARE(sandbox->OpenStore()->childGroups(), QStringList{"Form1_my.ini"});
    VerifyStoredBounds("Form1_my.ini", QRect(12, 34, 300, 200));
}

void TestFormPosition::iniBackendRoundTrip()
{
    const QString iniPath = sandbox->Root() + "/positions.ini";
    {
        QSettings ini(iniPath, QSettings::IniFormat);
        ini.setValue("Form1/maximized", "2");
    }
    {
        TestForm t;
        t.store->SetUseRegistry(false);
        t.store->SetIniFileName(iniPath);
        t.form.show();
        QVERIFY(!t.form.isMaximized());
        t.form.move(70, 80);
        t.form.resize(260, 160);
        t.form.close();
    }
    QVERIFY(!QFile::exists(sandbox->StoreFile()));
    QSettings ini(iniPath, QSettings::IniFormat);
    ini.beginGroup("Form1");
    QCOMPARE(ini.value("Left").toInt(), 70);
    QCOMPARE(ini.value("Top").toInt(), 80);
    QCOMPARE(ini.value("Width").toInt(), 260);
    QCOMPARE(ini.value("Height").toInt(), 160);
    ini.endGroup();

    TestForm again;
    again.store->SetUseRegistry(false);
    again.store->SetIniFileName(iniPath);
    again.form.show();
    QCOMPARE(again.form.pos(), QPoint(70, 80));
    QCOMPARE(again.form.size(), QSize(260, 160));
}

void TestFormPosition::damagedStoreFallsBackAndIsRewritten_data()
{
    QTest::addColumn<QByteArray>("content");

    QTest::newRow("binary junk") << QByteArray("\x00\xff\xfe\x01\x02junk\x7f\n", 11) + "[General]\n24cxx=3\n";
    QTest::newRow("broken section header") << QByteArray("[Form1\nWidth=640px\nLeft=\n[General]\n24cxx=3\n");
    QTest::newRow("wrong forms") << QByteArray("[General]\n24cxx=3\n[Form1]\nmaximized=yes\nWidth=wide\n"
                                               "Height=\"\"\nTop=1e3\nLeft=0x20\n");
}

// Nothing usable for the form: designed size, centred. The next save writes
// clean numbers and keeps the application's intact named values.
void TestFormPosition::damagedStoreFallsBackAndIsRewritten()
{
    QFETCH(QByteArray, content);
    QVERIFY(sandbox->WriteRaw(content));
    {
        TestForm t;
        t.form.show();
        QCOMPARE(t.probe->sizeAtShow, TestForm::kDesigned);
        QCOMPARE(t.probe->positionAtShow, CentredPosition(TestForm::kDesigned));
        QVERIFY(!t.form.isMaximized());
        t.form.move(50, 60);
        t.form.close();
        QCOMPARE(t.store->ReadRegINI("24cxx", 1), 3);
    }
    VerifyStoredBounds("Form1", QRect(50, 60, 300, 200));
    QCOMPARE(sandbox->OpenStore()->value("Form1/maximized").toString(), QString("0"));
    QCOMPARE(sandbox->OpenStore()->value("24cxx").toString(), QString("3"));
}

// A folder where the settings file should be: nothing can be read or written.
void TestFormPosition::unreadableStoreNeverFails()
{
    QVERIFY(QDir().mkpath(sandbox->StoreFile()));
    TestForm t;
    t.form.show();
    QCOMPARE(t.probe->positionAtShow, CentredPosition(TestForm::kDesigned));
    t.form.close();
    QVERIFY(QFileInfo(sandbox->StoreFile()).isDir());
    QCOMPARE(t.store->ReadRegINI("page_nr", 4), 4);
    QVERIFY(!t.store->SaveRegINI("page_nr", 2));
}

BRINDLE_SETTINGS_TEST(TestFormPosition)
void TestFormPosition::hostileBoundsAreTamed_data()
{
    QTest::addColumn<QVariantMap>("stored");
    QTest::addColumn<bool>("keepsPlace");
    QTest::newRow("largest size") << QVariantMap{{"Width", "2147483647"}, {"Height", "2147483647"}} << false;
    QTest::newRow("far left") << QVariantMap{{"Left", "-30000"}, {"Top", "40"}} << false;
    QTest::newRow("far down") << QVariantMap{{"Left", "40"}, {"Top", "30000"}} << false;
    QTest::newRow("just past the right edge") << QVariantMap{{"Left", "2000"}, {"Top", "40"}} << false;
    QTest::newRow("mostly off the left, still reachable") << QVariantMap{{"Left", "-200"}, {"Top", "40"}} << true;
}

// The size is kept within the work area, a window where no screen shows it
// comes up centred, and what was used is what is saved.
void TestFormPosition::hostileBoundsAreTamed()
{
    QFETCH(QVariantMap, stored);
    QFETCH(bool, keepsPlace);
    sandbox->Seed("Form1", stored);
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    QRect used;
    {
        TestForm t;
        t.form.show();
        const QSize size = t.probe->sizeAtShow;
        QVERIFY(size.width() <= area.width() && size.height() <= area.height());
        const QPoint wanted(stored.value("Left", -1).toInt(), stored.value("Top", -1).toInt());
        QCOMPARE(t.probe->positionAtShow, keepsPlace ? wanted : CentredPosition(size));
        used = QRect(t.probe->positionAtShow, size);
        t.form.close();
    }
    VerifyStoredBounds("Form1", used);
}

#include "tst_formposition.moc"
