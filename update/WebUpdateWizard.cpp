#include "WebUpdateWizard.h"

#include "WebUpdate.h"

#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLabel *PlainLabel(const QString &objectName)
{
    auto *label = new QLabel;
    label->setObjectName(objectName);
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

} // namespace

TWebUpdateWizard::TWebUpdateWizard(TWebUpdate *AWebUpdate, QWidget *parent)
    : QDialog(parent), FWebUpdate(AWebUpdate),
      FUrlOpener([](const QUrl &url) { return QDesktopServices::openUrl(url); })
{
    setWindowTitle(QStringLiteral("Brindle"));
    BuildLayout();
    if (FWebUpdate) {
        connect(FWebUpdate, &TWebUpdate::CheckStarted, this, &TWebUpdateWizard::Refresh);
        connect(FWebUpdate, &TWebUpdate::CheckFinished, this, &TWebUpdateWizard::Refresh);
    }
    Refresh();
}

void TWebUpdateWizard::BuildLayout()
{
    FStatus = PlainLabel(QStringLiteral("StatusText"));
    FStatus->setWordWrap(true);
    QFont heading = FStatus->font();
    heading.setBold(true);
    FStatus->setFont(heading);
    FRunningVersion = PlainLabel(QStringLiteral("RunningVersion"));
    FOfferedVersion = PlainLabel(QStringLiteral("OfferedVersion"));
    FPage = PlainLabel(QStringLiteral("PageAddress"));
    FNotes = new QPlainTextEdit;
    FNotes->setObjectName(QStringLiteral("NotesView"));
    FNotes->setReadOnly(true);

    auto *details = new QFormLayout;
    details->addRow(QStringLiteral("Your version:"), FRunningVersion);
    details->addRow(QStringLiteral("Offered version:"), FOfferedVersion);
    details->addRow(QStringLiteral("Download page:"), FPage);

    auto *safety = new QLabel(QStringLiteral("Brindle downloads and installs nothing by itself: "
                                             "get the new version from its page in your browser."));
    safety->setWordWrap(true);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    FOpenPage = buttons->addButton(QStringLiteral("Open download page"), QDialogButtonBox::ActionRole);
    FOpenPage->setObjectName(QStringLiteral("OpenPageButton"));
    connect(FOpenPage, &QPushButton::clicked, this, &TWebUpdateWizard::OpenPage);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(FStatus);
    layout->addLayout(details);
    layout->addWidget(new QLabel(QStringLiteral("What is new:")));
    layout->addWidget(FNotes);
    layout->addWidget(safety);
    layout->addWidget(buttons);
    resize(460, 340);
}

void TWebUpdateWizard::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (FWebUpdate && (FWebUpdate->State() == TWebUpdate::usIdle || FWebUpdate->State() == TWebUpdate::usFailed))
        FWebUpdate->CheckForUpdate();
    Refresh();
}

void TWebUpdateWizard::Refresh()
{
    const bool answered =
        FWebUpdate && (FWebUpdate->State() == TWebUpdate::usNewer || FWebUpdate->State() == TWebUpdate::usCurrent);
    const TUpdateOffer offer = answered ? FWebUpdate->Offer() : TUpdateOffer{};
    FStatus->setText(StatusText());
    FRunningVersion->setText(FWebUpdate ? FWebUpdate->RunningVersion() : QString());
    FOfferedVersion->setText(answered ? offer.Version : QStringLiteral("-"));
    FPage->setText(answered ? offer.Page.toDisplayString() : QStringLiteral("-"));
    FNotes->setPlainText(offer.Notes);
    FOpenPage->setEnabled(FWebUpdate && FWebUpdate->NewerAvailable());
}

QString TWebUpdateWizard::StatusText() const
{
    if (!FWebUpdate)
        return QStringLiteral("The update check is not available.");
    switch (FWebUpdate->State()) {
    case TWebUpdate::usNewer:
        return QStringLiteral("A newer version of Brindle is available.");
    case TWebUpdate::usCurrent:
        return QStringLiteral("You have the current version of Brindle.");
    case TWebUpdate::usFailed:
        return QStringLiteral("The update check failed: %1.").arg(FWebUpdate->FailReason());
    case TWebUpdate::usIdle:
    case TWebUpdate::usChecking:
        break;
    }
    return QStringLiteral("Checking for a newer version of Brindle...");
}

void TWebUpdateWizard::OpenPage()
{
    if (!FWebUpdate || !FWebUpdate->NewerAvailable())
        return;
    const QUrl page = FWebUpdate->Offer().Page;
    if (FUrlOpener(page))
        FStatus->setText(QStringLiteral("The download page is open in your browser."));
    else
        FStatus->setText(QStringLiteral("No browser could be opened. Please open the download page yourself: %1")
                             .arg(page.toDisplayString()));
}
