#include "stats/statlookuppage.h"

#include "controls/changelabel.h"
#include "controls/design.h"
#include "controls/keyascii.h"
#include "controls/twips.h"
#include "core/endpoints.h"
#include "core/urlfetcher.h"
#include "stats/combatlevel.h"
#include "stats/playername.h"
#include "stats/relaybody.h"

#include <QComboBox>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTextDocument>
#include <QTimer>
#include <QToolTip>

#include <algorithm>

const std::array<StatLookupPage::Skill, 22> StatLookupPage::Skills = {{
    {"lblAttack", "Attack:", 1, 1},
    {"lblStrength", "Strength:", 1, 3},
    {"lblDefence", "Defence:", 1, 2},
    {"lblHitpoints", "Hitpoints:", 1, 4},
    {"lblRanged", "Ranged:", 1, 5},
    {"lblPrayer", "Prayer:", 1, 6},
    {"lblMagic", "Magic:", 2, 1},
    {"lblCooking", "Cooking:", 2, 2},
    {"lblWoodcutting", "Woodcutting:", 2, 3},
    {"lblFletching", "Fletching:", 2, 4},
    {"lblFishing", "Fishing:", 2, 5},
    {"lblFiremaking", "Firemaking:", 2, 6},
    {"lblCrafting", "Crafting:", 3, 1},
    {"lblSmithing", "Smithing:", 3, 2},
    {"lblMining", "Mining:", 3, 3},
    {"lblHerblore", "Herbore:", 3, 4},
    {"lblAgility", "Agility:", 3, 5},
    {"lblThieving", "Thieving:", 3, 6},
    {"lblSlayer", "Slayer:", 4, 1},
    {"lblRunecrafting", "Runecrafting:", 4, 3},
    {"lblFarming", "Farming:", 4, 2},
    {"lblConstruction", "Construction:", 4, 4},
}};

namespace {

// The grid, in twips: where each column's captions start, how wide they are (the value label
// follows right after), and the top of each row.
constexpr int CaptionLeft[] = {2400, 3840, 5640, 7320};
constexpr int CaptionWidth[] = {960, 1200, 960, 1260};
constexpr int RowTop[] = {600, 840, 1080, 1320, 1560, 1800};
constexpr int LabelHeight = 195;
constexpr int ValueWidth = 180;

} // namespace

StatLookupPage::StatLookupPage(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("pageStatLookup"));

    cboUsername = new QComboBox(this);
    cboUsername->setObjectName(QStringLiteral("cboUsername"));
    cboUsername->setEditable(true);
    // The lookup itself keeps the history, one item per lookup; the combo box must not add
    // its own item for the same Enter key, nor complete a half-typed name into an earlier one.
    cboUsername->setInsertPolicy(QComboBox::NoInsert);
    cboUsername->setCompleter(nullptr);
    cboUsername->setEditText(QStringLiteral("Username Here"));
    // On Linux a combo box reads as its text; the field typed into is what says what it is for.
    cboUsername->setAccessibleName(tr("Player name"));
    cboUsername->lineEdit()->setAccessibleName(tr("Player name"));
    Twips::place(cboUsername, 120, 840, 2055, 315);
    cboUsername->lineEdit()->installEventFilter(this);

    cmdView = new QPushButton(tr("Lookup"), this);
    cmdView->setObjectName(QStringLiteral("cmdView"));
    Twips::place(cmdView, 120, 1200, 2055, 255);
    connect(cmdView, &QPushButton::clicked, this, &StatLookupPage::frmMain_cmdView_Click);

    cmdRealHS = new QPushButton(tr("View in RS Highscores"), this);
    cmdRealHS->setObjectName(QStringLiteral("cmdRealHS"));
    Twips::place(cmdRealHS, 120, 1440, 2055, 255);
    connect(cmdRealHS, &QPushButton::clicked, this, &StatLookupPage::frmMain_cmdRealHS_Click);

    // Design captions that nothing reads: Label5 onwards, in field order, "Combat:" last.
    int captionNumber = 5;
    for (size_t field = 0; field < Skills.size(); ++field) {
        const Skill &skill = Skills[field];
        const int left = CaptionLeft[skill.column - 1];
        const int width = CaptionWidth[skill.column - 1];
        const int top = RowTop[skill.row - 1];

        auto *caption = new QLabel(QLatin1String(skill.caption), this);
        caption->setObjectName(QStringLiteral("Label%1").arg(captionNumber++));
        caption->setTextFormat(Qt::PlainText);
        caption->setFont(Design::font(true));
        Twips::place(caption, left, top, width, LabelHeight);

        auto *value = new ChangeLabel(this);
        value->setObjectName(QLatin1String(skill.valueLabel));
        value->setFont(Design::font(false));
        // A screen reader reads the level shown; the caption beside it says whose level it is,
        // and the experience total stays the tool tip and so the description.
        caption->setBuddy(value);
        value->installEventFilter(this);
        Twips::place(value, left + width, top, ValueWidth, LabelHeight);
        m_values[field] = value;
    }
    lblAttack = m_values[0];
    lblStrength = m_values[1];
    lblDefence = m_values[2];
    lblHitpoints = m_values[3];
    lblRanged = m_values[4];
    lblPrayer = m_values[5];
    lblMagic = m_values[6];
    lblCooking = m_values[7];
    lblWoodcutting = m_values[8];
    lblFletching = m_values[9];
    lblFishing = m_values[10];
    lblFiremaking = m_values[11];
    lblCrafting = m_values[12];
    lblSmithing = m_values[13];
    lblMining = m_values[14];
    lblHerblore = m_values[15];
    lblAgility = m_values[16];
    lblThieving = m_values[17];
    lblSlayer = m_values[18];
    lblRunecrafting = m_values[19];
    lblFarming = m_values[20];
    lblConstruction = m_values[21];

    auto *combatCaption = new QLabel(tr("Combat:"), this);
    combatCaption->setObjectName(QStringLiteral("Label%1").arg(captionNumber));
    combatCaption->setTextFormat(Qt::PlainText);
    combatCaption->setFont(Design::font(true));
    combatCaption->setStyleSheet(QStringLiteral("color: red;"));
    Twips::place(combatCaption, 7320, 1560, 840, LabelHeight);

    lblCombat = new ChangeLabel(this);
    lblCombat->setObjectName(QStringLiteral("lblCombat"));
    lblCombat->setFont(Design::font(false));
    // Named by what it shows, like every value label; what it is goes in the description.
    combatCaption->setBuddy(lblCombat);
    lblCombat->setAccessibleDescription(tr("Combat level"));
    Twips::place(lblCombat, 8160, 1560, 1020, LabelHeight);

    tmrCombat = new QTimer(this);
    tmrCombat->setObjectName(QStringLiteral("tmrCombat"));
    tmrCombat->setInterval(10);
    connect(tmrCombat, &QTimer::timeout, this, &StatLookupPage::frmMain_tmrCombat_Timer);
    connect(lblAttack, &ChangeLabel::changed, this, &StatLookupPage::frmMain_lblAttack_Change);

    iNetHS = new UrlFetcher(this);
    iNetHS->setObjectName(QStringLiteral("iNetHS"));
}

bool StatLookupPage::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && watched == cboUsername->lineEdit()) {
        if (const std::optional<qint16> code = keyAscii(*static_cast<QKeyEvent *>(event)))
            frmMain_cboUsername_KeyPress(*code);
        // The key goes on to the combo box either way.
        return false;
    }
    if (event->type() == QEvent::ToolTip) {
        auto *label = qobject_cast<ChangeLabel *>(watched);
        if (label && std::find(m_values.begin(), m_values.end(), label) != m_values.end()) {
            // Experience totals come from the relay: show them as the plain text they are,
            // whatever markup they may hold.
            if (label->toolTip().isEmpty()) {
                QToolTip::hideText();
                event->ignore();
            } else {
                const auto *help = static_cast<QHelpEvent *>(event);
                QToolTip::showText(help->globalPos(),
                                   Qt::convertFromPlainText(label->toolTip(), Qt::WhiteSpacePre),
                                   label);
            }
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void StatLookupPage::frmMain_cboUsername_KeyPress(qint16 keyAscii)
{
    if (keyAscii == 13)
        lookup();
}

void StatLookupPage::frmMain_cmdView_Click()
{
    lookup();
}

void StatLookupPage::lookup()
{
    // Each step stands on its own: a failed request leaves its list empty and the next step
    // still runs, so one relay script being down does not hide what the other one knows.
    QStringList levels;
    QStringList experience;

    const FetchResult levelsReply = iNetHS->OpenURL(
        Endpoints::current().relayLevelsUrl(PlayerName::encoded(cboUsername->currentText())));
    if (levelsReply.ok)
        levels = RelayBody::fields(levelsReply.text());

    // The name is read again: it is what the box holds now, not what it held a request ago.
    const FetchResult experienceReply = iNetHS->OpenURL(
        Endpoints::current().relayExperienceUrl(PlayerName::encoded(cboUsername->currentText())));
    if (experienceReply.ok)
        experience = RelayBody::fields(experienceReply.text());

    // Attack's caption is written first: its change arms the combat level, which must see the
    // whole of this lookup, and the timer can only fire once this handler has returned.
    for (int field = 0; field < RelayBody::SkillFields; ++field) {
        ChangeLabel *label = valueLabel(field);
        if (field < levels.size())
            label->setCaption(levels.at(field));
        if (field < experience.size())
            label->setToolTip(experience.at(field) + QStringLiteral(" XP"));
    }

    cboUsername->addItem(cboUsername->currentText());
}

void StatLookupPage::frmMain_cmdRealHS_Click()
{
    emit officialHighscoresRequested(
        Endpoints::current().officialHighscoreUrl(PlayerName::encoded(cboUsername->currentText())));
}

void StatLookupPage::frmMain_lblAttack_Change()
{
    if (!tmrCombat->isActive())
        tmrCombat->start();
}

void StatLookupPage::frmMain_tmrCombat_Timer()
{
    lblCombat->setCaption(QString());

    CombatLevel::Captions captions;
    captions.attack = lblAttack->caption();
    captions.strength = lblStrength->caption();
    captions.defence = lblDefence->caption();
    captions.hitpoints = lblHitpoints->caption();
    captions.prayer = lblPrayer->caption();
    if (const std::optional<QString> level = CombatLevel::text(captions, QLocale()))
        lblCombat->setCaption(*level);

    tmrCombat->stop();
}
