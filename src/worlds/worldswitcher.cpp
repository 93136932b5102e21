#include "worlds/worldswitcher.h"

#include "controls/notice.h"
#include "controls/webbrowser.h"
#include "core/endpoints.h"
#include "core/urlfetcher.h"
#include "worlds/worldcatalogue.h"
#include "worlds/worldclock.h"

#include <QLabel>
#include <QPushButton>
#include <QTimer>

const char *const WorldSwitcher::IdleCaption = "HopWise Runescape World Switcher";
const char *const WorldSwitcher::TitlePrefix = "HopWise Runescape World Switcher - ";

WorldSwitcher::WorldSwitcher(const WorldControls &controls, QObject *parent)
    : QObject(parent)
    , m_controls(controls)
{
    setObjectName(QStringLiteral("worldSwitcher"));
    tmrWorld = new QTimer(this);
    tmrWorld->setObjectName(QStringLiteral("tmrWorld"));
    tmrWorld->setInterval(1000);
    iNetPC = new UrlFetcher(this);
    iNetPC->setObjectName(QStringLiteral("iNetPC"));

    for (auto it = m_controls.cmdWorld.cbegin(); it != m_controls.cmdWorld.cend(); ++it) {
        const int index = it.key();
        connect(it.value(), &QPushButton::clicked, this,
                [this, index] { frmMain_cmdWorld_Click(index); });
    }
    connect(m_controls.cmdClose, &QPushButton::clicked, this,
            &WorldSwitcher::frmMain_cmdClose_Click);
    connect(m_controls.wbClient, &WebBrowser::BeforeNavigate2, this,
            &WorldSwitcher::frmMain_wbClient_BeforeNavigate2, Qt::DirectConnection);
    connect(m_controls.cmdPause, &QPushButton::clicked, this,
            &WorldSwitcher::frmMain_cmdPause_Click);
    connect(m_controls.cmdReset, &QPushButton::clicked, this,
            &WorldSwitcher::frmMain_cmdReset_Click);
    connect(tmrWorld, &QTimer::timeout, this, &WorldSwitcher::frmMain_tmrWorld_Timer);
}

// ---- World switching -----------------------------------------------------------------------

void WorldSwitcher::frmMain_cmdWorld_Click(int index)
{
    const Endpoints endpoints = Endpoints::current();
    // Fetched at every selection, before anything else; only the PC entry uses the body.
    const FetchResult pcworld = iNetPC->OpenURL(endpoints.pcworldFileUrl());

    const std::optional<WorldEntry> entry = WorldCatalogue::lookup(index);
    if (!entry)
        return;

    QString hostLabel = QString::fromLatin1(entry->hostLabel);
    if (entry->isPc()) {
        // The label comes from a server: only a label of the catalogue's own form may become
        // part of a host name. Anything else leaves the current world as it is.
        const QString label = pcworld.text().trimmed();
        if (!pcworld.ok || !WorldCatalogue::isHostLabel(label)) {
            Notice::show(
                m_controls.cmdWorld.value(index),
                pcworld.ok
                    ? tr("The Pest Control world is not known right now.")
                    : tr("The Pest Control world could not be looked up: %1").arg(pcworld.error));
            return;
        }
        hostLabel = label;
    }

    m_controls.captionTarget->setWindowTitle(QLatin1String(TitlePrefix) + entry->titleText());
    m_controls.wbClient->Navigate(endpoints.gamePageUrl(hostLabel));
    restartClock();
}

void WorldSwitcher::frmMain_cmdClose_Click()
{
    m_controls.wbClient->Navigate(Endpoints::current().homePageUrl());
    stopAndZeroClock();
    m_controls.captionTarget->setWindowTitle(QLatin1String(IdleCaption));
}

void WorldSwitcher::frmMain_wbClient_BeforeNavigate2(const QString &url, bool, bool *cancel)
{
    if (url == Endpoints::current().blockedPageUrl())
        *cancel = true;
}

// ---- Time-in-world clock -------------------------------------------------------------------

void WorldSwitcher::frmMain_tmrWorld_Timer()
{
    m_count = WorldClock::tick(m_count);
    showCount();
}

void WorldSwitcher::frmMain_cmdPause_Click()
{
    m_resumeShown = !m_resumeShown;
    m_controls.cmdPause->setText(m_resumeShown ? QStringLiteral("R") : QStringLiteral("P"));
    if (m_resumeShown)
        tmrWorld->stop();
    else
        tmrWorld->start();
}

void WorldSwitcher::frmMain_cmdReset_Click()
{
    restartClock();
}

void WorldSwitcher::restartClock()
{
    stopAndZeroClock();
    tmrWorld->start();
}

void WorldSwitcher::stopAndZeroClock()
{
    tmrWorld->stop();
    m_count = ClockCounters();
    showCount();
}

void WorldSwitcher::showCount()
{
    m_controls.lblSeconds->setText(QString::number(m_count.seconds));
    m_controls.lblMinutes->setText(QString::number(m_count.minutes));
    m_controls.lblHours->setText(QString::number(m_count.hours));
    m_controls.lblDays->setText(QString::number(m_count.days));
}
