#pragma once
// The wiring window: a passive picture of the adapter's 10-pin connector.
#include <QDialog>

class QLabel;

class TfrmSchemat : public QDialog {
    Q_OBJECT
public:
    explicit TfrmSchemat(QWidget *parent = nullptr);

    QLabel *Image1 = nullptr;

protected:
    void showEvent(QShowEvent *event) override;
};
