#pragma once

#include <QMainWindow>
#include <QSize>

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class WebBrowser;

// The mini browser: an address box, "Go", a bookmark menu and an embedded browser. Other windows
// show it and then navigate it; it goes nowhere by itself.
class FrmBrowser : public QMainWindow
{
    Q_OBJECT
public:
    static const char *const Caption;

    explicit FrmBrowser(QWidget *parent = nullptr);

    WebBrowser *browser() const { return wbMinibrowser; }

    // The window's outer size in twips: frame, title bar and menu bar included.
    QSize outerSizeTwips() const;

public slots:
    void frmBrowser_Form_Load();
    void frmBrowser_Form_Resize();
    void frmBrowser_cmdGO_Click();
    void frmBrowser_txtURL_KeyPress(qint16 keyAscii);
    void frmBrowser_mnuQuests_Click();
    void frmBrowser_mnuTreasure_Click();
    void frmBrowser_mnuMarket_Click();
    void frmBrowser_mnuOffForum_Click();
    void frmBrowser_mnuVLMForum_Click();
    void frmBrowser_wbMinibrowser_TitleChange();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void buildMenu();

    QLabel *imgBG;
    QLineEdit *txtURL;
    QPushButton *cmdGO;
    WebBrowser *wbMinibrowser;

    QMenu *mnuRunescape;
    QAction *mnuQuests;
    QAction *mnuTreasure;
    QAction *mnuMarket;
    QAction *mnuOffForum;
    QAction *mnuVLMForum;

    bool m_shown = false;
};
