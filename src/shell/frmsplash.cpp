#include "shell/frmsplash.h"

#include "controls/design.h"
#include "controls/twips.h"
#include "core/endpoints.h"
#include "core/modstore.h"
#include "core/urlfetcher.h"
#include "core/versioncheck.h"
#include "shell/forms.h"
#include "shell/frmupdate.h"
#include "shell/windowtrace.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QFont>
#include <QLabel>
#include <QTimer>

namespace {

constexpr int ClientWidth = 4725;
constexpr int ClientHeight = 1005;

} // namespace

FrmSplash::FrmSplash(QWidget *parent)
    : QWidget(parent)
{
    Design::setUpWindow(this, "frmSplash", QStringLiteral("HopWise"),
                        Qt::SplashScreen | Qt::FramelessWindowHint, Design::Closing::Unloads, true,
                        {ClientWidth, ClientHeight});

    imgBG = Design::backdrop(this, QStringLiteral(":/hopwise/splash-backdrop.gif"));
    Twips::place(imgBG, 0, 0, ClientWidth, ClientHeight);

    Label1 = Design::create<QLabel>(this, "Label1", QStringLiteral("HopWise"), 120, 120, 4455, 615);
    lblVersion = Design::create<QLabel>(this, "lblVersion", QStringLiteral("Version: 0.0.0"), 120,
                                        600, 4455, 255);
    Design::whiteText(Label1);
    Design::whiteText(lblVersion);
    QFont title = Design::font(true);
    title.setPointSizeF(21.75);
    Label1->setFont(title);

    iNetVersion = new UrlFetcher(this);
    iNetVersion->setObjectName(QStringLiteral("iNetVersion"));

    tmrSplash = new QTimer(this);
    tmrSplash->setObjectName(QStringLiteral("tmrSplash"));
    tmrSplash->setInterval(TickMs);
    connect(tmrSplash, &QTimer::timeout, this, &FrmSplash::frmSplash_tmrSplash_Timer);

    Design::centreOnScreen(this);
}

FrmSplash *FrmSplash::start()
{
    auto *splash = new FrmSplash;
    StartupTrace::markFirstPaint(splash, "splash-shown");
    splash->frmSplash_Form_Load();
    if (splash->isUnloaded())
        return nullptr;
    return splash;
}

void FrmSplash::frmSplash_Form_Load()
{
    const QString strVersion = modStore::runningVersion();
    lblVersion->setText(QStringLiteral("Version:") + strVersion);

    // On screen before the check: whatever the update server does, the player sees at once
    // that the program has started.
    showUntilPainted();

    // The file is a few bytes: a server that has not sent it within a few seconds is not going
    // to, and the player should not wait longer to play. A failed fetch leaves nothing to
    // compare, which counts as "not newer": the program starts as usual.
    iNetVersion->setTimeoutMs(CheckTimeoutMs);
    iNetVersion->setDeadlineMs(CheckTimeoutMs);
    const FetchResult body = iNetVersion->OpenURL(Endpoints::current().versionFileUrl());
    const QString strNewest = body.ok ? body.text() : QString();

    if (VersionCheck::isNewer(strNewest, strVersion)) {
        // Hidden before the prompt shows, so the two are never on screen together; closed only
        // once the prompt is up, so that the program never finds itself without a window.
        hide();
        auto *prompt = new FrmUpdate(strVersion, strNewest);
        prompt->show();
        unload();
        return;
    }
    // Started only now: the fetch above runs a local event loop, and a tick during it would
    // hand over to the main window before the check had decided.
    tmrSplash->start();
    // Build the main window behind the splash, so that the tick only has to show it.
    QTimer::singleShot(0, this, [] { Forms::preloadMain(); });
}

void FrmSplash::showUntilPainted()
{
    show();
    if (m_painted)
        return;
    // Bounded: a display that never exposes the window must not keep the program from starting.
    QEventLoop loop;
    connect(this, &FrmSplash::painted, &loop, &QEventLoop::quit);
    QTimer::singleShot(FirstPaintWaitMs, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

void FrmSplash::frmSplash_tmrSplash_Timer()
{
    StartupTrace::mark("splash-tick");
    unload();
    Forms::showMain();
}

void FrmSplash::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    raise();
}

void FrmSplash::paintEvent(QPaintEvent *event)
{
    QWidget::paintEvent(event);
    if (!m_painted) {
        m_painted = true;
        emit painted();
    }
}

void FrmSplash::closeEvent(QCloseEvent *event)
{
    // It cannot be dismissed early; only its own tick, or the end of the program, closes it.
    if (m_unloaded || Forms::isEnding())
        event->accept();
    else
        event->ignore();
}

void FrmSplash::unload()
{
    m_unloaded = true;
    tmrSplash->stop();
    close();
}
