// Status panel 1 and the update wizard, driven by a real check against a
// local HTTP server: what the user reads, where a click leads, and that the
// wizard starts a check when there is no answer yet.
#include "LoopbackHttpServer.h"
#include "UpdateStatusPanel.h"
#include "WebUpdate.h"
#include "WebUpdateWizard.h"

#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTextDocument>

#include <memory>

namespace {

const QByteArray kNewerFile =
    "version=1.0.0.3\npage=https://www.rzt.pl/brindle/\nnotes=Faster reads\nnotes=<b>Fewer</b> bugs\n";
constexpr int kWaitMs = 20000;

// What a tooltip shows, markup rendered.
QString ShownText(const QString &toolTip)
{
    QTextDocument document;
    if (Qt::mightBeRichText(toolTip))
        document.setHtml(toolTip);
    else
        document.setPlainText(toolTip);
    return document.toPlainText();
}

QString LabelText(const QWidget &parent, const char *name)
{
    const auto *label = parent.findChild<QLabel *>(name);
    return label ? label->text() : QStringLiteral("<no %1>").arg(name);
}

} // namespace

class TestUpdateWidgets : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void panelBeforeCheck();
    void panelShowsResult_data();
    void panelShowsResult();
    void panelBlinks();
    void panelLeavesNewerLook();
    void failureTooltipIsNotMarkup();
    void wizardStartsCheckWhenOpened();
    void wizardOpensPage_data();
    void wizardOpensPage();
    void wizardRetriesFailedCheck();
    void wizardKeepsAnswer();
    void wizardShowsRefusal();

private:
    std::unique_ptr<TWebUpdate> NewUpdate(const QString &path);
    static bool WaitForAnswer(TWebUpdate &update);

    std::unique_ptr<TLoopbackHttpServer> FServer;
};

void TestUpdateWidgets::init()
{
    FServer = std::make_unique<TLoopbackHttpServer>();
    QVERIFY(FServer->Listen());
    FServer->Serve("/newer", 200, kNewerFile);
    FServer->Serve("/same", 200, "version=1.0.0.2\npage=https://www.rzt.pl/brindle/\n");
    FServer->Silent("/silent");
}

void TestUpdateWidgets::cleanup() { FServer.reset(); }

std::unique_ptr<TWebUpdate> TestUpdateWidgets::NewUpdate(const QString &path)
{
    auto update = std::make_unique<TWebUpdate>();
    update->SetModuleFolders({QStringLiteral(BRINDLE_UPDATE_MODULE_DIR)});
    update->SetUpdateUrl(FServer->Url(path));
    update->SetRunningVersion("1.0.0.2");
    update->SetTimeLimitMs(300);
    return update;
}

bool TestUpdateWidgets::WaitForAnswer(TWebUpdate &update)
{
    QSignalSpy finished(&update, &TWebUpdate::CheckFinished);
    return finished.wait(kWaitMs);
}

void TestUpdateWidgets::panelBeforeCheck()
{
    TUpdateStatusPanel panel;
    panel.show();
    QSignalSpy clicked(&panel, &TUpdateStatusPanel::clicked);
    QVERIFY(panel.text().isEmpty());
    QVERIFY(!panel.IsBlinking());
    QCOMPARE(panel.cursor().shape(), Qt::PointingHandCursor);
    QTest::mouseClick(&panel, Qt::LeftButton);
    QCOMPARE(clicked.count(), 1);
    QTest::mouseClick(&panel, Qt::RightButton);
    QCOMPARE(clicked.count(), 1);
}

void TestUpdateWidgets::panelShowsResult_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("toolTip");
    QTest::addColumn<bool>("newerLook");
    QTest::newRow("newer") << "/newer"
                           << "Click & get update: ver.1.0.0.3"
                           << "Click to see what is new and where to get it" << true;
    QTest::newRow("current") << "/same"
                             << "It's current ver. of Brindle"
                             << "No newer version of Brindle is offered" << false;
    QTest::newRow("no answer") << "/silent"
                               << "Update check failed"
                               << "Update check failed: no answer from 127.0.0.1 within 0.3 s" << false;
    QTest::newRow("missing file") << "/missing"
                                  << "Update check failed"
                                  << "Update check failed: the server answered HTTP 404" << false;
}

void TestUpdateWidgets::panelShowsResult()
{
    QFETCH(QString, path);
    QFETCH(bool, newerLook);
    const auto update = NewUpdate(path);
    QWidget bar;
    auto *panel = new TUpdateStatusPanel(&bar);
    connect(update.get(), &TWebUpdate::CheckFinished, panel, [&] { panel->ShowCheckResult(*update); });
    bar.show();
    QSignalSpy clicked(panel, &TUpdateStatusPanel::clicked);
    QVERIFY(update->CheckForUpdate());
    QVERIFY(WaitForAnswer(*update));
    QTEST(panel->text(), "text");
    QTEST(ShownText(panel->toolTip()), "toolTip");
    QCOMPARE(panel->IsBlinking(), newerLook);
    QCOMPARE(panel->font().bold(), newerLook);
    QCOMPARE(panel->palette().color(QPalette::WindowText) == TUpdateStatusPanel::kNewerColor, newerLook);
    QCOMPARE(panel->autoFillBackground(), newerLook);
    QCOMPARE(panel->palette().color(QPalette::Window) == QPalette().color(QPalette::Window), !newerLook);
    QVERIFY2(panel->width() >= panel->fontMetrics().horizontalAdvance(panel->text()),
             qPrintable(QString::number(panel->width())));
    QTest::mouseClick(panel, Qt::LeftButton);
    QCOMPARE(clicked.count(), 1);
}

void TestUpdateWidgets::panelBlinks()
{
    TUpdateStatusPanel panel;
    panel.show();
    panel.ShowNewer("1.0.0.3");
    QCOMPARE(panel.IsLit(), true);
    QTRY_VERIFY_WITH_TIMEOUT(!panel.IsLit(), kWaitMs);
    QCOMPARE(panel.palette().color(QPalette::WindowText).alpha(), 0);
    QCOMPARE(panel.text(), QStringLiteral("Click & get update: ver.1.0.0.3"));
    QTRY_VERIFY_WITH_TIMEOUT(panel.IsLit(), kWaitMs);
    QCOMPARE(panel.palette().color(QPalette::WindowText), TUpdateStatusPanel::kNewerColor);
}

// A later check's answer replaces the blinking look entirely.
void TestUpdateWidgets::panelLeavesNewerLook()
{
    TUpdateStatusPanel panel;
    panel.ShowNewer("1.0.0.3");
    panel.ShowCurrent();
    QVERIFY(!panel.IsBlinking());
    QVERIFY(!panel.font().bold());
    QVERIFY(!panel.autoFillBackground());
    QCOMPARE(panel.palette().color(QPalette::WindowText), QPalette().color(QPalette::WindowText));
    QCOMPARE(panel.palette().color(QPalette::Window), QPalette().color(QPalette::Window));
}

void TestUpdateWidgets::failureTooltipIsNotMarkup()
{
    TUpdateStatusPanel panel;
    panel.ShowFailed("<img src=\"x\"> & <b>bold</b>");
    QVERIFY(Qt::mightBeRichText(panel.toolTip()));
    QCOMPARE(ShownText(panel.toolTip()), QStringLiteral("Update check failed: <img src=\"x\"> & <b>bold</b>"));
}

void TestUpdateWidgets::wizardStartsCheckWhenOpened()
{
    const auto update = NewUpdate("/newer");
    TWebUpdateWizard wizard(update.get());
    QCOMPARE(wizard.windowTitle(), QStringLiteral("Brindle"));
    QCOMPARE(update->State(), TWebUpdate::usIdle);
    wizard.show();
    QCOMPARE(update->State(), TWebUpdate::usChecking);
    QCOMPARE(LabelText(wizard, "StatusText"), QStringLiteral("Checking for a newer version of Brindle..."));
    QVERIFY(!wizard.findChild<QPushButton *>("OpenPageButton")->isEnabled());
    QVERIFY(WaitForAnswer(*update));
    QCOMPARE(LabelText(wizard, "StatusText"), QStringLiteral("A newer version of Brindle is available."));
    QCOMPARE(LabelText(wizard, "RunningVersion"), QStringLiteral("1.0.0.2"));
    QCOMPARE(LabelText(wizard, "OfferedVersion"), QStringLiteral("1.0.0.3"));
    QCOMPARE(LabelText(wizard, "PageAddress"), QStringLiteral("https://www.rzt.pl/brindle/"));
    QCOMPARE(wizard.findChild<QPlainTextEdit *>("NotesView")->toPlainText(),
             QStringLiteral("Faster reads\n<b>Fewer</b> bugs"));
    QVERIFY(wizard.findChild<QPushButton *>("OpenPageButton")->isEnabled());
    QCOMPARE(FServer->Requests("/newer"), 1);
}

void TestUpdateWidgets::wizardOpensPage_data()
{
    QTest::addColumn<bool>("browserOpens");
    QTest::addColumn<QString>("status");
    QTest::newRow("browser opens") << true << "The download page is open in your browser.";
    QTest::newRow("no browser") << false
                                << "No browser could be opened. Please open the download page yourself: "
                                   "https://www.rzt.pl/brindle/";
}

void TestUpdateWidgets::wizardOpensPage()
{
    QFETCH(bool, browserOpens);
    const auto update = NewUpdate("/newer");
    TWebUpdateWizard wizard(update.get());
    QList<QUrl> opened;
    wizard.SetUrlOpener([&](const QUrl &url) {
        opened.append(url);
        return browserOpens;
    });
    wizard.show();
    QVERIFY(WaitForAnswer(*update));
    QTest::mouseClick(wizard.findChild<QPushButton *>("OpenPageButton"), Qt::LeftButton);
    QCOMPARE(opened, QList<QUrl>{QUrl("https://www.rzt.pl/brindle/")});
    QTEST(LabelText(wizard, "StatusText"), "status");
}

void TestUpdateWidgets::wizardRetriesFailedCheck()
{
    const auto update = NewUpdate("/later");
    QVERIFY(update->CheckForUpdate());
    QVERIFY(WaitForAnswer(*update));
    TWebUpdateWizard wizard(update.get());
    QCOMPARE(LabelText(wizard, "StatusText"), QStringLiteral("The update check failed: the server answered HTTP 404."));
    FServer->Serve("/later", 200, kNewerFile);
    wizard.show();
    QCOMPARE(update->State(), TWebUpdate::usChecking);
    QVERIFY(WaitForAnswer(*update));
    QCOMPARE(LabelText(wizard, "OfferedVersion"), QStringLiteral("1.0.0.3"));
    QCOMPARE(FServer->Requests("/later"), 2);
}

void TestUpdateWidgets::wizardKeepsAnswer()
{
    const auto update = NewUpdate("/same");
    QVERIFY(update->CheckForUpdate());
    QVERIFY(WaitForAnswer(*update));
    TWebUpdateWizard wizard(update.get());
    QList<QUrl> opened;
    wizard.SetUrlOpener([&](const QUrl &url) {
        opened.append(url);
        return true;
    });
    wizard.show();
    QCOMPARE(update->State(), TWebUpdate::usCurrent);
    QCOMPARE(LabelText(wizard, "StatusText"), QStringLiteral("You have the current version of Brindle."));
    QCOMPARE(LabelText(wizard, "OfferedVersion"), QStringLiteral("1.0.0.2"));
    auto *openPage = wizard.findChild<QPushButton *>("OpenPageButton");
    QVERIFY(!openPage->isEnabled());
    QTest::mouseClick(openPage, Qt::LeftButton);
    QVERIFY(opened.isEmpty());
    QCOMPARE(FServer->Requests("/same"), 1);
}

void TestUpdateWidgets::wizardShowsRefusal()
{
    TWebUpdate update;
    update.SetUpdateUrl(QUrl("http://brindle-update.invalid/update.txt"));
    update.SetRunningVersion("1.0.0.2");
    TWebUpdateWizard wizard(&update);
    wizard.show();
    QCOMPARE(
        LabelText(wizard, "StatusText"),
        QStringLiteral("The update check failed: http://brindle-update.invalid/update.txt is not an https address."));
    QCOMPARE(LabelText(wizard, "OfferedVersion"), QStringLiteral("-"));
}

QTEST_MAIN(TestUpdateWidgets)
#include "tst_UpdateWidgets.moc"
