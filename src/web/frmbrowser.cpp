#include "web/frmbrowser.h"

#include "controls/design.h"
#include "controls/keyascii.h"
#include "controls/twips.h"
#include "controls/webbrowser.h"
#include "core/endpoints.h"
#include "web/browserextent.h"

#include <QAction>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>

const char *const FrmBrowser::Caption = "HopWise Mini Browser";

namespace {

// Client area of the window at design, in twips, below the menu bar.
constexpr int ClientWidth = 9855;
constexpr int ClientHeight = 8295;
constexpr int BrowserLeft = 120;
constexpr int BrowserTop = 480;

} // namespace

FrmBrowser::FrmBrowser(QWidget *parent)
    : QMainWindow(parent)
{
    Design::setUpWindow(this, "frmBrowser", QLatin1String(Caption),
                        Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                            Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint,
                        Design::Closing::Unloads, true, {});

    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    setCentralWidget(client);

    imgBG = Design::backdrop(client, QStringLiteral(":/hopwise/browser-backdrop.jpg"));

    txtURL = new QLineEdit(client);
    txtURL->setObjectName(QStringLiteral("txtURL"));
    txtURL->setFont(Design::font(false));
    txtURL->setAccessibleName(tr("Address"));
    Twips::place(txtURL, 120, 120, 8655, 285);
    txtURL->installEventFilter(this);

    cmdGO = new QPushButton(tr("Go"), client);
    cmdGO->setObjectName(QStringLiteral("cmdGO"));
    cmdGO->setFont(Design::font(true));
    Twips::place(cmdGO, 8880, 120, 855, 255);
    connect(cmdGO, &QPushButton::clicked, this, &FrmBrowser::frmBrowser_cmdGO_Click);

    wbMinibrowser = new WebBrowser(client);
    wbMinibrowser->setObjectName(QStringLiteral("wbMinibrowser"));
    Twips::place(wbMinibrowser, BrowserLeft, BrowserTop, 9615, 7695);
    connect(wbMinibrowser, &WebBrowser::TitleChange, this,
            &FrmBrowser::frmBrowser_wbMinibrowser_TitleChange);

    buildMenu();

    resize(Twips::size(ClientWidth, ClientHeight) + QSize(0, menuBar()->sizeHint().height()));
    frmBrowser_Form_Load();
}

void FrmBrowser::buildMenu()
{
    QMenuBar *bar = menuBar();
    bar->setNativeMenuBar(false);
    mnuRunescape = bar->addMenu(tr("Runescape"));
    mnuRunescape->setObjectName(QStringLiteral("mnuRunescape"));
    mnuRunescape->menuAction()->setObjectName(QStringLiteral("mnuRunescapeAction"));

    mnuQuests = mnuRunescape->addAction(tr("Quest Guides"));
    mnuQuests->setObjectName(QStringLiteral("mnuQuests"));
    mnuTreasure = mnuRunescape->addAction(tr("Treasure Trails"));
    mnuTreasure->setObjectName(QStringLiteral("mnuTreasure"));
    mnuMarket = mnuRunescape->addAction(tr("Marketplace"));
    mnuMarket->setObjectName(QStringLiteral("mnuMarket"));
    mnuOffForum = mnuRunescape->addAction(tr("Official Forum"));
    mnuOffForum->setObjectName(QStringLiteral("mnuOffForum"));
    mnuVLMForum = mnuRunescape->addAction(tr("VLM Forum"));
    mnuVLMForum->setObjectName(QStringLiteral("mnuVLMForum"));

    connect(mnuQuests, &QAction::triggered, this, &FrmBrowser::frmBrowser_mnuQuests_Click);
    connect(mnuTreasure, &QAction::triggered, this, &FrmBrowser::frmBrowser_mnuTreasure_Click);
    connect(mnuMarket, &QAction::triggered, this, &FrmBrowser::frmBrowser_mnuMarket_Click);
    connect(mnuOffForum, &QAction::triggered, this, &FrmBrowser::frmBrowser_mnuOffForum_Click);
    connect(mnuVLMForum, &QAction::triggered, this, &FrmBrowser::frmBrowser_mnuVLMForum_Click);
}

QSize FrmBrowser::outerSizeTwips() const
{
    const QSize outer = frameGeometry().size();
    return QSize(Twips::fromPx(outer.width()), Twips::fromPx(outer.height()));
}

// ---- Window events -------------------------------------------------------------------------

void FrmBrowser::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    // The frame is only known once the window is on screen.
    if (!m_shown) {
        m_shown = true;
        frmBrowser_Form_Resize();
    }
}

void FrmBrowser::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    frmBrowser_Form_Resize();
}

bool FrmBrowser::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == txtURL && event->type() == QEvent::KeyPress) {
        if (const std::optional<qint16> code = keyAscii(*static_cast<QKeyEvent *>(event)))
            frmBrowser_txtURL_KeyPress(*code);
        // The key still reaches the address box.
        return false;
    }
    return QMainWindow::eventFilter(watched, event);
}

void FrmBrowser::frmBrowser_Form_Load()
{
    const QSize outer = frameGeometry().size();
    imgBG->resize(outer.width(), imgBG->height());
    imgBG->resize(imgBG->width(), outer.height());
}

void FrmBrowser::frmBrowser_Form_Resize()
{
    const QSize outer = outerSizeTwips();
    imgBG->setGeometry(0, 0, Twips::toPx(outer.width()), Twips::toPx(outer.height()));

    // A size the browser cannot take leaves the one it has; height first, then width.
    if (const std::optional<int> height =
            BrowserExtent::browserExtent(outer.height(), BrowserExtent::HeightMargin))
        wbMinibrowser->setGeometry(Twips::toPx(BrowserLeft), Twips::toPx(BrowserTop),
                                   wbMinibrowser->width(), Twips::toPx(*height));
    if (const std::optional<int> width =
            BrowserExtent::browserExtent(outer.width(), BrowserExtent::WidthMargin))
        wbMinibrowser->setGeometry(Twips::toPx(BrowserLeft), Twips::toPx(BrowserTop),
                                   Twips::toPx(*width), wbMinibrowser->height());
}

// ---- Navigation ----------------------------------------------------------------------------

void FrmBrowser::frmBrowser_cmdGO_Click()
{
    wbMinibrowser->Navigate(txtURL->text());
}

void FrmBrowser::frmBrowser_txtURL_KeyPress(qint16 keyAscii)
{
    if (keyAscii == 13)
        wbMinibrowser->Navigate(txtURL->text());
}

void FrmBrowser::frmBrowser_mnuQuests_Click()
{
    wbMinibrowser->Navigate(Endpoints::current().questGuidesUrl());
}

void FrmBrowser::frmBrowser_mnuTreasure_Click()
{
    wbMinibrowser->Navigate(Endpoints::current().treasureTrailsUrl());
}

void FrmBrowser::frmBrowser_mnuMarket_Click()
{
    wbMinibrowser->Navigate(Endpoints::current().marketplaceUrl());
}

void FrmBrowser::frmBrowser_mnuOffForum_Click()
{
    wbMinibrowser->Navigate(Endpoints::current().officialForumUrl());
}

void FrmBrowser::frmBrowser_mnuVLMForum_Click()
{
    wbMinibrowser->Navigate(Endpoints::current().velmoraFrontPageUrl());
}

void FrmBrowser::frmBrowser_wbMinibrowser_TitleChange()
{
    // The page's title and address come from the page: both go into plain-text places only.
    setWindowTitle(QLatin1String(Caption) + QStringLiteral(" - ") + wbMinibrowser->LocationName());
    txtURL->setText(wbMinibrowser->LocationURL());
}
