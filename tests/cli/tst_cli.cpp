// brindle-cli run as a process on the virtual adapter: what the chips hold
// between runs (--sim-state), what went over the wire (--sim-log), and the
// exit status and message of every kind of failure.
#include <QProcess>
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
    Run Cli(const QStringList &arguments, bool simulator = true)
    {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("BRINDLE_SIMULATOR"));
        // Backups made without --backup-dir land here, not in the user's folder.
        environment.insert(QStringLiteral("XDG_DATA_HOME"), Path(QStringLiteral("data")));
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(BRINDLE_CLI),
                      (simulator ? QStringList{QStringLiteral("--simulator")} : QStringList()) + arguments);
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
        QTest::newRow("option of another command") << read + QStringList{"--json"} << true << 2 << "--json";
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
        if (QStandardPaths::findExecutable(QStringLiteral("script")).isEmpty())
            QSKIP("script (util-linux) is not installed to give the program a terminal");
        const QString tag = QString::fromLatin1(QTest::currentDataTag()).replace(QLatin1Char(' '), QLatin1Char('-'));
        const QStringList bench = Sim(QStringLiteral("24c02"), QStringLiteral("ask-%1.state").arg(tag));
        const QByteArray file = Pattern(256);
        QStringList quoted;
        for (const QString &argument : QStringList{QStringLiteral(BRINDLE_CLI), "--simulator"} + bench +
                                           QStringList{"eeprom", "write", "-c", "24c02", "--backup-dir",
                                                       Path("scratch"), "-i", WriteFile("ask-" + tag + ".bin", file)})
            quoted << QLatin1Char('\'') + argument + QLatin1Char('\'');
        QProcess terminal;
        terminal.start(QStringLiteral("script"), {"-qec", quoted.join(' '), "/dev/null"});
        QVERIFY(terminal.waitForStarted());
        terminal.write(answer);
        QVERIFY(terminal.waitForFinished(60000));
        const QByteArray drawn = terminal.readAllStandardOutput();
        QCOMPARE(terminal.exitCode(), code);
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
        QTest::newRow("default bench") << QStringList() << "devices on the bus: 78 A2 A8 AA D0\n";
        QTest::newRow("no clock, 24c16") << QStringList{"--sim-24cxx", "24c16", "--sim-pcf8583", "off"}
                                         << "devices on the bus: 78 A0 A2 A4 A6 A8 AA AC AE D0\n";
    }
    void infoListsDevices()
    {
        QFETCH(QStringList, sim);
        QFETCH(QString, devices);
        const QString log = Path(QStringLiteral("info-%1.log").arg(QTest::currentDataTag()));
        const Run run = Cli(sim + QStringList{"--sim-log", log, "info"});
        QCOMPARE(run.code, 0);
        QVERIFY2(run.out.startsWith("adapter: RZT-USBasp connected\n"), run.out.constData());
        QVERIFY2(run.out.endsWith(devices.toUtf8()), run.out.constData());
        QCOMPARE(I2cWrites(log), 0);
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

    void helpPerCommand_data()
    {
        QTest::addColumn<QStringList>("words");
        QTest::addColumn<QString>("shows");
        QTest::newRow("program") << QStringList{} << "Exit status";
        QTest::newRow("eeprom read") << QStringList{"eeprom", "read"} << "--start N";
        QTest::newRow("eeprom erase") << QStringList{"eeprom", "erase"} << "--ignore-clock";
        QTest::newRow("rtc set") << QStringList{"rtc", "set"} << "YYYY-MM-DD";
        QTest::newRow("display text") << QStringList{"display", "text"} << "--size";
    }

    void helpPerCommand()
    {
        QFETCH(QStringList, words);
        QFETCH(QString, shows);
        const Run run = Cli(words + QStringList{"--help"}, false);
        QCOMPARE(run.code, 0);
        QVERIFY2(run.out.contains(shows.toUtf8()), run.out.constData());
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
        if (QStandardPaths::findExecutable(QStringLiteral("script")).isEmpty())
            QSKIP("script (util-linux) is not installed to give the program a terminal");
        // script runs the program on a terminal of its own and copies what it drew.
        QStringList quoted;
        for (const QString &argument : QStringList{QStringLiteral(BRINDLE_CLI), "--simulator"} + write)
            quoted << QLatin1Char('\'') + argument + QLatin1Char('\'');
        QProcess terminal;
        terminal.start(QStringLiteral("script"), {"-qec", quoted.join(' '), "/dev/null"});
        QVERIFY(terminal.waitForFinished(60000));
        QCOMPARE(terminal.exitCode(), 0);
        const QByteArray drawn = terminal.readAllStandardOutput();
        QVERIFY2(drawn.contains("write [##############################] 100%") && drawn.contains("B/s") &&
                     drawn.contains("left"),
                 drawn.constData());
        // The 128 pages are written one request each; the bar climbs over all of them.
        QVERIFY2(QRegularExpression(QStringLiteral("write \\[#+ +\\] +[1-4]?[0-9]%"))
                     .match(QString::fromUtf8(drawn))
                     .hasMatch(),
                 drawn.constData());
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
