#include "stats/relaybody.h"

namespace RelayBody {

QStringList fields(const QString &body, int maxFields)
{
    QStringList result;
    if (body.isEmpty() || maxFields <= 0)
        return result;
    qsizetype start = 0;
    while (result.size() < maxFields) {
        const qsizetype bar = body.indexOf(QLatin1Char('|'), start);
        if (bar < 0) {
            result.append(body.mid(start));
            break;
        }
        result.append(body.mid(start, bar - start));
        start = bar + 1;
    }
    return result;
}

} // namespace RelayBody
