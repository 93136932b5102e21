#include "controls/tabcontrol.h"

#include <QApplication>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleOptionTabWidgetFrame>
#include <QStylePainter>
#include <QTabBar>

#include <utility>

namespace {

// Tabs keep their natural width while they fit; when the captions are wider than the control,
// every tab gets an equal share of its width, as a fixed-width tab strip would, with the padding
// around the captions narrowed so they stay readable, rather than the last tabs running off the
// edge.
class FittingTabBar : public QTabBar
{
public:
    explicit FittingTabBar(QWidget *parent)
        : QTabBar(parent)
        , m_tightStyle(new TightStyle(this))
    {}

    // Called when the control's width or the tabs change.
    void fit(int controlWidth)
    {
        int natural = 0;
        const int padding = QApplication::style()->pixelMetric(QStyle::PM_TabBarTabHSpace);
        for (int i = 0; i < count(); ++i)
            natural += fontMetrics().horizontalAdvance(tabText(i)) + padding;
        const bool squeeze = count() > 0 && natural > controlWidth;
        m_shareWidth = squeeze ? controlWidth / count() : 0;
        setStyle(squeeze ? m_tightStyle : nullptr);
    }

protected:
    QSize tabSizeHint(int index) const override
    {
        QSize hint = QTabBar::tabSizeHint(index);
        if (m_shareWidth > 0)
            hint.setWidth(m_shareWidth);
        return hint;
    }
    QSize minimumTabSizeHint(int index) const override { return tabSizeHint(index); }

private:
    class TightStyle : public QProxyStyle
    {
    public:
        explicit TightStyle(QObject *owner)
            : QProxyStyle(QApplication::style()->name())
        {
            setParent(owner);
        }
        int pixelMetric(PixelMetric metric, const QStyleOption *option,
                        const QWidget *widget) const override
        {
            if (metric == PM_TabBarTabHSpace)
                return 4;
            return QProxyStyle::pixelMetric(metric, option, widget);
        }
    };

    TightStyle *m_tightStyle;
    int m_shareWidth = 0;
};

} // namespace

TabControl::TabControl(QWidget *parent)
    : QWidget(parent)
    , m_bar(new FittingTabBar(this))
{
    m_bar->setDrawBase(false);
    m_bar->setExpanding(false);
    m_bar->setUsesScrollButtons(false);
    connect(m_bar, &QTabBar::currentChanged, this, &TabControl::showPage);
}

QWidget *TabControl::addPage(const QString &caption, const QString &objectName)
{
    auto *page = new QWidget(this);
    page->setObjectName(objectName);
    addPage(caption, page);
    return page;
}

void TabControl::addPage(const QString &caption, QWidget *page)
{
    page->setParent(this);
    page->setGeometry(rect());
    page->setAccessibleName(caption);
    m_pages.append(page);
    m_bar->addTab(caption);
    static_cast<FittingTabBar *>(m_bar)->fit(width());
    m_bar->raise();
    showPage(m_bar->currentIndex());
}

QString TabControl::tabText(int i) const
{
    return m_bar->tabText(i);
}

int TabControl::currentIndex() const
{
    return m_bar->currentIndex();
}

void TabControl::setCurrentIndex(int i)
{
    m_bar->setCurrentIndex(i);
}

void TabControl::showPage(int index)
{
    for (int i = 0; i < m_pages.size(); ++i)
        m_pages[i]->setVisible(i == index);
    m_bar->raise();
    emit currentChanged(index);
}

void TabControl::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    for (QWidget *page : std::as_const(m_pages))
        page->setGeometry(rect());
    static_cast<FittingTabBar *>(m_bar)->fit(width());
    m_bar->setGeometry(0, 0, width(), m_bar->sizeHint().height());
}

void TabControl::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    QStyleOptionTabWidgetFrame frame;
    frame.initFrom(this);
    const int top = m_bar->sizeHint().height();
    frame.rect = QRect(0, top, width(), height() - top);
    frame.tabBarSize = m_bar->sizeHint();
    frame.tabBarRect = QRect(0, 0, m_bar->sizeHint().width(), top);
    painter.drawPrimitive(QStyle::PE_FrameTabWidget, frame);
}
