#pragma once

#include <QWidget>

#include <array>

class ChangeLabel;
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
    struct Skill
    {
        const char *valueLabel; // objectName of the value label
        const char *caption;    // the caption label's text
        int column;             // 1 to 4
        int row;                // 1 to 6
    };
    // Indexed by the field of the relay's answers, which is not the order of the rows.
    static const std::array<Skill, 22> Skills;

    explicit StatLookupPage(QWidget *parent = nullptr);

    // The value label of relay field `field`.
    ChangeLabel *valueLabel(int field) const { return m_values.at(static_cast<size_t>(field)); }

public slots:
    void frmMain_cboUsername_KeyPress(qint16 keyAscii);
    void frmMain_cmdView_Click();
    void frmMain_cmdRealHS_Click();
    void frmMain_lblAttack_Change();
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
    ChangeLabel *lblAttack;
    ChangeLabel *lblStrength;
    ChangeLabel *lblDefence;
    ChangeLabel *lblHitpoints;
    ChangeLabel *lblRanged;
    ChangeLabel *lblPrayer;
    ChangeLabel *lblMagic;
    ChangeLabel *lblCooking;
    ChangeLabel *lblWoodcutting;
    ChangeLabel *lblFletching;
    ChangeLabel *lblFishing;
    ChangeLabel *lblFiremaking;
    ChangeLabel *lblCrafting;
    ChangeLabel *lblSmithing;
    ChangeLabel *lblMining;
    ChangeLabel *lblHerblore;
    ChangeLabel *lblAgility;
    ChangeLabel *lblThieving;
    ChangeLabel *lblSlayer;
    ChangeLabel *lblRunecrafting;
    ChangeLabel *lblFarming;
    ChangeLabel *lblConstruction;
    ChangeLabel *lblCombat;
    QTimer *tmrCombat;
    UrlFetcher *iNetHS;

    std::array<ChangeLabel *, 22> m_values{};
};
