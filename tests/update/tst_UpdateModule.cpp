// The update check's network module: the program itself does not link the
// network libraries, and a module that cannot be loaded fails the check like
// any other fault, which may then be asked again.
#include "LoopbackHttpServer.h"
#include "WebUpdate.h"

#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr int kWaitMs = 20000;
const QString kModuleFault = QStringLiteral("the network module brindle_update_network could not be loaded (");

// The libraries an ELF file names as needed.
QStringList NeededLibraries(const QString &file)
{
    QProcess readelf;
    readelf.start(QStringLiteral("readelf"), {QStringLiteral("-d"), file});
    if (!readelf.waitForFinished(30000) || readelf.exitCode() != 0)
        return {};
    QStringList needed;
    for (const QByteArray &line : readelf.readAllStandardOutput().split('\n'))
        if (line.contains("(NEEDED)"))
            needed << QString::fromLatin1(line.mid(line.indexOf('[') + 1).chopped(1));
    return needed;
}

bool Names(const QStringList &libraries, const QString &part)
{
    return std::any_of(libraries.cbegin(), libraries.cend(),
                       [&](const QString &library) { return library.startsWith(part); });
}

} // namespace

class TestUpdateModule : public QObject {
    Q_OBJECT

private slots:
    void programLeavesTheNetworkToTheModule()
    {
        const QStringList program = NeededLibraries(QStringLiteral(BRINDLE_EXE));
        const QStringList module = NeededLibraries(QStringLiteral(BRINDLE_UPDATE_MODULE));
        QVERIFY2(Names(program, "libQt6Widgets"), qPrintable(program.join(' ')));
        QVERIFY2(!Names(program, "libQt6Network"), qPrintable(program.join(' ')));
        QVERIFY2(Names(module, "libQt6Network"), qPrintable(module.join(' ')));
    }

    void missingModuleFailsTheCheck_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::newRow("no folder") << QString();
        QTest::newRow("an empty folder") << "empty";
        QTest::newRow("a file that is no module") << "broken";
    }

    void missingModuleFailsTheCheck()
    {
        QFETCH(QString, folder);
        QTemporaryDir dir;
        QFile broken(dir.filePath("libbrindle_update_network.so"));
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write("not a module\n");
        broken.close();
        QVERIFY(QDir(dir.path()).mkdir("empty"));
        TLoopbackHttpServer server;
        QVERIFY(server.Listen());
        server.Serve("/newer", 200, "version=1.0.0.3\npage=https://www.rzt.pl/brindle/\n");

        TWebUpdate update;
        update.SetModuleFolders(folder.isEmpty() ? QStringList()
                                                 : QStringList{dir.filePath(folder == "broken" ? "" : folder)});
        update.SetUpdateUrl(server.Url("/newer"));
        update.SetRunningVersion("1.0.0.2");
        QSignalSpy finished(&update, &TWebUpdate::CheckFinished);
        QVERIFY(update.CheckForUpdate());
        QCOMPARE(finished.count(), 0);
        QVERIFY(finished.wait(kWaitMs));
        QCOMPARE(update.State(), TWebUpdate::usFailed);
        QVERIFY2(update.FailReason().startsWith(kModuleFault), qPrintable(update.FailReason()));
        QVERIFY(!update.NewerAvailable());
        QCOMPARE(server.AllRequests(), 0);

        // Once the module is where it is looked for, the check is asked again.
        update.SetModuleFolders({dir.filePath("empty"), QStringLiteral(BRINDLE_UPDATE_MODULE_DIR)});
        QVERIFY(update.CheckForUpdate());
        QVERIFY(finished.wait(kWaitMs));
        QCOMPARE(update.State(), TWebUpdate::usNewer);
        QCOMPARE(update.Offer().Version, QStringLiteral("1.0.0.3"));
        QCOMPARE(server.Requests("/newer"), 1);
    }
};

QTEST_MAIN(TestUpdateModule)
#include "tst_UpdateModule.moc"
