// The rules of the update check that need no network: version order, the
// description file, which addresses may be fetched, and where the address
// comes from.
#include "UpdateAddress.h"
#include "UpdateFile.h"
#include "UpdateVersion.h"

#include <QTest>

class TestUpdateRules : public QObject {
    Q_OBJECT

private slots:
    void compareVersions_data();
    void compareVersions();
    void malformedVersions_data();
    void malformedVersions();
    void updateFile_data();
    void updateFile();
    void malformedFile_data();
    void malformedFile();
    void allowedAddresses_data();
    void allowedAddresses();
    void redirects_data();
    void redirects();
    void resolveAddress_data();
    void resolveAddress();
};

void TestUpdateRules::compareVersions_data()
{
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<int>("order");
    QTest::newRow("equal") << "1.0.0.2"
                           << "1.0.0.2" << 0;
    QTest::newRow("last part newer") << "1.0.0.3"
                                     << "1.0.0.2" << 1;
    QTest::newRow("last part older") << "1.0.0.1"
                                     << "1.0.0.2" << -1;
    QTest::newRow("numeric, not text") << "1.0.0.10"
                                       << "1.0.0.9" << 1;
    QTest::newRow("first part outweighs the rest") << "2.0.0.0"
                                                   << "1.9.9.9" << 1;
    QTest::newRow("missing parts are 0") << "1.0"
                                         << "1.0.0.0" << 0;
    QTest::newRow("short but newer") << "1.1"
                                     << "1.0.0.9" << 1;
    QTest::newRow("short and older") << "1"
                                     << "1.0.0.1" << -1;
    QTest::newRow("leading zeros") << "1.0.0.010"
                                   << "1.0.0.9" << 1;
    QTest::newRow("largest part") << "1.0.0.65535"
                                  << "1.0.0.65534" << 1;
}

void TestUpdateRules::compareVersions()
{
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(int, order);
    const std::optional<TVersionNumber> first = ParseVersion(a);
    const std::optional<TVersionNumber> second = ParseVersion(b);
    QVERIFY(first && second);
    QCOMPARE(CompareVersions(*first, *second), order);
    QCOMPARE(CompareVersions(*second, *first), -order);
}

void TestUpdateRules::malformedVersions_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << "";
    QTest::newRow("empty part") << "1..2";
    QTest::newRow("trailing dot") << "1.0.";
    QTest::newRow("letter") << "1.0a";
    QTest::newRow("five parts") << "1.2.3.4.5";
    QTest::newRow("part too large") << "1.65536";
    QTest::newRow("sign") << "+1.0";
    QTest::newRow("negative") << "-1";
    QTest::newRow("blank inside") << "1. 0";
    QTest::newRow("other script's digit") << QString::fromUtf8("1.\u0663");
    QTest::newRow("long digit run") << "1.000001";
}

void TestUpdateRules::malformedVersions()
{
    QFETCH(QString, text);
    QVERIFY(!ParseVersion(text));
}

void TestUpdateRules::updateFile_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QUrl>("source");
    QTest::addColumn<QString>("version");
    QTest::addColumn<QUrl>("page");
    QTest::addColumn<QString>("notes");
    const QUrl https("https://www.rzt.pl/brindle/update.txt");
    QTest::newRow("plain") << QByteArray("version=1.0.0.3\npage=https://www.rzt.pl/brindle/\n") << https << "1.0.0.3"
                           << QUrl("https://www.rzt.pl/brindle/") << "";
    QTest::newRow("notes, comments, blanks, CRLF, unknown key")
        << QByteArray("# Brindle\r\n\r\n version = 1.2 \r\npage=https://x.example/p?a=b\r\nnotes=First\r\n"
                      "channel=beta\r\nnotes= Second = still notes \r\n")
        << https << "1.2" << QUrl("https://x.example/p?a=b") << "First\nSecond = still notes";
    QTest::newRow("UTF-8 notes and byte order mark")
        << QByteArray("\xEF\xBB\xBFversion=1.0.0.3\npage=https://www.rzt.pl/\nnotes=Zażółć gęślą jaźń") << https
        << "1.0.0.3" << QUrl("https://www.rzt.pl/") << QString::fromUtf8("Zażółć gęślą jaźń");
    QTest::newRow("comments indented by blanks and tabs")
        << QByteArray("   # Brindle update description\n\t# newest first\n \t#version=9\nversion=1.0.0.3\n"
                      "  # page follows\r\npage=https://www.rzt.pl/brindle/\n")
        << https << "1.0.0.3" << QUrl("https://www.rzt.pl/brindle/") << "";
    QTest::newRow("loopback http page from a loopback file")
        << QByteArray("version=1.0.0.3\npage=http://127.0.0.1:8080/get\n") << QUrl("http://127.0.0.1:8080/u.txt")
        << "1.0.0.3" << QUrl("http://127.0.0.1:8080/get") << "";
}

void TestUpdateRules::updateFile()
{
    QFETCH(QByteArray, data);
    QFETCH(QUrl, source);
    TUpdateOffer offer;
    QString error;
    QVERIFY2(ParseUpdateFile(data, source, offer, error), qPrintable(error));
    QTEST(offer.Version, "version");
    QTEST(offer.Page, "page");
    QTEST(offer.Notes, "notes");
}

void TestUpdateRules::malformedFile_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QUrl>("source");
    QTest::addColumn<QString>("error");
    const QUrl https("https://www.rzt.pl/brindle/update.txt");
    const QUrl loopback("http://127.0.0.1:8080/update.txt");
    QTest::newRow("empty") << QByteArray() << https << "no version given";
    QTest::newRow("no page") << QByteArray("version=1.0.0.3\n") << https << "no download page given";
    QTest::newRow("no version") << QByteArray("page=https://www.rzt.pl/\n") << https << "no version given";
    QTest::newRow("bad version") << QByteArray("version=1.0.0.3b\npage=https://www.rzt.pl/\n") << https
                                 << "\"1.0.0.3b\" is not a version number";
    QTest::newRow("version twice") << QByteArray("version=1.0.0.3\nversion=9\npage=https://www.rzt.pl/\n") << https
                                   << "version given twice";
    QTest::newRow("page twice") << QByteArray("version=1\npage=https://a.example/\npage=https://b.example/\n") << https
                                << "page given twice";
    QTest::newRow("# after a value is part of it") << QByteArray("version=1.0.0.3 # newest\npage=https://www.rzt.pl/\n")
                                                   << https << "\"1.0.0.3 # newest\" is not a version number";
    QTest::newRow("line without =") << QByteArray("version=1.0.0.3\nhello\npage=https://www.rzt.pl/\n") << https
                                    << "line 2 is not key=value";
    QTest::newRow("HTML page instead") << QByteArray("<html>\n<body>Login</body>\n") << https
                                       << "line 1 is not key=value";
    QTest::newRow("http page") << QByteArray("version=1.0.0.3\npage=http://www.rzt.pl/\n") << https
                               << "download page: http://www.rzt.pl/ is not an https address";
    QTest::newRow("loopback page from the web") << QByteArray("version=1.0.0.3\npage=http://127.0.0.1/\n") << https
                                                << "download page: http://127.0.0.1/ is not an https address";
    QTest::newRow("file page") << QByteArray("version=1.0.0.3\npage=file:///bin/sh\n") << loopback
                               << "download page: \"file:///bin/sh\" is not a web address";
    QTest::newRow("http page elsewhere from loopback")
        << QByteArray("version=1.0.0.3\npage=http://www.rzt.pl/\n") << loopback
        << "download page: http://www.rzt.pl/ is not an https address";
    QTest::newRow("not UTF-8") << QByteArray("version=1.0.0.3\npage=https://www.rzt.pl/\nnotes=\xB3\xF3\n") << https
                               << "not UTF-8 text";
}

void TestUpdateRules::malformedFile()
{
    QFETCH(QByteArray, data);
    QFETCH(QUrl, source);
    TUpdateOffer offer{"untouched", QUrl("https://keep.example/"), "notes"};
    QString error;
    QVERIFY(!ParseUpdateFile(data, source, offer, error));
    QTEST(error, "error");
    QCOMPARE(offer.Version, QStringLiteral("untouched"));
}

void TestUpdateRules::allowedAddresses_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("allowed");
    QTest::newRow("default") << QString::fromLatin1(kDefaultUpdateAddress) << true;
    QTest::newRow("https elsewhere") << "https://mirror.example:8443/u.txt" << true;
    QTest::newRow("http elsewhere") << "http://www.rzt.pl/brindle/update.txt" << false;
    QTest::newRow("http private network") << "http://192.168.1.1/update.txt" << false;
    QTest::newRow("http 127.0.0.1") << "http://127.0.0.1:8080/update.txt" << true;
    QTest::newRow("http elsewhere in 127/8") << "http://127.45.6.7/update.txt" << true;
    QTest::newRow("http ::1") << "http://[::1]:8080/update.txt" << true;
    QTest::newRow("http ::1 written out") << "http://[0:0:0:0:0:0:0:1]/update.txt" << true;
    QTest::newRow("http IPv4-mapped loopback") << "http://[::ffff:127.0.0.1]/update.txt" << true;
    QTest::newRow("http IPv4-mapped elsewhere") << "http://[::ffff:10.0.0.1]/update.txt" << false;
    QTest::newRow("http 127.1 shorthand") << "http://127.1/update.txt" << true;
    QTest::newRow("http 127.0.0.1 as one number") << "http://2130706433/update.txt" << true;
    QTest::newRow("http ::2") << "http://[::2]/update.txt" << false;
    QTest::newRow("http just below 127/8") << "http://126.255.255.255/update.txt" << false;
    QTest::newRow("http just above 127/8") << "http://128.0.0.1/update.txt" << false;
    QTest::newRow("http localhost") << "http://localhost/update.txt" << true;
    QTest::newRow("http LOCALHOST") << "http://LOCALHOST/update.txt" << true;
    QTest::newRow("name that starts like localhost") << "http://localhost.example.com/u.txt" << false;
    QTest::newRow("name that starts like 127") << "http://127.0.0.1.example.com/u.txt" << false;
    QTest::newRow("userinfo trick") << "http://127.0.0.1@www.rzt.pl/u.txt" << false;
    QTest::newRow("ftp") << "ftp://127.0.0.1/update.txt" << false;
    QTest::newRow("file") << "file:///etc/passwd" << false;
    QTest::newRow("no host") << "https:///update.txt" << false;
    QTest::newRow("relative") << "update.txt" << false;
    QTest::newRow("empty") << "" << false;
}

void TestUpdateRules::allowedAddresses()
{
    QFETCH(QString, address);
    QFETCH(bool, allowed);
    QString refusal;
    QCOMPARE(IsAllowedUpdateUrl(QUrl(address, QUrl::StrictMode), &refusal), allowed);
    QCOMPARE(refusal.isEmpty(), allowed);
}

void TestUpdateRules::redirects_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<bool>("allowed");
    QTest::newRow("https to https") << "https://www.rzt.pl/u.txt"
                                    << "https://cdn.example/u.txt" << true;
    QTest::newRow("https down to http") << "https://www.rzt.pl/u.txt"
                                        << "http://www.rzt.pl/u.txt" << false;
    QTest::newRow("https to loopback http") << "https://www.rzt.pl/u.txt"
                                            << "http://127.0.0.1/u.txt" << false;
    QTest::newRow("loopback to loopback") << "http://127.0.0.1:1/u.txt"
                                          << "http://localhost:2/v.txt" << true;
    QTest::newRow("loopback to https") << "http://127.0.0.1/u.txt"
                                       << "https://www.rzt.pl/u.txt" << true;
    QTest::newRow("loopback to http elsewhere") << "http://127.0.0.1/u.txt"
                                                << "http://www.rzt.pl/u.txt" << false;
    QTest::newRow("to a file") << "https://www.rzt.pl/u.txt"
                               << "file:///etc/passwd" << false;
}

void TestUpdateRules::redirects()
{
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(bool, allowed);
    QCOMPARE(IsAllowedRedirect(QUrl(from), QUrl(to)), allowed);
}

void TestUpdateRules::resolveAddress_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("environment");
    QTest::addColumn<QString>("setting");
    QTest::addColumn<QUrl>("expected");
    const QString cmd = "https://cmd.example/u.txt";
    const QString env = "https://env.example/u.txt";
    const QString set = "https://set.example/u.txt";
    QTest::newRow("all given: command line") << QStringList{"brindle", "--update-url", cmd} << env << set << QUrl(cmd);
    QTest::newRow("option with =") << QStringList{"brindle", "--update-url=" + cmd} << env << set << QUrl(cmd);
    QTest::newRow("last option wins") << QStringList{"brindle", "--update-url", env, "--simulator",
                                                     "--update-url=" + cmd}
                                      << ""
                                      << "" << QUrl(cmd);
    QTest::newRow("environment over setting") << QStringList{"brindle", "--simulator"} << env << set << QUrl(env);
    QTest::newRow("setting") << QStringList{"brindle"} << "" << set << QUrl(set);
    QTest::newRow("default") << QStringList{"brindle"} << ""
                             << "" << QUrl(kDefaultUpdateAddress);
    QTest::newRow("blank values are absent") << QStringList{"brindle", "--update-url="} << "  "
                                             << "" << QUrl(kDefaultUpdateAddress);
    QTest::newRow("option without value") << QStringList{"brindle", "--update-url"} << env << set << QUrl(env);
    QTest::newRow("program name is not an option") << QStringList{"--update-url=" + cmd} << "" << set << QUrl(set);
    QTest::newRow("invalid override is kept, not skipped") << QStringList{"brindle", "--update-url", "http://exa mple/"}
                                                           << env << set << QUrl("http://exa mple/", QUrl::StrictMode);
}

void TestUpdateRules::resolveAddress()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, environment);
    QFETCH(QString, setting);
    QFETCH(QUrl, expected);
    const QUrl url = ResolveUpdateUrl(arguments, environment, setting);
    QCOMPARE(url.isValid(), expected.isValid());
    if (expected.isValid())
        QCOMPARE(url, expected);
}

QTEST_GUILESS_MAIN(TestUpdateRules)
#include "tst_UpdateRules.moc"
