#pragma once

#include <QString>

// Every remote address HopWise uses, in one place. The host names are ours; the environment can
// point them elsewhere (local test servers, the demo, self-hosting):
//   HOPWISE_UPDATE_SERVER  host[:port] of the update server (default port 81)
//   HOPWISE_VELMORA_SITE   host[:port] of the Velmora site
//   HOPWISE_GAME_DOMAIN    domain[:port] under which the game's hosts live
//   HOPWISE_PROGRAM_DIR    folder for the notes file, the start-up sound and screenshots
class Endpoints
{
public:
    // Read anew from the environment on every call, so tests can repoint a running program.
    static Endpoints current();

    QString updateHost() const; // host only
    QString velmoraSite() const { return m_velmoraSite; }
    QString gameDomain() const { return m_gameDomain; }

    QString versionFileUrl() const;
    QString pcworldFileUrl() const;
    QString homePageUrl() const;
    QString installerUrl() const;
    QString creditsUrl() const;

    // "http://" + label + "." + domain + the game page's path and query, nothing escaped.
    QString gamePageUrl(const QString &hostLabel) const;
    // The publisher's main site root that the game view refuses to leave for.
    QString blockedPageUrl() const;
    QString officialHighscoreUrl(const QString &encodedName) const;
    QString officialForumUrl() const;

    QString relayLevelsUrl(const QString &encodedName) const;
    QString relayExperienceUrl(const QString &encodedName) const;
    QString marketplaceUrl() const;
    QString velmoraFrontPageUrl() const;

    QString questGuidesUrl() const;
    QString treasureTrailsUrl() const;

    static constexpr const char *DefaultUpdateHost = "updates.hopwise.quillon.net";
    static constexpr int DefaultUpdatePort = 81;
    static constexpr const char *DefaultVelmoraSite = "www.velmora.net";
    static constexpr const char *DefaultGameDomain = "runescape.com";

private:
    QString m_updateServer; // host:port
    QString m_velmoraSite;
    QString m_gameDomain;
};
