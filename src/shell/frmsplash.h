#pragma once

#include <QWidget>

class QLabel;
class QTimer;
class UrlFetcher;

// The start-up window: shows the program's name and version while the main window is built
// behind it, after the version check has found nothing newer.
class FrmSplash : public QWidget
{
    Q_OBJECT
public:
    static constexpr int TickMs = 1500;
    // The whole version check at start, however the server answers.
    static constexpr int CheckTimeoutMs = 4000;
    static constexpr int FirstPaintWaitMs = 2000;

    explicit FrmSplash(QWidget *parent = nullptr);

    // Program start: loads the splash (running its load step) and shows it unless the load step
    // has unloaded it. Returns the splash while it is loaded.
    static FrmSplash *start();

    bool isUnloaded() const { return m_unloaded; }

public slots:
    void frmSplash_Form_Load();
    void frmSplash_tmrSplash_Timer();

signals:
    void painted();

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void showUntilPainted();
    void unload();

    QLabel *imgBG;
    QLabel *Label1;
    QLabel *lblVersion;
    UrlFetcher *iNetVersion;
    QTimer *tmrSplash;

    bool m_unloaded = false;
    bool m_painted = false;
};
