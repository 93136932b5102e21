#include "controls/design.h"

#include <QIcon>
#include <QPixmap>
#include <QScreen>

namespace Design {

void setUpWindow(QWidget *window, const char *name, const QString &title, Qt::WindowFlags flags,
                 Closing closing, bool icon, QSize fixedTwips)
{
    window->setObjectName(QLatin1String(name));
    if (closing == Closing::Unloads)
        window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowTitle(title);
    window->setWindowFlags(flags);
    // Set after the flags: Qt leaves tool windows out when it looks for the last window.
    if (closing == Closing::StaysLoaded)
        window->setAttribute(Qt::WA_QuitOnClose, true);
    if (icon)
        window->setWindowIcon(QIcon(QStringLiteral(":/hopwise/icon.png")));
    if (!fixedTwips.isEmpty())
        window->setFixedSize(Twips::size(fixedTwips.width(), fixedTwips.height()));
}

void whiteText(QWidget *control)
{
    QPalette pal = control->palette();
    pal.setColor(QPalette::WindowText, Qt::white);
    control->setPalette(pal);
}

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
