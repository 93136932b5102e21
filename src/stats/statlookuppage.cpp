#include "stats/statlookuppage.h"

#include "controls/design.h"
#include "controls/keyascii.h"
#include "controls/twips.h"
#include "controls/valuelabel.h"
#include "core/endpoints.h"
#include "core/urlfetcher.h"
#include "stats/combatlevel.h"
#include "stats/playername.h"
#include "stats/relaybody.h"

#include <QComboBox>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextDocument>
#include <QTimer>
#include <QToolTip>

#include <algorithm>

namespace {

struct Skill
{
    const char *valueLabel; // objectName of the value label
    const char *caption;    // the caption label's text
    int column;             // 1 to 4
    int row;                // 1 to 6
};

// Indexed by the field of the relay's answers, which is not the order of the rows.
const std::array<Skill, RelayBody::SkillFields> Skills = {{
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

        auto *caption =
            Design::create<QLabel>(this, QStringLiteral("Label%1").arg(captionNumber++),
                                   QLatin1String(skill.caption), left, top, width, LabelHeight);
        caption->setFont(Design::font(true));

        auto *value = Design::create<ValueLabel>(this, QLatin1String(skill.valueLabel), QString(),
                                                 left + width, top, ValueWidth, LabelHeight);
        value->setFont(Design::font(false));
        // A screen reader reads the level shown; the caption beside it says whose level it is,
        // and the experience total stays the tool tip and so the description.
        caption->setBuddy(value);
        value->installEventFilter(this);
        m_values[field] = value;
    }

    auto *combatCaption = Design::create<QLabel>(this, QStringLiteral("Label%1").arg(captionNumber),
                                                 tr("Combat:"), 7320, 1560, 840, LabelHeight);
    combatCaption->setFont(Design::font(true));
    combatCaption->setStyleSheet(QStringLiteral("color: red;"));

    lblCombat =
        Design::create<ValueLabel>(this, "lblCombat", QString(), 8160, 1560, 1020, LabelHeight);
    lblCombat->setFont(Design::font(false));
    // Named by what it shows, like every value label; what it is goes in the description.
    combatCaption->setBuddy(lblCombat);
    lblCombat->setAccessibleDescription(tr("Combat level"));

    tmrCombat = new QTimer(this);
    tmrCombat->setObjectName(QStringLiteral("tmrCombat"));
    tmrCombat->setInterval(10);
    tmrCombat->setSingleShot(true);
    connect(tmrCombat, &QTimer::timeout, this, &StatLookupPage::frmMain_tmrCombat_Timer);

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
        auto *label = qobject_cast<QLabel *>(watched);
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

    m_stats = m_stats.updated(levels, experience);
    for (int field = 0; field < RelayBody::SkillFields; ++field) {
        QLabel *label = m_values.at(static_cast<size_t>(field));
        label->setText(m_stats.levels.at(static_cast<size_t>(field)));
        label->setToolTip(m_stats.experienceTip(field));
    }
    // Only a lookup that wrote the Attack level works the combat level out again; the tick comes
    // once this handler has returned, with every field of the lookup on screen.
    if (!levels.isEmpty() && !tmrCombat->isActive())
        tmrCombat->start();

    cboUsername->addItem(cboUsername->currentText());
}

void StatLookupPage::frmMain_cmdRealHS_Click()
{
    emit officialHighscoresRequested(
        Endpoints::current().officialHighscoreUrl(PlayerName::encoded(cboUsername->currentText())));
}

void StatLookupPage::frmMain_tmrCombat_Timer()
{
    lblCombat->setText(QString());
    if (const std::optional<QString> level = CombatLevel::text(m_stats.combatCaptions(), QLocale()))
        lblCombat->setText(*level);
}
