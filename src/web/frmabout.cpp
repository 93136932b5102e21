#include "web/frmabout.h"

#include "controls/design.h"
#include "controls/richtextbox.h"
#include "controls/twips.h"
#include "core/desktop.h"
#include "core/endpoints.h"
#include "core/urlfetcher.h"

#include <QLabel>
#include <QPushButton>
#include <QUrl>

FrmAbout::FrmAbout(QWidget *parent)
    : QWidget(parent)
{
    // A fixed tool window: a small title bar with a close box only, and no taskbar entry. It is a
    // window of the program like any other and keeps it running while open.
    Design::setUpWindow(this, "frmAbout", QStringLiteral("About HopWise"),
                        Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                            Qt::WindowCloseButtonHint,
                        Design::Closing::StaysLoaded, false, {4950, 3135});

    const QFont tahoma = Design::font();
    const QFont tahomaBold = Design::font(true);

    imgBG = Design::backdrop(this, QStringLiteral(":/hopwise/about-backdrop.jpg"));
    imgBG->setGeometry(rect());

    Label1 = Design::create<QLabel>(
        this, "Label1",
        tr("HopWise was created by Quillon to help users change worlds in Runescape."), 120, 120,
        4695, 495);
    Label1->setWordWrap(true);
    Label1->setFont(tahoma);

    Label2 = Design::create<QLabel>(this, "Label2", tr("Special Thanks To:"), 120, 840, 2295, 255);
    Label2->setFont(tahomaBold);

    rtfThanks = new RichTextBox(this);
    rtfThanks->setObjectName(QStringLiteral("rtfThanks"));
    rtfThanks->setAccessibleName(tr("Special thanks"));
    rtfThanks->setReadOnly(true);
    rtfThanks->setFont(tahoma);
    Twips::place(rtfThanks, 120, 1080, 4695, 1455);

    cmdClose = Design::create<QPushButton>(this, "cmdClose", tr("Close"), 120, 2640, 975, 375);
    cmdVelmora =
        Design::create<QPushButton>(this, "cmdVelmora", tr("Velmora"), 3840, 2640, 975, 375);

    iNet = new UrlFetcher(this);
    iNet->setObjectName(QStringLiteral("iNet"));

    connect(cmdClose, &QPushButton::clicked, this, &FrmAbout::frmAbout_cmdClose_Click);
    connect(cmdVelmora, &QPushButton::clicked, this, &FrmAbout::frmAbout_cmdVelmora_Click);
}

void FrmAbout::setVisible(bool visible)
{
    // Loaded anew each time it opens after a close; showing it while open brings nothing new.
    // The fetch blocks, so the box appears once the load step has ended.
    if (visible && !isVisible())
        frmAbout_Form_Load();
    QWidget::setVisible(visible);
}

void FrmAbout::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // The frame's size is known only once the window is on screen.
    stretchBackdrop();
}

void FrmAbout::stretchBackdrop()
{
    const QSize outer = frameGeometry().size();
    imgBG->resize(outer.width(), imgBG->height());
    imgBG->resize(imgBG->width(), outer.height());
    imgBG->lower();
}

void FrmAbout::frmAbout_Form_Load()
{
    // Every step ignores its own failure; the next one still runs.
    stretchBackdrop();

    const FetchResult credits = iNet->OpenURL(Endpoints::current().creditsUrl());
    if (credits.ok)
        strThanks = credits.body;

    // Built through the text cursor only: nothing in the document can load a resource.
    rtfThanks->setTextRTF(strThanks);
}

void FrmAbout::frmAbout_cmdClose_Click()
{
    // Hidden, not destroyed: the box owns nothing that runs while closed, and the credits it
    // fetched must outlive the close for the rest of the run.
    close();
}

void FrmAbout::frmAbout_cmdVelmora_Click()
{
    // The user's own browser, through the desktop's URL handler; HopWise does not wait for it.
    Desktop::openUrl(QUrl(Endpoints::current().velmoraFrontPageUrl()));
}
