#include "controls/notice.h"

#include <QLabel>
#include <QPointer>
#include <QTimer>
#include <QWidget>

namespace Notice {

void show(QWidget *anchor, const QString &text, int milliseconds)
{
    if (!anchor)
        return;
    QWidget *window = anchor->window();
    auto *label = window->findChild<QLabel *>(QStringLiteral("notice"), Qt::FindDirectChildrenOnly);
    if (!label) {
        label = new QLabel(window);
        label->setObjectName(QStringLiteral("notice"));
        label->setWindowFlags(Qt::ToolTip);
        label->setTextFormat(Qt::PlainText);
        label->setWordWrap(true);
        label->setMargin(6);
        label->setStyleSheet(QStringLiteral(
            "QLabel { background: #fff8dc; color: #202020; border: 1px solid #a08040; }"));
        // Read as the message it shows, not as the word "Notice".
        label->setAccessibleDescription(QStringLiteral("Notice"));
    }
    label->setText(text);
    label->setMaximumWidth(360);
    label->adjustSize();
    label->move(anchor->mapToGlobal(QPoint(0, anchor->height() + 2)));
    label->show();
    label->raise();

    auto *timer = label->findChild<QTimer *>();
    if (!timer) {
        timer = new QTimer(label);
        timer->setSingleShot(true);
        QObject::connect(timer, &QTimer::timeout, label, &QLabel::hide);
    }
    timer->start(milliseconds);
}

} // namespace Notice
