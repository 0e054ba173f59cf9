// What the program makes of its command line: the options it takes, and
// everything else refused with a message and exit code 2, by the parser and
// by the program itself.
#include "CommandLine.h"

#include <QProcess>
#include <QtTest>

using Action = CommandLine::Action;
Q_DECLARE_METATYPE(CommandLine::Action)

class TestCommandLine : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QCoreApplication::setApplicationName(QStringLiteral("Brindle"));
        QCoreApplication::setApplicationVersion(QStringLiteral("1.0.0.2"));
    }

    void parse_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("byEnvironment");
        QTest::addColumn<Action>("action");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("simulator");
        QTest::addColumn<QStringList>("simulatorOptions");
        const QStringList none;
        QTest::newRow("nothing") << none << false << Action::Run << "" << false << none;
        QTest::newRow("simulator") << QStringList{"--simulator"} << false << Action::Run << "" << true << none;
        QTest::newRow("simulator by environment") << none << true << Action::Run << "" << true << none;
        QTest::newRow("simulator options, both forms")
            << QStringList{"--simulator", "--sim-24cxx", "24C16", "--sim-log=-"} << false << Action::Run << "" << true
            << QStringList{"--sim-24cxx=24C16", "--sim-log=-"};
        QTest::newRow("simulator options under the environment")
            << QStringList{"--sim-org", "8"} << true << Action::Run << "" << true << QStringList{"--sim-org=8"};
        QTest::newRow("update address") << QStringList{"--update-url", "https://example.org/u.txt"} << false
                                        << Action::Run << "" << false << none;
        QTest::newRow("unknown option") << QStringList{"--bogus"} << false << Action::Fail
                                        << "brindle: Unknown option 'bogus'." << false << none;
        QTest::newRow("stray word") << QStringList{"--simulator", "eeprom"} << false << Action::Fail
                                    << "brindle: unexpected argument 'eeprom'" << false << none;
        QTest::newRow("simulator option without --simulator")
            << QStringList{"--sim-24cxx", "24c16"} << false << Action::Fail << "brindle: --sim-24cxx needs --simulator"
            << false << none;
        QTest::newRow("bad simulator value")
            << QStringList{"--simulator", "--sim-ssd1306", "yes"} << false << Action::Fail
            << "brindle: --sim-ssd1306: \"yes\" is not one of on, off" << false << none;
        QTest::newRow("value missing") << QStringList{"--simulator", "--sim-org"} << false << Action::Fail
                                       << "brindle: Missing value after '--sim-org'." << false << none;
        QTest::newRow("empty update address")
            << QStringList{"--update-url="} << false << Action::Fail << "brindle: --update-url needs an address"
            << false << none;
        QTest::newRow("blank update address")
            << QStringList{"--update-url", " "} << false << Action::Fail << "brindle: --update-url needs an address"
            << false << none;
        QTest::newRow("version") << QStringList{"--version"} << false << Action::ShowText << "Brindle 1.0.0.2"
                                 << false << none;
        QTest::newRow("help") << QStringList{"-h"} << false << Action::ShowText << "--sim-latency-us <0..1000000>"
                              << false << none;
    }
    void parse()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, byEnvironment);
        QFETCH(QString, text);
        const CommandLine command = CommandLine::parse(QStringList{"brindle"} + arguments, byEnvironment);
        QTEST(command.action, "action");
        QVERIFY2(command.text.contains(text), qPrintable(command.text));
        if (command.action == Action::Fail)
            QVERIFY(command.text.contains(QStringLiteral("brindle --help")));
        if (command.action == Action::Run) {
            QTEST(command.simulator, "simulator");
            QTEST(command.simulatorOptions, "simulatorOptions");
        }
    }

    // The program itself: refused lines end it before any window, with the
    // message on standard error and exit code 2; --version on standard output.
    void programExitCodes_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("output");
        QTest::newRow("unknown option") << QStringList{"--bogus"} << 2 << "stderr:brindle: Unknown option 'bogus'.";
        QTest::newRow("simulator option alone")
            << QStringList{"--sim-log", "-"} << 2 << "stderr:brindle: --sim-log needs --simulator";
        QTest::newRow("version") << QStringList{"--version"} << 0 << "stdout:Brindle 1.0.0.2";
    }
    void programExitCodes()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, output);
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("BRINDLE_SIMULATOR"));
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(BRINDLE_EXE), arguments);
        QVERIFY(program.waitForFinished(30000));
        QTEST(program.exitCode(), "exitCode");
        const bool onError = output.startsWith(QStringLiteral("stderr:"));
        const QString seen =
            QString::fromLocal8Bit(onError ? program.readAllStandardError() : program.readAllStandardOutput());
        QVERIFY2(seen.contains(output.section(':', 1)), qPrintable(seen));
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
