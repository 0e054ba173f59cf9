#include "Cp1250.h"

#include <QTest>

#include <iconv.h>

namespace {

// The C library's converter is the reference the table is checked against.
QChar IconvChar(unsigned char byte)
{
    iconv_t cd = iconv_open("UTF-16LE", "CP1250");
    if (cd == iconv_t(-1))
        qFatal("iconv has no CP1250 converter");
    char in = char(byte);
    char16_t out = 0;
    char *inPtr = &in;
    char *outPtr = reinterpret_cast<char *>(&out);
    size_t inLeft = 1;
    size_t outLeft = sizeof out;
    const size_t result = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    return result == size_t(-1) ? QChar(QChar::ReplacementCharacter) : QChar(out);
}

const QString kPolish = QStringLiteral("Zażółć gęślą jaźń ĄĆĘŁŃÓŚŹŻ");
const QByteArray kPolishCp1250("Za\xBF\xF3\xB3\xE6 g\xEA\x9Cl\xB9 ja\x9F\xF1 \xA5\xC6\xCA\xA3\xD1\xD3\x8C\x8F\xAF");

} // namespace

class TestCp1250 : public QObject {
    Q_OBJECT

private slots:
    void everyByteMatchesIconv();
    void polishTextRoundTrips();
    void encodeReplacesMissingCharacters_data();
    void encodeReplacesMissingCharacters();
};

void TestCp1250::everyByteMatchesIconv()
{
    for (int byte = 0; byte < 256; ++byte)
        QCOMPARE(Cp1250::ToUnicode(uchar(byte)), IconvChar(uchar(byte)));
}

void TestCp1250::polishTextRoundTrips()
{
    QCOMPARE(Cp1250::Encode(kPolish), kPolishCp1250);
    QCOMPARE(Cp1250::Decode(kPolishCp1250), kPolish);
}

void TestCp1250::encodeReplacesMissingCharacters_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("ascii kept, NUL included") << QString::fromLatin1("a\0~", 3) << QByteArray("a\0~", 3);
    QTest::newRow("cyrillic") << QStringLiteral("xЖy") << QByteArray("x?y");
    QTest::newRow("undefined byte's C1 control") << QStringLiteral("\u0081") << QByteArray("?");
    QTest::newRow("replacement character") << QStringLiteral("\uFFFD") << QByteArray("?");
    QTest::newRow("outside the BMP is one character") << QStringLiteral("a\U0001F600b") << QByteArray("a?b");
    QTest::newRow("euro and dot above") << QStringLiteral("€˙") << QByteArray("\x80\xFF");
}

void TestCp1250::encodeReplacesMissingCharacters()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(Cp1250::Encode(text), bytes);
}

QTEST_APPLESS_MAIN(TestCp1250)
#include "tst_Cp1250.moc"
