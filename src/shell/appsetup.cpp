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

void afterApplication(QApplication &app, const QString &tahomaDir)
{
    app.setApplicationDisplayName(QString());
    for (const char *file : {"tahoma.ttf", "tahomabd.ttf"}) {
        const QString path = tahomaDir + QLatin1Char('/') + QLatin1String(file);
        if (QFile::exists(path))
            QFontDatabase::addApplicationFont(path);
    }
    // Without Tahoma (Debian testing has no wine) the fixed-size labels clip in the usual
    // fallback, DejaVu Sans, which is wider; Liberation Sans, of Arial's widths, is no wider.
    if (!QFontDatabase::hasFamily(QStringLiteral("Tahoma")))
        QFont::insertSubstitution(QStringLiteral("Tahoma"), QStringLiteral("Liberation Sans"));
    QFont font(QStringLiteral("Tahoma"));
    font.setPointSizeF(8.25);
    app.setFont(font);
}

} // namespace AppSetup
