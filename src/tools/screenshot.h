#pragma once

#include <QDateTime>
#include <QString>

#include <functional>

class QLabel;
class QLocale;
class QWidget;

// "MMM DD YY " + "H MM SS" + ".png": the locale's abbreviated month, day and year as two digits,
// the hour of the 24-hour clock without a leading zero, minutes and seconds as two digits.
QString screenshotFileName(const QDate &date, const QTime &time, const QLocale &locale);

// The name to try for the attempt-th shot that wants fileName (attempt 1 is the name itself):
// " (2)", " (3)" ... go before the ".png", so an earlier shot is never overwritten.
QString screenshotCandidateName(const QString &fileName, int attempt);

struct ScreenshotResult
{
    QString path;  // the file written, when it worked
    QString error; // what went wrong, for the player, when it did not
    bool ok() const { return error.isEmpty(); }
};

// Takes a picture of the whole screen that `window` is on, passes it through the clipboard as
// the desktop's Print Screen key would, keeps it in `picture` and saves it as a PNG file in
// programDir + "/screenshots/" (created when missing). Lets pending events run once, in the
// middle, and while the desktop's portal is asked for the picture (see captureScreen); a call
// made meanwhile fails at once. Never throws and never ends the program: a failure comes back
// in the result.
ScreenshotResult takeScreenshot(QWidget *window, QLabel *picture, const QString &programDir);

// Replaces the clock a shot is named by (tests step it over midnight); an empty function
// restores the system clock.
void setScreenshotClockForTesting(std::function<QDateTime()> clock);
