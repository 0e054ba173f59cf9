// The Debian package: what it holds, what it says it needs, and what
// Debian's own checks (lintian, desktop-file-validate, appstreamcli) say of it.
#include <QDirIterator>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

class TestPackage : public QObject {
    Q_OBJECT

private:
    QTemporaryDir FDir;
    QString FDeb;
    QString FTree; // the package's files, unpacked

    struct Ran {
        int code = -1;
        QByteArray out;
        QByteArray err;
    };

    static Ran Run(const QString &program, const QStringList &arguments, int timeoutMs = 30000)
    {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
        process.setProcessEnvironment(environment);
        process.start(program, arguments);
        if (!process.waitForFinished(timeoutMs))
            return {-1, {}, QByteArrayLiteral("did not finish")};
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, process.readAllStandardOutput(),
                process.readAllStandardError()};
    }

    static QByteArray Output(const QString &program, const QStringList &arguments)
    {
        const Ran ran = Run(program, arguments);
        if (ran.code != 0)
            qWarning() << program << arguments << ran.err;
        return ran.out;
    }

    static void NeedTool(const char *tool)
    {
        if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty())
            QSKIP(qPrintable(QStringLiteral("%1 is not installed (scripts/install-deps.sh installs it)").arg(tool)));
    }

    // "tag reason" a line; '#' starts a comment. A tag without its reason is
    // left out, so that the check fails on it.
    static QMap<QString, QString> AllowedTags(QStringList &unexplained)
    {
        QFile file(QStringLiteral(BRINDLE_LINTIAN_ALLOWED));
        QMap<QString, QString> allowed;
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
            return allowed;
        for (const QString &raw : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
            const QString line = raw.section(QLatin1Char('#'), 0, 0).trimmed();
            if (line.isEmpty())
                continue;
            const QString tag = line.section(QLatin1Char(' '), 0, 0);
            const QString reason = line.section(QLatin1Char(' '), 1).trimmed();
            if (reason.isEmpty())
                unexplained << tag;
            else
                allowed.insert(tag, reason);
        }
        return allowed;
    }

    QStringList PackageFiles(const QStringList &patterns) const
    {
        QStringList found;
        QDirIterator it(FTree, patterns, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            found << it.next();
        return found;
    }

private slots:
    // The package is made from this build tree, as `cpack -G DEB` makes it.
    void initTestCase()
    {
        NeedTool("dpkg-deb");
        QVERIFY(FDir.isValid());
        QProcess cpack;
        cpack.setWorkingDirectory(FDir.path());
        cpack.start(QStringLiteral("cpack"),
                    {"-G", "DEB", "--config", QStringLiteral(BRINDLE_CPACK_CONFIG), "-B", FDir.path()});
        QVERIFY(cpack.waitForFinished(240000));
        QVERIFY2(cpack.exitCode() == 0, cpack.readAllStandardError().constData());
        const QStringList debs = QDir(FDir.path()).entryList({QStringLiteral("*.deb")});
        QCOMPARE(debs.size(), 1);
        FDeb = FDir.filePath(debs.first());
        FTree = FDir.filePath(QStringLiteral("tree"));
        QCOMPARE(Run(QStringLiteral("dpkg-deb"), {"-x", FDeb, FTree}).code, 0);
        qInfo("%s: %lld bytes", qPrintable(debs.first()), QFileInfo(FDeb).size());
    }

    void holds_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("window") << "./usr/bin/brindle";
        QTest::newRow("command line") << "./usr/bin/brindle-cli";
        QTest::newRow("update plugin") << "./usr/lib/brindle/libbrindle_update_network.so";
        QTest::newRow("udev rule") << "./usr/lib/udev/rules.d/70-rzt-usbasp.rules";
        QTest::newRow("desktop entry") << "./usr/share/applications/brindle.desktop";
        QTest::newRow("command line's manual") << "./usr/share/man/man1/brindle-cli.1.gz";
        QTest::newRow("window's manual") << "./usr/share/man/man1/brindle.1.gz";
        QTest::newRow("completion") << "./usr/share/bash-completion/completions/brindle-cli";
        QTest::newRow("copyright") << "./usr/share/doc/brindle/copyright";
        QTest::newRow("changelog") << "./usr/share/doc/brindle/changelog.Debian.gz";
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

    // Every error and warning lintian finds, and every hardening flag it
    // misses, is a failure unless the allow file names it with a reason.
    // The sanitizer and debug builds go without some of the flags, so there
    // the hardening tags are only shown. --profile debian and no
    // configuration file: the same result on any machine; lintian looks at
    // nothing beyond the package.
    void lintianClean()
    {
        NeedTool("lintian");
        const Ran ran = Run(QStringLiteral("lintian"),
                            {"--no-cfg", "--profile", "debian", "--pedantic", "--display-info", "--allow-root",
                             "--tag-display-limit", "0", "--fail-on", "none", FDeb},
                            240000);
        QVERIFY2(ran.code == 0, ran.err.constData()); // the tags are judged here; not 0: lintian itself failed
        QStringList unexplained;
        const QMap<QString, QString> allowed = AllowedTags(unexplained);
        QVERIFY2(unexplained.isEmpty(), qPrintable("allowed without a reason: " + unexplained.join(", ")));
        const QRegularExpression tagLine(QStringLiteral("^([EWIPX]): \\S+: (\\S+)"));
        QStringList refused;
        for (const QString &line : QString::fromUtf8(ran.out).split(QLatin1Char('\n'))) {
            const QRegularExpressionMatch match = tagLine.match(line);
            if (!match.hasMatch())
                continue;
            const QString tag = match.captured(2);
            const bool counts = match.captured(1) == QLatin1String("E") || match.captured(1) == QLatin1String("W") ||
                                (BRINDLE_HARDENED && tag.startsWith(QLatin1String("hardening-")));
            if (counts && !allowed.contains(tag))
                refused << line;
            else if (!counts)
                qInfo("%s", qPrintable(line));
        }
        QVERIFY2(refused.isEmpty(), qPrintable(refused.join('\n')));
    }

    void desktopEntryValid()
    {
        NeedTool("desktop-file-validate");
        const QStringList entries = PackageFiles({QStringLiteral("*.desktop")});
        QVERIFY(!entries.isEmpty());
        for (const QString &entry : entries) {
            const Ran ran = Run(QStringLiteral("desktop-file-validate"), {entry});
            QVERIFY2(ran.code == 0 && !ran.out.contains("warning:") && !ran.out.contains("error:"),
                     (entry.toUtf8() + '\n' + ran.out + ran.err).constData());
        }
    }

    // Each AppStream metainfo file the package holds; every one the tree has must be in it.
    void metainfoValid()
    {
        NeedTool("appstreamcli");
        const QStringList files = PackageFiles({QStringLiteral("*.metainfo.xml"), QStringLiteral("*.appdata.xml")});
        QVERIFY2(files.size() >= BRINDLE_METAINFO_IN_TREE, qPrintable(files.join(' ')));
        if (BRINDLE_METAINFO_IN_TREE == 0 && files.isEmpty())
            QSKIP("the tree has no AppStream metainfo yet");
        for (const QString &file : files) {
            const Ran ran = Run(QStringLiteral("appstreamcli"), {"validate", "--no-net", file});
            QVERIFY2(ran.code == 0, (file.toUtf8() + '\n' + ran.out + ran.err).constData());
        }
    }
};

QTEST_GUILESS_MAIN(TestPackage)
#include "tst_package.moc"
