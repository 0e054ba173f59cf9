// The Debian package: what it holds and what it says it needs.
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

class TestPackage : public QObject {
    Q_OBJECT

private:
    QTemporaryDir FDir;
    QString FDeb;

    static QByteArray Output(const QString &program, const QStringList &arguments, int timeoutMs = 30000)
    {
        QProcess process;
        process.start(program, arguments);
        if (!process.waitForFinished(timeoutMs) || process.exitCode() != 0)
            qWarning() << program << arguments << process.readAllStandardError();
        return process.readAllStandardOutput();
    }

private slots:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("dpkg-deb")).isEmpty())
            QSKIP("dpkg-deb is not installed");
        QVERIFY(FDir.isValid());
        QProcess cpack;
        cpack.setWorkingDirectory(FDir.path());
        cpack.start(QStringLiteral("cpack"),
                    {"-G", "DEB", "--config", QStringLiteral(BRINDLE_CPACK_CONFIG), "-B", FDir.path()});
        QVERIFY(cpack.waitForFinished(120000));
        QVERIFY2(cpack.exitCode() == 0, cpack.readAllStandardError().constData());
        const QStringList debs = QDir(FDir.path()).entryList({QStringLiteral("*.deb")});
        QCOMPARE(debs.size(), 1);
        FDeb = FDir.filePath(debs.first());
    }

    void holds_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("window") << "./usr/bin/brindle";
        QTest::newRow("command line") << "./usr/bin/brindle-cli";
        QTest::newRow("udev rule") << "./usr/lib/udev/rules.d/70-rzt-usbasp.rules";
        QTest::newRow("desktop entry") << "./usr/share/applications/brindle.desktop";
        QTest::newRow("man page") << "./usr/share/man/man1/brindle-cli.1";
        QTest::newRow("completion") << "./usr/share/bash-completion/completions/brindle-cli";
    }

    void holds()
    {
        QFETCH(QString, path);
        const QByteArray listing = Output(QStringLiteral("dpkg-deb"), {"-c", FDeb});
        bool found = false;
        for (const QByteArray &line : listing.split('\n'))
            found = found || line.endsWith(' ' + path.toUtf8());
        QVERIFY2(found, listing.constData());
    }

    void declaresDependencies_data()
    {
        QTest::addColumn<QString>("package");
        QTest::newRow("Qt core") << "libqt6core6";
        QTest::newRow("Qt widgets") << "libqt6widgets6";
        QTest::newRow("libusb 0.1") << "libusb-0.1-4";
        QTest::newRow("udev") << "udev";
    }

    void declaresDependencies()
    {
        QFETCH(QString, package);
        const QByteArray depends = Output(QStringLiteral("dpkg-deb"), {"-f", FDeb, "Depends"});
        QVERIFY2(depends.contains(package.toUtf8()), depends.constData());
    }
};

QTEST_GUILESS_MAIN(TestPackage)
#include "tst_package.moc"
