#include "PageControl.h"

#include <QPainter>
#include <QProxyStyle>
#include <QStyleOptionTab>
#include <QTabBar>
#include <QVBoxLayout>

namespace {
// The flat tabs of the classic Windows style, each at least kTabWidth wide,
// with the text never cut short. A proxy style, not a style sheet: the style
// sheet machinery alone cost more at start than the whole tab bar.
class TFlatTabStyle : public QProxyStyle {
public:
    TFlatTabStyle() : QProxyStyle(QStringLiteral("Windows")) {}

    QSize sizeFromContents(ContentsType type, const QStyleOption *option, const QSize &size,
                           const QWidget *widget) const override
    {
        const auto *tab = qstyleoption_cast<const QStyleOptionTab *>(option);
        if (type != CT_TabBarTab || !tab)
            return QProxyStyle::sizeFromContents(type, option, size, widget);
        const int text = option->fontMetrics.horizontalAdvance(tab->text);
        return QSize(qMax(kTabWidth, text) + 2 * kTabPadding, kTabHeight);
    }

    void drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                     const QWidget *widget) const override
    {
        const auto *tab = qstyleoption_cast<const QStyleOptionTab *>(option);
        if (element != CE_TabBarTabLabel || !tab)
            return QProxyStyle::drawControl(element, option, painter, widget);
        drawItemText(painter, tab->rect.adjusted(kTabPadding, 0, -kTabPadding, 0),
                     Qt::AlignCenter | Qt::TextShowMnemonic, tab->palette, tab->state & State_Enabled, tab->text,
                     QPalette::WindowText);
    }

private:
    static constexpr int kTabWidth = 102;
    static constexpr int kTabHeight = 22;
    static constexpr int kTabPadding = 4;
};
} // namespace

TPageControl::TPageControl(QWidget *parent) : QTabWidget(parent)
{
    auto *style = new TFlatTabStyle;
    style->setParent(tabBar());
    tabBar()->setStyle(style);
    connect(this, &QTabWidget::currentChanged, this, [this](int index) {
        if (FMaking && index >= 0)
            Page(index);
    });
}

void TPageControl::AddLazyPage(const QString &caption, PageMaker make)
{
    auto *holder = new QWidget(this);
    auto *layout = new QVBoxLayout(holder);
    layout->setContentsMargins(0, 0, 0, 0);
    FSlots.append({holder, nullptr, std::move(make)});
    addTab(holder, caption);
}

void TPageControl::StartMaking()
{
    FMaking = true;
    if (currentIndex() >= 0)
        Page(currentIndex());
}

QWidget *TPageControl::Page(int index)
{
    if (index < 0 || index >= FSlots.size())
        return nullptr;
    Slot &slot = FSlots[index];
    if (!slot.page) {
        slot.page = slot.make(slot.holder);
        slot.holder->layout()->addWidget(slot.page);
        slot.page->show();
    }
    return slot.page;
}

QWidget *TPageControl::MadePage(int index) const
{
    return index >= 0 && index < FSlots.size() ? FSlots[index].page : nullptr;
}

void TPageControl::ShowPage(QWidget *page)
{
    for (int index = 0; index < FSlots.size(); ++index)
        if (FSlots[index].page == page)
            setCurrentIndex(index);
}
