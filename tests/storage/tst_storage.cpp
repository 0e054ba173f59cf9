// The picture store: the stored form of an item, moving between levels,
// names, the ratio texts, damaged stored bytes, extraction, and the six
// pictures the program carries.
#include "StoredPictures.h"
#include "mxStorage.h"

#include <QBuffer>
#include <QImage>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>
#include <zlib.h>

Q_DECLARE_METATYPE(TCompressionLevel)

namespace {

QByteArray sample()
{
    QByteArray bytes;
    QRandomGenerator random(7);
    for (int i = 0; i < 5000; ++i)
        bytes += char(i % 7 ? 'a' + i % 13 : random.bounded(256));
    return bytes;
}

void load(TmxStoredItem *item, QByteArray content)
{
    QBuffer stream(&content);
    stream.open(QIODevice::ReadOnly);
    item->LoadFromStream(&stream);
}

QByteArray saved(TmxStoredItem *item, bool *ok = nullptr, QString *error = nullptr)
{
    QByteArray out;
    QBuffer stream(&out);
    stream.open(QIODevice::WriteOnly);
    const bool done = item->SaveToStream(&stream, error);
    if (ok)
        *ok = done;
    return out;
}

// A zlib stream of exactly these bytes, the length prefix included.
QByteArray zlibOf(const QByteArray &plain)
{
    uLongf size = compressBound(uLong(plain.size()));
    QByteArray out(int(size), '\0');
    compress(reinterpret_cast<Bytef *>(out.data()), &size, reinterpret_cast<const Bytef *>(plain.constData()),
             uLong(plain.size()));
    out.truncate(int(size));
    return out;
}

QByteArray prefixed(std::uint32_t length, const QByteArray &content)
{
    QByteArray out(4, '\0');
    qToLittleEndian(length, out.data());
    return out + content;
}

// An item whose stored bytes were read from a description, as the program's are.
struct Described {
    explicit Described(const QByteArray &stored, TCompressionLevel level = clDefault)
    {
        TmxStoredItem *item = source.StoredItems()->Add();
        item->SetStoredData(stored);
        item->SetCompression(level);
        QVERIFY(storage.ReadDescription(source.WriteDescription()));
    }
    TmxStoredItem *item() { return storage.GetItem(0); }
    TmxStorage source;
    TmxStorage storage;
};

} // namespace

class TestStorage : public QObject {
    Q_OBJECT

private slots:
    void roundTripAtEveryLevel_data()
    {
        QTest::addColumn<TCompressionLevel>("level");
        QTest::addColumn<QByteArray>("content");
        for (auto [name, level] :
             {std::pair{"none", clNone}, {"fastest", clFastest}, {"default", clDefault}, {"max", clMax}}) {
            QTest::addRow("%s, sample", name) << level << sample();
            QTest::addRow("%s, one byte", name) << level << QByteArray("\x00", 1);
        }
    }
    void roundTripAtEveryLevel()
    {
        QFETCH(TCompressionLevel, level);
        QFETCH(QByteArray, content);
        TmxStorage storage;
        TmxStoredItem *item = storage.StoredItems()->Add();
        item->SetCompression(level);
        load(item, content);
        QCOMPARE(saved(item), content);
        QCOMPARE(item->Compression(), level);
        if (level == clNone) {
            QCOMPARE(item->StoredData(), content);
            return;
        }
        QCOMPARE(item->FileSize(), content.size());
        // The stored bytes are one zlib stream of the length and the content.
        QByteArray plain(4 + content.size() + 16, '\0');
        uLongf size = uLongf(plain.size());
        QCOMPARE(uncompress(reinterpret_cast<Bytef *>(plain.data()), &size,
                            reinterpret_cast<const Bytef *>(item->StoredData().constData()),
                            uLong(item->StoredData().size())),
                 Z_OK);
        QCOMPARE(plain.left(int(size)), prefixed(std::uint32_t(content.size()), content));
    }

    void levelsSelectZlibsLevels_data()
    {
        QTest::addColumn<TCompressionLevel>("level");
        QTest::addColumn<QByteArray>("header");
        QTest::newRow("fastest") << clFastest << QByteArray("\x78\x01", 2);
        QTest::newRow("default") << clDefault << QByteArray("\x78\x9C", 2);
        QTest::newRow("max") << clMax << QByteArray("\x78\xDA", 2);
    }
    void levelsSelectZlibsLevels()
    {
        QFETCH(TCompressionLevel, level);
        QFETCH(QByteArray, header);
        TmxStorage storage;
        TmxStoredItem *item = storage.StoredItems()->Add();
        item->SetCompression(level);
        load(item, sample());
        QCOMPARE(item->StoredData().left(2), header);
    }

    void switchingLevelsKeepsTheContent()
    {
        TmxStorage storage;
        TmxStoredItem *item = storage.StoredItems()->Add();
        load(item, sample());
        const QByteArray atDefault = item->StoredData();
        int loads = 0, saves = 0;
        item->OnAfterLoad = [&](QObject *) { ++loads; };
        item->OnAfterSave = [&](QObject *) { ++saves; };
        QVERIFY(item->SetCompression(clMax));
        QVERIFY(item->StoredData() != atDefault);
        QVERIFY(item->SetCompression(clDefault));
        QCOMPARE(saved(item), sample());
        QCOMPARE(item->StoredData(), atDefault);
        QCOMPARE(loads, 2);
        QCOMPARE(saves, 3);
        QVERIFY(item->SetCompression(clDefault)); // no change, no events
        QCOMPARE(loads, 2);
    }

    // Asked for its stream, an item turns plain for good and its size follows.
    void asStreamTurnsTheItemPlain()
    {
        QLocale::setDefault(QLocale(QLocale::Polish));
        TmxStorage storage;
        TmxStoredItem *item = storage.StoredItems()->Add();
        load(item, sample());
        QVERIFY(item->Size() < item->FileSize());
        QIODevice *stream = item->GetAsStream();
        QVERIFY(stream);
        QCOMPARE(stream->pos(), 0);
        QCOMPARE(stream->readAll(), sample());
        QCOMPARE(item->Compression(), clNone);
        QCOMPARE(item->Size(), item->FileSize());
        QCOMPARE(item->Ratio(), QStringLiteral("100,00%"));
        QCOMPARE(item->GetAsStream()->readAll(), sample());
        QLocale::setDefault(QLocale::c());
    }

    void prefixOfZeroGivesEmptyContent()
    {
        Described d(zlibOf(prefixed(0, {})));
        bool ok = false;
        QVERIFY(saved(d.item(), &ok).isEmpty());
        QVERIFY(ok);
    }

    void emptyStreamClearsWithoutEvents()
    {
        TmxStorage storage;
        TmxStoredItem *item = storage.StoredItems()->Add();
        load(item, sample());
        int events = 0;
        item->OnBeforeLoad = [&](QObject *, QIODevice *) { ++events; };
        item->OnAfterLoad = [&](QObject *) { ++events; };
        load(item, {});
        QCOMPARE(item->Size(), 0);
        item->LoadFromStream(nullptr);
        QCOMPARE(events, 0);
        QVERIFY(saved(item).isEmpty());
    }

    void badStoredBytes_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QString>("reason");
        const QByteArray good = zlibOf(prefixed(100, QByteArray(100, 'x')));
        QTest::newRow("not zlib") << QByteArray("this is no zlib stream") << "not a valid zlib stream";
        QTest::newRow("check sum spoiled")
            << QByteArray(good).replace(good.size() - 1, 1, "\x01") << "not a valid zlib stream";
        QTest::newRow("cut short") << good.left(good.size() / 2) << "shorter than its length prefix";
        QTest::newRow("prefix cut") << zlibOf(QByteArray("\x05\x00", 2)) << "shorter than its length prefix";
        QTest::newRow("content short of prefix")
            << zlibOf(prefixed(200, QByteArray(100, 'x'))) << "shorter than its length prefix";
        QTest::newRow("content past prefix")
            << zlibOf(prefixed(50, QByteArray(100, 'x'))) << "longer than its length prefix";
        QTest::newRow("prefix of gigabytes")
            << zlibOf(prefixed(0xFFFFFFF0u, QByteArray(100, 'x'))) << "larger than the data can hold";
        QTest::newRow("prefix past the ratio")
            << zlibOf(prefixed(2000000, QByteArray(100, 'x'))) << "larger than the data can hold";
    }
    void badStoredBytes()
    {
        QFETCH(QByteArray, stored);
        QFETCH(QString, reason);
        Described d(stored);
        bool ok = true;
        QString error;
        QVERIFY(saved(d.item(), &ok, &error).isEmpty());
        QVERIFY(!ok);
        QVERIFY2(error.contains(reason), qPrintable(error));
        QVERIFY(!d.item()->GetAsStream(&error));
        QVERIFY(!d.item()->SetCompression(clMax));
        QCOMPARE(d.item()->StoredData(), stored);
        QCOMPARE(d.item()->Compression(), clDefault);
    }

    void findsByNameWhateverTheCase()
    {
        TmxStorage storage;
        QVERIFY(storage.ReadDescription(StoredPicturesDescription()));
        TmxStoredItem *item = storage.ItemByName(QStringLiteral("ZUBEL.BMP"));
        QVERIFY(item);
        QCOMPARE(item->Name(), QStringLiteral("zubel.bmp"));
        QCOMPARE(storage.ItemByFileName(QStringLiteral("Zubel_Inv.bmp"))->Name(), QStringLiteral("zubel_inv.bmp"));
        QVERIFY(!storage.ItemByName(QStringLiteral("zubel2.bmp")));
        QCOMPARE(storage.GetItem(5), storage.StoredItem(5));
        QVERIFY(storage.GetItem(5));
        QVERIFY(!storage.GetItem(storage.StoredItems()->Count()));
        QVERIFY(!storage.GetItem(-1));
    }

    void namesOfAddedItems()
    {
        TmxStorage storage;
        TmxStoredItems *items = storage.StoredItems();
        for (int n = 1; n <= 3; ++n)
            QCOMPARE(items->Add()->Name(), QStringLiteral("mxStoredItem%1").arg(n));
        QVERIFY(items->Items(0)->SetName(QStringLiteral("logo")));
        QCOMPARE(items->Add()->Name(), QStringLiteral("mxStoredItem1"));
        QString error;
        QVERIFY(!items->Items(1)->SetName(QStringLiteral("LOGO"), &error));
        QCOMPARE(error, QStringLiteral("Duplicated stored item name"));
        QCOMPARE(items->Items(1)->Name(), QStringLiteral("mxStoredItem2"));
        QVERIFY(items->Items(0)->SetName(QStringLiteral("Logo"))); // its own name in other case
    }

    void ratioTexts_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("ratio");
        QTest::newRow("comma") << QLocale(QLocale::Polish) << "3,18%";
        QTest::newRow("point") << QLocale(QLocale::English) << "3.18%";
    }
    void ratioTexts()
    {
        QFETCH(QLocale, locale);
        QFETCH(QString, ratio);
        QLocale::setDefault(locale);
        QCOMPARE(mxRatioText(3219, 101136), ratio);
        QCOMPARE(mxRatioText(1, 0), QStringLiteral("100%"));
        QCOMPARE(mxRatioText(25000, 10), QStringLiteral("250000") + locale.decimalPoint() + "00%");
        QLocale::setDefault(QLocale::c());
    }

    void assignCopiesTheStoredForm()
    {
        TmxStorage storage;
        TmxStoredItem *a = storage.StoredItems()->Add();
        TmxStoredItem *b = storage.StoredItems()->Add();
        a->SetTag(42);
        a->SetCompression(clMax);
        load(a, sample());
        QVERIFY(a->AssignTo(b));
        QCOMPARE(b->Tag(), 42);
        QCOMPARE(saved(b), sample());
        QCOMPARE(b->Name(), QStringLiteral("mxStoredItem2"));
        QString error;
        QVERIFY(!a->AssignTo(&storage, &error));
        QCOMPARE(error, QStringLiteral("Cannot assign a TmxStoredItem to a TmxStorage"));
    }

    void storeFiguresAndVersion()
    {
        TmxStorage storage;
        QCOMPARE(storage.Version(), QStringLiteral("1.21"));
        QCOMPARE(storage.Ratio(), QStringLiteral("100%"));
        TmxStoredItem *a = storage.StoredItems()->Add();
        TmxStoredItem *b = storage.StoredItems()->Add();
        load(a, sample());
        b->SetCompression(clNone);
        load(b, QByteArray(10, 'z'));
        QCOMPARE(storage.Size(), a->Size() + 10);
        QCOMPARE(storage.TotalSize(), storage.Size());
        QCOMPARE(storage.OriginalSize(), 5000); // a plain load leaves FileSize alone
        a->SetFileSize(1);                      // ignored outside reading
        QCOMPARE(a->FileSize(), 5000);
    }

    void damagedDescriptionLeavesNoItems_data()
    {
        QTest::addColumn<int>("cut");
        QTest::newRow("inside a block") << -10;
        QTest::newRow("inside the names") << 12;
    }
    void damagedDescriptionLeavesNoItems()
    {
        QFETCH(int, cut);
        TmxStorage storage;
        const QByteArray whole = StoredPicturesDescription();
        QVERIFY(!storage.ReadDescription(whole.left(cut < 0 ? whole.size() + cut : cut)));
        QCOMPARE(storage.StoredItems()->Count(), 0);
        QVERIFY(storage.ReadDescription(whole));
        QCOMPARE(storage.StoredItems()->Count(), 6);
    }

    void extractsEveryItem()
    {
        QTemporaryDir dir;
        TmxStorage storage;
        QVERIFY(storage.ReadDescription(StoredPicturesDescription()));
        QStringList before, after;
        storage.OnBeforeExtract = [&](QObject *, QString &, QString &file, bool &can) {
            before << file;
            can = !file.startsWith(QLatin1String("zubel1"));
        };
        storage.OnAfterExtract = [&](QObject *, const QString &path, const QString &file) {
            QVERIFY(path.endsWith('/'));
            after << file;
        };
        const QString target = dir.filePath(QStringLiteral("a/b"));
        QVERIFY(storage.ExtractTo(target));
        QCOMPARE(before.size(), 6);
        QCOMPARE(after.size(), 4);
        QFile logo(target + QStringLiteral("/kesto_logo.bmp"));
        QVERIFY(logo.open(QIODevice::ReadOnly));
        QCOMPARE(logo.size(), 54 + 96 * 13);
        QVERIFY(!QFile::exists(target + QStringLiteral("/zubel1.bmp")));
    }

    void extractErrorIsReported()
    {
        QTemporaryDir dir;
        TmxStorage storage;
        TmxStoredItem *item = storage.StoredItems()->Add();
        load(item, sample());
        QStringList errors;
        storage.OnExtractError = [&](QObject *, const QString &, const QString &file) { errors << file; };
        QVERIFY(!storage.ExtractTo(dir.path())); // an empty file name is the directory itself
        QCOMPARE(errors, QStringList{QString()});
    }

    // Each picture a 24-bit BMP of the stated size, black and white only, its
    // _inv twin its exact inverse, stored at the default level.
    void thePicturesCarried_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QSize>("size");
        QTest::newRow("logo") << "kesto_logo.bmp" << QSize(32, 13);
        QTest::newRow("zubel") << "zubel.bmp" << QSize(128, 64);
        QTest::newRow("zubel1") << "zubel1.bmp" << QSize(128, 64);
    }
    void thePicturesCarried()
    {
        QFETCH(QString, name);
        QFETCH(QSize, size);
        TmxStorage storage;
        QVERIFY(storage.ReadDescription(StoredPicturesDescription()));
        QCOMPARE(storage.StoredItems()->Count(), 6);
        const QString invName = QString(name).replace(QLatin1String(".bmp"), QLatin1String("_inv.bmp"));
        QImage images[2];
        int i = 0;
        for (const QString &n : {name, invName}) {
            TmxStoredItem *item = storage.ItemByName(n);
            QVERIFY(item);
            QCOMPARE(item->FileName(), n);
            QCOMPARE(item->Compression(), clDefault);
            QCOMPARE(item->StoredData().left(2), QByteArray("\x78\x9C", 2));
            const int stride = (size.width() * 3 + 3) & ~3;
            QCOMPARE(item->FileSize(), 54 + stride * size.height());
            const QByteArray bytes = item->GetAsStream()->readAll();
            QCOMPARE(qFromLittleEndian<std::uint16_t>(bytes.constData() + 28), 24);
            QCOMPARE(qFromLittleEndian<std::uint32_t>(bytes.constData() + 10), 54u);
            images[i] = QImage::fromData(bytes, "BMP");
            QCOMPARE(images[i].size(), size);
            ++i;
        }
        int black = 0;
        for (int y = 0; y < size.height(); ++y)
            for (int x = 0; x < size.width(); ++x) {
                const QRgb a = images[0].pixel(x, y) & 0xFFFFFF, b = images[1].pixel(x, y) & 0xFFFFFF;
                QVERIFY(a == 0 || a == 0xFFFFFF);
                QCOMPARE(b, a ^ 0xFFFFFFu);
                black += a == 0;
            }
        QVERIFY(black > 20 && black < size.width() * size.height() / 2); // a drawing, not a blank
    }
};

QTEST_GUILESS_MAIN(TestStorage)
#include "tst_storage.moc"
