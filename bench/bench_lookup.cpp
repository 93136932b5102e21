// Time of one stat lookup (the Lookup handler: both relay requests to a local relay, the 22
// captions and tool tips, the history item), median and spread over many lookups; and the
// combat level computation on its own.
#include "demoserver.h"
#include "shell/appsetup.h"
#include "stats/combatlevel.h"
#include "stats/statlookuppage.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTextStream>

#include <algorithm>

namespace {

QString spread(QVector<double> v, const char *unit)
{
    std::sort(v.begin(), v.end());
    return QStringLiteral("median %1 %4, p10 %2 %4, p90 %3 %4")
        .arg(v[v.size() / 2], 0, 'f', 3)
        .arg(v[v.size() / 10], 0, 'f', 3)
        .arg(v[v.size() * 9 / 10], 0, 'f', 3)
        .arg(QLatin1String(unit));
}

} // namespace

int main(int argc, char *argv[])
{
    AppSetup::beforeApplication();
    QApplication app(argc, argv);
    AppSetup::afterApplication(app);

    DemoServer relay;
    const quint16 port = relay.listen();
    if (port == 0)
        qFatal("bench_lookup: cannot listen on 127.0.0.1");
    qputenv("HOPWISE_VELMORA_SITE", QByteArray("127.0.0.1:") + QByteArray::number(port));

    StatLookupPage page;
    page.show();
    if (!QTest::qWaitForWindowExposed(&page))
        qFatal("bench_lookup: no display");
    auto *name = page.findChild<QComboBox *>(QStringLiteral("cboUsername"));
    auto *lookup = page.findChild<QPushButton *>(QStringLiteral("cmdView"));
    auto *combat = page.findChild<QLabel *>(QStringLiteral("lblCombat"));

    const QString players[] = {QStringLiteral("Maxed Mara"), QStringLiteral("Ironfoot"),
                               QStringLiteral("Newbie 1")};
    constexpr int Warmup = 10;
    constexpr int Lookups = 300;
    QVector<double> ms;
    for (int i = 0; i < Warmup + Lookups; ++i) {
        name->setEditText(players[i % 3]);
        QElapsedTimer timer;
        timer.start();
        lookup->click();
        const double elapsed = timer.nsecsElapsed() / 1e6;
        if (i >= Warmup)
            ms << elapsed;
        // Let the combat level tick, as it would between two lookups of a player.
        QTest::qWait(15);
    }
    if (combat->text().isEmpty() || name->count() != Warmup + Lookups)
        qFatal("bench_lookup: the lookups did not reach the relay");

    QVector<double> ns;
    const CombatLevel::Captions captions{QStringLiteral("60"), QStringLiteral("65"),
                                         QStringLiteral("50"), QStringLiteral("62"),
                                         QStringLiteral("43")};
    const QLocale locale;
    int shown = 0;
    for (int round = 0; round < 201; ++round) {
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < 1000; ++i)
            shown += CombatLevel::text(captions, locale).has_value();
        ns << timer.nsecsElapsed() / 1000.0;
    }

    QTextStream(stdout) << "stat lookup handler: " << spread(ms, "ms") << " (" << Lookups
                        << " lookups, local relay, two requests each)\n"
                        << "combat level computation: " << spread(ns, "ns") << " (" << shown
                        << " computations)\n";
    return 0;
}
