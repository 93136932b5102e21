#include "demoserver.h"

#include <QHttpServer>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QTcpServer>
#include <QUrlQuery>

#include <cmath>

namespace {

using Status = QHttpServerResponder::StatusCode;

struct Player
{
    const char *name;
    int levels[22];
};

// Fields in relay order: Attack, Strength, Defence, Hitpoints, Ranged, Prayer, Magic, Cooking,
// Woodcutting, Fletching, Fishing, Firemaking, Crafting, Smithing, Mining, Herblore, Agility,
// Thieving, Slayer, Runecrafting, Farming, Construction.
const Player kPlayers[] = {
    {"Maxed Mara",
     {99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99}},
    {"Ironfoot",
     {60, 65, 50, 62, 45, 43, 55, 70, 71, 40, 66, 52, 38, 41, 58, 30, 48, 44, 35, 40, 33, 27}},
    {"Newbie 1", {3, 1, 1, 10, 1, 1, 1, 5, 12, 1, 8, 4, 1, 1, 3, 1, 1, 1, 1, 1, 1, 1}},
};

// Experience needed for a level, by the game's usual curve.
qint64 experienceFor(int level)
{
    double points = 0;
    for (int l = 1; l < level; ++l)
        points += std::floor(l + 300.0 * std::pow(2.0, l / 7.0));
    return static_cast<qint64>(std::floor(points / 4));
}

QByteArray page(const QString &title, const QString &body)
{
    return QStringLiteral("<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>%1</title>"
                          "<style>body{font-family:Tahoma,sans-serif;background:#14281c;"
                          "color:#e8e0c0;margin:24px}a{color:#f0d060}h1{font-size:20px}</style>"
                          "</head><body>%2</body></html>")
        .arg(title.toHtmlEscaped(), body)
        .toUtf8();
}

const char kDefaultCredits[] =
    "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1033{\\fonttbl{\\f0\\fnil\\fcharset0 Tahoma;}}\r\n"
    "{\\colortbl ;\\red0\\green128\\blue0;}\r\n"
    "\\viewkind4\\uc1\\pard\\f0\\fs17 \\b The Velmora crew\\b0  for the relay\\par\r\n"
    "\\cf1 Every player who reported a world\\cf0\\par\r\n"
    "\\i Testers:\\i0  Aldous, Brin, Cato\\par\r\n"
    "}\r\n";

} // namespace

DemoServer::DemoServer(QObject *parent)
    : QObject(parent)
    , m_server(new QHttpServer(this))
    , m_credits(kDefaultCredits)
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    // Qt 6.8 gave the handler a context object and the responder by reference; until then it
    // took a plain function and the responder to keep.
    m_server->setMissingHandler(
        this, [this](const QHttpServerRequest &request, QHttpServerResponder &responder) {
            answer(request, responder);
        });
#else
    m_server->setMissingHandler(
        [this](const QHttpServerRequest &request, QHttpServerResponder &&responder) {
            answer(request, responder);
        });
#endif
}

DemoServer::~DemoServer() = default;

quint16 DemoServer::listen(quint16 port)
{
    // Every Qt from 6.4 binds a server that listens already (listen() left the HTTP server in 6.8).
    auto *tcp = new QTcpServer(m_server);
    if (!tcp->listen(QHostAddress::LocalHost, port)) {
        delete tcp;
        return 0;
    }
    m_server->bind(tcp);
    m_port = tcp->serverPort();
    return m_port;
}

void DemoServer::answer(const QHttpServerRequest &request, QHttpServerResponder &responder)
{
    const QString host = QString::fromLatin1(request.value("Host")).section(QLatin1Char(':'), 0, 0);
    const QString path = request.url().path();
    const QByteArray html = "text/html; charset=utf-8";
    const QByteArray text = "text/plain";

    if (host.endsWith(QLatin1String(".localhost"))) {
        const QString label = host.chopped(int(qstrlen(".localhost")));
        if (label == QLatin1String("www")) {
            responder.write(page(QStringLiteral("Runescape"), QStringLiteral("<h1>Runescape</h1>")),
                            html);
        } else if (label == QLatin1String("hiscore")) {
            const QString name = QUrlQuery(request.url())
                                     .queryItemValue(QStringLiteral("user1"), QUrl::FullyDecoded);
            responder.write(
                page(QStringLiteral("Hiscores for %1").arg(name),
                     QStringLiteral("<h1>Personal hiscores for %1</h1>").arg(name.toHtmlEscaped())),
                html);
        } else if (label == QLatin1String("forum")) {
            responder.write(page(QStringLiteral("Forums"), QStringLiteral("<h1>Forums</h1>")),
                            html);
        } else if (path == QLatin1String("/lang/en/aff/runescape/game.ws")) {
            responder.write(page(QStringLiteral("Runescape - %1").arg(label),
                                 QStringLiteral("<h1>Game world %1</h1><p>The game would load "
                                                "here.</p>")
                                     .arg(label.toHtmlEscaped())),
                            html);
        } else {
            responder.write(Status::NotFound);
        }
        return;
    }

    if (path == QLatin1String("/~users/hopwise/version.qvx")) {
        responder.write(m_version, text);
    } else if (path == QLatin1String("/~users/Hopwise/pcworld.qvx")) {
        responder.write(m_pcworld, text);
    } else if (path == QLatin1String("/~users/hopwise/index.php")) {
        responder.write(page(QStringLiteral("HopWise"),
                             QStringLiteral("<h1>Welcome to HopWise</h1><p>Pick a world on the "
                                            "right (Min/Tools/Max shows the world list).</p>")),
                        html);
    } else if (path == QLatin1String("/~users/HopWise/thanks.rtf")) {
        responder.write(m_credits, "application/rtf");
    } else if (path == QLatin1String("/~users/hopwise/update.exe")) {
        responder.write(QByteArray("MZ demo installer"), "application/octet-stream");
    } else if (path == QLatin1String("/highscores.php") ||
               path == QLatin1String("/highscoresxp.php")) {
        const QString name =
            QUrlQuery(request.url()).queryItemValue(QStringLiteral("name"), QUrl::FullyDecoded);
        const bool xp = path == QLatin1String("/highscoresxp.php");
        for (const Player &p : kPlayers) {
            if (name.compare(QLatin1String(p.name), Qt::CaseInsensitive) != 0)
                continue;
            QStringList fields;
            for (int level : p.levels)
                fields << QString::number(xp ? experienceFor(level) : level);
            responder.write(fields.join(QLatin1Char('|')).toUtf8(), text);
            return;
        }
        responder.write(QByteArray("Player not found"), text);
    } else if (path == QLatin1String("/runeListing")) {
        responder.write(
            page(QStringLiteral("Velmora Marketplace"), QStringLiteral("<h1>Marketplace</h1>")),
            html);
    } else if (path == QLatin1String("/") || path.isEmpty()) {
        responder.write(page(QStringLiteral("Velmora"), QStringLiteral("<h1>Velmora</h1>")), html);
    } else {
        responder.write(Status::NotFound);
    }
}
