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
class StatLookupPage;
class TabControl;
class WebBrowser;

// The main window: lays out the game view, the world buttons, the time-in-world clock and the
// tools, and holds the menu and the size modes; a WorldSwitcher drives the world controls.
class FrmMain : public QMainWindow
{
    Q_OBJECT
public:
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
