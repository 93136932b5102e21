#include "core/endpoints.h"

#include <QtGlobal>

namespace {

QString fromEnv(const char *name, const QString &fallback)
{
    const QString value = qEnvironmentVariable(name).trimmed();
    return value.isEmpty() ? fallback : value;
}

bool hasPort(const QString &authority)
{
    // "host:port" or "[v6]:port"; a bare IPv6 literal in brackets has no port.
    const int colon = authority.lastIndexOf(QLatin1Char(':'));
    return colon > 0 && colon > authority.lastIndexOf(QLatin1Char(']'));
}

} // namespace

Endpoints Endpoints::current()
{
    Endpoints e;
    e.m_updateServer = fromEnv("HOPWISE_UPDATE_SERVER", QString::fromLatin1(DefaultUpdateHost));
    if (!hasPort(e.m_updateServer))
        e.m_updateServer += QStringLiteral(":%1").arg(DefaultUpdatePort);
    e.m_velmoraSite = fromEnv("HOPWISE_VELMORA_SITE", QString::fromLatin1(DefaultVelmoraSite));
    e.m_gameDomain = fromEnv("HOPWISE_GAME_DOMAIN", QString::fromLatin1(DefaultGameDomain));
    return e;
}

QString Endpoints::updateHost() const
{
    return hasPort(m_updateServer)
               ? m_updateServer.left(m_updateServer.lastIndexOf(QLatin1Char(':')))
               : m_updateServer;
}

QString Endpoints::versionFileUrl() const
{
    return QStringLiteral("http://%1/~users/hopwise/version.qvx").arg(m_updateServer);
}

QString Endpoints::pcworldFileUrl() const
{
    return QStringLiteral("http://%1/~users/Hopwise/pcworld.qvx").arg(m_updateServer);
}

QString Endpoints::homePageUrl() const
{
    return QStringLiteral("http://%1/~users/hopwise/index.php").arg(m_updateServer);
}

QString Endpoints::installerUrl() const
{
    return QStringLiteral("http://%1/~users/hopwise/update.exe").arg(m_updateServer);
}

QString Endpoints::creditsUrl() const
{
    return QStringLiteral("http://%1/~users/HopWise/thanks.rtf").arg(m_updateServer);
}

QString Endpoints::gamePageUrl(const QString &hostLabel) const
{
    const QString rest = QLatin1Char('.') + m_gameDomain +
                         QStringLiteral("/lang/en/aff/runescape/game.ws?lowmem=1&plugin=1");
    return QStringLiteral("http://") + hostLabel + rest;
}

QString Endpoints::blockedPageUrl() const
{
    return QStringLiteral("http://www.%1/").arg(m_gameDomain);
}

QString Endpoints::officialHighscoreUrl(const QString &encodedName) const
{
    return QStringLiteral("http://hiscore.%1/lang/en/aff/runescape/hiscorepersonal.ws?user1=")
               .arg(m_gameDomain) +
           encodedName;
}

QString Endpoints::officialForumUrl() const
{
    return QStringLiteral("http://forum.%1/lang/en/aff/runescape/forums.ws").arg(m_gameDomain);
}

QString Endpoints::relayLevelsUrl(const QString &encodedName) const
{
    return QStringLiteral("http://%1/highscores.php?name=").arg(m_velmoraSite) + encodedName;
}

QString Endpoints::relayExperienceUrl(const QString &encodedName) const
{
    return QStringLiteral("http://%1/highscoresxp.php?name=").arg(m_velmoraSite) + encodedName;
}

QString Endpoints::marketplaceUrl() const
{
    return QStringLiteral("http://%1/runeListing").arg(m_velmoraSite);
}

QString Endpoints::velmoraFrontPageUrl() const
{
    return QStringLiteral("http://%1").arg(m_velmoraSite);
}

QString Endpoints::questGuidesUrl() const
{
    return QStringLiteral("http://www.questguides.net/runescape/?rs2quest");
}

QString Endpoints::treasureTrailsUrl() const
{
    return QStringLiteral("http://www.cluescrolls.net/treasuretrails.php");
}
