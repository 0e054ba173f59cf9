// The page pictures and the wiring window.
#include "Pictures.h"
#include "frmSchematU.h"

#include <QLabel>
#include <QPointer>
#include <QSet>
#include <QtTest>

namespace {

int countPixels(const QImage &image, QRgb colour, qint64 *sumX = nullptr)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if ((image.pixel(x, y) & RGB_MASK) == (colour & RGB_MASK)) {
                ++count;
                if (sumX)
                    *sumX += x;
            }
        }
    }
    return count;
}

} // namespace

class TestPictures : public QObject {
    Q_OBJECT
private slots:
    void chipPicture_data();
    void chipPicture();
    void chipLabelIsPrinted();
    void oledPicture();
    void pinoutHasEveryColumnInOrder();
    void pinoutIsDrawnNotBlank();
    void schematWindowFrame();
    void schematPictureFillsWindow();
    void closingOnlyHides();
};

void TestPictures::chipPicture_data()
{
    QTest::addColumn<QString>("label");
    QTest::newRow("24Cxx page") << QStringLiteral("24c04");
    QTest::newRow("93Cxx page") << QStringLiteral("93C46");
    QTest::newRow("RTC page") << QStringLiteral("RTC PCF 8583");
}

void TestPictures::chipPicture()
{
    QFETCH(QString, label);
    const QImage image = Pictures::chipPackagePicture(label).toImage();
    QCOMPARE(image.width(), Pictures::PagePictureWidth);
    QVERIFY(image.height() > 0);
    // It sits on the page background, so the corners must let it through.
    QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
    QCOMPARE(qAlpha(image.pixel(image.width() - 1, image.height() - 1)), 0);
}

void TestPictures::chipLabelIsPrinted()
{
    const QImage a = Pictures::chipPackagePicture(QStringLiteral("24c04")).toImage();
    const QImage b = Pictures::chipPackagePicture(QStringLiteral("93C46")).toImage();
    const QImage blank = Pictures::chipPackagePicture(QString()).toImage();
    QVERIFY(a != b);
    QVERIFY(a != blank);
}

void TestPictures::oledPicture()
{
    const QImage image = Pictures::oledModulePicture().toImage();
    QCOMPARE(image.width(), Pictures::PagePictureWidth);
    QVERIFY(image.height() > 0);
    QVERIFY(image != Pictures::chipPackagePicture(QStringLiteral("24c04")).toImage());
}

void TestPictures::pinoutHasEveryColumnInOrder()
{
    const QImage image = Pictures::connectorPinoutPicture();
    QCOMPARE(image.size(), Pictures::PinoutSize);

    const QStringList expectedTitles{"UART", "SPI", "I2C", "ISP", "PWR"};
    double previousMeanX = -1;
    for (int c = 0; c < Pictures::ColumnCount; ++c) {
        const Pictures::PinoutColumn &column = Pictures::pinoutColumns()[c];
        QCOMPARE(QString::fromLatin1(column.title), expectedTitles[c]);
        qint64 sumX = 0;
        const int count = countPixels(image, column.colour.rgb(), &sumX);
        // A whole header cell of solid colour, not a stray pixel.
        QVERIFY2(count > 500, column.title);
        const double meanX = double(sumX) / count;
        QVERIFY2(meanX > previousMeanX, column.title);
        previousMeanX = meanX;
    }
}

void TestPictures::pinoutIsDrawnNotBlank()
{
    const QImage image = Pictures::connectorPinoutPicture();
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 2)
        for (int x = 0; x < image.width(); x += 2)
            colours.insert(image.pixel(x, y));
    QVERIFY(colours.size() > 20);
    // Every pin has some use: no row of the table is left empty.
    for (const Pictures::PinSignals &row : Pictures::pinoutRows()) {
        bool used = false;
        for (const char *signal : row.signal)
            used = used || *signal;
        QVERIFY2(used, qPrintable(QString::number(row.pin)));
    }
}

void TestPictures::schematWindowFrame()
{
    TfrmSchemat form;
    QCOMPARE(form.objectName(), QStringLiteral("frmSchemat"));
    QCOMPARE(form.windowTitle(), QStringLiteral("Schemat"));
    QVERIFY(!form.isModal());
    QCOMPARE(form.minimumSize(), QSize(642, 360));
    QCOMPARE(form.maximumSize(), QSize(642, 360));
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QCOMPARE(form.size(), QSize(642, 360));
}

void TestPictures::schematPictureFillsWindow()
{
    TfrmSchemat form;
    QVERIFY(form.Image1);
    QCOMPARE(form.Image1->size(), QSize(640, 360));
    QVERIFY(form.rect().contains(form.Image1->geometry()));
    QCOMPARE(form.Image1->cursor().shape(), Qt::PointingHandCursor);
    QVERIFY(form.Image1->pixmap().isNull());
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    const QPixmap picture = form.Image1->pixmap();
    QCOMPARE(picture.size(), QSize(640, 360));
    QCOMPARE(picture.toImage().convertToFormat(QImage::Format_RGB32),
             Pictures::connectorPinoutPicture().convertToFormat(QImage::Format_RGB32));
}

void TestPictures::closingOnlyHides()
{
    QWidget owner;
    QPointer<TfrmSchemat> form = new TfrmSchemat(&owner);
    for (int round = 0; round < 2; ++round) {
        form->show();
        QVERIFY(form->isVisible());
        QVERIFY(form->close());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(form);
        QVERIFY(form->isHidden());
    }
    form->show();
    QTest::keyClick(form, Qt::Key_Escape);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(form);
    QVERIFY(form->isHidden());
}

QTEST_MAIN(TestPictures)
#include "tst_pictures.moc"
