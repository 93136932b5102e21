#include "tools/screenshot.h"

#include "tools/screencapture.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QLabel>
#include <QLocale>
#include <QPixmap>
#include <QScopeGuard>
#include <QTime>

namespace {

constexpr int MaxAttempts = 1000;

QString twoDigits(int n)
{
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

// Writes the PNG into a file that did not exist before; false when the name is taken.
bool writeNewFile(const QString &path, const QImage &image, QString *error, bool *taken)
{
    QFile file(path);
    *taken = false;
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        if (QFile::exists(path)) {
            *taken = true;
        } else {
            *error = QCoreApplication::translate("Screenshot", "The screenshot could not be "
                                                               "saved to %1: %2")
                         .arg(QDir::toNativeSeparators(path), file.errorString());
        }
        return false;
    }
    QImageWriter writer(&file, "png");
    if (!writer.write(image)) {
        *error =
            QCoreApplication::translate("Screenshot", "The screenshot could not be saved to %1: %2")
                .arg(QDir::toNativeSeparators(path), writer.errorString());
        file.close();
        // A half-written picture under a screenshot's name would look like a real shot.
        file.remove();
        return false;
    }
    if (!file.flush()) {
        *error =
            QCoreApplication::translate("Screenshot", "The screenshot could not be saved to %1: %2")
                .arg(QDir::toNativeSeparators(path), file.errorString());
        file.close();
        file.remove();
        return false;
    }
    return true;
}

std::function<QDateTime()> &screenshotClock()
{
    static std::function<QDateTime()> clock;
    return clock;
}

} // namespace

void setScreenshotClockForTesting(std::function<QDateTime()> clock)
{
    screenshotClock() = std::move(clock);
}

QString screenshotFileName(const QDate &date, const QTime &time, const QLocale &locale)
{
    QString month = locale.monthName(date.month(), QLocale::ShortFormat);
    // A month name is text of the locale's, and a file name cannot hold a folder separator.
    month.replace(QLatin1Char('/'), QLatin1Char('-'));
    const QString datePart = month + QLatin1Char(' ') + twoDigits(date.day()) + QLatin1Char(' ') +
                             twoDigits(date.year() % 100) + QLatin1Char(' ');
    const QString timePart = QString::number(time.hour()) + QLatin1Char(' ') +
                             twoDigits(time.minute()) + QLatin1Char(' ') + twoDigits(time.second());
    return datePart + timePart + QStringLiteral(".png");
}

QString screenshotCandidateName(const QString &fileName, int attempt)
{
    if (attempt <= 1)
        return fileName;
    const QString suffix = QStringLiteral(".png");
    const QString stem = fileName.endsWith(suffix) ? fileName.chopped(suffix.size()) : fileName;
    return stem + QStringLiteral(" (%1)").arg(attempt) + suffix;
}

ScreenshotResult takeScreenshot(QWidget *window, QLabel *picture, const QString &programDir)
{
    ScreenshotResult result;
    // The desktop's portal may take a minute to answer while events run: a second request
    // meanwhile (a timer, an accessibility action) must not start a second capture.
    static bool capturing = false;
    if (capturing) {
        result.error =
            QCoreApplication::translate("Screenshot", "A screenshot is already being taken.");
        return result;
    }
    capturing = true;
    const auto captureDone = qScopeGuard([] { capturing = false; });

    QClipboard *clipboard = QGuiApplication::clipboard();
    clipboard->clear();

    // The picture the Print Screen key would leave: the whole screen the window is on.
    const ScreenCapture captured = captureScreen(window);
    if (captured.image.isNull()) {
        result.error = captured.error;
        return result;
    }
    clipboard->setImage(captured.image);

    QCoreApplication::processEvents();

    QImage image = clipboard->image();
    // The clipboard belongs to the whole desktop: another program may have taken it meanwhile.
    // The shot the player asked for is still the one captured above.
    if (image.isNull())
        image = captured.image;
    if (picture)
        picture->setPixmap(QPixmap::fromImage(image));

    // One read: a date and a time read apart can straddle midnight and name the shot a day off.
    const QDateTime now = screenshotClock() ? screenshotClock()() : QDateTime::currentDateTime();

    const QString folder = programDir + QStringLiteral("/screenshots");
    if (!QDir().mkpath(folder)) {
        result.error =
            QCoreApplication::translate("Screenshot", "The folder %1 could not be created.")
                .arg(QDir::toNativeSeparators(folder));
        return result;
    }

    const QString name = screenshotFileName(now.date(), now.time(), QLocale());
    const QImage toSave = picture ? picture->pixmap().toImage() : image;
    for (int attempt = 1; attempt <= MaxAttempts; ++attempt) {
        const QString path = folder + QLatin1Char('/') + screenshotCandidateName(name, attempt);
        bool taken = false;
        if (writeNewFile(path, toSave, &result.error, &taken)) {
            result.path = path;
            return result;
        }
        if (!taken)
            return result;
    }
    result.error =
        QCoreApplication::translate("Screenshot", "There are too many screenshots named %1.")
            .arg(name);
    return result;
}
