#include "shell/frmmain.h"

#include "chat/chatpage.h"
#include "controls/design.h"
#include "controls/keyboardreach.h"
#include "controls/mediacontrol.h"
#include "controls/notice.h"
#include "controls/tabcontrol.h"
#include "controls/twips.h"
#include "controls/webbrowser.h"
#include "core/endpoints.h"
#include "core/programdir.h"
#include "shell/sizemodes.h"
#include "stats/statlookuppage.h"
#include "tools/mediaplayerpage.h"
#include "tools/notepadpage.h"
#include "tools/screenshot.h"
#include "worlds/worldcatalogue.h"
#include "worlds/worldswitcher.h"

#include <QAction>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>

FrmMain::FrmMain(QWidget *parent)
    : QMainWindow(parent)
{
    setObjectName(QStringLiteral("frmMain"));
    // Closing unloads the window: the game page, the chat connection, the media and the timers
    // all belong to it and go with it. The other windows keep the program running.
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QLatin1String(WorldSwitcher::IdleCaption));
    // A fixed single border: minimise and close, no maximise button, no resizing by the frame.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setWindowIcon(QIcon(QStringLiteral(":/hopwise/icon.png")));

    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setAutoFillBackground(true);
    QPalette pal = client->palette();
    pal.setColor(QPalette::Window, Qt::white);
    client->setPalette(pal);
    setCentralWidget(client);

    imgBG = Design::backdrop(client, QStringLiteral(":/hopwise/main-backdrop.jpg"));

    wbClient = new WebBrowser(client);
    wbClient->setObjectName(QStringLiteral("wbClient"));
    Twips::place(wbClient, 120, 120, 11775, 8175);

    buildWorldTabs(client);
    buildClock(client);
    buildTools(client);

    cmdClose =
        Design::create<QPushButton>(client, "cmdClose", tr("Close World"), 13440, 10440, 1095, 255);
    // The keyboard goes round as the eye does: game view, worlds, clock, "Close World", then
    // the tools below.
    setTabOrder(cmdReset, cmdClose);
    // What a size mode leaves out of sight is out of the keyboard's reach too.
    KeyboardReach::follow(client, wbClient);

    picSC = new QLabel(client);
    picSC->setObjectName(QStringLiteral("picSC"));
    Twips::place(picSC, 120, 120, 1215, 495);
    picSC->hide();

    new WorldSwitcher({wbClient, this, cmdWorld, cmdClose, lblDays, lblHours, lblMinutes,
                       lblSeconds, cmdPause, cmdReset},
                      this);

    buildMenu();

    // The start size is mode 1's.
    setClientSizeTwips(SizeModes::clientTwips(1));
    centreOnScreen();
}

void FrmMain::buildMenu()
{
    QMenuBar *bar = menuBar();
    bar->setNativeMenuBar(false);

    mnuFile = bar->addMenu(tr("File"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    mnuFile->menuAction()->setObjectName(QStringLiteral("mnuFileAction"));
    mnuBrowser = mnuFile->addAction(tr("Browser"));
    mnuBrowser->setObjectName(QStringLiteral("mnuBrowser"));
    mnuQuit = mnuFile->addAction(tr("Quit"));
    mnuQuit->setObjectName(QStringLiteral("mnuQuit"));

    mnuScreenshot = bar->addAction(tr("Take SS"));
    mnuScreenshot->setObjectName(QStringLiteral("mnuScreenshot"));

    mnuHelp = bar->addMenu(tr("Help"));
    mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    mnuHelp->menuAction()->setObjectName(QStringLiteral("mnuHelpAction"));
    mnuAbout = mnuHelp->addAction(tr("About"));
    mnuAbout->setObjectName(QStringLiteral("mnuAbout"));

    mnuMax = bar->addAction(tr("Min/Tools/Max"));
    mnuMax->setObjectName(QStringLiteral("mnuMax"));

    connect(mnuBrowser, &QAction::triggered, this, &FrmMain::frmMain_mnuBrowser_Click);
    connect(mnuQuit, &QAction::triggered, this, &FrmMain::frmMain_mnuQuit_Click);
    connect(mnuScreenshot, &QAction::triggered, this, &FrmMain::frmMain_mnuScreenshot_Click);
    connect(mnuAbout, &QAction::triggered, this, &FrmMain::frmMain_mnuAbout_Click);
    connect(mnuMax, &QAction::triggered, this, &FrmMain::frmMain_mnuMax_Click);
}

void FrmMain::buildWorldTabs(QWidget *client)
{
    ssWorlds = new TabControl(client);
    ssWorlds->setObjectName(QStringLiteral("ssWorlds"));
    Twips::place(ssWorlds, 12000, 960, 2535, 9375);

    const QFont buttonFont = Design::font();
    for (int tab = 0; tab < WorldCatalogue::pageCount; ++tab) {
        QWidget *page = ssWorlds->addPage(WorldCatalogue::pageCaption(tab),
                                          QStringLiteral("ssWorldsPage%1").arg(tab));
        for (const WorldEntry &entry : WorldCatalogue::page(tab)) {
            auto *button = new QPushButton(entry.buttonCaption(), page);
            button->setObjectName(QStringLiteral("cmdWorld_%1").arg(entry.index));
            button->setFont(buttonFont);
            button->setStyleSheet(QStringLiteral(
                "QPushButton { background: rgb(224, 224, 224); border: 1px solid #808080; }"
                "QPushButton:pressed { background: rgb(200, 200, 200); }"
                "QPushButton:focus { border: 1px dotted #000000; }"));
            button->setToolTip(entry.titleText());
            Twips::place(button, entry.leftTwips(), entry.topTwips(),
                         WorldCatalogue::ButtonWidthTwips, WorldCatalogue::ButtonHeightTwips);
            cmdWorld.insert(entry.index, button);
        }
    }
}

void FrmMain::buildClock(QWidget *client)
{
    const QString zero = QStringLiteral("0");
    lblDays = Design::create<QLabel>(client, "lblDays", zero, 12120, 120, 495, 255);
    lblHours = Design::create<QLabel>(client, "lblHours", zero, 12720, 120, 495, 255);
    lblMinutes = Design::create<QLabel>(client, "lblMinutes", zero, 13320, 120, 495, 255);
    lblSeconds = Design::create<QLabel>(client, "lblSeconds", zero, 13920, 120, 495, 255);
    QLabel *captions[] = {
        Design::create<QLabel>(client, "Label1", tr("Day"), 12120, 360, 495, 255),
        Design::create<QLabel>(client, "Label2", tr("Hour"), 12720, 360, 495, 255),
        Design::create<QLabel>(client, "Label3", tr("Min"), 13320, 360, 495, 255),
        Design::create<QLabel>(client, "Label4", tr("Sec"), 13920, 360, 495, 255),
    };
    for (QLabel *l : {lblDays, lblHours, lblMinutes, lblSeconds})
        l->setStyleSheet(QStringLiteral("color: white;"));
    for (QLabel *l : captions)
        l->setStyleSheet(QStringLiteral("color: white; font-weight: bold;"));
    // The counters are named by the numbers they show, so a screen reader can read the clock;
    // what each counts goes in the description.
    lblDays->setAccessibleDescription(tr("Days in world"));
    lblHours->setAccessibleDescription(tr("Hours in world"));
    lblMinutes->setAccessibleDescription(tr("Minutes in world"));
    lblSeconds->setAccessibleDescription(tr("Seconds in world"));

    const QString grey =
        QStringLiteral("QPushButton { background: rgb(128, 128, 128); border: 1px solid #404040; }"
                       "QPushButton:pressed { background: rgb(100, 100, 100); }");
    cmdPause =
        Design::create<QPushButton>(client, "cmdPause", QStringLiteral("P"), 13080, 600, 255, 255);
    cmdPause->setStyleSheet(grey);
    cmdPause->setToolTip(tr("Pause or resume the clock"));
    cmdPause->setAccessibleDescription(cmdPause->toolTip());
    cmdReset =
        Design::create<QPushButton>(client, "cmdReset", QStringLiteral("R"), 13320, 600, 255, 255);
    cmdReset->setStyleSheet(grey);
    cmdReset->setToolTip(tr("Reset the clock to zero"));
    cmdReset->setAccessibleDescription(cmdReset->toolTip());
}

void FrmMain::buildTools(QWidget *client)
{
    ssTools = new TabControl(client);
    ssTools->setObjectName(QStringLiteral("ssTools"));
    Twips::place(ssTools, 120, 8400, 11775, 2655);

    m_statLookup = new StatLookupPage;
    connect(m_statLookup, &StatLookupPage::officialHighscoresRequested, this,
            &FrmMain::browserRequested);
    m_mediaPlayer = new MediaPlayerPage;
    m_notepad = new NotepadPage;
    m_chat = new ChatPage;
    ssTools->addPage(tr("Stat Lookup"), m_statLookup);
    ssTools->addPage(tr("Media Player"), m_mediaPlayer);
    ssTools->addPage(tr("Notepad"), m_notepad);
    ssTools->addPage(tr("Chat"), m_chat);
}

// ---- Window events -------------------------------------------------------------------------

void FrmMain::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!m_loaded) {
        m_loaded = true;
        frmMain_Form_Load();
    }
}

void FrmMain::moveEvent(QMoveEvent *event)
{
    QMainWindow::moveEvent(event);
    // The window manager's frame is known only once it has wrapped the window; it announces it
    // by moving the window. Centred once then, so that the whole window, frame included, is.
    if (!m_centred && frameGeometry() != geometry()) {
        m_centred = true;
        centreOnScreen();
    }
}

void FrmMain::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    frmMain_Form_Resize();
}

void FrmMain::closeEvent(QCloseEvent *event)
{
    bool cancel = false;
    if (!m_ending)
        frmMain_Form_Unload(&cancel);
    if (cancel)
        event->ignore();
    else
        event->accept();
}

void FrmMain::frmMain_Form_Load()
{
    wbClient->Navigate(Endpoints::current().homePageUrl());
    frmMain_Form_Resize();

    MediaControl *mmControl = m_mediaPlayer->mmControl();
    mmControl->setCommand(QStringLiteral("close"));
    mmControl->setFileName(ProgramDir::file(QStringLiteral("open.wav")));
    mmControl->setCommand(QStringLiteral("open"));
    mmControl->setCommand(QStringLiteral("play"));

    m_notepad->loadNotes();

    intSizeMode = 1;
}

void FrmMain::frmMain_Form_Resize()
{
    // The backdrop always covers the window's whole outer size.
    const QSize outer = frameGeometry().size();
    imgBG->setGeometry(0, 0, outer.width(), outer.height());
}

void FrmMain::frmMain_Form_Unload(bool *cancel)
{
    if (!saveNotesOrAsk()) {
        if (cancel)
            *cancel = true;
        return;
    }
    emit formUnloaded();
}

void FrmMain::setClientSizeTwips(const QSize &client)
{
    // The client area below the menu bar is what each mode is for; the frame around it is the
    // window manager's business, so the same controls show with or without one.
    setFixedSize(Twips::size(client.width(), client.height()) +
                 QSize(0, menuBar()->sizeHint().height()));
}

void FrmMain::centreOnScreen()
{
    Design::centreOnScreen(this);
}

void FrmMain::frmMain_mnuMax_Click()
{
    switch (intSizeMode) {
    case 1:
        intSizeMode = 2;
        setWindowState(windowState() & ~Qt::WindowMaximized);
        setClientSizeTwips(SizeModes::clientTwips(2));
        break;
    case 2:
        intSizeMode = 3;
        setMinimumSize(0, 0);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        setWindowState(windowState() | Qt::WindowMaximized);
        break;
    case 3:
        intSizeMode = 1;
        setWindowState(windowState() & ~Qt::WindowMaximized);
        setClientSizeTwips(SizeModes::clientTwips(1));
        break;
    }
}

void FrmMain::frmMain_mnuBrowser_Click()
{
    emit browserRequested(Endpoints::current().homePageUrl());
}

void FrmMain::frmMain_mnuAbout_Click()
{
    emit aboutRequested();
}

void FrmMain::frmMain_mnuQuit_Click()
{
    if (!saveNotesOrAsk())
        return;
    m_ending = true;
    emit endRequested();
}

bool FrmMain::saveNotesOrAsk()
{
    if (m_notepad->saveNotes())
        return true;
    // The notes live only in the box until they are saved: closing now would lose them.
    QMessageBox box(QMessageBox::Warning, QStringLiteral("HopWise"),
                    tr("Your notes could not be saved (%1).\n\nClose HopWise anyway? The notes "
                       "typed since they were last saved would be lost.")
                        .arg(m_notepad->lastSaveError()),
                    QMessageBox::Close | QMessageBox::Cancel, this);
    box.setObjectName(QStringLiteral("msgNotesNotSaved"));
    box.setDefaultButton(QMessageBox::Cancel);
    return box.exec() == QMessageBox::Close;
}

void FrmMain::frmMain_mnuScreenshot_Click()
{
    const ScreenshotResult shot = takeScreenshot(this, picSC, ProgramDir::path());
    if (!shot.ok())
        Notice::show(menuBar(), shot.error);
}
