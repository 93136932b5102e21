#pragma once

#include <QMainWindow>
#include <QMap>

class ChatPage;
class MediaPlayerPage;
class NotepadPage;
class QAction;
class QLabel;
class QMenu;
class QPushButton;
class QTimer;
class StatLookupPage;
class TabControl;
class UrlFetcher;
class WebBrowser;

// The main window: the game view, the world buttons, the time-in-world clock, the tools, the menu.
class FrmMain : public QMainWindow
{
    Q_OBJECT
public:
    static const char *const IdleCaption;
    static const char *const TitlePrefix;

    explicit FrmMain(QWidget *parent = nullptr);

    int sizeMode() const { return intSizeMode; }

public slots:
    // Window events
    void frmMain_Form_Load();
    void frmMain_Form_Resize();
    // Sets *cancel only when the notes could not be saved and the player chose to stay.
    void frmMain_Form_Unload(bool *cancel = nullptr);
    void frmMain_mnuMax_Click();
    void frmMain_mnuBrowser_Click();
    void frmMain_mnuAbout_Click();
    void frmMain_mnuQuit_Click();
    void frmMain_mnuScreenshot_Click();

    // World switching
    void frmMain_cmdWorld_Click(int index);
    void frmMain_cmdClose_Click();
    void frmMain_wbClient_BeforeNavigate2(const QString &url, bool isMainFrame, bool *cancel);

    // Time-in-world clock
    void frmMain_tmrWorld_Timer();
    void frmMain_cmdPause_Click();
    void frmMain_cmdReset_Click();

signals:
    // The unload step has run: the window was closed, not ended by "Quit".
    void formUnloaded();
    // The program's other windows belong to the program, not to this window: these ask for them.
    // The mini browser, shown and navigated to `url`.
    void browserRequested(const QString &url);
    void aboutRequested();
    // "Quit": the whole program ends at once, this window without its unload step.
    void endRequested();

protected:
    void showEvent(QShowEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildMenu();
    void buildWorldTabs(QWidget *client);
    void buildClock(QWidget *client);
    void buildTools(QWidget *client);
    bool saveNotesOrAsk();
    void restartClock();
    void stopAndZeroClock();
    void setClientSizeTwips(const QSize &client);
    void centreOnScreen();

    QLabel *imgBG;
    WebBrowser *wbClient;
    TabControl *ssWorlds;
    QMap<int, QPushButton *> cmdWorld;
    TabControl *ssTools;
    QLabel *lblDays;
    QLabel *lblHours;
    QLabel *lblMinutes;
    QLabel *lblSeconds;
    QPushButton *cmdPause;
    QPushButton *cmdReset;
    QPushButton *cmdClose;
    QLabel *picSC;
    QTimer *tmrWorld;
    UrlFetcher *iNetPC;

    QMenu *mnuFile;
    QAction *mnuBrowser;
    QAction *mnuQuit;
    QAction *mnuScreenshot;
    QMenu *mnuHelp;
    QAction *mnuAbout;
    QAction *mnuMax;

    StatLookupPage *m_statLookup;
    MediaPlayerPage *m_mediaPlayer;
    NotepadPage *m_notepad;
    ChatPage *m_chat;

    qint16 intSizeMode = 0;
    bool m_loaded = false;
    bool m_centred = false;
    bool m_ending = false;
};
