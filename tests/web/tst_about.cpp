// The About box: its frame and controls, the credits fetched at every opening through a real
// socket, what survives a close, and "Velmora" handing the front page to the desktop.

#include "testmain.h"

#include "controls/richtextbox.h"
#include "controls/twips.h"
#include "recordingserver.h"
#include "shell/desktop.h"
#include "shell/forms.h"
#include "shell/frmmain.h"
#include "web/frmabout.h"

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextFragment>

namespace {

const QByteArray CreditsPath = "/~users/HopWise/thanks.rtf";

const QByteArray Credits =
    "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss Tahoma;}}"
    "{\\colortbl ;\\red0\\green0\\blue255;}\\viewkind4\\uc1\\pard\\f0\\fs17 "
    "\\b Mira\\b0  for the world list\\par\r\n\\cf1 Osk\\u225?r\\cf0  for testing\\par\r\n}\r\n";

QTextCharFormat formatAt(RichTextBox *box, int position)
{
    QTextCursor c(box->document());
    c.setPosition(position);
    c.setPosition(position + 1, QTextCursor::KeepAnchor);
    return c.charFormat();
}

RichTextBox *thanksBox(FrmAbout *about)
{
    return about->findChild<RichTextBox *>(QStringLiteral("rtfThanks"));
}

int requestsFor(const RecordingServer &server, const QByteArray &path)
{
    int n = 0;
    for (const auto &r : server.requests())
        n += r.path() == path ? 1 : 0;
    return n;
}

} // namespace

class TestAbout : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void frameAndControls();
    void creditsShownFormatted();
    void serverDownOpensWithEmptyCredits();
    void fetchedAtEveryOpeningAndKeptOnFailure();
    void creditsLimits_data();
    void creditsLimits();
    void velmoraOpensTheFrontPageAndTheBoxStays();
    void aboutMenuOpensTheBox();

private:
    std::unique_ptr<RecordingServer> m_server;
    QList<QUrl> m_opened;
};

void TestAbout::init()
{
    m_server = std::make_unique<RecordingServer>();
    qputenv("HOPWISE_UPDATE_SERVER", m_server->authority().toUtf8());
    qputenv("HOPWISE_VELMORA_SITE", "velmora.test:8080");
    m_opened.clear();
    Desktop::setOpenUrlHandlerForTesting([this](const QUrl &url) {
        m_opened << url;
        return true;
    });
    Forms::resetForTesting();
}

void TestAbout::cleanup()
{
    Forms::resetForTesting();
    Desktop::setOpenUrlHandlerForTesting({});
    m_server.reset();
}

void TestAbout::frameAndControls()
{
    FrmAbout *about = Forms::showAbout();
    QVERIFY(QTest::qWaitForWindowExposed(about));
    QCOMPARE(about->windowTitle(), QStringLiteral("About HopWise"));
    const Qt::WindowFlags flags = about->windowFlags();
    QCOMPARE(flags & Qt::WindowType_Mask, Qt::Tool);
    QVERIFY(flags & Qt::WindowCloseButtonHint);
    QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
    QCOMPARE(about->size(), Twips::size(4950, 3135));
    QCOMPARE(about->minimumSize(), about->maximumSize());

    struct Expected
    {
        const char *name;
        QRect rect;
    };
    const Expected controls[] = {
        {"Label1", Twips::rect(120, 120, 4695, 495)},
        {"Label2", Twips::rect(120, 840, 2295, 255)},
        {"rtfThanks", Twips::rect(120, 1080, 4695, 1455)},
        {"cmdClose", Twips::rect(120, 2640, 975, 375)},
        {"cmdVelmora", Twips::rect(3840, 2640, 975, 375)},
    };
    for (const Expected &e : controls) {
        auto *w = about->findChild<QWidget *>(QLatin1String(e.name));
        QVERIFY2(w, e.name);
        QCOMPARE(w->geometry(), e.rect);
    }
    auto *label1 = about->findChild<QLabel *>(QStringLiteral("Label1"));
    QCOMPARE(
        label1->text(),
        QStringLiteral("HopWise was created by Quillon to help users change worlds in Runescape."));
    QCOMPARE(label1->textFormat(), Qt::PlainText);
    auto *label2 = about->findChild<QLabel *>(QStringLiteral("Label2"));
    QCOMPARE(label2->text(), QStringLiteral("Special Thanks To:"));
    QVERIFY(label2->font().bold());
    QCOMPARE(about->findChild<QPushButton *>(QStringLiteral("cmdClose"))->text(),
             QStringLiteral("Close"));
    QCOMPARE(about->findChild<QPushButton *>(QStringLiteral("cmdVelmora"))->text(),
             QStringLiteral("Velmora"));
    QVERIFY(thanksBox(about)->isReadOnly());

    auto *imgBG = about->findChild<QLabel *>(QStringLiteral("imgBG"));
    QVERIFY(!imgBG->pixmap().isNull());
    QCOMPARE(imgBG->pos(), QPoint(0, 0));
    QCOMPARE(imgBG->size(), about->frameGeometry().size());
}

void TestAbout::creditsShownFormatted()
{
    m_server->setResponse(CreditsPath, Credits);
    FrmAbout *about = Forms::showAbout();
    // The fetch is over by the time the box shows.
    QVERIFY(about->isVisible());
    QCOMPARE(requestsFor(*m_server, CreditsPath), 1);
    QCOMPARE(m_server->requests().first().line,
             QByteArray("GET /~users/HopWise/thanks.rtf HTTP/1.1"));

    RichTextBox *box = thanksBox(about);
    QCOMPARE(box->text(), QStringLiteral("Mira for the world list\nOskár for testing"));
    QCOMPARE(formatAt(box, 0).fontWeight(), int(QFont::Bold));
    QCOMPARE(formatAt(box, 5).fontWeight(), int(QFont::Normal));
    QCOMPARE(formatAt(box, 24).foreground().color(), QColor(0, 0, 255));
    QCOMPARE(about->thanks(), Credits);
}

void TestAbout::serverDownOpensWithEmptyCredits()
{
    qputenv("HOPWISE_UPDATE_SERVER", "127.0.0.1:1");
    FrmAbout *about = Forms::showAbout();
    QVERIFY(QTest::qWaitForWindowExposed(about));
    QVERIFY(thanksBox(about)->text().isEmpty());
    QVERIFY(about->thanks().isEmpty());
    // The rest of the box works as usual.
    QTest::mouseClick(about->findChild<QPushButton *>(QStringLiteral("cmdClose")), Qt::LeftButton);
    QVERIFY(!about->isVisible());
}

void TestAbout::fetchedAtEveryOpeningAndKeptOnFailure()
{
    m_server->setResponse(CreditsPath, Credits);
    FrmAbout *about = Forms::showAbout();
    QCOMPARE(requestsFor(*m_server, CreditsPath), 1);

    // Shown again while open: nothing new is fetched.
    QCOMPARE(Forms::showAbout(), about);
    QCOMPARE(requestsFor(*m_server, CreditsPath), 1);

    // Closed by its close box, then the server fails: the earlier credits are still shown.
    about->close();
    QVERIFY(!about->isVisible());
    QCOMPARE(Forms::about(), about);
    m_server->setResponse(CreditsPath, "gone", 404);
    QCOMPARE(Forms::showAbout(), about);
    QCOMPARE(requestsFor(*m_server, CreditsPath), 2);
    QCOMPARE(thanksBox(about)->text(),
             QStringLiteral("Mira for the world list\nOskár for testing"));

    // Closed by "Close", and the server has new credits: the next opening shows them.
    QTest::mouseClick(about->findChild<QPushButton *>(QStringLiteral("cmdClose")), Qt::LeftButton);
    QVERIFY(!about->isVisible());
    m_server->setResponse(CreditsPath, "{\\rtf1\\ansi New names\\par}");
    Forms::showAbout();
    QCOMPARE(requestsFor(*m_server, CreditsPath), 3);
    QCOMPARE(thanksBox(about)->text(), QStringLiteral("New names"));

    // An empty body empties the box.
    about->close();
    m_server->setResponse(CreditsPath, QByteArray());
    Forms::showAbout();
    QVERIFY(thanksBox(about)->text().isEmpty());
}

void TestAbout::creditsLimits_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("shown");
    QTest::newRow("larger than a mebibyte is refused")
        << "{\\rtf1\\ansi " + QByteArray(1024 * 1024 + 10, 'x') + "}" << QString();
    QTest::newRow("just under a mebibyte is read")
        << "{\\rtf1\\ansi ok{\\*\\pad " + QByteArray(1024 * 1024 - 40, 'x') + "}}"
        << QStringLiteral("ok");
    QTest::newRow("pictures, objects and included pictures never load")
        << QByteArray("{\\rtf1\\ansi A{\\pict\\pngblip 89504e47}{\\object\\objemb{\\*\\objdata "
                      "0105}{\\result{\\pict\\jpegblip ffd8}}}{\\field{\\*\\fldinst "
                      "INCLUDEPICTURE \"/~users/HopWise/x.png\"}{\\fldrslt B}}"
                      "<img src=\"/~users/HopWise/y.png\">}")
        << QStringLiteral("AB<img src=\"/~users/HopWise/y.png\">");
    QTest::newRow("not rtf shows as text")
        << QByteArray("<b>Names</b>") << QStringLiteral("<b>Names</b>");
}

void TestAbout::creditsLimits()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, shown);
    m_server->setResponse(CreditsPath, body);
    FrmAbout *about = Forms::showAbout();
    RichTextBox *box = thanksBox(about);
    QCOMPARE(box->text(), shown);
    for (QTextBlock b = box->document()->begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it)
            QVERIFY(!it.fragment().charFormat().isImageFormat());
    }
    QCoreApplication::processEvents();
    for (const auto &r : m_server->requests())
        QCOMPARE(r.path(), CreditsPath);
}

void TestAbout::velmoraOpensTheFrontPageAndTheBoxStays()
{
    FrmAbout *about = Forms::showAbout();
    QVERIFY(QTest::qWaitForWindowExposed(about));
    QTest::mouseClick(about->findChild<QPushButton *>(QStringLiteral("cmdVelmora")),
                      Qt::LeftButton);
    QCOMPARE(m_opened, QList<QUrl>{QUrl(QStringLiteral("http://velmora.test:8080"))});
    QVERIFY(about->isVisible());
    // Still usable: the box closes as usual afterwards.
    QTest::mouseClick(about->findChild<QPushButton *>(QStringLiteral("cmdClose")), Qt::LeftButton);
    QVERIFY(!about->isVisible());
    QCOMPARE(m_opened.size(), 1);
}

void TestAbout::aboutMenuOpensTheBox()
{
    m_server->setResponse(CreditsPath, Credits);
    FrmMain main;
    main.show();
    auto *mnuAbout = main.findChild<QAction *>(QStringLiteral("mnuAbout"));
    QVERIFY(mnuAbout);
    mnuAbout->trigger();
    FrmAbout *about = Forms::about();
    QVERIFY(about);
    QVERIFY(about->isVisible());
    QVERIFY(!about->isModal());
    QCOMPARE(thanksBox(about)->text(),
             QStringLiteral("Mira for the world list\nOskár for testing"));
}

HOPWISE_TEST_MAIN(TestAbout)
#include "tst_about.moc"
