// Every window is laid out in fixed places for Tahoma; a face that is wider clips the texts of
// its fixed-size labels and buttons. Run once with Tahoma and once as on a system without it
// (HOPWISE_TEST_FACE=fallback), where the program picks another face.
#include "shell/appsetup.h"
#include "shell/frmmain.h"
#include "shell/frmsplash.h"
#include "shell/frmupdate.h"
#include "web/frmabout.h"
#include "web/frmbrowser.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFontDatabase>
#include <QLabel>
#include <QTest>

class TstLayoutFit : public QObject
{
    Q_OBJECT
private slots:
    void textsFit();
};

void TstLayoutFit::textsFit()
{
    if (!QFontDatabase::hasFamily(QStringLiteral("Tahoma")) &&
        qEnvironmentVariable("HOPWISE_TEST_FACE") != QLatin1String("fallback"))
        QSKIP("Tahoma is not installed (fonts-wine); the fallback run covers this system");
    FrmMain main;
    FrmSplash splash;
    FrmUpdate update(QStringLiteral("1.0.2"), QStringLiteral("1.0.10"));
    FrmAbout about;
    FrmBrowser browser;
    QStringList clipped;
    const auto check = [&](QWidget *control, const QString &text, int room, int tall) {
        const QFontMetrics fm(control->font());
        const QStringList lines = text.split(QLatin1Char('\n'));
        int widest = 0;
        for (const QString &line : lines)
            widest = qMax(widest, fm.horizontalAdvance(line));
        const int height = fm.height() * int(lines.size());
        if (widest > room || height > tall)
            clipped << QStringLiteral("%1.%2 \"%3\": %4x%5 in %6x%7 (%8)")
                           .arg(control->window()->objectName(), control->objectName(), text)
                           .arg(widest)
                           .arg(height)
                           .arg(room)
                           .arg(tall)
                           .arg(QFontInfo(control->font()).family());
    };
    for (QWidget *w : std::initializer_list<QWidget *>{&main, &splash, &update, &about, &browser}) {
        w->ensurePolished();
        for (QLabel *label : w->findChildren<QLabel *>()) {
            if (!label->text().isEmpty() && !label->wordWrap())
                check(label, label->text(), label->contentsRect().width(),
                      label->contentsRect().height());
        }
        for (QAbstractButton *button : w->findChildren<QAbstractButton *>()) {
            // The frame and the focus rectangle take about a character on either side.
            if (!button->text().isEmpty() && !button->objectName().isEmpty())
                check(button, button->text().remove(QLatin1Char('&')),
                      button->width() - QFontMetrics(button->font()).averageCharWidth(),
                      button->height());
        }
    }
    QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(QLatin1Char('\n'))));
}

int main(int argc, char *argv[])
{
    AppSetup::beforeApplication();
    QApplication app(argc, argv);
    // As on a system without wine's fonts: the face the program picks then.
    if (qEnvironmentVariable("HOPWISE_TEST_FACE") == QLatin1String("fallback"))
        AppSetup::afterApplication(app, QDir::currentPath() + QStringLiteral("/no-such-folder"));
    else
        AppSetup::afterApplication(app);
    TstLayoutFit tc;
    return QTest::qExec(&tc, argc, argv);
}

#include "tst_layoutfit.moc"
