#pragma once

#include "stats/combatlevel.h"
#include "stats/relaybody.h"

#include <QString>
#include <QStringList>

#include <array>
#include <optional>

// What the "Stat Lookup" page shows of a player, in the relay's field order: a level caption and
// an experience total per skill. A lookup only writes the fields its answers hold, so a value
// also carries what earlier lookups left on screen.
struct PlayerStats
{
    std::array<QString, RelayBody::SkillFields> levels;
    // Empty until a lookup has delivered the field; the label then has no tool tip.
    std::array<std::optional<QString>, RelayBody::SkillFields> experience;

    // This value with a lookup's answers written over it; fields the answers lack keep theirs.
    PlayerStats updated(const QStringList &levelFields, const QStringList &experienceFields) const;

    // The tool tip of field `field`'s label.
    QString experienceTip(int field) const;

    // The five levels the combat level is worked out from.
    CombatLevel::Captions combatCaptions() const;
};
