#pragma once
// The update wizard: the running and the offered version, what is new, and
// a button that opens the download page in the user's browser. It never
// downloads or runs anything itself. Shown before the check has answered (or
// after it failed), it starts a check at once and follows it.
#include <QDialog>
#include <QPointer>
#include <QUrl>

#include <functional>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class TWebUpdate;

class TWebUpdateWizard : public QDialog {
    Q_OBJECT

public:
    // Opens an address in the browser; true when it did.
    using TUrlOpener = std::function<bool(const QUrl &url)>;

    explicit TWebUpdateWizard(TWebUpdate *AWebUpdate, QWidget *parent = nullptr);

    // QDesktopServices::openUrl unless replaced.
    void SetUrlOpener(TUrlOpener opener) { FUrlOpener = std::move(opener); }

protected:
    void showEvent(QShowEvent *event) override;

private:
    void BuildLayout();
    void Refresh();
    QString StatusText() const;
    void OpenPage();

    QPointer<TWebUpdate> FWebUpdate;
    TUrlOpener FUrlOpener;
    QLabel *FStatus = nullptr;
    QLabel *FRunningVersion = nullptr;
    QLabel *FOfferedVersion = nullptr;
    QLabel *FPage = nullptr;
    QPlainTextEdit *FNotes = nullptr;
    QPushButton *FOpenPage = nullptr;
};
