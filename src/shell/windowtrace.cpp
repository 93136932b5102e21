#include "shell/windowtrace.h"

#include <QApplication>
#include <QEvent>
#include <QObject>
#include <QWebEngineView>
#include <QWidget>

namespace StartupTrace {

namespace {

class FirstPaint : public QObject
{
public:
    FirstPaint(QWidget *window, const char *event)
        : QObject(window)
        , m_window(window)
        , m_event(event)
    {
        qApp->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *object, QEvent *e) override
    {
        // The first widget of the window painted means the window is exposed; its backing store
        // reaches the screen right after. Which widget paints first depends on what covers what.
        if (!m_done && e->type() == QEvent::Paint && object->isWidgetType() &&
            static_cast<QWidget *>(object)->window() == m_window) {
            // The filter may still see the other widgets of the same paint pass.
            m_done = true;
            mark(m_event);
            qApp->removeEventFilter(this);
            deleteLater();
        }
        return false;
    }

private:
    QWidget *m_window;
    const char *m_event;
    bool m_done = false;
};

} // namespace

void markFirstPaint(QWidget *window, const char *event)
{
    if (enabled())
        window->installEventFilter(new FirstPaint(window, event));
}

void markFirstLoad(QWebEngineView *view, const char *event)
{
    if (!enabled() || !view)
        return;
    auto *once = new QObject(view);
    QObject::connect(view, &QWebEngineView::loadFinished, once, [once, event] {
        mark(event);
        delete once;
    });
}

} // namespace StartupTrace
