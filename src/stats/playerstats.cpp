#include "stats/playerstats.h"

PlayerStats PlayerStats::updated(const QStringList &levelFields,
                                 const QStringList &experienceFields) const
{
    PlayerStats next = *this;
    for (int field = 0; field < RelayBody::SkillFields; ++field) {
        const auto k = static_cast<size_t>(field);
        if (field < levelFields.size())
            next.levels[k] = levelFields.at(field);
        if (field < experienceFields.size())
            next.experience[k] = experienceFields.at(field);
    }
    return next;
}

QString PlayerStats::experienceTip(int field) const
{
    const std::optional<QString> &total = experience.at(static_cast<size_t>(field));
    return total ? *total + QStringLiteral(" XP") : QString();
}

CombatLevel::Captions PlayerStats::combatCaptions() const
{
    // Ranged and Magic do not count.
    return {levels[0], levels[1], levels[2], levels[3], levels[5]};
}
