// The image file reader and writer: every malformed file it must refuse,
// the forms it must accept, round trips, and agreement with srec_cat.
#include "ChipImage.h"
#include "ImageFile.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
using Segments = QList<QPair<quint32, QByteArray>>;

Segments segmentsOf(const ChipImage &image)
{
    Segments list;
    for (const ChipImage::Segment &s : image.segments())
        list.append({s.address, s.bytes});
    return list;
}

QByteArray pattern(int n, int seed)
{
    QByteArray bytes(n, '\0');
    for (int i = 0; i < n; ++i)
        bytes[i] = char((i * 37 + seed * 11 + (i >> 8)) & 0xFF);
    return bytes;
}

ChipImage imageOf(const Segments &segments)
{
    ChipImage image;
    for (const auto &[address, bytes] : segments)
        for (int i = 0; i < bytes.size(); ++i)
            image.set(address + quint32(i), std::uint8_t(bytes[i]));
    return image;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Addresses low..end()-1 with gaps as 0xFF: toBytes() from 0 would need 4 GiB for the top rows.
QByteArray span(const ChipImage &image, quint32 low)
{
    QByteArray bytes(qsizetype(image.end() - low), char(0xFF));
    for (const ChipImage::Segment &s : image.segments())
        bytes.replace(qsizetype(s.address - low), s.bytes.size(), s.bytes);
    return bytes;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Images that exercise 16-bit, 24-bit and 32-bit addresses, gaps, unaligned
// starts and a run across a 64 KiB boundary.
void imageRows()
{
    QTest::addColumn<Segments>("segments");
    QTest::newRow("one byte") << Segments{{0, QByteArray(1, char(0x5A))}};
    QTest::newRow("24c16 whole") << Segments{{0, pattern(2048, 1)}};
    QTest::newRow("gaps, odd starts") << Segments{{3, pattern(29, 2)}, {100, pattern(1, 3)}, {517, pattern(300, 4)}};
    QTest::newRow("across 64 KiB") << Segments{{0xFFF5, pattern(40, 5)}};
    QTest::newRow("24-bit") << Segments{{0x10, pattern(5, 6)}, {0x123456, pattern(70, 7)}};
    QTest::newRow("32-bit top") << Segments{{0xFFFFFFF0u, pattern(16, 8)}};
}
} // namespace

class TestImage : public QObject {
    Q_OBJECT

private slots:
    void setKeepsRunsMaximal_data()
    {
        QTest::addColumn<QList<quint32>>("addresses");
        QTest::addColumn<QList<quint32>>("starts");
        QTest::addColumn<QList<int>>("lengths");
        QTest::newRow("rising") << QList<quint32>{5, 6, 7} << QList<quint32>{5} << QList<int>{3};
        QTest::newRow("falling") << QList<quint32>{7, 6, 5} << QList<quint32>{5} << QList<int>{3};
        QTest::newRow("gap filled last") << QList<quint32>{1, 3, 2} << QList<quint32>{1} << QList<int>{3};
        QTest::newRow("apart") << QList<quint32>{1, 3} << QList<quint32>{1, 3} << QList<int>{1, 1};
        QTest::newRow("overwrite") << QList<quint32>{4, 5, 4} << QList<quint32>{4} << QList<int>{2};
        QTest::newRow("top address") << QList<quint32>{0xFFFFFFFFu, 0xFFFFFFFEu} << QList<quint32>{0xFFFFFFFEu}
                                     << QList<int>{2};
    }
    void setKeepsRunsMaximal()
    {
        QFETCH(QList<quint32>, addresses);
        QFETCH(QList<quint32>, starts);
        QFETCH(QList<int>, lengths);
        ChipImage image;
        for (int i = 0; i < addresses.size(); ++i)
            image.set(addresses[i], std::uint8_t(i));
        const QList<ChipImage::Segment> segments = image.segments();
        QCOMPARE(segments.size(), starts.size());
        for (int i = 0; i < segments.size(); ++i) {
            QCOMPARE(segments[i].address, starts[i]);
            QCOMPARE(segments[i].bytes.size(), lengths[i]);
        }
        // The last value set at an address wins.
        for (int i = 0; i < addresses.size(); ++i)
            if (addresses.lastIndexOf(addresses[i]) == i)
                QCOMPARE(image.at(addresses[i]), std::uint8_t(i));
        QCOMPARE(image.end(),
                 qint64(addresses.isEmpty() ? 0 : *std::max_element(addresses.begin(), addresses.end())) + 1);
    }

    void absentReadsErased()
    {
        ChipImage image;
        image.set(2, 0x11);
        QVERIFY(!image.has(1));
        QVERIFY(!image.has(3));
        QCOMPARE(image.at(1), std::uint8_t(0xFF));
        QCOMPARE(image.toBytes(), QByteArray("\xFF\xFF\x11"));
        QCOMPARE(image.presentBytes(), qint64(1));
    }

    void parsesGoodFiles_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("format");
        QTest::addColumn<Segments>("segments");
        QTest::newRow("raw") << QByteArray("\x00\x01\xFF", 3) << int(ImageFormat::Raw)
                             << Segments{{0, QByteArray("\x00\x01\xFF", 3)}};
        QTest::newRow("raw text not a record")
            << QByteArray("hello\n") << int(ImageFormat::Raw) << Segments{{0, QByteArray("hello\n")}};
        QTest::newRow("hex, CRLF, lower case")
            << QByteArray(":0300100001027a70\r\n:00000001FF\r\n") << int(ImageFormat::IntelHex)
            << Segments{{0x10, QByteArray("\x01\x02\x7A", 3)}};
        QTest::newRow("hex 04 record") << QByteArray(":020000040001F9\n:0100200042 9D\n:00000001FF\n").replace(" ", "")
                                       << int(ImageFormat::IntelHex) << Segments{{0x10020, QByteArray("B")}};
        QTest::newRow("hex 02 record") << QByteArray(":020000021000EC\n:0100050041B9\n:00000001FF\n")
                                       << int(ImageFormat::IntelHex) << Segments{{0x10005, QByteArray("A")}};
        QTest::newRow("hex start address ignored") << QByteArray(":0400000500001234B1\n:0100000041BE\n:00000001FF\n")
                                                   << int(ImageFormat::IntelHex) << Segments{{0, QByteArray("A")}};
        QTest::newRow("srec S1 with S0 and S5")
            << QByteArray("S00600004844521B\nS1050010414267\nS5030001FB\nS9030000FC\n") << int(ImageFormat::SRecord)
            << Segments{{0x10, QByteArray("AB")}};
        QTest::newRow("srec S2") << QByteArray("S205123456411D\nS804000000FB\n") << int(ImageFormat::SRecord)
                                 << Segments{{0x123456, QByteArray("A")}};
        QTest::newRow("srec ends with count")
            << QByteArray("S104000041BA\nS5030001FB\n") << int(ImageFormat::SRecord) << Segments{{0, QByteArray("A")}};
        QTest::newRow("srec S3") << QByteArray("S306FFFFFFFF41BC\nS70500000000FA\n") << int(ImageFormat::SRecord)
                                 << Segments{{0xFFFFFFFFu, QByteArray("A")}};
    }
    void parsesGoodFiles()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, format);
        QFETCH(Segments, segments);
        const ImageParseResult result = parseImage(content);
        QVERIFY2(result.ok, qPrintable(result.error));
        QCOMPARE(int(result.format), format);
        QCOMPARE(segmentsOf(result.image), segments);
    }

    // Every fault is refused with a message that names it.
    void refusesBadFiles_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("message");
        QTest::newRow("empty") << QByteArray() << "the file is empty";
        QTest::newRow("hex checksum") << QByteArray(":0100000041BF\n:00000001FF\n")
                                      << "line 1: checksum is BF, the record needs BE";
        QTest::newRow("hex cut short") << QByteArray(":1000000041424344\n") << "line 1: the line is cut short";
        QTest::newRow("hex cut short odd")
            << QByteArray(":0100000041B\n:00000001FF\n") << "line 1: the line is cut short (an odd number";
        QTest::newRow("hex too long") << QByteArray(":000000014100BE\n") << "line 1: the record is longer";
        QTest::newRow("hex bad digit") << QByteArray(":01000000G1BE\n:00000001FF\n")
                                       << "line 1: 'G' is not a hex digit";
        QTest::newRow("hex no end") << QByteArray(":0100000041BE\n") << "no end record (type 01)";
        QTest::newRow("hex after end") << QByteArray(":00000001FF\n:0100000041BE\n")
                                       << "line 2: a record follows the end record";
        QTest::newRow("hex overlap") << QByteArray(":0200000041427B\n:0100010043BB\n:00000001FF\n")
                                     << "line 2: the record overlaps address 0x0001";
        QTest::newRow("hex stray line") << QByteArray(":0100000041BE\nhello\n:00000001FF\n")
                                        << "line 2: an Intel HEX line must start with ':'";
        QTest::newRow("hex type 06") << QByteArray(":00000006FA\n:00000001FF\n") << "line 1: unknown record type 06";
        QTest::newRow("hex beyond 32 bits") << QByteArray(":02000004FFFFFC\n:02FFFF0041427D\n:00000001FF\n")
                                            << "line 2: data reaches beyond the 32-bit address range";
        QTest::newRow("srec checksum") << QByteArray("S1040000410A\nS9030000FC\n")
                                       << "line 1: checksum is 0A, the record needs BA";
        QTest::newRow("srec cut short") << QByteArray("S1070000414243\nS9030000FC\n")
                                        << "line 1: the line is cut short";
        QTest::newRow("srec count wrong") << QByteArray("S1040000 41BA\nS5030002FA\nS9030000FC\n").replace(" ", "")
                                          << "line 2: the count record says 2 data records, the file has 1";
        QTest::newRow("srec no end") << QByteArray("S104000041BA\n") << "no end record (S7, S8 or S9)";
        QTest::newRow("srec data after count") << QByteArray("S104000041BA\nS5030001FB\nS104000142B8\n")
                                               << "no end record (S7, S8 or S9) and no count record";
        QTest::newRow("srec S4") << QByteArray("S4030000FC\nS9030000FC\n") << "line 1: S4 records are not defined";
        QTest::newRow("srec overlap") << QByteArray("S104000041BA\nS104000042B9\nS9030000FC\n")
                                      << "line 2: the record overlaps address 0x0000";
        QTest::newRow("srec beyond 32 bits") << QByteArray("S307FFFFFFFF4142 79\nS70500000000FA\n").replace(" ", "")
                                             << "line 1: data reaches beyond the 32-bit address range";
        QTest::newRow("srec short for address")
            << QByteArray("S2030000FC\nS9030000FC\n") << "line 1: the record is too short for its 3-byte address";
    }
    void refusesBadFiles()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, message);
        const ImageParseResult result = parseImage(content);
        QVERIFY(!result.ok);
        QVERIFY2(result.error.startsWith(message), qPrintable(result.error));
    }

    void roundTrips_data() { imageRows(); }
    void roundTrips()
    {
        QFETCH(Segments, segments);
        const ChipImage image = imageOf(segments);
        for (ImageFormat format : {ImageFormat::IntelHex, ImageFormat::SRecord}) {
            const ImageParseResult back = parseImage(formatImage(image, format));
            QVERIFY2(back.ok, qPrintable(back.error));
            QCOMPARE(int(back.format), int(format));
            QCOMPARE(segmentsOf(back.image), segments);
        }
        if (image.end() <= 0x200000) {
            const ImageParseResult raw = parseImage(formatImage(image, ImageFormat::Raw));
            QVERIFY(raw.ok);
            QCOMPARE(raw.image.toBytes(), image.toBytes());
        }
    }

    // The written form itself: 16 bytes a line, 04 only above 64 KiB, the
    // S0 header, the record size by the highest address, count and end.
    void writtenForm_data()
    {
        QTest::addColumn<Segments>("segments");
        QTest::addColumn<int>("format");
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("hex small") << Segments{{0x0E, QByteArray("ABCD")}} << int(ImageFormat::IntelHex)
                                   << QByteArray(":02000E0041426D\n:02001000434467\n:00000001FF\n");
        QTest::newRow("hex above 64K") << Segments{{0x10000, QByteArray("A")}} << int(ImageFormat::IntelHex)
                                       << QByteArray(":020000040001F9\n:0100000041BE\n:00000001FF\n");
        QTest::newRow("srec S1") << Segments{{0, QByteArray("A")}} << int(ImageFormat::SRecord)
                                 << QByteArray("S00A00006272696E646C6515\nS104000041BA\nS5030001FB\nS9030000FC\n");
        QTest::newRow("srec S2") << Segments{{0x10000, QByteArray("A")}} << int(ImageFormat::SRecord)
                                 << QByteArray("S00A00006272696E646C6515\nS20501000041B8\nS5030001FB\nS804000000FB\n");
        QTest::newRow("srec S3") << Segments{{0x1000000, QByteArray("A")}} << int(ImageFormat::SRecord)
                                 << QByteArray(
                                        "S00A00006272696E646C6515\nS3060100000041B7\nS5030001FB\nS70500000000FA\n");
    }
    void writtenForm()
    {
        QFETCH(Segments, segments);
        QFETCH(int, format);
        QFETCH(QByteArray, text);
        QCOMPARE(formatImage(imageOf(segments), ImageFormat(format)), text);
    }

    void hexLinesHold16Bytes()
    {
        const QByteArray text = formatImage(ChipImage::fromBytes(pattern(2048, 9)), ImageFormat::IntelHex);
        const QList<QByteArray> lines = text.trimmed().split('\n');
        QCOMPARE(lines.size(), 2048 / 16 + 1);
        for (int i = 0; i < lines.size() - 1; ++i)
            QVERIFY2(lines[i].startsWith(":10"), lines[i].constData());
    }

    void formatByFileName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("format");
        for (const char *n : {"a.hex", "a.HEX", "b.ihx", "c.ihex"})
            QTest::newRow(n) << QString::fromLatin1(n) << int(ImageFormat::IntelHex);
        for (const char *n : {"a.srec", "a.s19", "a.S28", "a.s37", "a.mot", "a.s"})
            QTest::newRow(n) << QString::fromLatin1(n) << int(ImageFormat::SRecord);
        for (const char *n : {"a.bin", "a", "hex", "a.hex.bak", "a.eep"})
            QTest::newRow(n) << QString::fromLatin1(n) << int(ImageFormat::Raw);
    }
    void formatByFileName()
    {
        QFETCH(QString, name);
        QFETCH(int, format);
        QCOMPARE(int(formatForFileName(name)), format);
    }

    // Files that are no image: each refused with its own message.
    void refusesBadFilesOnDisk_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("message");
        QTest::newRow("empty") << "empty"
                               << "empty.bin: the file is empty";
        QTest::newRow("missing") << "missing"
                                 << "no such file";
        QTest::newRow("directory") << "directory"
                                   << "is a folder, not a file";
        QTest::newRow("200 MB") << "huge"
                                << "huge.bin is 209715200 bytes; an image file may have at most 16777216";
        QTest::newRow("not UTF-8") << "badname"
                                   << "is not valid UTF-8: rename the file";
        QTest::newRow("no permission") << "locked"
                                       << "locked.hex cannot be read";
        QTest::newRow("bad checksum") << "checksum"
                                      << "bad.hex: line 1: checksum is BF";
        QTest::newRow("fifo") << "fifo"
                              << "is not a regular file";
    }
    void refusesBadFilesOnDisk()
    {
        QFETCH(QString, kind);
        QFETCH(QString, message);
        QTemporaryDir dir;
        QString path;
        QByteArray badName; // Qt cannot remove it by the name it decodes
        const auto removeBadName = qScopeGuard([&badName] {
            if (!badName.isEmpty())
                ::unlink(badName.constData());
        });
        if (kind == "empty") {
            path = dir.filePath("empty.bin");
            QVERIFY(writeFile(path, {}));
        } else if (kind == "missing") {
            path = dir.filePath("none.bin");
        } else if (kind == "directory") {
            path = dir.path();
        } else if (kind == "huge") {
            path = dir.filePath("huge.bin");
            QFile file(path);
            // A sparse file: refused by its size, so reading it would show as time.
            QVERIFY(file.open(QIODevice::WriteOnly) && file.resize(200LL * 1024 * 1024));
        } else if (kind == "badname") {
            const QByteArray raw = QFile::encodeName(dir.path()) + "/bad\xFF\xFEname.bin";
            const int fd = ::open(raw.constData(), O_CREAT | O_WRONLY, 0644);
            QVERIFY(fd >= 0);
            QCOMPARE(::write(fd, "AB", 2), ssize_t(2));
            ::close(fd);
            path = QFile::decodeName(raw);
            badName = raw;
        } else if (kind == "locked") {
            if (::geteuid() == 0)
                QSKIP("root reads every file whatever its permissions");
            path = dir.filePath("locked.hex");
            QVERIFY(writeFile(path, "AB"));
            QVERIFY(QFile::setPermissions(path, QFileDevice::Permissions()));
        } else if (kind == "checksum") {
            path = dir.filePath("bad.hex");
            QVERIFY(writeFile(path, ":0100000041BF\n:00000001FF\n"));
        } else if (kind == "fifo") {
            path = dir.filePath("pipe");
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0644), 0);
        }
        QElapsedTimer timer;
        timer.start();
        const ImageParseResult result = loadImageFile(path, kMaxImageFileBytes);
        QVERIFY(!result.ok);
        QVERIFY2(result.error.contains(message), qPrintable(result.error));
        QVERIFY(result.image.isEmpty());
        QVERIFY2(timer.elapsed() < 2000, "a refused file must not be read through");
    }

    void loadsWhatWasSaved_data() { imageRows(); }
    void loadsWhatWasSaved()
    {
        QFETCH(Segments, segments);
        const ChipImage image = imageOf(segments);
        QTemporaryDir dir;
        for (const char *name : {"x.hex", "x.s19"}) {
            QString error;
            QVERIFY2(saveImageFile(dir.filePath(name), image, formatForFileName(name), &error), qPrintable(error));
            const ImageParseResult back = loadImageFile(dir.filePath(name), kMaxImageFileBytes);
            QVERIFY2(back.ok, qPrintable(back.error));
            QCOMPARE(segmentsOf(back.image), segments);
        }
    }

    // A save that cannot finish leaves the old file as it was and no other.
    void failedSaveLeavesNoHalfFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("keep.hex");
        QVERIFY(writeFile(path, "old"));
        QString error;
        QVERIFY(!saveImageFile(dir.filePath("no/such/dir/x.hex"), ChipImage::fromBytes("A"), ImageFormat::IntelHex,
                               &error));
        QVERIFY2(error.contains("cannot be written"), qPrintable(error));
        // A raw file of an image at the top of the address space would be 4 GiB.
        ChipImage far;
        far.set(0xFFFFFFF0u, 1);
        QVERIFY(!saveImageFile(path, far, ImageFormat::Raw, &error));
        QVERIFY2(error.contains("too many for a raw file"), qPrintable(error));
        QCOMPARE(readAll(path), QByteArray("old"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"keep.hex"});
        QVERIFY(saveImageFile(path, ChipImage::fromBytes("A"), ImageFormat::IntelHex, &error));
        QCOMPARE(readAll(path), QByteArray(":0100000041BE\n:00000001FF\n"));
    }

    // srec_cat, a tool of its own, reads what we write and writes what we
    // read: our HEX and S-record files become the same binary through it,
    // and its HEX and S-record forms of a binary parse to the same image.
    void agreesWithSrecCat_data() { imageRows(); }
    void agreesWithSrecCat()
    {
        const QString tool = QStandardPaths::findExecutable("srec_cat");
        if (tool.isEmpty())
            QSKIP("srec_cat (Debian package srecord) is not installed");
        QFETCH(Segments, segments);
        const ChipImage image = imageOf(segments);
        QTemporaryDir dir;
        const auto run = [&](const QStringList &args) {
            QProcess p;
            p.start(tool, args);
            return p.waitForFinished(30000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0
                       ? QString()
                       : QString::fromLocal8Bit(p.readAllStandardError());
        };
        const quint32 low = segments.first().first;
        const QString lowHex = QStringLiteral("0x%1").arg(low, 0, 16);
        const QString endHex = QStringLiteral("0x%1").arg(image.end(), 0, 16);
        // Our files through srec_cat, with gaps filled and shifted to 0 as our image's span.
        for (const auto &[name, kind] : {std::pair{"ours.hex", "-intel"}, std::pair{"ours.srec", "-motorola"}}) {
            QString error;
            QVERIFY(saveImageFile(dir.filePath(name), image, formatForFileName(name), &error));
            const QString out = dir.filePath(QString(name) + ".bin");
            // srec_cat takes minutes to fill up to 2^32, so only gaps are filled.
            const QStringList fill = segments.size() > 1 ? QStringList{"-fill", "0xFF", lowHex, endHex} : QStringList{};
            const QString failure = run(QStringList{dir.filePath(name), kind} + fill +
                                        QStringList{"-offset", "-" + lowHex, "-o", out, "-binary"});
            QVERIFY2(failure.isEmpty(), qPrintable(failure));
            QCOMPARE(readAll(out), span(image, low));
        }
        // srec_cat's files of each segment, merged, through our reader.
        for (const auto &[kind, extra] : {std::pair{"-intel", ""}, std::pair{"-motorola", "-address-length=4"}}) {
            QStringList args;
            for (int i = 0; i < segments.size(); ++i) {
                const QString bin = dir.filePath(QStringLiteral("seg%1.bin").arg(i));
                QVERIFY(writeFile(bin, segments[i].second));
                args << bin << "-binary"
                     << "-offset" << QString::number(segments[i].first);
            }
            const QString out = dir.filePath(QStringLiteral("theirs%1").arg(kind));
            args << "-o" << out << kind;
            if (*extra)
                args << extra;
            const QString failure = run(args);
            QVERIFY2(failure.isEmpty(), qPrintable(failure));
            const ImageParseResult back = loadImageFile(out, kMaxImageFileBytes);
            QVERIFY2(back.ok, qPrintable(back.error + "\n" + readAll(out).left(400)));
            QCOMPARE(segmentsOf(back.image), segments);
        }
    }
};

QTEST_GUILESS_MAIN(TestImage)
#include "tst_image.moc"
