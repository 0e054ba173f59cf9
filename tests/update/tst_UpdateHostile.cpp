// The update check against a server that means harm: answers that never end,
// claim to be huge, inflate, or name one host and open another. Each must
// fail with a reason, holding no more than the size limit.
#include "EndlessHttpServer.h"
#include "LoopbackHttpServer.h"
#include "WebUpdate.h"

#include <QSignalSpy>
#include <QTest>

namespace {
constexpr qint64 kLimit = 1024;
const QByteArray kHead = "HTTP/1.1 200 OK\r\nConnection: close\r\n";

QByteArray Answer(const QByteArray &headers, const QByteArray &body)
{
    return kHead + headers + "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

// 16 MiB of text in about 16 KiB of deflate (zlib) stream.
QByteArray Bomb() { return qCompress(QByteArray(16 * 1024 * 1024, '#'), 9).mid(4); }
} // namespace

class TestUpdateHostile : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        FServer = std::make_unique<TLoopbackHttpServer>();
        QVERIFY(FServer->Listen());
        FServer->ServeRaw("/claims-huge", kHead + "Content-Length: 100000000\r\n\r\n" + QByteArray(4000, '#'));
        FServer->ServeRaw("/claims-huge-sends-little", kHead + "Content-Length: 100000000\r\n\r\nversion=1\n");
        FServer->ServeRaw("/bomb", Answer("Content-Encoding: deflate\r\n", Bomb()));
        FServer->Serve("/disguised-page", 200, "version=1.0.0.3\npage=https://www.rzt.pl@other.example/\n");
    }
    void cleanup() { FServer.reset(); }

    void refusedWithReason_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("reason");
        const QString tooLarge = QStringLiteral("the update file is larger than 1024 bytes");
        QTest::newRow("endless chunked body") << "endless" << tooLarge;
        QTest::newRow("Content-Length past the limit") << "/claims-huge" << tooLarge;
        // Refused on the head alone: the few bytes sent stay within the limit.
        QTest::newRow("Content-Length past the limit, short body") << "/claims-huge-sends-little" << tooLarge;
        QTest::newRow("compressed bomb") << "/bomb"
                                         << "the server sent a deflate-encoded answer, which was not asked for";
        QTest::newRow("page with a user name")
            << "/disguised-page"
            << "the update file is malformed: download page: https://www.rzt.pl@other.example/ carries a user "
               "name, which hides the real host other.example";
        QTest::newRow("update address with a user name")
            << "https://www.rzt.pl@other.example/update.txt"
            << "https://www.rzt.pl@other.example/update.txt carries a user name, which hides the real host "
               "other.example";
    }
    void refusedWithReason()
    {
        QFETCH(QString, address);
        QFETCH(QString, reason);
        TEndlessHttpServer endless;
        QVERIFY(endless.Listen());
        TWebUpdate update;
        update.SetModuleFolders({QStringLiteral(BRINDLE_UPDATE_MODULE_DIR)});
        if (address == QLatin1String("endless"))
            update.SetUpdateUrl(endless.Url());
        else
            update.SetUpdateUrl(address.startsWith('/') ? FServer->Url(address) : QUrl(address));
        update.SetRunningVersion("1.0.0.2");
        update.SetMaxResponseBytes(kLimit);
        QSignalSpy finished(&update, &TWebUpdate::CheckFinished);
        QVERIFY(update.CheckForUpdate());
        QVERIFY(finished.wait(20000));
        QCOMPARE(update.State(), TWebUpdate::usFailed);
        QCOMPARE(update.FailReason(), reason);
        QVERIFY(!update.NewerAvailable());
    }

    // The reading side stops at the limit: the server gets no further than
    // what the sockets between them hold.
    void endlessBodyIsNotDrained()
    {
        TEndlessHttpServer endless;
        QVERIFY(endless.Listen());
        TWebUpdate update;
        update.SetModuleFolders({QStringLiteral(BRINDLE_UPDATE_MODULE_DIR)});
        update.SetUpdateUrl(endless.Url());
        update.SetRunningVersion("1.0.0.2");
        update.SetMaxResponseBytes(kLimit);
        QSignalSpy finished(&update, &TWebUpdate::CheckFinished);
        QVERIFY(update.CheckForUpdate());
        QVERIFY(finished.wait(20000));
        QTest::qWait(200);
        QVERIFY2(endless.BytesSent() < 16 * 1024 * 1024, qPrintable(QString::number(endless.BytesSent())));
    }

private:
    std::unique_ptr<TLoopbackHttpServer> FServer;
};

QTEST_MAIN(TestUpdateHostile)
#include "tst_UpdateHostile.moc"
