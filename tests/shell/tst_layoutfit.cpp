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

#include <memory>

class TstLayoutFit : public QObject
{
    Q_OBJECT
private slots:
    void textsFit_data();
    void textsFit();
};

void TstLayoutFit::textsFit_data()
{
    QTest::addColumn<QString>("window");
    for (const char *w : {"frmMain", "frmSplash", "frmUpdate", "frmAbout", "frmBrowser"})
        QTest::newRow(w) << QString::fromLatin1(w);
}

void TstLayoutFit::textsFit()
{
    QFETCH(QString, window);
    if (!QFontDatabase::hasFamily(QStringLiteral("Tahoma")) &&
        qEnvironmentVariable("HOPWISE_TEST_FACE") != QLatin1String("fallback"))
        QSKIP("Tahoma is not installed (fonts-wine); the fallback run covers this system");
    std::unique_ptr<QWidget> w;
    if (window == QLatin1String("frmMain"))
        w = std::make_unique<FrmMain>();
    else if (window == QLatin1String("frmSplash"))
        w = std::make_unique<FrmSplash>();
    else if (window == QLatin1String("frmUpdate"))
        w = std::make_unique<FrmUpdate>(QStringLiteral("1.0.2"), QStringLiteral("1.0.10"));
    else if (window == QLatin1String("frmAbout"))
        w = std::make_unique<FrmAbout>();
    else
        w = std::make_unique<FrmBrowser>();
    w->ensurePolished();

    QStringList clipped;
    const auto check = [&](QWidget *control, const QString &text, int room, int tall) {
        const QFontMetrics fm(control->font());
        const QStringList lines = text.split(QLatin1Char('\n'));
        int widest = 0;
        for (const QString &line : lines)
            widest = qMax(widest, fm.horizontalAdvance(line));
        const int height = fm.height() * int(lines.size());
        if (widest > room || height > tall)
            clipped << QStringLiteral("%1 \"%2\": %3x%4 in %5x%6 (%7)")
                           .arg(control->objectName(), text)
                           .arg(widest)
                           .arg(height)
                           .arg(room)
                           .arg(tall)
                           .arg(QFontInfo(control->font()).family());
    };
    for (QLabel *label : w->findChildren<QLabel *>()) {
        if (label->text().isEmpty() || label->wordWrap())
            continue;
        const QRect r = label->contentsRect();
        check(label, label->text(), r.width(), r.height());
    }
    for (QAbstractButton *button : w->findChildren<QAbstractButton *>()) {
        if (button->text().isEmpty() || button->objectName().isEmpty())
            continue;
        // The frame and the focus rectangle take about a character on either side.
        const QFontMetrics fm(button->font());
        QString text = button->text();
        text.remove(QLatin1Char('&'));
        check(button, text, button->width() - fm.averageCharWidth(), button->height());
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
