#include "frmSchematU.h"

#include "Pictures.h"

#include <QLabel>

TfrmSchemat::TfrmSchemat(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmSchemat"));
    setWindowTitle(QStringLiteral("Schemat"));
    // The window lives for the whole run: closing only hides it.
    setAttribute(Qt::WA_DeleteOnClose, false);
    setModal(false);
    setFixedSize(642, 360);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(QRect(QPoint(1, 0), Pictures::PinoutSize));
    Image1->setCursor(Qt::PointingHandCursor);
}

// Most runs never open the window: the wiring is painted the first time it is.
void TfrmSchemat::showEvent(QShowEvent *event)
{
    if (Image1->pixmap().isNull())
        Image1->setPixmap(QPixmap::fromImage(Pictures::connectorPinoutPicture()));
    QDialog::showEvent(event);
}
