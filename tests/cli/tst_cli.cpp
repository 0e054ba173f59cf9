// brindle-cli run as a process on the virtual adapter: what the chips hold
// between runs (--sim-state), what went over the wire (--sim-log), and the
// exit status and message of every kind of failure.
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>
#include <zlib.h>

namespace {

struct Run {
    int code = -1;
    QByteArray out;
    QByteArray err;
};

QByteArray Pattern(int size)
{
    QByteArray bytes(size, 0);
    for (int i = 0; i < size; ++i)
        bytes[i] = char((i * 7 + 3) ^ (i >> 8));
    return bytes;
}

} // namespace

class TestCli : public QObject {
    Q_OBJECT

private:
    QTemporaryDir FDir;

    QString Path(const QString &name) const { return FDir.filePath(name); }

    // simulator false: the environment is cleared of BRINDLE_SIMULATOR too.
    // input is all the program finds on its standard input.
    Run Cli(const QStringList &arguments, bool simulator = true, const QByteArray &input = {})
    {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("BRINDLE_SIMULATOR"));
        // Backups made without --backup-dir land here, not in the user's folder.
        environment.insert(QStringLiteral("XDG_DATA_HOME"), Path(QStringLiteral("data")));
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(BRINDLE_CLI),
                      (simulator ? QStringList{QStringLiteral("--simulator")} : QStringList()) + arguments);
        process.write(input);
        process.closeWriteChannel();
        [&] { QVERIFY(process.waitForFinished(120000)); }();
        return {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
    }

    // The chips of a run: the EEPROM fitted for chip, and the state file.
    QStringList Sim(const QString &chip, const QString &state, const QString &org = QStringLiteral("16")) const
    {
        const bool i2c = chip.startsWith(QLatin1String("24"));
        return {i2c ? QStringLiteral("--sim-24cxx") : QStringLiteral("--sim-93cxx"),
                chip,
                QStringLiteral("--sim-org"),
                org,
                QStringLiteral("--sim-state"),
                Path(state)};
    }

    static int ChipBytes(const QString &chip)
    {
        static const QMap<QString, int> sizes = {{"24c02", 256},  {"24c04", 512},  {"24c08", 1024},
                                                 {"24c16", 2048}, {"93c46", 128},  {"93c56", 256},
                                                 {"93c66", 512},  {"93c76", 1024}, {"93c86", 2048}};
        return sizes.value(chip);
    }

    QByteArray ReadRaw(const QStringList &sim, const QString &chip, const QStringList &extra = {})
    {
        const QString file = Path(QStringLiteral("back-%1.bin").arg(chip));
        const Run run = Cli(sim + QStringList{"eeprom", "read", "-c", chip, "-o", file, "-f", "raw"} + extra);
        if (run.code != 0)
            qWarning() << run.err;
        QFile in(file);
        return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
    }

    QString WriteFile(const QString &name, const QByteArray &bytes) const
    {
        QFile file(Path(name));
        [&] { QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size()); }();
        return file.fileName();
    }

    static QByteArray FileBytes(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // The program on a terminal of its own (script, from util-linux), typed
    // into; what it drew there, standard output and error together.
    static Run OnTerminal(const QStringList &arguments, const QByteArray &typed = {})
    {
        QStringList quoted;
        for (const QString &argument : QStringList{QStringLiteral(BRINDLE_CLI), "--simulator"} + arguments)
            quoted << QLatin1Char('\'') + argument + QLatin1Char('\'');
        QProcess terminal;
        terminal.start(QStringLiteral("script"), {"-qec", quoted.join(' '), "/dev/null"});
        [&] { QVERIFY(terminal.waitForStarted()); }();
        terminal.write(typed);
        [&] { QVERIFY(terminal.waitForFinished(60000)); }();
        return {terminal.exitCode(), terminal.readAllStandardOutput(), QByteArray()};
    }

    static bool HaveScript() { return !QStandardPaths::findExecutable(QStringLiteral("script")).isEmpty(); }

    // I2C writes the adapter was sent: data for a chip's registers or memory.
    static int I2cWrites(const QString &log) { return int(FileBytes(log).count(" OUT 103 ")); }

    // The data of every logged transfer with this request and value, in order.
    static QList<QByteArray> LoggedData(const QString &log, const QString &request, const QString &value)
    {
        QFile file(log);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        QList<QByteArray> found;
        const QRegularExpression line(QStringLiteral("OUT %1 v=%2 .* out=([0-9A-F ]+)").arg(request, value));
        for (const QByteArray &text : file.readAll().split('\n')) {
            const QRegularExpressionMatch match = line.match(QString::fromLatin1(text));
            if (match.hasMatch())
                found << QByteArray::fromHex(match.captured(1).remove(QLatin1Char(' ')).toLatin1());
        }
        return found;
    }

private slots:
    void initTestCase() { QVERIFY(FDir.isValid()); }

    void roundTrip_data()
    {
        QTest::addColumn<QString>("chip");
        QTest::addColumn<QString>("org");
        QTest::addColumn<QString>("file");
        // Each chip with one format, each format on both families.
        const char *const files[] = {"image.bin", "image.hex", "image.srec"};
        int row = 0;
        for (const char *chip : {"24c02", "24c04", "24c08", "24c16", "93c46", "93c56", "93c66", "93c76", "93c86"}) {
            const char *file = files[row++ % 3];
            QTest::addRow("%s %s", chip, file) << chip << "16" << file;
        }
        QTest::addRow("93c66 8-bit") << "93c66"
                                     << "8"
                                     << "image.hex";
    }

    // write, then in later runs read, verify, erase and blank-check.
    void roundTrip()
    {
        QFETCH(QString, chip);
        QFETCH(QString, org);
        QFETCH(QString, file);
        const QString state = QStringLiteral("rt-%1-%2-%3.state").arg(chip, org, file);
        const QStringList sim = Sim(chip, state, org);
        const QStringList chipOptions =
            chip.startsWith(QLatin1String("93")) ? QStringList{"-c", chip, "--org", org} : QStringList{"-c", chip};
        const QByteArray bytes = Pattern(ChipBytes(chip));
        // The file is written by the program itself from a raw one, so each format is both read and written.
        const QString rawFile = WriteFile(QStringLiteral("pattern-%1.bin").arg(chip), bytes);
        Run run = Cli(sim + QStringList{"eeprom", "write", "--yes", "-i", rawFile} + chipOptions);
        QCOMPARE(run.code, 0);
        run = Cli(sim + QStringList{"eeprom", "read", "-o", Path(file)} + chipOptions);
        QCOMPARE(run.code, 0);
        QCOMPARE(Cli(sim + QStringList{"eeprom", "blank"} + chipOptions).code, 1);
        QCOMPARE(Cli(sim + QStringList{"eeprom", "erase", "--yes"} + chipOptions).code, 0);
        QCOMPARE(Cli(sim + QStringList{"eeprom", "blank"} + chipOptions).code, 0);
        QCOMPARE(ReadRaw(sim, chip, chipOptions.mid(2)), QByteArray(bytes.size(), char(0xFF)));
        run = Cli(sim + QStringList{"eeprom", "write", "--yes", "-i", Path(file)} + chipOptions);
        QCOMPARE(run.code, 0);
        QCOMPARE(Cli(sim + QStringList{"eeprom", "verify", "-i", Path(file)} + chipOptions).code, 0);
        QCOMPARE(ReadRaw(sim, chip, chipOptions.mid(2)), bytes);
    }

    // What srec_cat makes of the program's HEX and S-record files.
    void filesReadBySrecCat_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("srecFormat");
        QTest::newRow("ihex") << "x.hex"
                              << "-intel";
        QTest::newRow("srec") << "x.srec"
                              << "-motorola";
    }

    void filesReadBySrecCat()
    {
        QFETCH(QString, file);
        QFETCH(QString, srecFormat);
        if (QStandardPaths::findExecutable(QStringLiteral("srec_cat")).isEmpty())
            QSKIP("srec_cat is not installed");
        const QStringList sim = Sim(QStringLiteral("24c02"), QStringLiteral("srec.state"));
        const QString rawFile = WriteFile(QStringLiteral("srec-pattern.bin"), Pattern(256));
        QCOMPARE(Cli(sim + QStringList{"eeprom", "write", "--yes", "-c", "24c02", "-i", rawFile}).code, 0);
        QCOMPARE(
            Cli(sim + QStringList{"eeprom", "read", "-c", "24c02", "--start", "16", "--count", "32", "-o", Path(file)})
                .code,
            0);
        QProcess srec;
        srec.start(QStringLiteral("srec_cat"), {Path(file), srecFormat, "-offset", "-16", "-o", "-", "-binary"});
        QVERIFY(srec.waitForFinished());
        QCOMPARE(srec.readAllStandardOutput(), Pattern(256).mid(16, 32));
    }

    void plainDump_data()
    {
        QTest::addColumn<QStringList>("range");
        QTest::addColumn<QString>("dump");
        QTest::newRow("one line and a part")
            << QStringList{"--count", "20"}
            << QString::fromUtf8(
                   "000  48 65 6C 6C 6F 20 8A 9A  E8 B9 2E 00 FF FF FF FF Hello \u0160\u0161\u010D\u0105......\n"
                   "010  FF FF FF FF                                      ....\n");
        QTest::newRow("from 0x7F8 to the end")
            << QStringList{"--start", "2040"} << "7F8  FF FF FF FF FF FF FF FF                          ........\n";
    }

    // The hex view's columns, characters in Windows-1250.
    void plainDump()
    {
        QFETCH(QStringList, range);
        QFETCH(QString, dump);
        const QStringList sim = Sim(QStringLiteral("24c16"), QStringLiteral("dump.state"));
        const QString rawFile = WriteFile(QStringLiteral("dump.bin"), QByteArray("Hello \x8A\x9A\xE8\xB9\x2E\x00", 12));
        QCOMPARE(Cli(sim + QStringList{"eeprom", "write", "--yes", "-c", "24c16", "-i", rawFile}).code, 0);
        const Run run = Cli(sim + QStringList{"eeprom", "read", "-c", "24c16"} + range);
        QCOMPARE(run.code, 0);
        QCOMPARE(QString::fromUtf8(run.out), dump);
    }

    void exitStatus_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("simulator");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        const QStringList read = {"eeprom", "read", "-c", "24c16"};
        QTest::newRow("unknown chip") << QStringList{"eeprom", "read", "-c", "24c32"} << true << 2 << "24c32";
        QTest::newRow("no chip") << QStringList{"eeprom", "blank"} << true << 2 << "-c CHIP";
        QTest::newRow("count -1") << read + QStringList{"--count", "-1"} << true << 2 << "--count";
        QTest::newRow("count past the end") << read + QStringList{"--start", "2000", "--count", "49"} << true << 2
                                            << "--count must be a number from 1 to 48";
        QTest::newRow("start past the end") << read + QStringList{"--start", "2048"} << true << 2 << "--start";
        QTest::newRow("start not a number") << read + QStringList{"--start", "ten"} << true << 2 << "--start";
        QTest::newRow("missing file") << QStringList{"eeprom", "write", "-c", "24c16", "-i", "no-such.bin"} << true << 2
                                      << "no-such.bin";
        QTest::newRow("unknown format") << read + QStringList{"-o", "x.bin", "-f", "elf"} << true << 2 << "-f";
        QTest::newRow("org on a 24cxx") << read + QStringList{"--org", "8"} << true << 2 << "--org";
        QTest::newRow("option of another command") << read + QStringList{"--size", "2"} << true << 2 << "--size";
        QTest::newRow("unknown option") << read + QStringList{"--bogus"} << true << 2 << "bogus";
        QTest::newRow("unknown command") << QStringList{"eeprom", "burn"} << true << 2 << "eeprom burn";
        QTest::newRow("bad clock") << QStringList{"rtc", "get", "--chip", "ds1302"} << true << 2 << "--chip";
        QTest::newRow("bad time") << QStringList{"rtc", "set", "2026-02-30 10:00:00"} << true << 2 << "rtc set";
        QTest::newRow("year the clock cannot hold")
            << QStringList{"--sim-ds13xx", "ds1307", "rtc", "set", "--chip", "ds1307", "2100-01-01 00:00:00"} << true
            << 2 << "rtc set: year 2100 is outside 2000..2099";
        QTest::newRow("bad display") << QStringList{"display", "init", "-t", "hd44780"} << true << 2 << "-t";
        QTest::newRow("demo bad display") << QStringList{"display", "demo", "-t", "hd44780"} << true << 2 << "-t";
        QTest::newRow("clock bad display") << QStringList{"display", "clock", "-t", "lcd"} << true << 2 << "-t";
        QTest::newRow("clock bad seconds")
            << QStringList{"display", "clock", "-t", "ssd1306", "--seconds", "-1"} << true << 2 << "--seconds";
        QTest::newRow("demo no adapter") << QStringList{"display", "demo", "-t", "st7565"} << false << 3
                                         << "no RZT-USBasp";
        QTest::newRow("clock no adapter")
            << QStringList{"display", "clock", "-t", "ssd1306", "--seconds", "1"} << false << 3 << "no RZT-USBasp";
        QTest::newRow("sim option without simulator")
            << QStringList{"--sim-24cxx", "24c02", "info"} << false << 2 << "--simulator";
        QTest::newRow("no adapter") << QStringList{"info"} << false << 3 << "no RZT-USBasp";
        QTest::newRow("access denied") << QStringList{"--sim-access", "denied", "info"} << true << 3 << "udev";
        QTest::newRow("chip absent") << QStringList{"--sim-24cxx", "none", "--sim-pcf8583", "off", "eeprom",
                                                    "read",        "-c",   "24c02"}
                                     << true << 1 << "read failed";
        QTest::newRow("info") << QStringList{"info"} << true << 0 << "";
        QTest::newRow("empty backup folder")
            << QStringList{"eeprom", "erase", "-c", "24c02", "--backup-dir="} << true << 2 << "--backup-dir";
        QTest::newRow("yes on a read") << read + QStringList{"--yes"} << true << 2 << "--yes";
        QTest::newRow("-y on a read") << read + QStringList{"-y"} << true << 2 << "-y does not apply";
        QTest::newRow("quiet and verbose") << QStringList{"-qv", "info"} << true << 2 << "-q and -v";
        QTest::newRow("json and the bytes on standard output")
            << read + QStringList{"--json", "-o", "-"} << true << 2 << "--json prints its object";
        QTest::newRow("json and a format on standard output")
            << read + QStringList{"--json", "-f", "ihex"} << true << 2 << "--json prints its object";
        QTest::newRow("empty output name") << read + QStringList{"-o", ""} << true << 2 << "-o needs a file name";
        QTest::newRow("-c without its value") << QStringList{"eeprom", "read", "-c"} << true << 2 << "-c needs a value";
        QTest::newRow("a flag given a value") << read + QStringList{"--yes=no"} << true << 2 << "--yes takes no value";
        QTest::newRow("help") << QStringList{"eeprom", "write", "--help"} << false << 0 << "";
    }

    void exitStatus()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, simulator);
        QFETCH(int, code);
        QFETCH(QString, message);
        const Run run = Cli(arguments, simulator);
        QCOMPARE(run.code, code);
        QVERIFY2(QString::fromUtf8(run.err).contains(message), run.err.constData());
        if (code != 0)
            QVERIFY(run.out.isEmpty());
    }

    // write and erase: the chip read and backed up first, a question or
    // --yes, nothing written when nothing would change, and a clock that
    // shares the 24C16's device bytes left alone unless --ignore-clock.
    void protectedChange_data()
    {
        QTest::addColumn<QString>("chip");
        QTest::addColumn<QStringList>("sim");
        QTest::addColumn<bool>("preload");
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QStringList>("extra");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("after");
        QTest::addColumn<int>("backups");
        QTest::addColumn<bool>("writes");
        const QStringList yes = {"--yes"};
        const QStringList clock = {"--sim-pcf8583", "on"};
        QTest::newRow("write without --yes") << "24c02" << QStringList() << true << "write"
                                             << "option" << QStringList() << 1 << "add --yes"
                                             << "before" << 1 << false;
        QTest::newRow("write with --yes") << "24c02" << QStringList() << true << "write"
                                          << "option" << yes << 0 << "32 pages written, 0 skipped"
                                          << "file" << 1 << true;
        QTest::newRow("write into the default folder") << "24c04" << QStringList() << true << "write"
                                                       << "default" << yes << 0 << "pages written"
                                                       << "file" << 1 << true;
        QTest::newRow("write of what it holds") << "24c02" << QStringList() << true << "write same"
                                                << "option" << yes << 0 << "nothing to change"
                                                << "before" << 0 << false;
        QTest::newRow("backup cannot be made") << "24c02" << QStringList() << true << "write"
                                               << "blocked" << yes << 1 << "cannot be made"
                                               << "before" << 0 << false;
        QTest::newRow("erase 93c46") << "93c46" << QStringList() << true << "erase"
                                     << "option" << yes << 0 << "64 words written"
                                     << "blank" << 1 << true;
        QTest::newRow("erase 24c16 beside the clock") << "24c16" << clock << false << "erase"
                                                      << "option" << yes << 1 << "A2, which the 24C16 also uses"
                                                      << "" << 0 << false;
        // The clock's registers read through the chip's bytes, so the read-back would differ: not verified.
        QTest::newRow("erase 24c16 beside the clock, ignored")
            << "24c16" << clock << false << "erase"
            << "option" << QStringList{"--yes", "--ignore-clock", "--no-verify"} << 0 << "going on all the same"
            << "" << 1 << true;
    }
    void protectedChange()
    {
        QFETCH(QString, chip);
        QFETCH(QStringList, sim);
        QFETCH(bool, preload);
        QFETCH(QString, action);
        QFETCH(QString, folder);
        QFETCH(QStringList, extra);
        QFETCH(int, code);
        QFETCH(QString, message);
        QFETCH(QString, after);
        QFETCH(int, backups);
        QFETCH(bool, writes);
        const QString tag = QString::fromLatin1(QTest::currentDataTag()).replace(QLatin1Char(' '), QLatin1Char('-'));
        const QStringList bench = Sim(chip, tag + QStringLiteral(".state")) + sim;
        const QByteArray held = Pattern(ChipBytes(chip));
        if (preload)
            QCOMPARE(Cli(bench + QStringList{"eeprom", "write", "-c", chip, "--yes", "--backup-dir", Path("scratch"),
                                             "-i", WriteFile(tag + "-held.bin", held)})
                         .code,
                     0);
        const QByteArray before = ReadRaw(bench, chip);
        QByteArray file = held;
        if (action == QLatin1String("write"))
            for (char &b : file)
                b = char(~b);
        QString backupFolder = Path(tag + QStringLiteral("-backups"));
        if (folder == QLatin1String("default"))
            backupFolder = Path(QStringLiteral("data/Brindle/backups"));
        else if (folder == QLatin1String("blocked"))
            backupFolder = WriteFile(tag + QStringLiteral("-file"), "x") + QStringLiteral("/backups");
        const QStringList command = action == QLatin1String("erase")
                                        ? QStringList{"eeprom", "erase"}
                                        : QStringList{"eeprom", "write", "-i", WriteFile(tag + ".bin", file)};
        const QString log = Path(tag + QStringLiteral(".log"));
        // The default folder holds the other tests' backups too.
        const QStringList earlierBackups = QDir(backupFolder).entryList(QDir::Files);
        const Run run =
            Cli(bench + QStringList{"--sim-log", log} + command + QStringList{"-c", chip} + extra +
                (folder == QLatin1String("default") ? QStringList() : QStringList{"--backup-dir", backupFolder}));
        QCOMPARE(run.code, code);
        QVERIFY2(QString::fromUtf8(run.err).contains(message), run.err.constData());
        if (chip.startsWith(QLatin1String("24")))
            QCOMPARE(I2cWrites(log) > 0, writes);
        QStringList made = QDir(backupFolder).entryList({QStringLiteral("*.bin")}, QDir::Files);
        for (const QString &earlier : earlierBackups)
            made.removeAll(earlier);
        QCOMPARE(made.size(), backups);
        if (after.isEmpty())
            return;
        if (backups == 1)
            QCOMPARE(FileBytes(QDir(backupFolder).filePath(made.first())), before);
        const QByteArray expected = after == QLatin1String("before") ? before
                                    : after == QLatin1String("file") ? file
                                                                     : QByteArray(before.size(), char(0xFF));
        QCOMPARE(ReadRaw(bench, chip), expected);
    }

    // On a terminal the question is asked, and only yes writes.
    void questionOnTerminal_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<int>("code");
        QTest::newRow("y") << QByteArray("y\n") << 0;
        QTest::newRow("yes") << QByteArray("yes\n") << 0;
        QTest::newRow("n") << QByteArray("n\n") << 1;
        QTest::newRow("just enter") << QByteArray("\n") << 1;
    }
    void questionOnTerminal()
    {
        QFETCH(QByteArray, answer);
        QFETCH(int, code);
        if (!HaveScript())
            QSKIP("script (util-linux) is not installed to give the program a terminal");
        const QString tag = QString::fromLatin1(QTest::currentDataTag()).replace(QLatin1Char(' '), QLatin1Char('-'));
        const QStringList bench = Sim(QStringLiteral("24c02"), QStringLiteral("ask-%1.state").arg(tag));
        const QByteArray file = Pattern(256);
        const Run run = OnTerminal(bench + QStringList{"eeprom", "write", "-c", "24c02", "--backup-dir",
                                                       Path("scratch"), "-i", WriteFile("ask-" + tag + ".bin", file)},
                                   answer);
        const QByteArray drawn = run.out;
        QCOMPARE(run.code, code);
        QVERIFY2(drawn.contains("bytes in 32 pages will change") && drawn.contains("Write? [y/N]"), drawn.constData());
        QCOMPARE(ReadRaw(bench, QStringLiteral("24c02")) == file, code == 0);
    }

    // The CRC-32 on standard error is zlib's of the bytes in the file, and a
    // whole-chip read that repeats itself names the smaller chip.
    void readPrintsCrc_data()
    {
        QTest::addColumn<QString>("chip");
        QTest::addColumn<QStringList>("range");
        QTest::addColumn<int>("period");
        QTest::addColumn<QString>("note");
        QTest::addColumn<int>("start");
        QTest::newRow("24c02 whole") << "24c02" << QStringList() << 256 << "" << 0;
        // A raw file of a part holds FF before the part's start.
        QTest::newRow("24c16 part") << "24c16" << QStringList{"--start", "16", "--count", "32"} << 2048 << "" << 16;
        QTest::newRow("93c56 whole") << "93c56" << QStringList() << 256 << "" << 0;
        QTest::newRow("24c04 holding a 24c02") << "24c04" << QStringList() << 256 << "probably a 24C02" << 0;
    }
    void readPrintsCrc()
    {
        QFETCH(QString, chip);
        QFETCH(QStringList, range);
        QFETCH(int, period);
        QFETCH(QString, note);
        QFETCH(int, start);
        const QString tag = QString::fromLatin1(QTest::currentDataTag()).replace(QLatin1Char(' '), QLatin1Char('-'));
        const QStringList bench = Sim(chip, tag + QStringLiteral(".state"));
        const QByteArray held = Pattern(period).repeated(ChipBytes(chip) / period);
        QCOMPARE(Cli(bench + QStringList{"eeprom", "write", "-c", chip, "--yes", "--backup-dir", Path("scratch"), "-i",
                                         WriteFile(tag + "-held.bin", held)})
                     .code,
                 0);
        const QString out = Path(tag + QStringLiteral("-read.bin"));
        const Run run = Cli(bench + QStringList{"eeprom", "read", "-c", chip, "-f", "raw", "-o", out} + range);
        QCOMPARE(run.code, 0);
        const QByteArray bytes = FileBytes(out).mid(start);
        QVERIFY(!bytes.isEmpty());
        const uLong crc =
            crc32(crc32(0L, Z_NULL, 0), reinterpret_cast<const Bytef *>(bytes.constData()), uInt(bytes.size()));
        const QString expected = QStringLiteral("%1 bytes read, CRC-32 %2")
                                     .arg(bytes.size())
                                     .arg(QStringLiteral("%1").arg(quint32(crc), 8, 16, QLatin1Char('0')).toUpper());
        QVERIFY2(QString::fromUtf8(run.err).contains(expected), qPrintable(expected + "\n" + run.err));
        QCOMPARE(run.err.contains("probably a"), !note.isEmpty());
        QVERIFY2(QString::fromUtf8(run.err).contains(note), run.err.constData());
    }

    // info ends with the devices that answer on the I2C bus, found by reading only.
    void infoListsDevices_data()
    {
        QTest::addColumn<QStringList>("sim");
        QTest::addColumn<QString>("devices");
        QTest::newRow("default bench") << QStringList()
                                       << "devices on the bus: 0x3c (78), 0x51 (A2), 0x54 (A8), 0x55 (AA), 0x68 (D0)\n";
        QTest::newRow("no clock, 24c16") << QStringList{"--sim-24cxx", "24c16", "--sim-pcf8583", "off"}
                                         << "devices on the bus: 0x3c (78), 0x50 (A0), 0x51 (A2), 0x52 (A4), "
                                            "0x53 (A6), 0x54 (A8), 0x55 (AA), 0x56 (AC), 0x57 (AE), 0x68 (D0)\n";
    }
    // The same with --json: one object, each device in both forms.
    void infoListsDevices()
    {
        QFETCH(QStringList, sim);
        QFETCH(QString, devices);
        const QString log = Path(QStringLiteral("info-%1.log").arg(QTest::currentDataTag()));
        Run run = Cli(sim + QStringList{"--sim-log", log, "info"});
        QCOMPARE(run.code, 0);
        QVERIFY2(run.out.startsWith("adapter: RZT-USBasp connected\n"), run.out.constData());
        QVERIFY2(run.out.endsWith(devices.toUtf8()), run.out.constData());
        QCOMPARE(I2cWrites(log), 0);

        run = Cli(sim + QStringList{"info", "--json"});
        QCOMPARE(run.code, 0);
        QVERIFY(run.out.endsWith('\n') && run.out.count('\n') == 1);
        const QJsonObject info = QJsonDocument::fromJson(run.out).object();
        QCOMPARE(info.value("adapter").toString(), QStringLiteral("RZT-USBasp"));
        QVERIFY(!info.value("release").toString().isEmpty());
        QVERIFY(info.value("strings").toArray().contains(QStringLiteral("RZT-USBasp")));
        QStringList listed;
        for (const QJsonValue &device : info.value("devices").toArray())
            listed << QStringLiteral("%1 (%2)").arg(device["address"].toString(), device["device_byte"].toString());
        QCOMPARE(QStringLiteral("devices on the bus: %1\n").arg(listed.join(", ")), devices);
    }

    // A differing byte is reported by address and count, with status 1.
    void verifyFindsDifferences()
    {
        const QStringList sim = Sim(QStringLiteral("24c02"), QStringLiteral("verify.state"));
        const QString rawFile = WriteFile(QStringLiteral("verify.bin"), Pattern(256));
        QCOMPARE(Cli(sim + QStringList{"eeprom", "write", "--yes", "-c", "24c02", "-i", rawFile}).code, 0);
        QByteArray changed = Pattern(256);
        changed[0x41] = char(~changed[0x41]);
        changed[0x90] = char(~changed[0x90]);
        WriteFile(QStringLiteral("verify.bin"), changed);
        const Run run = Cli(sim + QStringList{"eeprom", "verify", "-c", "24c02", "-i", rawFile});
        QCOMPARE(run.code, 1);
        QVERIFY2(run.err.contains("first at 0x41, 2 bytes"), run.err.constData());
        QVERIFY(run.err.contains("help") == false);
    }

    // Each help shows the options that apply there, and only those.
    void helpPerCommand_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("shows");
        QTest::addColumn<QStringList>("lacks");
        QTest::newRow("program") << QStringList{"--help"} << QStringList{"Exit status",       "130",
                                                                         "  -v, --verbose",   "  -q, --quiet",
                                                                         "Simulator options", "--sim-24cxx 24c02|",
                                                                         "--sim-state file"}
                                 << QStringList{"--start", "--yes"};
        QTest::newRow("-h") << QStringList{"-h"} << QStringList{"Exit status"} << QStringList{};
        QTest::newRow("eeprom read") << QStringList{"eeprom", "read", "--help"}
                                     << QStringList{"--start N", "  -o, --output FILE", "--json"}
                                     << QStringList{"--yes", "--ignore-clock", "--input", "--sim-"};
        QTest::newRow("eeprom erase") << QStringList{"eeprom", "erase", "-h"}
                                      << QStringList{"--ignore-clock", "  -y, --yes"}
                                      << QStringList{"--start", "--input", "--json"};
        QTest::newRow("eeprom group") << QStringList{"eeprom", "--help"}
                                      << QStringList{"eeprom blank", "--ignore-clock", "--json"}
                                      << QStringList{"--seconds", "--type", "--sim-"};
        QTest::newRow("rtc set") << QStringList{"rtc", "set", "--help"} << QStringList{"YYYY-MM-DD", "pcf8583"}
                                 << QStringList{"--json", "--start"};
        QTest::newRow("display text") << QStringList{"--help", "display", "text"} << QStringList{"--size", "-t, --type"}
                                      << QStringList{"--seconds", "--chip"};
    }

    void helpPerCommand()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QStringList, shows);
        QFETCH(QStringList, lacks);
        const Run run = Cli(arguments, false);
        QCOMPARE(run.code, 0);
        for (const QString &text : shows)
            QVERIFY2(run.out.contains(text.toUtf8()), qPrintable(text + "\n" + run.out));
        for (const QString &text : lacks)
            QVERIFY2(!run.out.contains(text.toUtf8()), qPrintable(text + "\n" + run.out));
    }

    void rtcSetThenGet()
    {
        const QStringList sim = {"--sim-state", Path(QStringLiteral("clock.state"))};
        QCOMPARE(Cli(sim + QStringList{"rtc", "set", "2027-02-28 23:59:58"}).code, 0);
        const Run run = Cli(sim + QStringList{"rtc", "get", "--json"});
        QCOMPARE(run.code, 0);
        const QJsonObject clock = QJsonDocument::fromJson(run.out).object();
        QCOMPARE(clock.value("chip").toString(), QStringLiteral("pcf8583"));
        // The runs take a moment: the clock may have moved on by a few seconds, into March.
        const QDateTime read =
            QDateTime::fromString(clock.value("date").toString() + ' ' + clock.value("time").toString(),
                                  QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        const QDateTime set =
            QDateTime::fromString(QStringLiteral("2027-02-28 23:59:58"), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        QVERIFY2(read >= set && read < set.addSecs(60), run.out.constData());
    }

    void rtcGetDs13xx_data()
    {
        QTest::addColumn<QString>("chip");
        QTest::newRow("ds1307") << "ds1307";
        QTest::newRow("ds3231") << "ds3231";
    }

    void rtcGetDs13xx()
    {
        QFETCH(QString, chip);
        const Run run = Cli({"--sim-ds13xx", chip, "rtc", "get", "--json", "--chip", chip});
        QCOMPARE(run.code, 0);
        const QJsonObject clock = QJsonDocument::fromJson(run.out).object();
        QCOMPARE(clock.value("chip").toString(), chip);
        QVERIFY(QDate::fromString(clock.value("date").toString(), Qt::ISODate).isValid());
        // Without the chip on the bus the same command fails.
        QCOMPARE(Cli({"--sim-ds13xx", "none", "rtc", "get", "--chip", chip}).code, 1);
    }

    // The frame sent after the text: 'H' of the 5x7 font at x 2, shifted down by y 3.
    void displayTextFrame()
    {
        const QString log = Path(QStringLiteral("oled.log"));
        const Run run = Cli({"--sim-log", log, "display", "text", "-t", "ssd1306", "--x", "2", "--y", "3", "H"});
        QCOMPARE(run.code, 0);
        const QList<QByteArray> frames = LoggedData(log, QStringLiteral("103"), QStringLiteral("0078"));
        QVERIFY(!frames.isEmpty());
        const QByteArray frame = frames.last();
        QCOMPARE(frame.size(), 1024);
        QCOMPARE(frame.mid(0, 8).toHex(' '), QByteArray("00 00 f8 40 40 40 f8 00"));
        QCOMPARE(frame.mid(128, 8).toHex(' '), QByteArray("00 00 03 00 00 00 03 00"));
        QCOMPARE(frame.count(char(0)), 1024 - 7);
    }

    // One clock frame: the border round the panel (top row in bit 0 of the first page,
    // bottom row in bit 7 of the last, full left and right columns), digits inside.
    void displayClockFrame()
    {
        const QString log = Path(QStringLiteral("clock.log"));
        const Run run = Cli({"--sim-log", log, "display", "clock", "-t", "ssd1306", "--seconds", "1"});
        QCOMPARE(run.code, 0);
        const QList<QByteArray> frames = LoggedData(log, QStringLiteral("103"), QStringLiteral("0078"));
        QVERIFY(!frames.isEmpty());
        const QByteArray frame = frames.last();
        QCOMPARE(frame.size(), 1024);
        for (int x = 0; x < 128; ++x) {
            QVERIFY2(frame.at(x) & 0x01, qPrintable(QString::number(x)));
            QVERIFY2(frame.at(896 + x) & 0x80, qPrintable(QString::number(x)));
        }
        for (int page = 0; page < 8; ++page) {
            QCOMPARE(quint8(frame.at(page * 128)), quint8(0xFF));
            QCOMPARE(quint8(frame.at(page * 128 + 127)), quint8(0xFF));
        }
        // The separating line under the time: row 29, x 30..104, bit 5 of page 3.
        QVERIFY(frame.at(3 * 128 + 30) & 0x20);
        QVERIFY(!(frame.at(3 * 128 + 20) & 0x20));
    }

    // Without --seconds the clock runs until SIGTERM, which ends it as done.
    void displayClockUntilTerminated()
    {
        const QString log = Path(QStringLiteral("endless.log"));
        QProcess process;
        process.start(QStringLiteral(BRINDLE_CLI),
                      {"--simulator", "--sim-log", log, "display", "clock", "-t", "ssd1306"});
        QVERIFY(process.waitForStarted());
        // The first frame is the cleared one of the initialisation; the second, the clock's.
        QTRY_VERIFY_WITH_TIMEOUT(LoggedData(log, QStringLiteral("103"), QStringLiteral("0078")).size() >= 2, 30000);
        QCOMPARE(process.state(), QProcess::Running);
        process.terminate();
        QVERIFY(process.waitForFinished(30000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 0);
    }

    // The demo slides its picture in from the right, 33 frames, then five more steps.
    void displayDemoFrames()
    {
        const QString log = Path(QStringLiteral("demo.log"));
        const Run run = Cli({"--sim-log", log, "display", "demo", "-t", "ssd1306"});
        QCOMPARE(run.code, 0);
        const QList<QByteArray> frames = LoggedData(log, QStringLiteral("103"), QStringLiteral("0078"));
        QVERIFY2(frames.size() > 30, qPrintable(QString::number(frames.size())));
        QCOMPARE(Cli({"display", "demo", "-t", "st7565"}).code, 0);
    }

    // The bar goes to a terminal only; --quiet leaves nothing but errors.
    void progressOnlyOnTerminal()
    {
        const QStringList write = {"--sim-24cxx", "24c16", "eeprom", "write",        "--yes",
                                   "-c",          "24c16", "-i",     Path("bar.bin")};
        WriteFile(QStringLiteral("bar.bin"), Pattern(2048));
        Run run = Cli(write);
        QCOMPARE(run.code, 0);
        QVERIFY2(!run.err.contains('%') && !run.err.contains('\r'), run.err.constData());
        QVERIFY(run.err.contains("verified"));
        run = Cli(QStringList{"--quiet"} + write);
        QCOMPARE(run.code, 0);
        QCOMPARE(run.err, QByteArray());
        if (!HaveScript())
            QSKIP("script (util-linux) is not installed to give the program a terminal");
        const Run terminal = OnTerminal(write);
        QCOMPARE(terminal.code, 0);
        const QByteArray drawn = terminal.out;
        QVERIFY2(drawn.contains("write [##############################] 100%") && drawn.contains("B/s") &&
                     drawn.contains("left"),
                 drawn.constData());
        // The 128 pages are written one request each; the bar climbs over all of them.
        QVERIFY2(QRegularExpression(QStringLiteral("write \\[#+ +\\] +[1-4]?[0-9]%"))
                     .match(QString::fromUtf8(drawn))
                     .hasMatch(),
                 drawn.constData());
        // Each drawing clears the rest of the line, so a shorter one leaves nothing behind.
        const QString text = QString::fromUtf8(drawn);
        const qsizetype bars = text.count(QRegularExpression(QStringLiteral("\r(read |write) \\[")));
        const qsizetype cleared = text.count(QRegularExpression(QStringLiteral("\r(read |write) \\[[^\r]*\x1b\\[K")));
        QVERIFY(bars > 0);
        QCOMPARE(cleared, bars);
    }

    // One run's standard output into the next one's standard input: chip A
    // read, chip B written from it, then both read back and compared.
    void pipes_data()
    {
        QTest::addColumn<QStringList>("readTo");
        QTest::addColumn<QStringList>("writeFrom");
        QTest::newRow("ihex, its format found") << QStringList{"-o", "-", "-f", "ihex"} << QStringList{"-i", "-"};
        QTest::newRow("srec by -f alone") << QStringList{"-f", "srec"} << QStringList{"-i", "-", "-f", "srec"};
        QTest::newRow("raw into a pipe") << QStringList{"-o", "-"} << QStringList{"-i", "-", "-f", "raw"};
        QTest::newRow("the streams' own names")
            << QStringList{"-o", "/dev/stdout", "-f", "ihex"} << QStringList{"-i", "/dev/stdin"};
    }
    void pipes()
    {
        QFETCH(QStringList, readTo);
        QFETCH(QStringList, writeFrom);
        const QString tag = QString::fromLatin1(QTest::currentDataTag()).replace(QLatin1Char(' '), QLatin1Char('-'));
        const QStringList chipA = Sim(QStringLiteral("24c02"), tag + QStringLiteral("-a.state"));
        const QStringList chipB = Sim(QStringLiteral("24c02"), tag + QStringLiteral("-b.state"));
        QByteArray random(256, '\0');
        for (char &b : random)
            b = char(QRandomGenerator::global()->bounded(256));
        QCOMPARE(Cli(chipA + QStringList{"eeprom", "write", "-c", "24c02", "-y", "-q", "--backup-dir", Path("scratch"),
                                         "-i", WriteFile(tag + ".bin", random)})
                     .code,
                 0);
        QProcess reader;
        QProcess writer;
        reader.setStandardOutputProcess(&writer);
        reader.start(QStringLiteral(BRINDLE_CLI),
                     QStringList{"--simulator"} + chipA + QStringList{"eeprom", "read", "-c", "24c02"} + readTo);
        writer.start(QStringLiteral(BRINDLE_CLI),
                     QStringList{"--simulator"} + chipB +
                         QStringList{"eeprom", "write", "-c", "24c02", "--yes", "--backup-dir", Path("scratch")} +
                         writeFrom);
        QVERIFY(reader.waitForFinished(60000) && writer.waitForFinished(60000));
        QCOMPARE(reader.exitCode(), 0);
        const QByteArray said = writer.readAllStandardError();
        QVERIFY2(writer.exitCode() == 0, said.constData());
        QVERIFY2(said.contains("wrote 256 bytes of standard input to the 24c02, verified"), said.constData());
        QCOMPARE(ReadRaw(chipA, QStringLiteral("24c02")), random);
        QCOMPARE(ReadRaw(chipB, QStringLiteral("24c02")), random);
    }

    // -i -: the bytes on standard input, held to the file size limit.
    void standardInput_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        const QStringList write = {"eeprom", "write", "-c", "24c02", "-i", "-", "--yes"};
        QTest::newRow("larger than the limit") << write << QByteArray(16 * 1024 * 1024 + 1, char(0xFF)) << 2
                                               << "standard input holds more than 16777216 bytes";
        QTest::newRow("empty") << write << QByteArray() << 2 << "standard input is empty";
        QTest::newRow("not the format given")
            << write + QStringList{"-f", "srec"} << QByteArray(":0100000041BE\n:00000001FF\n") << 2
            << "-i standard input is Intel HEX, not S-record";
        QTest::newRow("a damaged record")
            << write << QByteArray(":0100000041BF\n:00000001FF\n") << 2 << "-i standard input: ";
        QTest::newRow("no --yes") << QStringList{"eeprom", "write", "-c",           "24c02",
                                                 "-i",     "-",     "--backup-dir", Path("scratch")}
                                  << QByteArray(":0100000041BE\n:00000001FF\n") << 1
                                  << "standard input carried the file, so there is no terminal to ask on";
        QTest::newRow("verify") << QStringList{"eeprom", "verify", "-c", "24c02", "-i", "-"}
                                << QByteArray(256, char(0xFF)) << 0 << "matches standard input";
    }
    void standardInput()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, input);
        QFETCH(int, code);
        QFETCH(QString, message);
        const QString tag = QString::fromLatin1(QTest::currentDataTag()).replace(QLatin1Char(' '), QLatin1Char('-'));
        const QString log = Path(tag + QStringLiteral("-stdin.log"));
        const Run run = Cli(QStringList{"--sim-24cxx", "24c02", "--sim-log", log} + arguments, true, input);
        QCOMPARE(run.code, code);
        QVERIFY2(QString::fromUtf8(run.err).contains(message), run.err.constData());
        QCOMPARE(I2cWrites(log), 0);
    }

    // A file typed on the terminal (ended by Ctrl+D) leaves nothing there to
    // answer the question with: what follows is not taken for a yes.
    void standardInputFromTerminal()
    {
        if (!HaveScript())
            QSKIP("script (util-linux) is not installed to give the program a terminal");
        const QStringList bench = Sim(QStringLiteral("24c02"), QStringLiteral("typed.state"));
        const Run run = OnTerminal(
            bench + QStringList{"eeprom", "write", "-c", "24c02", "--backup-dir", Path("scratch"), "-i", "-"},
            ":0100000041BE\n:00000001FF\n\x04y\n");
        QCOMPARE(run.code, 1);
        QVERIFY2(run.out.contains("standard input carried the file"), run.out.constData());
        QCOMPARE(ReadRaw(bench, QStringLiteral("24c02")), QByteArray(256, char(0xFF)));
    }

    // Raw bytes would garble a terminal; a text format does not.
    void rawNotOnTerminal()
    {
        if (!HaveScript())
            QSKIP("script (util-linux) is not installed to give the program a terminal");
        Run run = OnTerminal({"eeprom", "read", "-c", "24c02", "-o", "-"});
        QCOMPARE(run.code, 2);
        QVERIFY2(run.out.contains("raw bytes are not written to a terminal"), run.out.constData());
        run = OnTerminal({"eeprom", "read", "-c", "24c02", "-f", "ihex"});
        QCOMPARE(run.code, 0);
        QVERIFY2(run.out.contains(":00000001FF"), run.out.constData());
    }

    // eeprom read --json: one object on standard output, the bytes in -o's file if any.
    void readJson_data()
    {
        QTest::addColumn<QString>("chip");
        QTest::addColumn<QStringList>("extra");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("smaller");
        QTest::addColumn<QString>("file");
        QTest::newRow("24c04 holding a 24c02") << "24c04" << QStringList() << 0 << 512 << "24C02"
                                               << "";
        QTest::newRow("a range into a file")
            << "24c04" << QStringList{"--start", "0x10", "--count", "32", "-o", "range.hex"} << 16 << 32 << ""
            << "range.hex";
        QTest::newRow("93c46") << "93c46" << QStringList() << 0 << 128 << ""
                               << "";
    }
    void readJson()
    {
        QFETCH(QString, chip);
        QFETCH(QStringList, extra);
        QFETCH(int, start);
        QFETCH(int, count);
        QFETCH(QString, smaller);
        QFETCH(QString, file);
        const QString tag = QString::fromLatin1(QTest::currentDataTag()).replace(QLatin1Char(' '), QLatin1Char('-'));
        const QStringList bench = Sim(chip, tag + QStringLiteral("-json.state"));
        const QByteArray held = Pattern(256).repeated(ChipBytes(chip) / 256 + 1).left(ChipBytes(chip));
        QCOMPARE(Cli(bench + QStringList{"eeprom", "write", "-c", chip, "-y", "-q", "--backup-dir", Path("scratch"),
                                         "-i", WriteFile(tag + "-held.bin", held)})
                     .code,
                 0);
        for (QString &argument : extra)
            argument = argument == file ? Path(file) : argument;
        const Run run = Cli(bench + QStringList{"eeprom", "read", "-c", chip, "--json"} + extra);
        QCOMPARE(run.code, 0);
        QVERIFY2(run.out.endsWith('\n') && run.out.count('\n') == 1, run.out.constData());
        const QJsonObject summary = QJsonDocument::fromJson(run.out).object();
        const QByteArray bytes = held.mid(start, count);
        const uLong crc =
            crc32(crc32(0L, Z_NULL, 0), reinterpret_cast<const Bytef *>(bytes.constData()), uInt(bytes.size()));
        QCOMPARE(summary.value("chip").toString(), chip);
        QCOMPARE(summary.value("start").toInt(), start);
        QCOMPARE(summary.value("count").toInt(), count);
        QCOMPARE(summary.value("crc32").toString(),
                 QStringLiteral("%1").arg(quint32(crc), 8, 16, QLatin1Char('0')).toUpper());
        QCOMPARE(summary.value("smaller_chip").isNull(), smaller.isEmpty());
        QCOMPARE(summary.value("smaller_chip").toString(), smaller);
        QCOMPARE(summary.value("file").toString(), file.isEmpty() ? QString() : Path(file));
        if (!file.isEmpty())
            QCOMPARE(summary.value("format").toString(), QStringLiteral("Intel HEX"));
    }

    // -v says each step on standard error; -q says nothing; -y is --yes.
    void shortOptions_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QStringList>("said");
        const QStringList read = {"eeprom", "read", "-c", "24c04", "--count", "4"};
        QTest::newRow("-V") << QStringList{"-V"} << "brindle-cli 1.0.0.2\n" << QStringList();
        QTest::newRow("--version") << QStringList{"--version"} << "brindle-cli 1.0.0.2\n" << QStringList();
        QTest::newRow("-v read") << QStringList{"-v"} + read << ""
                                 << QStringList{"starting the virtual adapter", "adapter connected",
                                                "24C04: 512 bytes at 0x54 (A8) to 0x55 (AA), read 64 bytes a "
                                                "request at 100 kHz",
                                                "reading the 24C04", "4 bytes read, CRC-32"};
        QTest::newRow("-vv read") << QStringList{"-vv"} + read << "" << QStringList{"reading the 24C04"};
        QTest::newRow("-v rtc get") << QStringList{"rtc", "get", "-v", "--chip", "ds3231"} << ""
                                    << QStringList{"reading the DS3231 at 0x68 (D0)"};
        // Without --yes a write with no terminal to ask on is refused.
        const QStringList write = {"eeprom",       "write",         "-c", "24c02",
                                   "--backup-dir", Path("scratch"), "-i", WriteFile("short-options.bin", Pattern(256))};
        QTest::newRow("-y write") << write + QStringList{"-y"} << ""
                                  << QStringList{"wrote 256 bytes of " + Path("short-options.bin")};
        QTest::newRow("-qy write") << QStringList{"-qy"} + write << "" << QStringList();
    }
    void shortOptions()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, out);
        QFETCH(QStringList, said);
        const Run run = Cli(arguments);
        QCOMPARE(run.code, 0);
        if (!out.isEmpty())
            QCOMPARE(QString::fromUtf8(run.out), out);
        if (said.isEmpty())
            QCOMPARE(run.err, QByteArray());
        for (const QString &step : said)
            QVERIFY2(QString::fromUtf8(run.err).contains(step), qPrintable(step + "\n" + run.err));
    }

    // --addr-i2c in either form reaches the same chip; an odd device byte is a typo, not A8.
    void addrI2c_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        QTest::newRow("0x54") << "0x54" << 0 << "";
        QTest::newRow("54") << "54" << 0 << "";
        QTest::newRow("A8") << "A8" << 0 << "";
        QTest::newRow("$A8") << "$A8" << 0 << "";
        QTest::newRow("0xa8") << "0xa8" << 0 << "";
        QTest::newRow("0x50, nobody there") << "0x50" << 1 << "no device at A0";
        QTest::newRow("AE, nobody there") << "AE" << 1 << "no device at AE";
        QTest::newRow("A9") << "A9" << 2 << "A9 has the read bit set (the device byte for 0x54 is A8)";
        QTest::newRow("a1") << "a1" << 2 << "read bit set";
        QTest::newRow("0x58") << "0x58" << 2 << "0x50..0x57";
        QTest::newRow("B0") << "B0" << 2 << "0x50..0x57";
        QTest::newRow("empty") << "" << 2 << "--addr-i2c";
    }
    void addrI2c()
    {
        QFETCH(QString, address);
        QFETCH(int, code);
        QFETCH(QString, message);
        const QStringList bench = Sim(QStringLiteral("24c02"), QStringLiteral("addr.state"));
        if (!QFile::exists(Path(QStringLiteral("addr.state"))))
            QCOMPARE(Cli(bench + QStringList{"eeprom", "write", "-c", "24c02", "-y", "-q", "--backup-dir",
                                             Path("scratch"), "-i", WriteFile("addr.bin", Pattern(256))})
                         .code,
                     0);
        const QString out = Path(QStringLiteral("addr-read.bin"));
        QFile::remove(out);
        const Run run = Cli(bench + QStringList{"eeprom", "read", "-c", "24c02", "--addr-i2c", address, "-o", out});
        QCOMPARE(run.code, code);
        QVERIFY2(QString::fromUtf8(run.err).contains(message), run.err.constData());
        QCOMPARE(FileBytes(out), code == 0 ? Pattern(256) : QByteArray());
    }

    // What the shell is offered at each place: a command's own options and
    // no other's, the --sim-* options and their values, option values.
    void completion_data()
    {
        QTest::addColumn<QStringList>("line"); // the last word is the one completed
        QTest::addColumn<QStringList>("offered");
        QTest::addColumn<QStringList>("withheld");
        QTest::newRow("first word") << QStringList{""} << QStringList{"info", "eeprom", "rtc", "display"}
                                    << QStringList{"read"};
        QTest::newRow("eeprom's words") << QStringList{"eeprom", ""} << QStringList{"read", "blank"}
                                        << QStringList{"info", "get"};
        QTest::newRow("--yes after eeprom read")
            << QStringList{"eeprom", "read", "--"} << QStringList{"--output", "--json", "--verbose"}
            << QStringList{"--yes", "--input", "--seconds"};
        QTest::newRow("--yes after eeprom write")
            << QStringList{"eeprom", "write", "--y"} << QStringList{"--yes"} << QStringList{};
        QTest::newRow("an option once") << QStringList{"eeprom", "write", "--yes", "--y"} << QStringList{}
                                        << QStringList{"--yes"};
        QTest::newRow("-v again") << QStringList{"-v", "info", "--verb"} << QStringList{"--verbose"} << QStringList{};
        QTest::newRow("--sim-") << QStringList{"--sim-"} << QStringList{"--sim-24cxx", "--sim-state", "--sim-log"}
                                << QStringList{"--simulator", "--yes"};
        QTest::newRow("--sim-24cxx's values")
            << QStringList{"--sim-24cxx", ""} << QStringList{"24c02", "24c16", "none"} << QStringList{"info"};
        QTest::newRow("--sim-24cxx= split by the shell")
            << QStringList{"--sim-24cxx", "=", "24c1"} << QStringList{"24c16"} << QStringList{"24c02"};
        QTest::newRow("--sim-24cxx-pins")
            << QStringList{"--sim-24cxx-pins", ""} << QStringList{"0", "7"} << QStringList{"8"};
        QTest::newRow("--sim-state") << QStringList{"--sim-state", ""} << QStringList{"@files"} << QStringList{};
        QTest::newRow("eeprom chips") << QStringList{"eeprom", "read", "-c", ""} << QStringList{"24c16", "93c86"}
                                      << QStringList{"ds3231"};
        QTest::newRow("clock chips") << QStringList{"rtc", "get", "--chip", ""} << QStringList{"ds3231", "pcf8583"}
                                     << QStringList{"24c16"};
        QTest::newRow("formats") << QStringList{"eeprom", "read", "-f", "i"} << QStringList{"ihex"}
                                 << QStringList{"raw", "srec"};
        QTest::newRow("backup folder") << QStringList{"eeprom", "erase", "--backup-dir", ""} << QStringList{"@folders"}
                                       << QStringList{};
        QTest::newRow("rtc set's argument") << QStringList{"rtc", "set", ""} << QStringList{"now"} << QStringList{};
        QTest::newRow("display image's file")
            << QStringList{"display", "image", "-t", "st7565", ""} << QStringList{"@files"} << QStringList{};
    }
    void completion()
    {
        QFETCH(QStringList, line);
        QFETCH(QStringList, offered);
        QFETCH(QStringList, withheld);
        const Run run = Cli(QStringList{"__complete", QString::number(line.size() - 1)} + line, false);
        QCOMPARE(run.code, 0);
        const QStringList got = QString::fromUtf8(run.out).split('\n', Qt::SkipEmptyParts);
        for (const QString &word : offered)
            QVERIFY2(got.contains(word), qPrintable(word + ": " + got.join(' ')));
        for (const QString &word : withheld)
            QVERIFY2(!got.contains(word), qPrintable(word + ": " + got.join(' ')));
    }

    // The installed script in bash, as the shell calls it on Tab.
    void completionScript_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("offered");
        QTest::newRow("options") << "brindle-cli eeprom write --y"
                                 << "--yes";
        QTest::newRow("none") << "brindle-cli eeprom read --y"
                              << "";
        QTest::newRow("value after =") << "brindle-cli --sim-ds13xx = ds1"
                                       << "ds1307";
        QTest::newRow("a file") << "brindle-cli --sim-state compl"
                                << "completion-file.state";
    }
    void completionScript()
    {
        QFETCH(QString, line);
        QFETCH(QString, offered);
        if (QStandardPaths::findExecutable(QStringLiteral("bash")).isEmpty())
            QSKIP("bash is not installed");
        WriteFile(QStringLiteral("completion-file.state"), "x");
        QProcess bash;
        bash.setWorkingDirectory(FDir.path());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("PATH", QFileInfo(QStringLiteral(BRINDLE_CLI)).path() + ':' + environment.value("PATH"));
        bash.setProcessEnvironment(environment);
        bash.start(QStringLiteral("bash"),
                   {"-c",
                    QStringLiteral("source \"$1\"; COMP_WORDS=(%1); COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); "
                                   "_brindle_cli; echo \"${COMPREPLY[*]}\"")
                        .arg(line),
                    "bash", QStringLiteral(BRINDLE_COMPLETION)});
        QVERIFY(bash.waitForFinished(30000));
        QCOMPARE(bash.exitCode(), 0);
        QCOMPARE(QString::fromUtf8(bash.readAllStandardOutput()).trimmed(), offered);
    }

    // Nothing of the window's settings appears in the test's home or config folder.
    void leavesWindowSettingsAlone()
    {
        QCOMPARE(Cli({"info"}).code, 0);
        for (const char *variable : {"XDG_CONFIG_HOME", "HOME"}) {
            const QString folder = qEnvironmentVariable(variable);
            if (folder.isEmpty())
                continue;
            QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
            while (it.hasNext())
                QVERIFY2(!it.next().contains(QLatin1String("Brindle"), Qt::CaseInsensitive), qPrintable(it.filePath()));
        }
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
