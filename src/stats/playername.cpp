#include "stats/playername.h"

#include <QUrl>

namespace PlayerName {

QString encoded(const QString &name)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(name));
}

} // namespace PlayerName
