#include "AdapterChoice.h"
#include "TForm1.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Brindle"));
    QApplication::setApplicationVersion(QStringLiteral(BRINDLE_VERSION));

    AdapterChoice adapter(QApplication::arguments());
    if (!adapter.isValid()) {
        fprintf(stderr, "%s\n", qPrintable(adapter.error()));
        return 2;
    }
    TForm1 form;
    form.show();
    return app.exec();
}
