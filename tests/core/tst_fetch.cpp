// Fetches against real servers, through the windows that make them: where a redirect may lead,
// and how long a server may hold the start-up check.

#include "recordingserver.h"
#include "shell/forms.h"
#include "shell/frmmain.h"
#include "shell/frmsplash.h"
#include "shell/frmupdate.h"
#include "stats/statlookuppage.h"
#include "testmain.h"

#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

namespace {

const QByteArray VersionPath = "/~users/hopwise/version.qvx";

template<typename Window> Window *window()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *found = qobject_cast<Window *>(w))
            return found;
    return nullptr;
}

} // namespace

class TstFetch : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();

    void redirects_data();
    void redirects();
    void versionCheckFollowsItsServerToHttps();
    void tricklingServerHoldsTheSplashNoLongerThanTheCheck();

private:
    RecordingServer m_plain;
    RecordingServer m_tls{nullptr, RecordingServer::Tls};
    RecordingServer m_otherPort;
    QTemporaryDir m_programDir;
};

void TstFetch::initTestCase()
{
    RecordingServer::trustLoopbackCertificate();
    QVERIFY(m_programDir.isValid());
    qputenv("HOPWISE_PROGRAM_DIR", m_programDir.path().toUtf8());
    qputenv("HOPWISE_UPDATE_SERVER", m_plain.authority().toUtf8());
    qputenv("HOPWISE_VELMORA_SITE", m_plain.authority().toUtf8());
}

void TstFetch::cleanup()
{
    Forms::resetForTesting();
    for (QWidget *w : QApplication::topLevelWidgets())
        if (qobject_cast<FrmSplash *>(w) || qobject_cast<FrmUpdate *>(w))
            delete w;
    for (RecordingServer *server : {&m_plain, &m_tls, &m_otherPort})
        server->clearRequests();
}

void TstFetch::redirects_data()
{
    // Each hop answers with a redirect to the next; the last one holds the levels.
    QTest::addColumn<QStringList>("hops");
    QTest::addColumn<bool>("followed");
    QTest::newRow("same server") << QStringList{"plain"} << true;
    QTest::newRow("moved to https on another port") << QStringList{"tls"} << true;
    QTest::newRow("moved to https, then within it") << QStringList{"tls", "tls"} << true;
    QTest::newRow("https back to http") << QStringList{"tls", "plain"} << false;
    QTest::newRow("another port") << QStringList{"other port"} << false;
    QTest::newRow("another host") << QStringList{"localhost"} << false;
    QTest::newRow("another host over https") << QStringList{"localhost tls"} << false;
    QTest::newRow("on and on") << QStringList(11, QStringLiteral("plain")) << false;
}

void TstFetch::redirects()
{
    QFETCH(QStringList, hops);
    QFETCH(bool, followed);
    QByteArray path = "/highscores.php";
    RecordingServer *server = &m_plain;
    for (int i = 0; i < hops.size(); ++i) {
        const QString hop = hops.at(i);
        RecordingServer *next = hop.contains("tls")                  ? &m_tls
                                : hop == QLatin1String("other port") ? &m_otherPort
                                                                     : &m_plain;
        QByteArray origin = next->origin();
        if (hop.startsWith(QLatin1String("localhost")))
            origin.replace("127.0.0.1", "localhost");
        const QByteArray nextPath = "/hop" + QByteArray::number(i);
        RecordingServer::Response moved(302);
        moved.headers = "Location: " + origin + nextPath + "\r\n";
        server->setResponse(path, moved);
        server = next;
        path = nextPath;
    }
    server->setResponse(path, "42|");

    StatLookupPage page;
    HOPWISE_FIND(QLabel, lblAttack, &page, QStringLiteral("lblAttack"));
    HOPWISE_FIND(QPushButton, cmdView, &page, QStringLiteral("cmdView"));
    cmdView->click();
    QCOMPARE(lblAttack->text(), followed ? QStringLiteral("42") : QString());
    // A refused hop is never asked at all.
    bool lastAsked = false;
    for (const RecordingServer::Request &r : server->requests())
        lastAsked = lastAsked || r.path() == path;
    QCOMPARE(lastAsked, followed);
}

void TstFetch::versionCheckFollowsItsServerToHttps()
{
    RecordingServer::Response moved(301);
    moved.headers = "Location: " + m_tls.origin() + VersionPath + "\r\n";
    m_plain.setResponse(VersionPath, moved);
    m_tls.setResponse(VersionPath, "9.9.9");

    QVERIFY(!FrmSplash::start());
    QVERIFY(window<FrmUpdate>());
    QCOMPARE(m_tls.requests().size(), 1);
}

void TstFetch::tricklingServerHoldsTheSplashNoLongerThanTheCheck()
{
    // Far more than it could send before the test ends, one byte at a time and never silent
    // long enough for a time-out between bytes.
    RecordingServer::Response trickle(200, QByteArray(1 << 20, ' '));
    trickle.trickleMs = 100;
    m_plain.setResponse(VersionPath, trickle);

    QTimer::singleShot(0, this, [] { FrmSplash::start(); });
    // Without the check's own bound the fetcher's would end it, three silences' worth later:
    // the main window must come before that.
    QVERIFY(QTest::qWaitFor([] { return Forms::mainWindow() && Forms::mainWindow()->isVisible(); },
                            3 * FrmSplash::CheckTimeoutMs));
    QVERIFY(!window<FrmUpdate>());
}

HOPWISE_TEST_MAIN(TstFetch)
#include "tst_fetch.moc"
