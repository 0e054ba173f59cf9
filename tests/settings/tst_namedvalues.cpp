#include "tst_settings.h"

#include "ZqFormSR.h"
#include "settingssandbox.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <type_traits>

// A text literal default must pick the text form, not the Boolean one a
// pointer would otherwise convert to.
static_assert(std::is_same_v<decltype(std::declval<TZqFormSR &>().ReadRegINI("x", "text")), QString>);
static_assert(std::is_same_v<decltype(std::declval<TZqFormSR &>().ReadRegINI("x", 1)), int>);
static_assert(std::is_same_v<decltype(std::declval<TZqFormSR &>().ReadRegINI("x", true)), bool>);

// The application's named values, and how the INI file is named.
class TestNamedValues : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void missingValuesGiveDefaults();
    void valuesRoundTripInTheirForms();
    void emptyKeyTouchesNothing();
    void wrongFormFallsBack_data();
    void wrongFormFallsBack();
    void wrongFormOverwrittenCleanly();
    void namedValuesIgnoreIniBackend();
    void iniFileNameRules_data();
    void iniFileNameRules();
    void typeIniNameBackToAppName();

private:
    static QString AppIniPath();

    std::unique_ptr<SettingsSandbox> sandbox;
};

void TestNamedValues::init()
{
    sandbox = std::make_unique<SettingsSandbox>();
    QVERIFY(sandbox->IsValid());
}

void TestNamedValues::cleanup() { sandbox.reset(); }

QString TestNamedValues::AppIniPath()
{
    const QFileInfo exe(QCoreApplication::applicationFilePath());
    return exe.absolutePath() + "/" + exe.fileName() + ".ini";
}

// The main window's start-up values on a first run.
void TestNamedValues::missingValuesGiveDefaults()
{
    TestForm t;
    QCOMPARE(t.store->ReadRegINI("page_nr", 0), 0);
    QCOMPARE(t.store->ReadRegINI("24cxx", 1), 1);
    QCOMPARE(t.store->ReadRegINI("eo", true), true);
    QCOMPARE(t.store->ReadRegINI("eo", false), false);
    QCOMPARE(t.store->ReadRegINI("label", "none"), QString("none"));
    QVERIFY(!QFile::exists(sandbox->StoreFile()));
}

void TestNamedValues::valuesRoundTripInTheirForms()
{
    {
        TestForm t;
        QVERIFY(t.store->SaveRegINI("page_nr", 4));
        QVERIFY(t.store->SaveRegINI("offset", -17));
        QVERIFY(t.store->SaveRegINI("eo", false));
        QVERIFY(t.store->SaveRegINI("ack", true));
        QVERIFY(t.store->SaveRegINI("label", "Zażółć gęślą jaźń"));
        QVERIFY(t.store->SaveRegINI("blank", QString()));
    }
    const auto raw = sandbox->OpenStore();
    QCOMPARE(raw->value("page_nr"), QVariant("4"));
    QCOMPARE(raw->value("eo"), QVariant("0"));
    QCOMPARE(raw->value("ack"), QVariant("1"));

    TestForm t;
    QCOMPARE(t.store->ReadRegINI("page_nr", 0), 4);
    QCOMPARE(t.store->ReadRegINI("offset", 0), -17);
    QCOMPARE(t.store->ReadRegINI("eo", true), false);
    QCOMPARE(t.store->ReadRegINI("ack", false), true);
    QCOMPARE(t.store->ReadRegINI("label", ""), QString("Zażółć gęślą jaźń"));
    QCOMPARE(t.store->ReadRegINI("blank", "default"), QString());
}

void TestNamedValues::emptyKeyTouchesNothing()
{
    TestForm t;
    QVERIFY(!t.store->SaveRegINI("", 5));
    QVERIFY(!t.store->SaveRegINI("", QStringLiteral("text")));
    QVERIFY(!t.store->SaveRegINI("", "text"));
    QVERIFY(!t.store->SaveRegINI("", true));
    QVERIFY(!QFile::exists(sandbox->StoreFile()));
    QCOMPARE(t.store->ReadRegINI("", 7), 7);
    QCOMPARE(t.store->ReadRegINI("", "fallback"), QString("fallback"));
    QCOMPARE(t.store->ReadRegINI("", true), true);
}

void TestNamedValues::wrongFormFallsBack_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("asInt");
    QTest::addColumn<bool>("asFlagDefaultTrue");
    QTest::addColumn<bool>("asFlagDefaultFalse");

    QTest::newRow("word") << "yes" << -1 << true << false;
    QTest::newRow("empty text") << "" << -1 << true << false;
    QTest::newRow("number with junk") << "3x" << -1 << true << false;
    QTest::newRow("zero") << "0" << 0 << false << false;
    QTest::newRow("one") << "1" << 1 << true << true;
    QTest::newRow("other number is true") << "2" << 2 << true << true;
}

void TestNamedValues::wrongFormFallsBack()
{
    QFETCH(QString, stored);
    QFETCH(int, asInt);
    QFETCH(bool, asFlagDefaultTrue);
    QFETCH(bool, asFlagDefaultFalse);
    sandbox->Seed("", {{"value", stored}});

    TestForm t;
    QCOMPARE(t.store->ReadRegINI("value", -1), asInt);
    QCOMPARE(t.store->ReadRegINI("value", true), asFlagDefaultTrue);
    QCOMPARE(t.store->ReadRegINI("value", false), asFlagDefaultFalse);
    QCOMPARE(t.store->ReadRegINI("value", "default"), stored);
}

void TestNamedValues::wrongFormOverwrittenCleanly()
{
    sandbox->Seed("", {{"eo", "yes"}, {"93cxx", "abc"}, {"display_idx", "2"}});
    {
        TestForm t;
        QVERIFY(t.store->SaveRegINI("eo", false));
        QVERIFY(t.store->SaveRegINI("93cxx", 3));
    }
    const auto raw = sandbox->OpenStore();
    QCOMPARE(raw->value("eo"), QVariant("0"));
    QCOMPARE(raw->value("93cxx"), QVariant("3"));
    QCOMPARE(raw->value("display_idx"), QVariant("2"));
}

// The INI back end holds positions only; named values stay per user.
void TestNamedValues::namedValuesIgnoreIniBackend()
{
    const QString iniPath = sandbox->Root() + "/positions.ini";
    TestForm t;
    t.store->SetUseRegistry(false);
    t.store->SetIniFileName(iniPath);
    QVERIFY(t.store->SaveRegINI("page_nr", 2));
    QCOMPARE(sandbox->OpenStore()->value("page_nr"), QVariant("2"));
    QVERIFY(!QFile::exists(iniPath));
}

void TestNamedValues::iniFileNameRules_data()
{
    QTest::addColumn<int>("startType");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("expectType");
    QTest::addColumn<QString>("expectName");

    const QString marker = "[ApplicationExeName.ini]";
    QTest::newRow("marker") << int(asAppIniName) << marker << int(asAppIniName) << AppIniPath();
    QTest::newRow("marker with blanks") << int(asAppIniName) << "  " + marker + " " << int(asAppIniName)
                                        << AppIniPath();
    QTest::newRow("other name") << int(asAppIniName) << "my.ini" << int(asCustom) << "my.ini";
    QTest::newRow("other name kept untrimmed") << int(asAppIniName) << " my.ini " << int(asCustom) << " my.ini ";
    QTest::newRow("marker while custom stays literal") << int(asCustom) << marker << int(asCustom) << marker;
}

void TestNamedValues::iniFileNameRules()
{
    QFETCH(int, startType);
    QFETCH(QString, name);
    QFETCH(int, expectType);
    QFETCH(QString, expectName);

    TestForm t;
    QCOMPARE(t.store->TypeIniName(), asAppIniName);
    QCOMPARE(t.store->IniFileName(), AppIniPath());
    t.store->SetTypeIniName(TApplicationIniName(startType));
    t.store->SetIniFileName(name);
    QCOMPARE(int(t.store->TypeIniName()), expectType);
    QCOMPARE(t.store->IniFileName(), expectName);
}

void TestNamedValues::typeIniNameBackToAppName()
{
    TestForm t;
    t.store->SetIniFileName("my.ini");
    t.store->SetTypeIniName(asCustom);
    QCOMPARE(t.store->IniFileName(), QString("my.ini"));
    t.store->SetTypeIniName(asAppIniName);
    QCOMPARE(t.store->TypeIniName(), asAppIniName);
    QCOMPARE(t.store->IniFileName(), AppIniPath());
}

BRINDLE_SETTINGS_TEST(TestNamedValues)
#include "tst_namedvalues.moc"
