#include "controls/design.h"

#include <QPixmap>
#include <QScreen>

namespace Design {

QLabel *backdrop(QWidget *parent, const QString &resource)
{
    auto *image = new QLabel(parent);
    image->setObjectName(QStringLiteral("imgBG"));
    image->setScaledContents(true);
    image->setPixmap(QPixmap(resource));
    image->lower();
    return image;
}

void centreOnScreen(QWidget *window)
{
    if (QScreen *screen = window->screen()) {
        QRect frame = window->frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        window->move(frame.topLeft());
    }
}

} // namespace Design
