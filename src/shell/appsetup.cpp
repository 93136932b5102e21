#include "shell/appsetup.h"

#include <QApplication>
#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QtWebEngineCore/qtwebenginecoreglobal.h>

#include <unistd.h>

namespace AppSetup {

void beforeApplication()
{
    // Chromium refuses to start as root unless its sandbox is off.
    if (::geteuid() == 0) {
        QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
        if (!flags.contains("--no-sandbox")) {
            flags += flags.isEmpty() ? "--no-sandbox" : " --no-sandbox";
            qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags);
        }
    }
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QCoreApplication::setApplicationName(QStringLiteral("hopwise"));
    // Wayland compositors find the menu entry, and with it the icon, by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral(HOPWISE_APP_ID));
}

void afterApplication(QApplication &app)
{
    app.setApplicationDisplayName(QString());
    const QString tahoma = QStringLiteral("/usr/share/wine/fonts/tahoma.ttf");
    if (QFile::exists(tahoma))
        QFontDatabase::addApplicationFont(tahoma);
    const QString tahomaBold = QStringLiteral("/usr/share/wine/fonts/tahomabd.ttf");
    if (QFile::exists(tahomaBold))
        QFontDatabase::addApplicationFont(tahomaBold);
    QFont font(QStringLiteral("Tahoma"));
    font.setPointSizeF(8.25);
    app.setFont(font);
}

} // namespace AppSetup
