#include "controls/notice.h"

#include <QEvent>
#include <QLabel>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QWidget>

namespace {

// Keeps a notice where the player looks: under its anchor, pulled inside the part of the window
// that is on screen whatever size the window has now, and held back while the window is
// minimised or not shown, so that its time only runs while it can be read.
class Keeper : public QObject
{
public:
    explicit Keeper(QLabel *label)
        : QObject(label)
        , m_label(label)
        , m_timer(new QTimer(this))
    {
        setObjectName(QStringLiteral("noticeKeeper"));
        m_timer->setSingleShot(true);
        connect(m_timer, &QTimer::timeout, label, &QLabel::hide);
        label->parentWidget()->installEventFilter(this);
    }

    void tell(QWidget *anchor, int milliseconds)
    {
        m_anchor = anchor;
        m_milliseconds = milliseconds;
        m_waiting = true;
        m_timer->stop();
        follow();
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::Show:
        case QEvent::Resize:
        case QEvent::WindowStateChange:
            follow();
            break;
        default:
            break;
        }
        return false;
    }

private:
    void follow()
    {
        QWidget *window = m_label->parentWidget();
        if (!window->isVisible() || window->isMinimized()) {
            if (m_waiting)
                m_label->hide();
            return;
        }
        if (!m_waiting && m_label->isHidden())
            return;
        place(window);
        if (m_waiting) {
            m_waiting = false;
            m_label->show();
            m_label->raise();
            m_timer->start(m_milliseconds);
        }
    }

    void place(QWidget *window)
    {
        QRect seen = window->rect();
        if (const QScreen *screen = window->screen()) {
            const QRect avail = screen->availableGeometry();
            const QRect onScreen(window->mapFromGlobal(avail.topLeft()), avail.size());
            if (seen.intersects(onScreen))
                seen &= onScreen;
        }
        m_label->setMaximumWidth(qMin(360, seen.width()));
        m_label->adjustSize();
        QPoint at =
            m_anchor ? m_anchor->mapTo(window, QPoint(0, m_anchor->height() + 2)) : seen.topLeft();
        at.setX(qMax(seen.left(), qMin(at.x(), seen.right() + 1 - m_label->width())));
        at.setY(qMax(seen.top(), qMin(at.y(), seen.bottom() + 1 - m_label->height())));
        m_label->move(at);
    }

    QLabel *m_label;
    QTimer *m_timer;
    QPointer<QWidget> m_anchor;
    int m_milliseconds = 0;
    bool m_waiting = false;
};

} // namespace

namespace Notice {

void show(QWidget *anchor, const QString &text, int milliseconds)
{
    if (!anchor)
        return;
    QWidget *window = anchor->window();
    auto *label = window->findChild<QLabel *>(QStringLiteral("notice"), Qt::FindDirectChildrenOnly);
    if (!label) {
        // Inside the window rather than a window of its own: it moves with the window and can
        // never be left outside it.
        label = new QLabel(window);
        label->setObjectName(QStringLiteral("notice"));
        label->hide();
        label->setTextFormat(Qt::PlainText);
        label->setWordWrap(true);
        label->setMargin(6);
        label->setStyleSheet(QStringLiteral(
            "QLabel { background: #fff8dc; color: #202020; border: 1px solid #a08040; }"));
        // Read as the message it shows, not as the word "Notice".
        label->setAccessibleDescription(QStringLiteral("Notice"));
        new Keeper(label);
    }
    label->setText(text);
    static_cast<Keeper *>(
        label->findChild<QObject *>(QStringLiteral("noticeKeeper"), Qt::FindDirectChildrenOnly))
        ->tell(anchor, milliseconds);
}

} // namespace Notice
