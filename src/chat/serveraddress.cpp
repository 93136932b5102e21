#include "chat/serveraddress.h"

#include "chat/ircoutgoing.h"

namespace {

quint16 portOf(const QString &text)
{
    bool ok = false;
    const uint port = text.toUInt(&ok);
    return ok && port > 0 && port <= 65535 ? quint16(port) : quint16(0);
}

} // namespace

ServerAddress ServerAddress::parse(const QString &text)
{
    ServerAddress a;
    const QString t = IrcOutgoing::withoutBreaks(text).trimmed();
    if (t.startsWith(QLatin1Char('['))) {
        const int close = t.indexOf(QLatin1Char(']'));
        if (close < 0)
            return ServerAddress{QString(), 0};
        a.host = t.mid(1, close - 1);
        const QString rest = t.mid(close + 1);
        if (rest.startsWith(QLatin1Char(':')))
            a.port = portOf(rest.mid(1));
        else if (!rest.isEmpty())
            a.port = 0;
        return a;
    }
    const int colon = t.indexOf(QLatin1Char(':'));
    if (colon >= 0 && colon == t.lastIndexOf(QLatin1Char(':'))) {
        a.host = t.left(colon);
        a.port = portOf(t.mid(colon + 1));
    } else {
        a.host = t;
    }
    return a;
}
