// The fair start-up baseline: a plain window with the same kinds of widgets as
// Brindle's (five tabs, a status bar with two panels, two text views, a combo
// box, buttons, a check box), so that it pays the same font and style set-up
// any window that draws text pays, and nothing of Brindle's own.
#include "StartupProbe.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTextEdit>
#include <QVBoxLayout>

namespace {
QWidget *TextPage(QWidget *parent, bool withControls)
{
    auto *page = new QWidget(parent);
    auto *layout = new QVBoxLayout(page);
    if (withControls) {
        layout->addWidget(new QComboBox(page));
        layout->addWidget(new QPushButton(QStringLiteral("Read"), page));
        layout->addWidget(new QCheckBox(QStringLiteral("Gaps"), page));
    }
    layout->addWidget(new QTextEdit(page));
    return page;
}
} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.resize(720, 456);
    auto *tabs = new QTabWidget(&window);
    tabs->addTab(TextPage(tabs, true), QStringLiteral("Page 1"));
    tabs->addTab(TextPage(tabs, false), QStringLiteral("Page 2"));
    for (int page = 3; page <= 5; ++page)
        tabs->addTab(new QWidget(tabs), QStringLiteral("Page %1").arg(page));
    window.setCentralWidget(tabs);
    window.statusBar()->addWidget(new QLabel(QStringLiteral("not connected"), window.statusBar()));
    window.statusBar()->addWidget(new QLabel(QStringLiteral("current version"), window.statusBar()));
    InstallStartupProbe(&window);
    window.show();
    return app.exec();
}
