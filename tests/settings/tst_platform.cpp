#include "tst_settings.h"

#include "ZqAdminCheck.h"
#include "ZqExeNames.h"
#include "ZqFormSR.h"
#include "ZqStartupEntry.h"
#include "settingssandbox.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <unistd.h>

// Names taken from the executable, the start-up entry and the administrator
// test.
class TestPlatform : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void exeNames_data();
    void exeNames();
    void iniBesideExe_data();
    void iniBesideExe();
    void mainKeyFollowsExecutable();
    void execValueQuoting_data();
    void execValueQuoting();
    void enabledEntry_data();
    void enabledEntry();
    void startWithWindowsWritesAndRemoves();
    void switchOffRemovesEntryNotYetRead();
    void disabledEntryIsReplaced();
    void autostartWithoutConfigHomeUsesHome();
    void unwritableAutostartIsNotReportedAsOn();
    void administrator_data();
    void administrator();
    void rootIsAdministrator();

private:
    QString AutostartFile() const;
    static QByteArray ReadFile(const QString &path);

    std::unique_ptr<SettingsSandbox> sandbox;
};

void TestPlatform::init()
{
    sandbox = std::make_unique<SettingsSandbox>();
    QVERIFY(sandbox->IsValid());
}

void TestPlatform::cleanup() { sandbox.reset(); }

QString TestPlatform::AutostartFile() const
{
    const QString exeName = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    return sandbox->ConfigDir() + "/autostart/" + exeName + ".desktop";
}

QByteArray TestPlatform::ReadFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void TestPlatform::exeNames_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("exeBase");
    QTest::addColumn<QString>("startupName");

    QTest::newRow("plain Linux name") << "brindle"
                                      << "brindle"
                                      << "brindle";
    QTest::newRow("windows name") << "Brindle.exe"
                                  << "Brindle"
                                  << "Brindle";
    QTest::newRow("upper case extension") << "X.EXE"
                                          << "X"
                                          << "X.EXE";
    QTest::newRow("mixed case extension") << "tool.Exe"
                                          << "tool"
                                          << "tool.Exe";
    QTest::newRow(".exe inside the name") << "tool.exec"
                                          << "tool.exec"
                                          << "tool.exec";
    QTest::newRow("only the last .exe goes") << "a.exe.exe"
                                             << "a.exe"
                                             << "a.exe";
    QTest::newRow("short name") << "ab"
                                << "ab"
                                << "ab";
}

void TestPlatform::exeNames()
{
    QFETCH(QString, fileName);
    QFETCH(QString, exeBase);
    QFETCH(QString, startupName);
    QCOMPARE(ZqExeNames::ExeBase(fileName), exeBase);
    QCOMPARE(ZqExeNames::StartupEntryName(fileName), startupName);
}

void TestPlatform::iniBesideExe_data()
{
    QTest::addColumn<QString>("exePath");
    QTest::addColumn<QString>("iniPath");

    QTest::newRow("no extension") << "/usr/bin/brindle"
                                  << "/usr/bin/brindle.ini";
    QTest::newRow("exe extension") << "/opt/app/X.EXE"
                                   << "/opt/app/X.ini";
    QTest::newRow("dot in folder") << "/opt/my.app/brindle"
                                   << "/opt/my.app/brindle.ini";
    QTest::newRow("last extension only") << "/opt/a.b.exe"
                                         << "/opt/a.b.ini";
}

void TestPlatform::iniBesideExe()
{
    QFETCH(QString, exePath);
    QFETCH(QString, iniPath);
    QCOMPARE(ZqExeNames::IniBesideExe(exePath), iniPath);
}

// The named values and positions live in the file named after this test
// executable, at the top level and in the form's group.
void TestPlatform::mainKeyFollowsExecutable()
{
    const QString exeName = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    TestForm t;
    QCOMPARE(t.store->MainAppRegKey(), "\\Software\\" + exeName);
    QCOMPARE(t.store->AppRegKey(), "\\Software\\" + exeName + "\\Form1");
    QVERIFY(t.store->SaveRegINI("page_nr", 1));
    t.form.show();
    t.form.close();
    const auto store = sandbox->OpenStore();
    QCOMPARE(store->childKeys(), QStringList{"page_nr"});
    QCOMPARE(store->childGroups(), QStringList{"Form1"});
}

void TestPlatform::execValueQuoting_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("exec");

    QTest::newRow("plain") << "/usr/bin/brindle"
                           << "/usr/bin/brindle";
    QTest::newRow("blank") << "/opt/my app/brindle"
                           << "\"/opt/my app/brindle\"";
    QTest::newRow("percent") << "/opt/100%/brindle"
                             << "/opt/100%%/brindle";
    QTest::newRow("double quote") << "/opt/a\"b/brindle"
                                  << "\"/opt/a\\\\\"b/brindle\"";
    QTest::newRow("dollar") << "/opt/$HOME/brindle"
                            << "\"/opt/\\\\$HOME/brindle\"";
    QTest::newRow("backslash") << "/opt/a\\b/brindle"
                               << "\"/opt/a\\\\\\\\b/brindle\"";
}

void TestPlatform::execValueQuoting()
{
    QFETCH(QString, path);
    QFETCH(QString, exec);
    QCOMPARE(ZqStartupEntry::ExecValue(path), exec);
}

void TestPlatform::enabledEntry_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("enabled");

    QTest::newRow("ours") << ZqStartupEntry::DesktopEntry("/usr/bin/brindle") << true;
    QTest::newRow("hidden") << QByteArray("[Desktop Entry]\nExec=brindle\nHidden=true\n") << false;
    QTest::newRow("hidden with blanks") << QByteArray("[Desktop Entry]\nHidden = true\n") << false;
    QTest::newRow("not hidden") << QByteArray("[Desktop Entry]\nHidden=false\n") << true;
    QTest::newRow("switched off") << QByteArray("[Desktop Entry]\nX-GNOME-Autostart-enabled=false\n") << false;
    QTest::newRow("switched on") << QByteArray("[Desktop Entry]\nX-GNOME-Autostart-enabled=true\n") << true;
}

void TestPlatform::enabledEntry()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, enabled);
    QCOMPARE(ZqStartupEntry::IsEnabledEntry(content), enabled);
}

void TestPlatform::startWithWindowsWritesAndRemoves()
{
    TestForm t;
    QVERIFY(!t.store->StartWithWindows());
    t.store->SetStartWithWindows(true);
    QVERIFY(t.store->StartWithWindows());
    const QByteArray entry = ReadFile(AutostartFile());
    QVERIFY(entry.startsWith("[Desktop Entry]\n"));
    QVERIFY(entry.contains("\nType=Application\n"));
    QVERIFY(entry.contains("\nExec=" + QCoreApplication::applicationFilePath().toUtf8() + "\n"));

    TestForm other;
    QVERIFY(other.store->StartWithWindows());
    t.store->SetStartWithWindows(false);
    QVERIFY(!QFile::exists(AutostartFile()));
    QVERIFY(!t.store->StartWithWindows());
}

// An instance that never asked must still remove the entry when told to.
void TestPlatform::switchOffRemovesEntryNotYetRead()
{
    QVERIFY(ZqStartupEntry::Write(QCoreApplication::applicationFilePath()));
    QVERIFY(QFile::exists(AutostartFile()));
    TestForm t;
    t.store->SetStartWithWindows(false);
    QVERIFY(!QFile::exists(AutostartFile()));
}

void TestPlatform::disabledEntryIsReplaced()
{
    QVERIFY(QDir().mkpath(sandbox->ConfigDir() + "/autostart"));
    QFile disabled(AutostartFile());
    QVERIFY(disabled.open(QIODevice::WriteOnly));
    disabled.write("[Desktop Entry]\nType=Application\nExec=old\nHidden=true\n");
    disabled.close();

    TestForm t;
    QVERIFY(!t.store->StartWithWindows());
    t.store->SetStartWithWindows(true);
    QVERIFY(t.store->StartWithWindows());
    QVERIFY(!ReadFile(AutostartFile()).contains("Hidden"));
}

void TestPlatform::autostartWithoutConfigHomeUsesHome()
{
    qunsetenv("XDG_CONFIG_HOME");
    TestForm t;
    t.store->SetStartWithWindows(true);
    const QString exeName = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    QVERIFY(QFile::exists(sandbox->Root() + "/home/.config/autostart/" + exeName + ".desktop"));
    QVERIFY(t.store->StartWithWindows());
}

// A file where the autostart folder should be: the entry cannot be written.
void TestPlatform::unwritableAutostartIsNotReportedAsOn()
{
    QVERIFY(QDir().mkpath(sandbox->ConfigDir()));
    QFile blocker(sandbox->ConfigDir() + "/autostart");
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    TestForm t;
    QTest::ignoreMessage(QtWarningMsg, "TZqFormSR: the start-up entry could not be written");
    t.store->SetStartWithWindows(true);
    QVERIFY(!t.store->StartWithWindows());
}

void TestPlatform::administrator_data()
{
    QTest::addColumn<uint>("uid");
    QTest::addColumn<QStringList>("groups");
    QTest::addColumn<bool>("admin");

    QTest::newRow("root") << 0u << QStringList{} << true;
    QTest::newRow("sudo member") << 1000u << QStringList{"users", "sudo"} << true;
    QTest::newRow("wheel member") << 1000u << QStringList{"wheel"} << true;
    QTest::newRow("admin member") << 1000u << QStringList{"admin", "plugdev"} << true;
    QTest::newRow("plain user") << 1000u << QStringList{"users", "plugdev", "dialout"} << false;
    QTest::newRow("similar names") << 1000u << QStringList{"sudoers", "Wheel", "admins"} << false;
}

void TestPlatform::administrator()
{
    QFETCH(uint, uid);
    QFETCH(QStringList, groups);
    QFETCH(bool, admin);
    QCOMPARE(ZqAdminCheck::IsAdministrator(uid, groups), admin);
}

void TestPlatform::rootIsAdministrator()
{
    if (geteuid() != 0)
        QSKIP("needs to run as root");
    TestForm t;
    QVERIFY(t.store->IsWindowsAdmin());
}

BRINDLE_SETTINGS_TEST(TestPlatform)
#include "tst_platform.moc"
