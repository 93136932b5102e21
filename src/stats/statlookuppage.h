#pragma once

#include "stats/playerstats.h"

#include <QWidget>

#include <array>

class QLabel;
class QComboBox;
class QPushButton;
class QTimer;
class UrlFetcher;

// The "Stat Lookup" page of the main window's tools tab control: a player's 22 skill levels and
// experience totals from the Velmora highscore relay, and the combat level worked out from them.
// Controls are placed in twips relative to the tab control, which this page covers.
class StatLookupPage : public QWidget
{
    Q_OBJECT
public:
    explicit StatLookupPage(QWidget *parent = nullptr);

public slots:
    void frmMain_cboUsername_KeyPress(qint16 keyAscii);
    void frmMain_cmdView_Click();
    void frmMain_cmdRealHS_Click();
    void frmMain_tmrCombat_Timer();

signals:
    // "View in RS Highscores": the mini browser belongs to the window above, which shows it and
    // navigates it to `url`.
    void officialHighscoresRequested(const QString &url);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void lookup();

    QComboBox *cboUsername;
    QPushButton *cmdView;
    QPushButton *cmdRealHS;
    QLabel *lblCombat;
    // Armed by a lookup that wrote the Attack level; its one tick works out the combat level
    // once that lookup has shown everything.
    QTimer *tmrCombat;
    UrlFetcher *iNetHS;

    PlayerStats m_stats;
    // The value labels, in the relay's field order.
    std::array<QLabel *, RelayBody::SkillFields> m_values{};
};
