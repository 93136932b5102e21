#include "controls/keyboardreach.h"

#include <QAbstractButton>
#include <QEvent>
#include <QKeySequence>
#include <QPointer>
#include <QWidget>

namespace {

// What a control had before it went out of sight, kept on the control itself so that it goes
// with it.
const char *const SavedPolicy = "keyboardReachFocusPolicy";
const char *const SavedShortcut = "keyboardReachShortcut";

bool inSight(const QWidget *area, const QWidget *control)
{
    return area->rect().contains(control->mapTo(area, control->rect().center()));
}

void putOutOfReach(QWidget *control)
{
    auto *button = qobject_cast<QAbstractButton *>(control);
    const bool hasShortcut = button && !button->shortcut().isEmpty();
    if (control->focusPolicy() == Qt::NoFocus && !hasShortcut)
        return;
    control->setProperty(SavedPolicy, int(control->focusPolicy()));
    control->setFocusPolicy(Qt::NoFocus);
    if (hasShortcut) {
        control->setProperty(SavedShortcut, button->shortcut());
        button->setShortcut(QKeySequence());
    }
}

void bringBack(QWidget *control)
{
    control->setFocusPolicy(Qt::FocusPolicy(control->property(SavedPolicy).toInt()));
    control->setProperty(SavedPolicy, QVariant());
    if (auto *button = qobject_cast<QAbstractButton *>(control);
        button && control->property(SavedShortcut).isValid()) {
        button->setShortcut(control->property(SavedShortcut).value<QKeySequence>());
        control->setProperty(SavedShortcut, QVariant());
    }
}

void apply(QWidget *area, QWidget *home)
{
    QWidget *focus = area->window()->focusWidget();
    bool focusLeft = false;
    const QList<QWidget *> controls = area->findChildren<QWidget *>();
    for (QWidget *control : controls) {
        // Notices and popups are windows of their own, placed where they can be seen.
        if (control->isWindow())
            continue;
        const bool away = control->property(SavedPolicy).isValid();
        if (inSight(area, control)) {
            if (away)
                bringBack(control);
        } else {
            if (!away)
                putOutOfReach(control);
            focusLeft = focusLeft || control == focus;
        }
    }
    if (focusLeft && home)
        home->setFocus(Qt::OtherFocusReason);
}

class Follower : public QObject
{
public:
    Follower(QWidget *area, QWidget *home)
        : QObject(area)
        , m_area(area)
        , m_home(home)
    {
        area->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_area && (event->type() == QEvent::Resize || event->type() == QEvent::Show))
            apply(m_area, m_home);
        return false;
    }

private:
    QWidget *m_area;
    QPointer<QWidget> m_home;
};

} // namespace

namespace KeyboardReach {

void follow(QWidget *area, QWidget *home)
{
    new Follower(area, home);
    apply(area, home);
}

} // namespace KeyboardReach
