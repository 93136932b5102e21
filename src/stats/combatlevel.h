#pragma once

#include <QLocale>
#include <QString>

#include <optional>

// The combat level as the "Stat Lookup" page shows it, worked out from five level captions.
namespace CombatLevel {

struct Captions
{
    QString attack;
    QString strength;
    QString defence;
    QString hitpoints;
    QString prayer;
};

// floor(A)*0.36 + floor(S)*0.29 + floor(D)/4 + floor(H)/4 + floor(P)/8, added strictly from
// left to right in double precision. Players compare the decimals with what other tools show,
// so the order of the additions is part of the result.
double sum(double attack, double strength, double defence, double hitpoints, double prayer);

// The level as text in `locale`: at most 15 significant digits, no trailing zeros, no decimal
// separator for a whole number, no digit grouping. Empty when a caption is not a number in
// `locale` or the sum is not a finite number.
std::optional<QString> text(const Captions &captions, const QLocale &locale);

} // namespace CombatLevel
