#pragma once
// The window's tab control. A page is made the first time it is needed: when
// its tab becomes the current one, or when the program asks for it. Until then
// its tab holds an empty stand-in, so a page the user never opens costs nothing
// at start, neither to build nor to style and lay out with the window.
#include <QTabWidget>
#include <functional>

class TPageControl : public QTabWidget {
    Q_OBJECT
public:
    explicit TPageControl(QWidget *parent = nullptr);

    using PageMaker = std::function<QWidget *(QWidget *parent)>;
    void AddLazyPage(const QString &caption, PageMaker make);
    // From now on the current page is made whenever the current tab changes;
    // the current one is made at once.
    void StartMaking();

    // The page at index, made if it wasn't yet.
    QWidget *Page(int index);
    // The page at index if made, else null.
    QWidget *MadePage(int index) const;
    QWidget *CurrentPage() const { return MadePage(currentIndex()); }
    // Makes page current: the tab it was made in.
    void ShowPage(QWidget *page);

private:
    struct Slot {
        QWidget *holder = nullptr;
        QWidget *page = nullptr;
        PageMaker make;
    };
    QList<Slot> FSlots;
    bool FMaking = false;
};
