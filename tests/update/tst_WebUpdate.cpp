// The update component against a local HTTP server: its answers, its
// failures, the redirections it follows or refuses, and that it asks once.
#include "LoopbackHttpServer.h"
#include "WebUpdate.h"

#include <QFile>
#include <QNetworkAccessManager>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

const QByteArray kNewerFile =
    "version=1.0.0.3\npage=https://www.rzt.pl/brindle/\nnotes=Faster reads\nnotes=Fewer bugs\n";
const QUrl kRefusedUrl("http://brindle-update.invalid/update.txt");
constexpr int kWaitMs = 20000;

} // namespace

class TestWebUpdate : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void answers_data();
    void answers();
    void failures_data();
    void failures();
    void truncatedAnswer();
    void timeLimit();
    void redirectFollowed();
    void httpElsewhereRefusedWithoutNetwork();
    void malformedRunningVersion();
    void checksOnce();
    void failedCheckRunsAgain();
    void secondCheckInTheSameTurn_data();
    void secondCheckInTheSameTurn();
    void destroyedWhileChecking();

private:
    std::unique_ptr<TWebUpdate> NewUpdate(const QUrl &url);
    static bool RunCheck(TWebUpdate &update);
    QString LogText() const;

    std::unique_ptr<TLoopbackHttpServer> FServer;
    std::unique_ptr<QTemporaryDir> FDir;
};

void TestWebUpdate::init()
{
    FDir = std::make_unique<QTemporaryDir>();
    FServer = std::make_unique<TLoopbackHttpServer>();
    QVERIFY(FServer->Listen());
    FServer->Serve("/newer", 200, kNewerFile);
    FServer->Serve("/same", 200, "version=1.0.0.2\npage=https://www.rzt.pl/brindle/\n");
    FServer->Serve("/older", 200, "version=1.0.0.1\npage=https://www.rzt.pl/brindle/\n");
    FServer->Serve("/ten", 200, "version=1.0.0.10\npage=https://www.rzt.pl/brindle/\n");
    FServer->Serve("/short", 200, "version=1.0\npage=https://www.rzt.pl/brindle/\n");
    FServer->Serve("/malformed", 200, "version=1.0.0.3\n");
    FServer->Serve("/empty", 204, "");
    FServer->Serve("/large", 200, QByteArray(4096, '#'));
    FServer->ServeRaw("/large-unsized", "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + QByteArray(4096, '#'));
    FServer->ServeRaw("/cut-short", "HTTP/1.1 200 OK\r\nContent-Length: 500\r\nConnection: close\r\n\r\n"
                                    "version=1.0.0.3\npage=https://www.rzt.pl/\n");
    FServer->Redirect("/moved", FServer->Url("/newer").toString());
    FServer->Redirect("/loop", "/loop");
    FServer->Redirect("/away", kRefusedUrl.toString());
    FServer->Redirect("/hop1", FServer->Url("/newer").toString());
    FServer->Redirect("/hop2", "/hop1");
    FServer->Redirect("/hop3", "/hop2");
    FServer->Redirect("/hop4", "/hop3");
    FServer->Silent("/silent");
}

void TestWebUpdate::cleanup()
{
    FServer.reset();
    FDir.reset();
}

std::unique_ptr<TWebUpdate> TestWebUpdate::NewUpdate(const QUrl &url)
{
    auto update = std::make_unique<TWebUpdate>();
    update->SetModuleFolders({QStringLiteral(BRINDLE_UPDATE_MODULE_DIR)});
    update->SetUpdateUrl(url);
    update->SetRunningVersion("1.0.0.2");
    update->SetLogFileName(FDir->filePath("logs/update.log"));
    update->SetMaxResponseBytes(1024);
    return update;
}

bool TestWebUpdate::RunCheck(TWebUpdate &update)
{
    QSignalSpy finished(&update, &TWebUpdate::CheckFinished);
    return update.CheckForUpdate() && finished.wait(kWaitMs) && finished.count() == 1;
}

QString TestWebUpdate::LogText() const
{
    QFile log(FDir->filePath("logs/update.log"));
    return log.open(QIODevice::ReadOnly) ? QString::fromUtf8(log.readAll()) : QString();
}

void TestWebUpdate::answers_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("running");
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("offered");
    QTest::newRow("newer") << "/newer"
                           << "1.0.0.2" << int(TWebUpdate::usNewer) << "1.0.0.3";
    QTest::newRow("same") << "/same"
                          << "1.0.0.2" << int(TWebUpdate::usCurrent) << "1.0.0.2";
    QTest::newRow("older") << "/older"
                           << "1.0.0.2" << int(TWebUpdate::usCurrent) << "1.0.0.1";
    QTest::newRow("newer by number, older by text") << "/ten"
                                                    << "1.0.0.9" << int(TWebUpdate::usNewer) << "1.0.0.10";
    QTest::newRow("short version, missing parts 0") << "/short"
                                                    << "1.0.0.0" << int(TWebUpdate::usCurrent) << "1.0";
    QTest::newRow("three redirections") << "/hop3"
                                        << "1.0.0.2" << int(TWebUpdate::usNewer) << "1.0.0.3";
}

void TestWebUpdate::answers()
{
    QFETCH(QString, path);
    QFETCH(QString, running);
    QFETCH(int, state);
    QFETCH(QString, offered);
    const auto update = NewUpdate(FServer->Url(path));
    update->SetRunningVersion(running);
    QVERIFY(RunCheck(*update));
    QCOMPARE(int(update->State()), state);
    QCOMPARE(update->NewerAvailable(), state == TWebUpdate::usNewer);
    QCOMPARE(update->Offer().Version, offered);
    QCOMPARE(update->Offer().Page, QUrl("https://www.rzt.pl/brindle/"));
    QVERIFY(update->FailReason().isEmpty());
    QCOMPARE(FServer->Requests(path), 1);
    const QString log = LogText();
    QVERIFY2(log.contains(QStringLiteral("check %1, running %2").arg(FServer->Url(path).toString(), running)),
             qPrintable(log));
    QVERIFY2(log.contains(QStringLiteral("%1 %2 offered at https://www.rzt.pl/brindle/")
                              .arg(state == TWebUpdate::usNewer ? "newer" : "not newer", offered)),
             qPrintable(log));
}

void TestWebUpdate::failures_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("reason");
    QTest::newRow("404") << "/missing"
                         << "the server answered HTTP 404";
    QTest::newRow("no content") << "/empty"
                                << "the server answered HTTP 204";
    QTest::newRow("malformed file") << "/malformed"
                                    << "the update file is malformed: no download page given";
    QTest::newRow("too large, sized") << "/large"
                                      << "the update file is larger than 1024 bytes";
    QTest::newRow("too large, unsized") << "/large-unsized"
                                        << "the update file is larger than 1024 bytes";
    QTest::newRow("redirection loop") << "/loop"
                                      << "more than 3 redirections";
    QTest::newRow("four redirections") << "/hop4"
                                       << "more than 3 redirections";
    QTest::newRow("redirection to http elsewhere")
        << "/away"
        << "redirection refused: http://brindle-update.invalid/update.txt is not an https address";
}

void TestWebUpdate::failures()
{
    QFETCH(QString, path);
    QFETCH(QString, reason);
    const auto update = NewUpdate(FServer->Url(path));
    QVERIFY(RunCheck(*update));
    QCOMPARE(update->State(), TWebUpdate::usFailed);
    QCOMPARE(update->FailReason(), reason);
    QVERIFY(!update->NewerAvailable());
    QVERIFY(update->Offer().Version.isEmpty());
    QVERIFY2(LogText().contains("failed: " + reason), qPrintable(LogText()));
}

// A file cut short may still read as a whole one; it must not be believed.
void TestWebUpdate::truncatedAnswer()
{
    const auto update = NewUpdate(FServer->Url("/cut-short"));
    QVERIFY(RunCheck(*update));
    QCOMPARE(update->State(), TWebUpdate::usFailed);
    QVERIFY(!update->FailReason().isEmpty());
    QVERIFY(update->Offer().Version.isEmpty());
}

void TestWebUpdate::timeLimit()
{
    const auto update = NewUpdate(FServer->Url("/silent"));
    update->SetTimeLimitMs(300);
    QVERIFY(RunCheck(*update));
    QCOMPARE(update->State(), TWebUpdate::usFailed);
    QCOMPARE(update->FailReason(), QStringLiteral("no answer from 127.0.0.1 within 0.3 s"));
    QCOMPARE(FServer->Requests("/silent"), 1);
}

void TestWebUpdate::redirectFollowed()
{
    const auto update = NewUpdate(FServer->Url("/moved"));
    QVERIFY(RunCheck(*update));
    QCOMPARE(update->State(), TWebUpdate::usNewer);
    QCOMPARE(update->Offer().Version, QStringLiteral("1.0.0.3"));
    QCOMPARE(update->Offer().Notes, QStringLiteral("Faster reads\nFewer bugs"));
    QCOMPARE(FServer->Requests("/moved"), 1);
    QCOMPARE(FServer->Requests("/newer"), 1);
    QVERIFY(LogText().contains("redirected to " + FServer->Url("/newer").toString()));
}

// Refused before anything reaches the network: no access manager exists yet,
// and the answer is there before the event loop runs.
void TestWebUpdate::httpElsewhereRefusedWithoutNetwork()
{
    const auto update = NewUpdate(kRefusedUrl);
    QSignalSpy finished(update.get(), &TWebUpdate::CheckFinished);
    QVERIFY(update->CheckForUpdate());
    QCOMPARE(update->State(), TWebUpdate::usFailed);
    QCOMPARE(update->FailReason(), QStringLiteral("http://brindle-update.invalid/update.txt is not an https address"));
    QVERIFY(!update->findChild<QNetworkAccessManager *>());
    QCOMPARE(finished.count(), 0);
    QVERIFY(finished.wait(kWaitMs));
    QCOMPARE(finished.count(), 1);
}

void TestWebUpdate::malformedRunningVersion()
{
    const auto update = NewUpdate(FServer->Url("/newer"));
    update->SetRunningVersion("1.0-beta");
    QVERIFY(RunCheck(*update));
    QCOMPARE(update->FailReason(), QStringLiteral("the running version \"1.0-beta\" is not a version number"));
    QCOMPARE(FServer->AllRequests(), 0);
}

void TestWebUpdate::checksOnce()
{
    const auto update = NewUpdate(FServer->Url("/newer"));
    QSignalSpy started(update.get(), &TWebUpdate::CheckStarted);
    QSignalSpy finished(update.get(), &TWebUpdate::CheckFinished);
    QVERIFY(update->CheckForUpdate());
    QVERIFY(!update->CheckForUpdate());
    QVERIFY(finished.wait(kWaitMs));
    QVERIFY(!update->CheckForUpdate());
    QCOMPARE(update->State(), TWebUpdate::usNewer);
    QCOMPARE(started.count(), 1);
    QCOMPARE(finished.count(), 1);
    QCOMPARE(FServer->Requests("/newer"), 1);
}

void TestWebUpdate::failedCheckRunsAgain()
{
    const auto update = NewUpdate(FServer->Url("/later"));
    QVERIFY(RunCheck(*update));
    QCOMPARE(update->FailReason(), QStringLiteral("the server answered HTTP 404"));
    FServer->Serve("/later", 200, kNewerFile);
    QVERIFY(RunCheck(*update));
    QCOMPARE(update->State(), TWebUpdate::usNewer);
    QVERIFY(update->FailReason().isEmpty());
    QCOMPARE(FServer->Requests("/later"), 2);
}

void TestWebUpdate::secondCheckInTheSameTurn_data()
{
    QTest::addColumn<bool>("secondFailsAtOnce");
    QTest::addColumn<int>("state");
    QTest::newRow("second answered by the server") << false << int(TWebUpdate::usNewer);
    QTest::newRow("second fails at once too") << true << int(TWebUpdate::usFailed);
}

// The first check's finish is still queued when the second starts; only the
// second one's may arrive, after the second has ended.
void TestWebUpdate::secondCheckInTheSameTurn()
{
    QFETCH(bool, secondFailsAtOnce);
    QFETCH(int, state);
    const auto update = NewUpdate(kRefusedUrl);
    QSignalSpy started(update.get(), &TWebUpdate::CheckStarted);
    QList<int> statesAtFinish;
    connect(update.get(), &TWebUpdate::CheckFinished, update.get(),
            [&statesAtFinish, &update] { statesAtFinish << int(update->State()); });
    QVERIFY(update->CheckForUpdate());
    QCOMPARE(update->State(), TWebUpdate::usFailed);
    update->SetUpdateUrl(secondFailsAtOnce ? kRefusedUrl : FServer->Url("/newer"));
    QVERIFY(update->CheckForUpdate());
    QTRY_VERIFY_WITH_TIMEOUT(!statesAtFinish.isEmpty(), kWaitMs);
    QCoreApplication::processEvents();
    QCOMPARE(statesAtFinish, QList<int>{state});
    QCOMPARE(started.count(), 2);
}

void TestWebUpdate::destroyedWhileChecking()
{
    auto update = NewUpdate(FServer->Url("/silent"));
    QVERIFY(update->CheckForUpdate());
    QTRY_COMPARE_WITH_TIMEOUT(FServer->Requests("/silent"), 1, kWaitMs);
    update.reset();
    QTest::qWait(50);
}

QTEST_GUILESS_MAIN(TestWebUpdate)
#include "tst_WebUpdate.moc"
