#include "core/versioncheck.h"

#include <QList>
#include <QStringView>
#include <tuple>

namespace VersionCheck {

namespace {

// Nine digits always fit an int; a longer number is no version anyone has released.
constexpr int MaxDigits = 9;

std::optional<int> number(QStringView part)
{
    if (part.isEmpty() || part.size() > MaxDigits)
        return std::nullopt;
    int value = 0;
    for (const QChar c : part) {
        // Only ASCII digits: QChar::isDigit would also take other scripts' digits.
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
        value = value * 10 + (c.unicode() - '0');
    }
    return value;
}

} // namespace

std::optional<Version> parse(const QString &text)
{
    const QString trimmed = text.trimmed();
    const QList<QStringView> parts = QStringView(trimmed).split(QLatin1Char('.'));
    if (parts.isEmpty() || parts.size() > 3)
        return std::nullopt;
    int values[3] = {0, 0, 0};
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const std::optional<int> n = number(parts.at(i));
        if (!n)
            return std::nullopt;
        values[i] = *n;
    }
    return Version{values[0], values[1], values[2]};
}

bool isNewer(const QString &newest, const QString &running)
{
    const std::optional<Version> found = parse(newest);
    const std::optional<Version> mine = parse(running);
    if (!found || !mine)
        return false;
    return std::tie(found->major, found->minor, found->revision) >
           std::tie(mine->major, mine->minor, mine->revision);
}

} // namespace VersionCheck
