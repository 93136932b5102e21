#pragma once

#include <QStringList>
#include <QVector>
#include <QWidget>

class QTabBar;

// A tabbed control whose pages cover the whole control, tab strip included, so that the
// controls on a page are placed relative to the control's own top left corner, as every layout
// table of HopWise gives them. The tab strip is drawn over the top of the pages.
class TabControl : public QWidget
{
    Q_OBJECT
public:
    explicit TabControl(QWidget *parent = nullptr);

    // Adds a page and returns it; controls are created as children of the page.
    QWidget *addPage(const QString &caption, const QString &objectName = QString());
    // Adds a page built elsewhere; the control takes it over and sizes it to cover itself.
    void addPage(const QString &caption, QWidget *page);
    int count() const { return m_pages.size(); }
    QWidget *page(int i) const { return m_pages.value(i); }
    QString tabText(int i) const;
    int currentIndex() const;
    void setCurrentIndex(int i);
    QTabBar *tabBar() const { return m_bar; }

signals:
    void currentChanged(int index);

protected:
    void resizeEvent(QResizeEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void showPage(int index);

    QTabBar *m_bar;
    QVector<QWidget *> m_pages;
};
