#include "stats/combatlevel.h"

#include <cmath>

namespace CombatLevel {

double sum(double attack, double strength, double defence, double hitpoints, double prayer)
{
    double total = std::floor(attack) * 0.36;
    total += std::floor(strength) * 0.29;
    total += std::floor(defence) / 4;
    total += std::floor(hitpoints) / 4;
    total += std::floor(prayer) / 8;
    return total;
}

std::optional<QString> text(const Captions &captions, const QLocale &locale)
{
    double values[5];
    const QString *inputs[5] = {&captions.attack, &captions.strength, &captions.defence,
                                &captions.hitpoints, &captions.prayer};
    for (int i = 0; i < 5; ++i) {
        bool ok = false;
        values[i] = locale.toDouble(*inputs[i], &ok);
        if (!ok || !std::isfinite(values[i]))
            return std::nullopt;
    }
    double total = sum(values[0], values[1], values[2], values[3], values[4]);
    if (!std::isfinite(total))
        return std::nullopt;
    // A sum of negative zeros is still nought; "-0" would only puzzle the player.
    if (total == 0)
        total = 0;

    QLocale out = locale;
    out.setNumberOptions(out.numberOptions() | QLocale::OmitGroupSeparator);
    return out.toString(total, 'g', 15);
}

} // namespace CombatLevel
