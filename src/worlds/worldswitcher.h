#pragma once

#include "worlds/worldclock.h"

#include <QMap>
#include <QObject>

class QLabel;
class QPushButton;
class QTimer;
class QWidget;
class UrlFetcher;
class WebBrowser;

// The controls of the main window that world switching drives; the window lays them out.
struct WorldControls
{
    WebBrowser *wbClient = nullptr;
    QWidget *captionTarget = nullptr; // the window whose title names the world
    QMap<int, QPushButton *> cmdWorld;
    QPushButton *cmdClose = nullptr;
    QLabel *lblDays = nullptr;
    QLabel *lblHours = nullptr;
    QLabel *lblMinutes = nullptr;
    QLabel *lblSeconds = nullptr;
    QPushButton *cmdPause = nullptr;
    QPushButton *cmdReset = nullptr;
};

// World selection, "Close World", the game view's navigation guard and the time-in-world clock.
class WorldSwitcher : public QObject
{
    Q_OBJECT
public:
    static const char *const IdleCaption;
    static const char *const TitlePrefix;

    WorldSwitcher(const WorldControls &controls, QObject *parent);

public slots:
    void frmMain_cmdWorld_Click(int index);
    void frmMain_cmdClose_Click();
    void frmMain_wbClient_BeforeNavigate2(const QString &url, bool isMainFrame, bool *cancel);

    void frmMain_tmrWorld_Timer();
    void frmMain_cmdPause_Click();
    void frmMain_cmdReset_Click();

private:
    void restartClock();
    void stopAndZeroClock();
    void showCount();

    WorldControls m_controls;
    ClockCounters m_count;
    // The pause button offers to resume: the clock was paused, and no click has resumed it since
    // (a reset or a selection runs the clock but leaves the caption as it is).
    bool m_resumeShown = false;
    QTimer *tmrWorld;
    UrlFetcher *iNetPC;
};
