#include "controls/tabcontrol.h"

#include <QPainter>
#include <QStyleOptionTabWidgetFrame>
#include <QStylePainter>
#include <QTabBar>

TabControl::TabControl(QWidget *parent)
    : QWidget(parent)
    , m_bar(new QTabBar(this))
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
    for (QWidget *page : qAsConst(m_pages))
        page->setGeometry(rect());
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
