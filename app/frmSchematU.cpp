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
    Image1->setPixmap(QPixmap::fromImage(Pictures::connectorPinoutPicture()));
    Image1->setCursor(Qt::PointingHandCursor);
}
