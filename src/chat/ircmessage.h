#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// One IRC protocol line, parsed, and the rules for building lines that a server accepts.
// Nothing here touches a socket or a widget, so every function can be fed hostile input directly.
class IrcMessage
{
public:
    // Longest line a server accepts, CR LF included.
    static constexpr int MaxLineBytes = 512;
    // The same without the line end: what one line's content may take.
    static constexpr int MaxContentBytes = MaxLineBytes - 2;

    QString prefix;     // without the leading ':'
    QString nick;       // prefix part before '!' (or the whole prefix when it names a server)
    QString user;       // between '!' and '@'
    QString host;       // after '@'
    QString command;    // upper case; a numeric reply stays as its three digits
    QStringList params; // the trailing parameter, when there is one, is the last

    bool isValid() const { return !command.isEmpty(); }
    QString param(int i) const { return params.value(i); }
    // Whether the prefix names a user (nick!user@host) rather than a server.
    bool fromUser() const { return !user.isEmpty() || !host.isEmpty(); }

    // Parses one line without its line end (a trailing CR LF is tolerated). Message tags are
    // skipped. CR, LF and NUL never survive into the parsed texts.
    static IrcMessage parse(const QByteArray &line);

    // A line as text: UTF-8 when the bytes are valid UTF-8, otherwise Latin-1, which maps every
    // byte to a character, so that a line cut inside a character by a relaying server still
    // reads.
    static QString decode(const QByteArray &bytes);

    // The text with every CR, LF and NUL removed: a parameter of an outgoing line.
    static QString withoutBreaks(const QString &text);
    // A single middle parameter (nick, channel, target): no breaks, no surrounding blanks, ends at
    // the first blank, and never begins with ':' (which would turn it into the trailing one).
    static QString middleParam(const QString &text);
    // The text's lines, split at CR LF, CR and LF, NULs removed, empty lines left out.
    static QStringList splitLines(const QString &text);

    // Cuts UTF-8 text into pieces of at most maxBytes bytes, never inside a character (a
    // character longer than maxBytes is kept whole). maxBytes below 4 counts as 4.
    static QList<QByteArray> splitUtf8(const QByteArray &utf8, int maxBytes);
    // Cuts the bytes to at most maxBytes, not inside a UTF-8 character.
    static QByteArray truncateUtf8(const QByteArray &utf8, int maxBytes);

    // The lines "PRIVMSG <target> :<piece>" (no line end) that carry the text: one or more per
    // line of the text, each piece short enough that the copy the server relays, with
    // relayPrefixBytes (":nick!user@host ") in front, still fits into one line. Empty when the
    // target is empty or too long to leave room for any text.
    static QList<QByteArray> privmsgLines(const QString &target, const QString &text,
                                          int relayPrefixBytes);

    // Remote text made safe to show as one line of a plain-text log: characters that a text
    // document reads as paragraph, line or frame breaks become blanks, and the other control
    // characters but tab are dropped.
    static QString displayText(const QString &text);

    // Nick and channel comparison as the protocol defines it: ASCII case, with []\~ the upper
    // case of {}|^.
    static QString foldCase(const QString &text);
};
